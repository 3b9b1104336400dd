#pragma once

// NotchStyle: the user's overlay shape (OverlayShape, from the Look) as the overlay applies it.
//
// A stored flare or bottom radius of 0 means "not set" and gives the default; so does a
// negative value, which the settings window never stores but a hand-edited file might.

#include "notch/NotchGeometry.h"
#include "theme/Look.h"

namespace tavrik::NotchStyle {

inline constexpr double defaultFlare = NotchGeometry::defaultFlare;
inline constexpr double defaultRadius = 13;
inline constexpr double expandedRadiusExtra = 3;  // the expanded shape rounds a little more

// Returns the flare in effect for a shape.
double flare(const OverlayShape& shape);

// Returns the bottom radius in effect: the stored value (or 13) collapsed, three points more
// expanded.
double bottomRadius(const OverlayShape& shape, bool expanded);

// Returns the width, height and x offsets and the flare in effect.
NotchGeometry::Adjustments adjustments(const OverlayShape& shape);

}  // namespace tavrik::NotchStyle
