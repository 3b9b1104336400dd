#pragma once

// How the text reports write values: doubles in the shortest form that reads back, always
// with a fraction or an exponent ("0.0", "1250.0", "0.00085", "1e+16", "1e-05"); plain
// decimal for magnitudes from 1e-4 up to 1e16, exponent form outside.

#include <optional>
#include <string>

namespace tavrik::cli {

std::string reportDouble(double v);

// Returns "%.1f" of v, without the C locale.
std::string oneDecimal(double v);

// Returns the text, or "-" when absent.
std::string orDash(const std::optional<std::string>& text);

// Prints a JSON text on a line of its own and returns 0; when there is none (a figure JSON
// cannot hold) prints an error instead and returns 1, so a script never reads half a record.
int printJson(const std::optional<std::string>& json);

}  // namespace tavrik::cli
