#pragma once

// Pricing: the built-in per-model price table, the one cost rule every reader and the builder
// use, and the short display names of models. Pure functions over constant tables.

#include <string>
#include <string_view>

namespace tavrik {

// Dollars per million input and output tokens. Cache tokens are priced from inRate.
struct Rate {
    double inRate = 0;
    double outRate = 0;

    bool operator==(const Rate&) const = default;
};

namespace Pricing {

// Returns the rate of a model name as logged: an exact table entry, else by substring of the
// lower-cased name ("gpt", "opus", "fable"/"mythos", "haiku"), else (3, 15).
Rate baseFor(std::string_view model);

// Returns dollars: input and output at their rates, cache reads at a tenth of the input rate,
// cache writes at one and a quarter times it, added in that order.
double cost(Rate rate, double input, double output, double cacheRead, double cacheWrite);

// Returns the display name: a trailing "-YYYYMMDD" removed, then the table's name, else "gpt"
// upper-cased for gpt models, else the name unchanged.
std::string prettyModel(std::string_view model);

}  // namespace Pricing
}  // namespace tavrik
