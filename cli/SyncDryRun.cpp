// "--sync-dry-run": builds the statistics and prints the upload a sync would send, without
// sending it. Only the signed-in user's id is read from the keychain; no token is printed.

#include "account/AuthManager.h"
#include "account/StatsSync.h"
#include "cli/Inputs.h"
#include "cli/Modes.h"
#include "engine/StatsEngine.h"

#include <iostream>

namespace tavrik::cli {

int runSyncDryRun(const Args&) {
    const Stats stats = StatsEngine::build(userInputs());
    StatsSync::dryRunPrint(stats, AuthManager::shared(), std::cout);
    return 0;
}

}  // namespace tavrik::cli
