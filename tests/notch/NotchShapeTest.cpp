#include "notch/NotchShape.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using tavrik::NotchShape::path;

// The points where the outline's segments end (lines, curves and the arcs' pieces).
std::vector<QPointF> endPoints(const QPainterPath& p) {
    std::vector<QPointF> points;
    for (int i = 0; i < p.elementCount(); ++i) {
        const QPainterPath::Element e = p.elementAt(i);
        const bool last = i + 1 == p.elementCount()
                          || p.elementAt(i + 1).type != QPainterPath::CurveToDataElement;
        if (e.type != QPainterPath::CurveToDataElement || last) {
            points.emplace_back(e.x, e.y);
        }
    }
    return points;
}

bool passesThrough(const QPainterPath& p, QPointF point) {
    for (const QPointF& q : endPoints(p)) {
        if (std::abs(q.x() - point.x()) < 1e-6 && std::abs(q.y() - point.y()) < 1e-6) {
            return true;
        }
    }
    return false;
}

// The collapsed defaults: 180 x 32 with flare 11 and bottom radius 13.
const QPainterPath collapsed = path(QRectF(0, 0, 180, 32), 13, 11);

TEST(NotchShape, RunsTheFullWidthAlongTheTopEdge) {
    EXPECT_EQ(collapsed.boundingRect(), QRectF(0, 0, 180, 32));
    EXPECT_TRUE(passesThrough(collapsed, {0, 0}));
    EXPECT_TRUE(passesThrough(collapsed, {180, 0}));
    EXPECT_TRUE(collapsed.contains(QPointF(90, 0.5)));
}

TEST(NotchShape, BodyRunsFromTheLeftFlareToTheRightFlare) {
    EXPECT_TRUE(passesThrough(collapsed, {169, 11}));
    EXPECT_TRUE(passesThrough(collapsed, {11, 11}));
    EXPECT_TRUE(collapsed.contains(QPointF(11.5, 16)));
    EXPECT_FALSE(collapsed.contains(QPointF(10.5, 16)));
    EXPECT_TRUE(collapsed.contains(QPointF(168.5, 16)));
    EXPECT_FALSE(collapsed.contains(QPointF(169.5, 16)));
}

TEST(NotchShape, FlaresBendFromTheTopEdgeIntoTheSides) {
    // Close to the top edge the shape reaches almost to the outer corners; lower down the
    // flare's concave curve leaves the corner region outside.
    EXPECT_TRUE(collapsed.contains(QPointF(5, 0.5)));
    EXPECT_TRUE(collapsed.contains(QPointF(175, 0.5)));
    EXPECT_FALSE(collapsed.contains(QPointF(1, 5)));
    EXPECT_FALSE(collapsed.contains(QPointF(179, 5)));
    EXPECT_FALSE(collapsed.contains(QPointF(6, 6)));
}

TEST(NotchShape, BottomCornerArcsStartThirteenPointsAboveTheBottom) {
    EXPECT_TRUE(passesThrough(collapsed, {169, 19}));
    EXPECT_TRUE(passesThrough(collapsed, {156, 32}));
    EXPECT_TRUE(passesThrough(collapsed, {24, 32}));
    EXPECT_TRUE(passesThrough(collapsed, {11, 19}));
    // A quarter circle about (156, 19): just inside and just outside its 45-degree point.
    const double d = 13 / std::sqrt(2.0);
    EXPECT_TRUE(collapsed.contains(QPointF(156 + d - 0.3, 19 + d - 0.3)));
    EXPECT_FALSE(collapsed.contains(QPointF(156 + d + 0.3, 19 + d + 0.3)));
    EXPECT_TRUE(collapsed.contains(QPointF(24 - d + 0.3, 19 + d - 0.3)));
    EXPECT_FALSE(collapsed.contains(QPointF(24 - d - 0.3, 19 + d + 0.3)));
    EXPECT_TRUE(collapsed.contains(QPointF(90, 31.8)));
}

TEST(NotchShape, ZeroFlareGivesARectangleWithRoundedBottomCorners) {
    const QPainterPath p = path(QRectF(0, 0, 180, 32), 13, 0);
    EXPECT_EQ(p.boundingRect(), QRectF(0, 0, 180, 32));
    EXPECT_TRUE(p.contains(QPointF(0.3, 0.3)));
    EXPECT_TRUE(p.contains(QPointF(179.7, 0.3)));
    EXPECT_TRUE(p.contains(QPointF(0.3, 18.5)));
    EXPECT_FALSE(p.contains(QPointF(0.5, 31.5)));
    EXPECT_TRUE(passesThrough(p, {180, 19}));
    EXPECT_TRUE(passesThrough(p, {0, 19}));
}

TEST(NotchShape, ZeroRadiusGivesSquareBottomCorners) {
    const QPainterPath p = path(QRectF(0, 0, 180, 32), 0, 11);
    EXPECT_TRUE(passesThrough(p, {169, 32}));
    EXPECT_TRUE(passesThrough(p, {11, 32}));
    EXPECT_TRUE(p.contains(QPointF(11.2, 31.8)));
    EXPECT_TRUE(p.contains(QPointF(168.8, 31.8)));
}

TEST(NotchShape, FollowsTheBoundsOrigin) {
    const QPainterPath p = path(QRectF(119, 0, 202, 46), 13, 11);
    EXPECT_EQ(p.boundingRect(), QRectF(119, 0, 202, 46));
    EXPECT_TRUE(passesThrough(p, {130, 33}));
    EXPECT_TRUE(passesThrough(p, {310, 33}));
}

TEST(NotchShape, OversizedRadiusNeverFoldsTheOutlineBack) {
    // The radius is limited by the side below the flare (32 - 11 = 21).
    const QPainterPath p = path(QRectF(0, 0, 180, 32), 100, 11);
    EXPECT_EQ(p.boundingRect(), QRectF(0, 0, 180, 32));
    EXPECT_TRUE(passesThrough(p, {169, 11}));
    EXPECT_TRUE(passesThrough(p, {148, 32}));
    EXPECT_TRUE(p.contains(QPointF(90, 31.5)));

    // In a narrow body it is limited by half the body's width.
    const QPainterPath narrow = path(QRectF(0, 0, 42, 100), 50, 11);
    EXPECT_EQ(narrow.boundingRect(), QRectF(0, 0, 42, 100));
    EXPECT_TRUE(passesThrough(narrow, {21, 100}));
}

TEST(NotchShape, OversizedFlareStaysInsideTheBounds) {
    const QPainterPath p = path(QRectF(0, 0, 30, 32), 13, 40);
    EXPECT_EQ(p.boundingRect(), QRectF(0, 0, 30, 32));
}

TEST(NotchShape, NegativeSettingsCountAsZero) {
    const QPainterPath p = path(QRectF(0, 0, 180, 32), -5, -3);
    EXPECT_EQ(p.boundingRect(), QRectF(0, 0, 180, 32));
    EXPECT_TRUE(p.contains(QPointF(0.3, 31.7)));
}

TEST(NotchShape, EmptyBoundsGiveAnEmptyOutline) {
    const QPainterPath p = path(QRectF(10, 10, 0, 0), 13, 11);
    EXPECT_TRUE(p.boundingRect().isEmpty());
}

}  // namespace
