// Entry point: the first recognised option selects a command-line mode; without one the
// application starts.

#include "app/Application.h"
#include "cli/Args.h"
#include "cli/Modes.h"
#include "engine/Environment.h"
#include "notch/NotchDebug.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using tavrik::cli::Args;

struct Option {
    std::string_view name;
    // What follows the option in the usage ("DIR", "[PATH]"); an option with one takes the
    // next element as its value, whatever it looks like.
    std::string_view value;
    int (*run)(const Args&);  // null for an option that only changes a mode
    std::string_view help;
};

int runHelp(const Args&);
int runVersion(const Args&);

// Tested in this order; the first option with a mode wins. One row per option:
// clang-format off
constexpr Option options[] = {
    {"--help", "", runHelp, "print this help and exit (also -h)"},
    {"-h", "", runHelp, ""},
    {"--version", "", runVersion, "print the version and exit"},
    {"--bench", "", tavrik::cli::runBench, "time one build and print a one-line summary"},
    {"--stats", "", tavrik::cli::runStats, "print the full report of your statistics"},
    {"--stats-dir", "DIR", nullptr, "with --stats: read the Claude Code logs from DIR"},
    {"--card", "[PATH]", tavrik::cli::runCard,
     "write the share card PNG (default /tmp/tavrik-card.png)"},
    {"--sprites", "[PATH]", tavrik::cli::runSprites,
     "write the overlay's sprites (default /tmp/tavrik-sprites.png)"},
    {"--notchview", "[PATH]", tavrik::cli::runNotchView,
     "write the overlay's outline at 4x (default /tmp/tavrik-notchview.png)"},
    {"--notchcorner", "[PATH]", tavrik::cli::runNotchCorner,
     "write the overlay's corner at 8x (default /tmp/tavrik-notchcorner.png)"},
    {"--codex", "", tavrik::cli::runCodex, "print the Codex totals"},
    {"--sync-dry-run", "", tavrik::cli::runSyncDryRun,
     "print the leaderboard upload a sync would send; sends nothing"},
    {"--debug", "", nullptr, "tray application: one line per applied build on standard error"},
};
// clang-format on

constexpr std::string_view environment =
    "Environment:\n"
    "  HOME             the Claude Code logs are read from $HOME/.claude/projects,\n"
    "                   the Codex sessions from $HOME/.codex/sessions\n"
    "  TZ               the time zone of local days (else the system's)\n"
    "  XDG_CACHE_HOME   the caches live in $XDG_CACHE_HOME/Tavrik (else ~/.cache/Tavrik)\n"
    "  XDG_CONFIG_HOME  the settings live in $XDG_CONFIG_HOME/Tavrik (else ~/.config/Tavrik)\n"
    "  XDG_RUNTIME_DIR  the tray application's one-instance lock\n";

int runHelp(const Args&) {
    std::cout << "Usage: tavrik [OPTION]\n"
                 "Statistics of your AI coding agents' local logs.\n\n"
                 "Without an option, starts the tray application (needs an X11 or Wayland\n"
                 "session with XWayland).\n\n"
                 "Options:\n";
    for (const Option& o : options) {
        if (o.help.empty()) {
            continue;
        }
        std::string left = "  " + std::string(o.name);
        if (!o.value.empty()) {
            left += " " + std::string(o.value);
        }
        left.resize(std::max<std::size_t>(left.size() + 2, 26), ' ');
        std::cout << left << o.help << '\n';
    }
    std::cout << '\n' << environment;
    return 0;
}

int runVersion(const Args&) {
    std::cout << "tavrik " TAVRIK_VERSION "\n";
    return 0;
}

const Option* find(std::string_view name) {
    for (const Option& o : options) {
        if (o.name == name) {
            return &o;
        }
    }
    return nullptr;
}

// Returns the first element that is no option of ours, nor the value of one.
std::optional<std::string> unknownArgument(const Args& args) {
    for (std::size_t i = 0; i < args.items.size(); ++i) {
        const Option* o = find(args.items[i]);
        if (o == nullptr) {
            return args.items[i];
        }
        if (!o->value.empty()) {
            ++i;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    // The schematic overlay of the notch debug renders.
    tavrik::dbgBodyW = 180;
    tavrik::Environment::tuneAllocator();

    Args args;
    for (int i = 1; i < argc; ++i) {
        args.items.emplace_back(argv[i]);
    }
    if (const auto unknown = unknownArgument(args)) {
        std::cerr << "tavrik: unknown option '" << *unknown << "'\n"
                  << "Try 'tavrik --help' for more information.\n";
        return 2;
    }
    for (const Option& o : options) {
        if (o.run != nullptr && args.has(std::string(o.name))) {
            return o.run(args);
        }
    }
    // No mode: the tray application ("--debug" is its business).
    return tavrik::Application::run(argc, argv);
}
