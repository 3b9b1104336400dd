#include "theme/Theme.h"

namespace tavrik {
namespace {

constexpr AccentTheme accents[] = {
    Accent::cobalt,
    {"Lime", {184, 255, 46}, {127, 191, 31}},
    {"Magenta", {255, 77, 166}, {204, 46, 127}},
    {"Amber", {255, 176, 32}, {204, 138, 16}},
    {"Cyan", {34, 211, 238}, {20, 155, 176}},
    {"Violet", {139, 92, 246}, {109, 63, 208}},
};

// Light accents get dark text above this luminance.
constexpr double lightAccentLuminance = 0.6;

}  // namespace

QColor AccentTheme::textOn() const {
    const QColor c = color.toRgb();
    const double luminance = 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
    return luminance > lightAccentLuminance ? Theme::darkText : Theme::fg;
}

QColor AccentTheme::dim() const {
    const QColor c = color.toRgb();
    return QColor::fromRgbF(static_cast<float>(0.45 * c.redF()),
                            static_cast<float>(0.45 * c.greenF()),
                            static_cast<float>(0.5 * c.blueF()), 1.0F);
}

namespace Theme {

CardBackground cardBackgroundFor(std::int64_t stored) {
    switch (stored) {
        case 1:
            return CardBackground::Solid;
        case 2:
            return CardBackground::LightStreaks;
        default:
            return CardBackground::Scanlines;
    }
}

}  // namespace Theme

namespace Accent {

std::span<const AccentTheme> all() {
    return accents;
}

}  // namespace Accent
}  // namespace tavrik
