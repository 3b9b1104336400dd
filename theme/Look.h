#pragma once

// Look: everything the user chose about how Tavrik draws, as one value. The card, the overlay
// and the debug renders take it as an argument and never read the settings themselves; the
// application reads the settings into a Look when they change.

#include "theme/Theme.h"

#include <cstddef>
#include <cstdint>

namespace tavrik {

// The overlay's shape as stored: offsets in points added to the measured frame, and the flare
// and bottom radius, where 0 or less means "not set" (the overlay's defaults apply).
struct OverlayShape {
    double widthOffset = 0;
    double heightOffset = 0;
    double xOffset = 0;
    double flare = 0;
    double bottomRadius = 0;

    bool operator==(const OverlayShape&) const = default;
};

struct Look {
    AccentTheme accent = Accent::cobalt;
    Theme::CardBackground background = Theme::CardBackground::Scanlines;
    std::size_t sprite = 0;  // index into Sprites::all(), clamped to the list when drawn
    OverlayShape shape;
    std::int64_t wingStat = 1;  // the right wing's figure, as wingValue reads it

    bool operator==(const Look&) const = default;
};

}  // namespace tavrik
