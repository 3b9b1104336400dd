#pragma once

// FoldCache: the fold of the last build that had to fold every file, in "fold-cache.json"
// beside the parse cache, with a digest of what it was made from: each live log file's path
// and stamp in walk order, the local zone, and the readers' version. While the digest of the
// files found now is the same, so is the fold, bit for bit, and a build takes it from here
// instead of loading and adding up every file's parse-cache entry: the case of every build in
// which nothing changed.
//
// Written atomically, readable by the user only; a missing, damaged or foreign file reads as
// nothing and the build folds the files itself.

#include "engine/Records.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

struct FoldSummary {
    static constexpr std::int64_t currentVersion = 1;
    static constexpr std::string_view fileName = "fold-cache.json";

    std::int64_t version = currentVersion;
    std::string digest;       // of the files, the zone and the readers it was made from
    std::int64_t madeOn = 0;  // day number of the local day of the build that made it
    // The live files' contributions added up, editedFiles holding every distinct edited file.
    FileContribution total;
    // For each live file with activity on or after the day madeOn - 6, those days' numbers:
    // enough to count the sessions of the week of any later day.
    std::vector<std::vector<std::int64_t>> recentDays;

    bool operator==(const FoldSummary&) const = default;
};

namespace FoldCache {

// Returns the summary stored in dir when it was made from files of this digest on a day up to
// today (day numbers), and could have come from files of logBytes bytes in all; else nothing.
std::optional<FoldSummary> load(const std::filesystem::path& dir, std::string_view digest,
                                std::int64_t today, std::uint64_t logBytes, std::size_t files);

// Writes the summary to dir atomically; returns false when it could not be written.
bool save(const FoldSummary& summary, const std::filesystem::path& dir);

}  // namespace FoldCache
}  // namespace tavrik
