#pragma once

// StatsCache: the last complete Stats in "stats-cache.json" beside the parse cache, so the
// application can show figures at once when it starts. Written atomically, mode 0600; a
// missing or malformed file, or one over 16 MiB, loads as nothing.

#include "engine/Records.h"

#include <filesystem>
#include <optional>

namespace tavrik::StatsCache {

// Returns the location of "stats-cache.json" in dir, creating dir if needed.
std::filesystem::path url(const std::filesystem::path& dir);

// Writes stats to the cache file; returns false when it could not be written.
bool save(const Stats& stats, const std::filesystem::path& dir);

// Returns the cached Stats, or nothing when the file is missing or does not decode.
std::optional<Stats> load(const std::filesystem::path& dir);

}  // namespace tavrik::StatsCache
