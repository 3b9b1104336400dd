#include "notch/NotchShape.h"

#include <QLineF>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavrik::NotchShape {
namespace {

double toDegrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

// Qt measures arc angles counter-clockwise as seen on the screen, with y downwards.
double screenAngle(const QPointF& centre, const QPointF& point) {
    return toDegrees(std::atan2(centre.y() - point.y(), point.x() - centre.x()));
}

// Appends a line from the current point to where a circle of the radius touches the line
// towards corner, then the arc of that circle to where it touches the line from corner to
// next: the arc whose two tangent lines are given by three points. Degenerate input (a zero
// radius, a zero-length or straight-through corner) gives a plain line to the corner.
void tangentArc(QPainterPath& path, const QPointF& corner, const QPointF& next, double radius) {
    const QPointF current = path.currentPosition();
    const QLineF in(corner, current);
    const QLineF out(corner, next);
    if (radius <= 0 || in.length() <= 0 || out.length() <= 0) {
        path.lineTo(corner);
        return;
    }
    const QPointF u1 = (current - corner) / in.length();
    const QPointF u2 = (next - corner) / out.length();
    const double cosTheta = std::clamp(QPointF::dotProduct(u1, u2), -1.0, 1.0);
    const double theta = std::acos(cosTheta);  // angle between the two sides at the corner
    if (theta < 1e-9 || std::numbers::pi - theta < 1e-9) {
        path.lineTo(corner);
        return;
    }
    const double reach = radius / std::tan(theta / 2);  // corner to each tangent point
    const QPointF t1 = corner + u1 * reach;
    const QPointF t2 = corner + u2 * reach;
    QPointF bisector = u1 + u2;
    bisector /= std::hypot(bisector.x(), bisector.y());
    const QPointF centre = corner + bisector * (radius / std::sin(theta / 2));

    path.lineTo(t1);
    const double start = screenAngle(centre, t1);
    double sweep = screenAngle(centre, t2) - start;
    // The arc between the tangent points is always the short way round.
    if (sweep > 180) {
        sweep -= 360;
    } else if (sweep < -180) {
        sweep += 360;
    }
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    path.arcTo(circle, start, sweep);
}

}  // namespace

QPainterPath path(const QRectF& bounds, double bottomRadius, double flare) {
    const QRectF b = bounds.normalized();
    const double L = b.left();
    const double R = b.right();
    const double T = b.top();
    const double B = b.bottom();
    const double f = std::clamp(flare, 0.0, std::max(0.0, std::min(b.width() / 2, b.height())));
    const double h = f / 2;
    const double bodyWidth = b.width() - 2 * f;
    const double sideHeight = b.height() - f;
    const double r =
        std::clamp(bottomRadius, 0.0, std::max(0.0, std::min(bodyWidth / 2, sideHeight)));

    QPainterPath p;
    p.moveTo(L, T);
    p.lineTo(R, T);
    p.cubicTo(QPointF(R - h, T), QPointF(R - f, T + h), QPointF(R - f, T + f));
    p.lineTo(R - f, B - r);
    tangentArc(p, QPointF(R - f, B), QPointF(L + f, B), r);
    tangentArc(p, QPointF(L + f, B), QPointF(L + f, T), r);
    p.lineTo(L + f, T + f);
    p.cubicTo(QPointF(L + f, T + h), QPointF(L + h, T), QPointF(L, T));
    p.closeSubpath();
    return p;
}

}  // namespace tavrik::NotchShape
