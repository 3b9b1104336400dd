#include "notch/NotchGeometry.h"
#include "notch/NotchShape.h"

#include <QLineF>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace tavrik::NotchGeometry;
using tavrik::NotchShape::path;

// A 1440 x 900 laptop screen (y up, origin at its bottom-left) whose camera housing runs from
// x 620 to x 820: the menu-bar areas beside it end and start there.
ScreenInfo laptop(double x = 0, double left = 620, double right = 820) {
    return {{x, 0, 1440, 900}, 32, Rect{x, 868, left, 32}, Rect{x + right, 868, 1440 - right, 32}};
}

ScreenInfo plain(double x, double y, double w, double h) {
    return {{x, y, w, h}, 0, std::nullopt, std::nullopt};
}

TEST(NotchGeometry, ScreensChooseCentreWidthAndTop) {
    ScreenInfo oneArea = laptop();
    oneArea.auxiliaryTopRight.reset();
    const struct {
        Screens screens;
        Geometry expected;
    } table[] = {
        {{{laptop()}, 0}, {720, 900, 310}},
        {{{oneArea}, 0}, {720, 900, 158}},              // both areas or none
        {{{laptop(0, 800, 700)}, 0}, {750, 900, 110}},  // overlapping areas: margins only
        {{{plain(0, 0, 1920, 1080), laptop(1920, 620, 820)}, 0}, {2640, 900, 310}},
        {{{plain(0, 0, 1920, 1080), plain(1920, 200, 1280, 1024)}, 1}, {2560, 1224, 158}},
        {{{plain(100, 0, 800, 600), plain(900, 0, 1280, 1024)}, std::nullopt}, {500, 600, 158}},
        {{{plain(100, 0, 800, 600)}, 1}, {500, 600, 158}},  // a main index past the list
        {{{}, std::nullopt}, {123, 456, 200}},              // no screens: nothing changes
    };
    for (const auto& t : table) {
        EXPECT_EQ(computeGeometry(t.screens, {123, 456, 200}), t.expected)
            << t.expected.notchCenterX;
    }
}

TEST(NotchGeometry, FramesFollowTheNumberAndTheAdjustments) {
    const Geometry g{720, 900, 310};
    const struct {
        bool expanded;
        Adjustments a;
        double number;
        Rect expected;
    } table[] = {
        {false, {}, 44, {554, 868, 332, 32}},  // up to 44 the number fits the 66-point wing
        {false, {}, 60, {546, 868, 348, 32}},
        {false, {0, -20, 0, 11}, 0, {554, 880, 332, 20}},  // never below 20 points
        {false, {10, 0, -4, 11}, 0, {545, 868, 342, 32}},
        {false, {0, 0, 0, 4}, 0, {561, 868, 318, 32}},
        {true, {30, -20, 7, 15}, 120, {482, 570, 490, 330}},  // expanded keeps x and flare only
    };
    for (const auto& t : table) {
        EXPECT_EQ(frameFor(t.expanded, g, t.a, t.number), t.expected) << t.expected.width;
    }
}

TEST(NotchGeometry, QtCoordinatesMirrorAtThePrimaryScreensBottomAndRound) {
    EXPECT_EQ(flipY(Rect{0, -1080, 1920, 1080}, 1080), (Rect{0, 1080, 1920, 1080}));
    EXPECT_EQ(toGlobalQt(Rect{554.4, 868, 331.6, 32}, 900), QRect(554, 0, 332, 32));
}

// Whether the outline, its curves flattened, has a corner at point: the ends of its lines and
// curves are corners, a curve's control points are not.
bool passesThrough(const QPainterPath& p, QPointF point) {
    const QPolygonF outline = p.toFillPolygon();
    return std::ranges::any_of(outline,
                               [&](QPointF q) { return QLineF(q, point).length() < 1e-6; });
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
         {{90, 0.5}, {5, 0.5}, {11.5, 16}, {156 + d - 0.3, 19 + d - 0.3}, {90, 31.8}},
         {{1, 5}, {179, 5}, {10.5, 16}, {169.5, 16}, {156 + d + 0.3, 19 + d + 0.3}}},
        {{0, 0, 180, 32}, 13, 0, {{180, 19}, {0, 19}}, {{0.3, 18.5}}, {{0.5, 31.5}}},
        {{0, 0, 180, 32}, 0, 11, {{169, 32}, {11, 32}}, {{11.2, 31.8}}, {}},
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
