#include "notch/NotchGeometry.h"

#include <gtest/gtest.h>

namespace {

using namespace tavrik::NotchGeometry;

// A 1440 x 900 laptop screen (y up, origin at its bottom-left) whose camera housing runs from
// x 620 to x 820: the menu-bar areas beside it end and start there.
ScreenInfo laptop(double x = 0, double left = 620, double right = 820) {
    ScreenInfo s;
    s.frame = {x, 0, 1440, 900};
    s.topInset = 32;
    s.auxiliaryTopLeft = Rect{x, 868, left, 32};
    s.auxiliaryTopRight = Rect{x + right, 868, 1440 - right, 32};
    return s;
}

ScreenInfo plain(double x, double y, double w, double h) {
    ScreenInfo s;
    s.frame = {x, y, w, h};
    return s;
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
        {{{plain(100, 0, 800, 600)}, 5}, {500, 600, 158}},  // a main index past the list
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
        {false, {}, 40, {554, 868, 332, 32}},
        {false, {}, 44, {554, 868, 332, 32}},  // up to 44 the number fits the 66-point wing
        {false, {}, 60, {546, 868, 348, 32}},
        {false, {0, -20, 0, 11}, 0, {554, 880, 332, 20}},  // never below 20 points
        {false, {0, -10, 0, 11}, 0, {554, 878, 332, 22}},
        {false, {10, 0, -4, 11}, 0, {545, 868, 342, 32}},
        {false, {0, 0, 0, 4}, 0, {561, 868, 318, 32}},
        {true, {30, -20, 7, 15}, 120, {482, 570, 490, 330}},  // expanded keeps x and flare only
    };
    for (const auto& t : table) {
        EXPECT_EQ(frameFor(t.expanded, g, t.a, t.number), t.expected) << t.expected.width;
    }
}

TEST(NotchGeometry, QtCoordinatesMirrorAtThePrimaryScreensBottomAndRound) {
    const Rect window{870, 1048, 180, 32};
    EXPECT_EQ(flipY(window, 1080), (Rect{870, 0, 180, 32}));
    EXPECT_EQ(flipY(flipY(window, 1080), 1080), window);
    EXPECT_EQ(flipY(Rect{0, -1080, 1920, 1080}, 1080), (Rect{0, 1080, 1920, 1080}));
    EXPECT_EQ(toGlobalQt(Rect{554.4, 868, 331.6, 32}, 900), QRect(554, 0, 332, 32));
}

}  // namespace
