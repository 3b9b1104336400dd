#pragma once

// Where the modes' builds look: the user's logs, and the kept history while the user keeps one.

#include "engine/StatsEngine.h"

#include <filesystem>
#include <optional>

namespace tavrik::cli {

// Returns the inputs of a build over the user's logs. dir replaces the Claude Code folders;
// such a build reads that folder alone, without the kept history of the usual ones.
StatsEngine::BuildInputs userInputs(const std::optional<std::filesystem::path>& dir = {});

}  // namespace tavrik::cli
