#include "notch/NotchStyle.h"

#include "prefs/Prefs.h"

namespace tavrik::NotchStyle {

double flareFor(double stored) {
    return stored > 0 ? stored : defaultFlare;
}

double radiusFor(double stored, bool expanded) {
    const double base = stored > 0 ? stored : defaultRadius;
    return expanded ? base + expandedRadiusExtra : base;
}

double flare() {
    return flareFor(Prefs::real(Prefs::Key::notchFlare));
}

double bottomRadius(bool expanded) {
    return radiusFor(Prefs::real(Prefs::Key::notchRound), expanded);
}

NotchGeometry::Adjustments adjustments() {
    NotchGeometry::Adjustments a;
    a.widthOffset = static_cast<double>(Prefs::integer(Prefs::Key::notchWidthOffset));
    a.heightOffset = static_cast<double>(Prefs::integer(Prefs::Key::notchHeightOffset));
    a.xOffset = static_cast<double>(Prefs::integer(Prefs::Key::notchXOffset));
    a.flare = flare();
    return a;
}

}  // namespace tavrik::NotchStyle
