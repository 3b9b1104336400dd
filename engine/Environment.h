#pragma once

// The real environment of the process: home folder, cache folder and clock. Only the
// application and the command line call these; everything else takes the values as
// parameters so tests can set them.

#include "engine/StatsEngine.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace tavrik::Environment {

// Returns $HOME, else the home folder in the password database, else "/".
std::filesystem::path home();

// Returns the cache folder: $XDG_CACHE_HOME/Tavrik, else <home>/.cache/Tavrik.
std::filesystem::path cacheDir();

// Returns the current time in seconds since 1970-01-01 UTC.
double now();

// Makes the allocator hand large blocks back to the system when they are freed. Call once at
// the start of a process that builds statistics repeatedly.
void tuneAllocator();

// Returns the Claude Code "projects" folders: <each folder of CLAUDE_CONFIG_DIR>/projects when
// it names any (a comma-separated list), else <home>/.claude/projects.
std::vector<std::filesystem::path> claudeRoots(const char* claudeConfigDir,
                                               const std::filesystem::path& home);

// Returns the Codex "sessions" folder: $CODEX_HOME/sessions when set, else
// <home>/.codex/sessions.
std::filesystem::path codexRoot(const char* codexHome, const std::filesystem::path& home);

// Returns the folder of the kept history: $XDG_DATA_HOME/Tavrik, else
// <home>/.local/share/Tavrik.
std::filesystem::path historyDir();

// Returns the number of threads a build reads logs on: $TAVRIK_THREADS when it is a whole
// number from 1 to 1024, else 0 (one per available core).
unsigned buildThreads();

// Returns the inputs of a build over the user's logs, the roots following the agents' own
// variables; dir replaces the Claude Code roots. The kept history is not folded in: the
// caller sets historyDir when the user keeps it.
StatsEngine::BuildInputs buildInputs(const std::optional<std::filesystem::path>& dir = {});

}  // namespace tavrik::Environment
