#include "notch/NotchStyle.h"

namespace tavrik::NotchStyle {

double flare(const OverlayShape& shape) {
    return shape.flare > 0 ? shape.flare : defaultFlare;
}

double bottomRadius(const OverlayShape& shape, bool expanded) {
    const double base = shape.bottomRadius > 0 ? shape.bottomRadius : defaultRadius;
    return expanded ? base + expandedRadiusExtra : base;
}

NotchGeometry::Adjustments adjustments(const OverlayShape& shape) {
    NotchGeometry::Adjustments a;
    a.widthOffset = shape.widthOffset;
    a.heightOffset = shape.heightOffset;
    a.xOffset = shape.xOffset;
    a.flare = flare(shape);
    return a;
}

}  // namespace tavrik::NotchStyle
