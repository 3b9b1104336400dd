#include "notch/NotchGeometry.h"

#include <gtest/gtest.h>

namespace {

using namespace tavrik::NotchGeometry;

// A 1440 x 900 laptop screen (y up, origin at its bottom-left) whose camera housing runs from
// x 620 to x 820: the menu-bar areas beside it end and start there.
ScreenInfo notchedLaptop() {
    ScreenInfo s;
    s.frame = {0, 0, 1440, 900};
    s.topInset = 32;
    s.auxiliaryTopLeft = Rect{0, 868, 620, 32};
    s.auxiliaryTopRight = Rect{820, 868, 620, 32};
    return s;
}

ScreenInfo plainScreen(double x, double y, double w, double h) {
    ScreenInfo s;
    s.frame = {x, y, w, h};
    return s;
}

Adjustments noAdjustments() {
    return {};
}

TEST(NotchGeometry, CameraHousingSetsCentreAndWidth) {
    const Geometry g = computeGeometry({{notchedLaptop()}, 0}, {});
    EXPECT_DOUBLE_EQ(g.notchCenterX, 720);
    EXPECT_DOUBLE_EQ(g.collapsedWidth, 310);
    EXPECT_DOUBLE_EQ(g.screenTopY, 900);
}

TEST(NotchGeometry, CollapsedWindowAroundTheHousingHangsFromTheTop) {
    const Geometry g = computeGeometry({{notchedLaptop()}, 0}, {});
    const Rect frame = frameFor(false, g, noAdjustments(), 40);
    EXPECT_EQ(frame, (Rect{554, 868, 332, 32}));
    EXPECT_DOUBLE_EQ(frame.maxY(), 900);
}

TEST(NotchGeometry, WideRightHandNumberGrowsTheBody) {
    const Geometry g = computeGeometry({{notchedLaptop()}, 0}, {});
    // Up to 44 points the number fits the 66-point wing; 60 needs 16 more.
    EXPECT_DOUBLE_EQ(frameFor(false, g, noAdjustments(), 44).width, 332);
    EXPECT_DOUBLE_EQ(frameFor(false, g, noAdjustments(), 0).width, 332);
    EXPECT_DOUBLE_EQ(frameFor(false, g, noAdjustments(), 60).width, 348);
    EXPECT_DOUBLE_EQ(frameFor(false, g, noAdjustments(), 60).x, 720 - 174);
}

TEST(NotchGeometry, HeightOffsetNeverGoesBelowTwentyPoints) {
    const Geometry g{720, 900, 310};
    Adjustments a;
    a.heightOffset = -20;
    EXPECT_DOUBLE_EQ(frameFor(false, g, a, 0).height, 20);
    EXPECT_DOUBLE_EQ(frameFor(false, g, a, 0).y, 880);
    a.heightOffset = -10;
    EXPECT_DOUBLE_EQ(frameFor(false, g, a, 0).height, 22);
    a.heightOffset = 6;
    EXPECT_DOUBLE_EQ(frameFor(false, g, a, 0).height, 38);
}

TEST(NotchGeometry, WidthAndXOffsetsMoveTheCollapsedWindow) {
    const Geometry g{720, 900, 310};
    Adjustments a;
    a.widthOffset = 10;
    a.xOffset = -4;
    EXPECT_EQ(frameFor(false, g, a, 0), (Rect{720 - 171 - 4, 868, 342, 32}));
}

TEST(NotchGeometry, ZeroFlareMeansTheDefaultElevenOnEachSide) {
    const Geometry g{720, 900, 310};
    Adjustments a;
    a.flare = 0;
    EXPECT_DOUBLE_EQ(frameFor(false, g, a, 0).width, 310 + 22);
    a.flare = 4;
    EXPECT_DOUBLE_EQ(frameFor(false, g, a, 0).width, 310 + 8);
    EXPECT_DOUBLE_EQ(frameFor(true, g, a, 0).width, 460 + 8);
}

TEST(NotchGeometry, ExpandingIgnoresWidthAndHeightOffsetsButKeepsXOffsetAndFlare) {
    const Geometry g{720, 900, 310};
    Adjustments a;
    a.widthOffset = 30;
    a.heightOffset = -20;
    a.xOffset = 7;
    a.flare = 15;
    EXPECT_EQ(frameFor(true, g, a, 120), (Rect{720 - 245 + 7, 570, 490, 330}));
}

TEST(NotchGeometry, ScreenWithoutHousingCentresTheDefaultBody) {
    const Geometry g = computeGeometry({{plainScreen(0, 0, 1920, 1080)}, 0}, {});
    EXPECT_EQ(g, (Geometry{960, 1080, 158}));
    EXPECT_EQ(frameFor(false, g, noAdjustments(), 0), (Rect{960 - 90, 1048, 180, 32}));
}

TEST(NotchGeometry, HousingWithoutBothAreasUsesTheScreenCentre) {
    ScreenInfo s = notchedLaptop();
    s.auxiliaryTopRight.reset();
    const Geometry g = computeGeometry({{s}, 0}, {});
    EXPECT_EQ(g, (Geometry{720, 900, 158}));
}

TEST(NotchGeometry, OverlappingAreasGiveTheMarginsOnly) {
    ScreenInfo s = notchedLaptop();
    s.auxiliaryTopLeft = Rect{0, 868, 800, 32};
    s.auxiliaryTopRight = Rect{700, 868, 740, 32};
    const Geometry g = computeGeometry({{s}, 0}, {});
    EXPECT_DOUBLE_EQ(g.collapsedWidth, 110);
    EXPECT_DOUBLE_EQ(g.notchCenterX, 750);
}

TEST(NotchGeometry, FirstScreenWithAHousingWinsOverTheMainScreen) {
    ScreenInfo laptop = notchedLaptop();
    laptop.frame = {1920, 0, 1440, 900};
    laptop.auxiliaryTopLeft = Rect{1920, 868, 620, 32};
    laptop.auxiliaryTopRight = Rect{2740, 868, 620, 32};
    const Geometry g = computeGeometry({{plainScreen(0, 0, 1920, 1080), laptop}, 0}, {});
    EXPECT_EQ(g, (Geometry{2640, 900, 310}));
}

TEST(NotchGeometry, WithoutHousingTheMainScreenWins) {
    const Geometry g = computeGeometry(
        {{plainScreen(0, 0, 1920, 1080), plainScreen(1920, 200, 1280, 1024)}, 1}, {});
    EXPECT_EQ(g, (Geometry{2560, 1224, 158}));
}

TEST(NotchGeometry, WithoutMainScreenTheFirstWins) {
    const Geometry g = computeGeometry(
        {{plainScreen(100, 0, 800, 600), plainScreen(900, 0, 1280, 1024)}, std::nullopt}, {});
    EXPECT_EQ(g, (Geometry{500, 600, 158}));
    // A main index past the list counts as none.
    EXPECT_EQ(computeGeometry({{plainScreen(100, 0, 800, 600)}, 5}, {}), g);
}

TEST(NotchGeometry, WithoutScreensNothingChanges) {
    const Geometry previous{123, 456, 200};
    EXPECT_EQ(computeGeometry({{}, std::nullopt}, previous), previous);
    EXPECT_EQ(computeGeometry({{}, std::nullopt}, {}), (Geometry{0, 0, 158}));
}

TEST(NotchGeometry, FlipConvertsBetweenYUpAndQtCoordinates) {
    // Qt: the primary screen at (0, 0, 1920, 1080); its bottom edge is the mirror line.
    const Rect window{870, 1048, 180, 32};  // hangs from the top of the primary screen
    EXPECT_EQ(flipY(window, 1080), (Rect{870, 0, 180, 32}));
    EXPECT_EQ(flipY(flipY(window, 1080), 1080), window);
    EXPECT_EQ(toGlobalQt(window, 1080), QRect(870, 0, 180, 32));
    // A screen stacked above the primary one sits at negative y in Qt.
    EXPECT_EQ(flipY(Rect{0, -1080, 1920, 1080}, 1080), (Rect{0, 1080, 1920, 1080}));
}

TEST(NotchGeometry, QtFramesAreRoundedToWholePoints) {
    EXPECT_EQ(toGlobalQt(Rect{554.4, 868, 331.6, 32}, 900), QRect(554, 0, 332, 32));
}

}  // namespace
