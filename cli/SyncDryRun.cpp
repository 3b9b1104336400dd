// "--sync-dry-run": builds the statistics and prints the upload a sync would send, without
// sending it. Only the signed-in user's id is read from the keychain; no token is printed.
// Without a leaderboard server it says so on standard error and fails.

#include "account/AuthManager.h"
#include "account/StatsSync.h"
#include "cli/Inputs.h"
#include "cli/Modes.h"
#include "engine/StatsEngine.h"

#include <iostream>

namespace tavrik::cli {

int runSyncDryRun(const Args&) {
    const Stats stats = StatsEngine::build(userInputs());
    const Result<Done> printed = StatsSync::dryRunPrint(stats, AuthManager::shared(), std::cout);
    if (!printed) {
        std::cerr << printed.error().errorDescription() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tavrik::cli
