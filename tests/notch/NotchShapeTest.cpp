#include "notch/NotchShape.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tavrik::NotchShape::path;

// Whether the outline has a segment ending at point (lines, curves, the arcs' pieces).
bool passesThrough(const QPainterPath& p, QPointF point) {
    for (int i = 0; i < p.elementCount(); ++i) {
        const QPainterPath::Element e = p.elementAt(i);
        const bool last = i + 1 == p.elementCount()
                          || p.elementAt(i + 1).type != QPainterPath::CurveToDataElement;
        if ((e.type != QPainterPath::CurveToDataElement || last) && std::abs(e.x - point.x()) < 1e-6
            && std::abs(e.y - point.y()) < 1e-6) {
            return true;
        }
    }
    return false;
}

TEST(NotchShape, OutlinesOfFlaresAndRadii) {
    const double d = 13 / std::sqrt(2.0);  // the 45-degree point of a 13-point corner
    const struct {
        QRectF bounds;
        double radius, flare;
        std::vector<QPointF> through, inside, outside;
    } table[] = {
        // The collapsed default: the top edge runs the full width, the flares bend into the
        // body's sides at 11 and 169, the corners' arcs start 13 above the bottom.
        {{0, 0, 180, 32},
         13,
         11,
         {{0, 0}, {180, 0}, {11, 11}, {169, 11}, {169, 19}, {156, 32}, {24, 32}, {11, 19}},
         {{90, 0.5},
          {5, 0.5},
          {175, 0.5},
          {11.5, 16},
          {168.5, 16},
          {156 + d - 0.3, 19 + d - 0.3},
          {90, 31.8}},
         {{1, 5}, {179, 5}, {6, 6}, {10.5, 16}, {169.5, 16}, {156 + d + 0.3, 19 + d + 0.3}}},
        {{0, 0, 180, 32}, 13, 0, {{180, 19}, {0, 19}}, {{0.3, 0.3}, {0.3, 18.5}}, {{0.5, 31.5}}},
        {{0, 0, 180, 32}, 0, 11, {{169, 32}, {11, 32}}, {{11.2, 31.8}}, {}},
        {{119, 0, 202, 46}, 13, 11, {{130, 33}, {310, 33}}, {}, {}},
        // An oversized radius is limited by the side below the flare, or half the body.
        {{0, 0, 180, 32}, 100, 11, {{169, 11}, {148, 32}}, {{90, 31.5}}, {}},
        {{0, 0, 42, 100}, 50, 11, {{21, 100}}, {}, {}},
        {{0, 0, 30, 32}, 13, 40, {}, {}, {}},
        {{0, 0, 180, 32}, -5, -3, {}, {{0.3, 31.7}}, {}},  // negative counts as zero
    };
    for (const auto& t : table) {
        const QPainterPath p = path(t.bounds, t.radius, t.flare);
        EXPECT_EQ(p.boundingRect(), t.bounds) << t.radius << " " << t.flare;
        for (const QPointF& q : t.through) {
            EXPECT_TRUE(passesThrough(p, q)) << q.x() << "," << q.y();
        }
        for (const QPointF& q : t.inside) {
            EXPECT_TRUE(p.contains(q)) << q.x() << "," << q.y();
        }
        for (const QPointF& q : t.outside) {
            EXPECT_FALSE(p.contains(q)) << q.x() << "," << q.y();
        }
    }
    EXPECT_TRUE(path(QRectF(10, 10, 0, 0), 13, 11).boundingRect().isEmpty());
}

}  // namespace
