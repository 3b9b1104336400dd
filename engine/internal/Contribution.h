#pragma once

// Helpers both log readers and the builder use to fold lines and files into contributions.

#include "engine/Records.h"

#include <optional>
#include <string>

namespace tavrik::detail {

// Records the instant t of a line: its local day among the active days, its local hour in the
// hour profile, and the first and last instants. Returns the line's day key.
std::string noteInstant(FileContribution& c, double t);

// Adds c into total: models field by field, active days, hour profile, the counters and
// token totals, cost, and the first and last instants. perDay and editedFiles are left to
// the caller.
void addContribution(FileContribution& total, const FileContribution& c);

}  // namespace tavrik::detail
