#pragma once

// Theme, AccentTheme and Accent: the colours of Tavrik's one dark identity, shared by the card,
// the overlay, its sprites, the settings window and the tray icon.
//
// Colours are sRGB with alpha 1. The accent and the card's background pattern are the user's
// choices; they reach the drawing code in a Look (theme/Look.h).

#include <QColor>

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tavrik {

namespace Theme {

inline constexpr QColor blue{61, 123, 240};     // default accent, equal to "Cobalt"
inline constexpr QColor blueDark{47, 95, 208};  // dark partner of blue
inline constexpr QColor amber{255, 180, 84};    // streak-at-risk state of the overlay
inline constexpr QColor bg{6, 7, 7};            // card background
inline constexpr QColor fg{244, 245, 242};      // primary text
inline constexpr QColor muted{138, 141, 130};   // secondary text, captions
inline constexpr QColor darkText{10, 13, 2};    // text on a light accent

// The pattern behind the share card, chosen by the user.
enum class CardBackground { Scanlines = 0, Solid = 1, LightStreaks = 2 };

// The pop-up labels of the patterns, by stored value.
inline constexpr std::array<std::string_view, 3> cardBackgroundLabels{
    "Scanlines",
    "Solid",
    "Light streaks",
};

// Returns the pattern of a stored value; any value other than 1 and 2 means scan lines.
CardBackground cardBackgroundFor(std::int64_t stored);

}  // namespace Theme

// One selectable accent colour with its darker partner.
struct AccentTheme {
    std::string_view name;
    QColor color;
    QColor dark;

    // Returns a legible text colour on top of color: near-black when its luminance
    // 0.299 R + 0.587 G + 0.114 B is above 0.6, else Theme::fg.
    QColor textOn() const;

    // Returns the darkened accent used for secondary sprite pixels: red and green times 0.45,
    // blue times 0.5.
    QColor dim() const;

    bool operator==(const AccentTheme&) const = default;
};

namespace Accent {

// Returns the accents in pop-up order; the index is the stored value.
std::span<const AccentTheme> all();

// The first accent and the default.
inline constexpr AccentTheme cobalt{"Cobalt", Theme::blue, Theme::blueDark};

}  // namespace Accent

}  // namespace tavrik
