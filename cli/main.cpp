// Entry point: the first recognised option selects a command-line mode; without one the
// application starts.

#include "app/Application.h"
#include "cli/Args.h"
#include "cli/Modes.h"
#include "engine/Environment.h"

namespace {

using tavrik::cli::Args;

struct Mode {
    const char* option;
    int (*run)(const Args&);
};

// Tested in this order; the first option present wins. One row per mode:
// clang-format off
constexpr Mode modes[] = {
    {"--bench", tavrik::cli::runBench},
    {"--stats", tavrik::cli::runStats},
    {"--card", tavrik::cli::runCard},
    {"--sprites", tavrik::cli::runSprites},
    {"--notchview", tavrik::cli::runNotchView},
    {"--notchcorner", tavrik::cli::runNotchCorner},
    {"--codex", tavrik::cli::runCodex},
    {"--sync-dry-run", tavrik::cli::runSyncDryRun},
};
// clang-format on

}  // namespace

int main(int argc, char** argv) {
    tavrik::Environment::tuneAllocator();

    Args args;
    for (int i = 1; i < argc; ++i) {
        args.items.emplace_back(argv[i]);
    }
    for (const Mode& mode : modes) {
        if (args.has(mode.option)) {
            return mode.run(args);
        }
    }
    // No mode: the tray application ("--debug" and any other argument are its business).
    return tavrik::Application::run(argc, argv);
}
