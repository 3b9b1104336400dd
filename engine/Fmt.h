#pragma once

// Fmt: the text of every figure shown to the user. Fixed formats, never the user's locale:
// the decimal separator is always a point and month names are English.

#include <optional>
#include <string>
#include <string_view>

namespace tavrik::Fmt {

// Returns a compact count: "999", "1.2k", "12k", "1.2M", "2.5B".
std::string num(double v);

// Returns a dollar amount: "$3.46", "$999", "$1.0k", "$1.2M", "$2.5B".
std::string money(double dollars);

// Returns "Jan 5" for the day key "YYYY-01-05"; empty for an absent or malformed key.
std::string humanDate(const std::optional<std::string>& dayKey);

}  // namespace tavrik::Fmt
