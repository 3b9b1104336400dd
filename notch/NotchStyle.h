#pragma once

// NotchStyle: the user's shape settings as the overlay applies them. Read from the preferences
// at every use, never cached, so a change in the settings window shows at the next draw.
//
// A stored flare or bottom radius of 0 means "not set" and gives the default; so does a
// negative value, which the settings window never stores but a hand-edited file might.

#include "notch/NotchGeometry.h"

namespace tavrik::NotchStyle {

inline constexpr double defaultFlare = NotchGeometry::defaultFlare;
inline constexpr double defaultRadius = 13;
inline constexpr double expandedRadiusExtra = 3;  // the expanded shape rounds a little more

// Returns the flare in effect for a stored value.
double flareFor(double stored);

// Returns the bottom radius in effect for a stored value: the value (or 13) collapsed, three
// points more expanded.
double radiusFor(double stored, bool expanded);

// Same, reading "tavrik.notchFlare" and "tavrik.notchRound".
double flare();
double bottomRadius(bool expanded);

// Returns the width, height and x offsets and the flare in effect.
NotchGeometry::Adjustments adjustments();

}  // namespace tavrik::NotchStyle
