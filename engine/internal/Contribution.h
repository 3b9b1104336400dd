#pragma once

// Helpers both log readers and the builder use to fold lines and files into contributions.

#include "engine/Records.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace tavrik::detail {

// The largest token count one log line may report, in either direction. No agent reports
// that many tokens at once; a count beyond it is unusable and counts 0, like one of the wrong
// type. With every count bounded, sums over any real number of lines stay finite, and a
// cached figure above this bound times its file's size cannot have come from the file.
inline constexpr double maxTokens = 1e15;

// Returns a + b, held at the limits of the type instead of overflowing.
inline std::int64_t addClamped(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max()
                     : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

// Records the instant t of a line: its local day among the active days, its local hour in the
// hour profile, and the first and last instants. Returns the line's day key.
std::string noteInstant(FileContribution& c, double t);

// Adds c into total: models field by field, active days, hour profile, the counters and
// token totals, cost, and the first and last instants. perDay and editedFiles are left to
// the caller.
void addContribution(FileContribution& total, const FileContribution& c);

}  // namespace tavrik::detail
