#pragma once

// NotchShape: the outline of the black overlay that hangs from the top edge of the screen. A
// body with straight sides and rounded bottom corners, joined to the screen edge by two small
// concave flares at the top corners, so that the overlay seems to grow out of the menu bar.
//
// Coordinates are points with y downwards: bounds.top() is the edge that touches the screen's
// top. The outline is as wide as bounds only along the top edge; the body proper runs from
// left + flare to right - flare. A pure function; no state.

class QPainterPath;
class QRectF;

namespace tavrik::NotchShape {

// Returns the closed outline in bounds: the top edge, the right flare (a cubic curve), the
// right side, the two bottom corners (arcs of bottomRadius tangent to the sides and the
// bottom), the left side and the left flare.
//
// Negative values count as 0. The flare is limited to half the width and to the height, and
// the radius to half the body's width and to the height of the side below the flare, so the
// outline never folds back on itself whatever the user's shape settings.
QPainterPath path(const QRectF& bounds, double bottomRadius, double flare);

}  // namespace tavrik::NotchShape
