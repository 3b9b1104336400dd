#include "prefs/Prefs.h"
#include "tests/support/GuiApp.h"
#include "theme/Sprites.h"
#include "theme/Theme.h"

#include <QImage>
#include <QPainter>
#include <QPointF>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace tavrik;

const SpriteDef& sprite(std::string_view name) {
    for (const SpriteDef& s : Sprites::all()) {
        if (s.name == name) {
            return s;
        }
    }
    ADD_FAILURE() << "no sprite " << name;
    return Sprites::all().front();
}

// The frame as it looks on screen: "P" primary, "S" secondary, "." empty; later cells cover
// earlier ones and cells outside the grid are dropped.
std::vector<std::string> picture(const SpriteDef& s, int frame) {
    std::vector<std::string> rows(static_cast<std::size_t>(s.rows),
                                  std::string(static_cast<std::size_t>(s.cols), '.'));
    for (const SpriteCell& c : s.cells(frame)) {
        if (c.row >= 0 && c.row < s.rows && c.col >= 0 && c.col < s.cols) {
            rows[static_cast<std::size_t>(c.row)][static_cast<std::size_t>(c.col)] =
                c.secondary ? 'S' : 'P';
        }
    }
    return rows;
}

int countCells(const std::vector<SpriteCell>& cells, bool secondary) {
    int n = 0;
    for (const SpriteCell& c : cells) {
        n += c.secondary == secondary ? 1 : 0;
    }
    return n;
}

TEST(SpriteList, SixSpritesWithTheirGridsAndFrames) {
    struct Row {
        const char* name;
        int cols, rows, frames;
    };
    const Row expected[] = {{"Ship", 10, 8, 4}, {"Rocket", 10, 8, 3},  {"Wave", 10, 8, 4},
                            {"Bolt", 8, 8, 3},  {"Invader", 10, 8, 2}, {"Anchor", 8, 8, 4}};
    ASSERT_EQ(Sprites::all().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const SpriteDef& s = Sprites::all()[i];
        EXPECT_EQ(s.name, expected[i].name);
        EXPECT_EQ(s.cols, expected[i].cols) << s.name;
        EXPECT_EQ(s.rows, expected[i].rows) << s.name;
        EXPECT_EQ(s.frames, expected[i].frames) << s.name;
    }
}

TEST(SpriteList, CurrentIsClampedToTheList) {
    Prefs::remove(Prefs::Key::spriteKind);
    EXPECT_EQ(Sprites::current().name, "Ship");
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::spriteKind, 9));
    EXPECT_EQ(Sprites::current().name, "Anchor");
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::spriteKind, -1));
    EXPECT_EQ(Sprites::current().name, "Ship");
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::spriteKind, 3));
    EXPECT_EQ(Sprites::current().name, "Bolt");
}

TEST(SpriteFrames, CounterSevenShowsTheDocumentedFrames) {
    EXPECT_EQ(Sprites::frameFor(sprite("Ship"), 7), 3);
    EXPECT_EQ(Sprites::frameFor(sprite("Rocket"), 7), 1);
    EXPECT_EQ(Sprites::frameFor(sprite("Wave"), 7), 3);
    EXPECT_EQ(Sprites::frameFor(sprite("Bolt"), 7), 1);
    EXPECT_EQ(Sprites::frameFor(sprite("Invader"), 7), 1);
    EXPECT_EQ(Sprites::frameFor(sprite("Anchor"), 7), 3);
    EXPECT_EQ(sprite("Rocket").cells(7), sprite("Rocket").cells(1));
    EXPECT_EQ(sprite("Anchor").cells(7), sprite("Anchor").cells(3));
}

TEST(SpriteFrames, NegativeCountersWrapForwards) {
    EXPECT_EQ(Sprites::frameFor(sprite("Ship"), -1), 3);
    EXPECT_EQ(sprite("Anchor").cells(-3), sprite("Anchor").cells(1));
}

TEST(SpriteFrames, BaseShapesHaveTheDocumentedCellCounts) {
    EXPECT_EQ(countCells(sprite("Ship").cells(0), false), 24);
    EXPECT_EQ(countCells(sprite("Rocket").cells(0), false), 12);
    EXPECT_EQ(countCells(sprite("Bolt").cells(0), false), 14);
    EXPECT_EQ(countCells(sprite("Invader").cells(0), false), 21 + 2);
    EXPECT_EQ(countCells(sprite("Anchor").cells(1), false), 18);
}

TEST(ShipFrames, FrameZeroHasTheHullAboveTwoRowsOfWater) {
    const std::vector<std::string> expected{
        "....P.....", "....PP....", "....PPP...", "....PPPP..",
        ".PPPPPPPP.", "..PPPPPP..", "SS..SS..SS", "..SS..SS..",
    };
    EXPECT_EQ(picture(sprite("Ship"), 0), expected);
}

TEST(ShipFrames, LoweredHullIsCoveredByTheWaterItMeets) {
    const std::vector<std::string> expected{
        "..........", "....P.....", "....PP....", "....PPP...",
        "....PPPP..", ".PPPPPPPP.", "S.PSSPPSS.", ".SS..SS..S",
    };
    EXPECT_EQ(picture(sprite("Ship"), 1), expected);
}

TEST(ShipFrames, WaterMovesOneColumnPerFrame) {
    EXPECT_EQ(picture(sprite("Ship"), 2)[7], "SS..SS..SS");
    EXPECT_EQ(picture(sprite("Ship"), 3)[6], ".SS..SS..S");
    EXPECT_EQ(picture(sprite("Ship"), 3)[5], "..PPPPPP..");  // hull back up
}

TEST(RocketFrames, FrameTwoBurnsThreeRowsInsideTheGrid) {
    const auto cells = sprite("Rocket").cells(2);
    std::set<std::pair<int, int>> flame;
    for (const SpriteCell& c : cells) {
        EXPECT_LT(c.row, 8);
        if (c.secondary) {
            flame.insert({c.row, c.col});
        }
    }
    const std::set<std::pair<int, int>> expected{{5, 4}, {5, 5}, {6, 4}, {6, 5}, {7, 4}, {7, 5}};
    EXPECT_EQ(flame, expected);
}

TEST(RocketFrames, MiddleFrameThrowsSparksBesideTheFlame) {
    const auto rows = picture(sprite("Rocket"), 1);
    EXPECT_EQ(rows[4], "...PPPP...");
    EXPECT_EQ(rows[5], "....SS....");
    EXPECT_EQ(rows[6], "...SSSS...");
    EXPECT_EQ(rows[7], "..........");
    EXPECT_EQ(picture(sprite("Rocket"), 0)[6], "..........");
}

TEST(WaveFrames, CrestRisesAndFallsWithWaterBelow) {
    const auto rows = picture(sprite("Wave"), 0);
    EXPECT_EQ(rows[2], "..........");
    EXPECT_EQ(rows[3], "PP..PP..PP");
    EXPECT_EQ(rows[4], "SSPPSSPPSS");
    EXPECT_EQ(rows[5], "SSSSSSSSSS");
    EXPECT_EQ(rows[6], "SSSSSSSSSS");
    EXPECT_EQ(rows[7], "..........");
    EXPECT_EQ(picture(sprite("Wave"), 1)[3], "P..PP..PP.");
}

TEST(BoltFrames, FlickersAndSparks) {
    const auto f0 = sprite("Bolt").cells(0);
    const auto f1 = sprite("Bolt").cells(1);
    const auto f2 = sprite("Bolt").cells(2);
    EXPECT_EQ(countCells(f0, true), 0);
    EXPECT_EQ(countCells(f1, true), 14);
    EXPECT_EQ(countCells(f1, false), 0);
    ASSERT_EQ(f2.size(), 16u);
    EXPECT_EQ(f2[14], (SpriteCell{0, 5, false}));
    EXPECT_EQ(f2[15], (SpriteCell{6, 2, false}));
}

TEST(InvaderFrames, SecondPoseDropsTheBodyAndSpreadsTheLegs) {
    const auto f0 = picture(sprite("Invader"), 0);
    EXPECT_EQ(f0[0], "..P...P...");
    EXPECT_EQ(f0[5], "..P...P...");
    const auto f1 = picture(sprite("Invader"), 1);
    EXPECT_EQ(f1[0], "..........");
    EXPECT_EQ(f1[1], "..P...P...");
    EXPECT_EQ(f1[5], ".PPPPPPP..");
    EXPECT_EQ(f1[6], ".P.P.P.P..");
}

TEST(AnchorFrames, SwaysLeftCentreRightCentre) {
    EXPECT_EQ(picture(sprite("Anchor"), 0)[3], ".PPPPP..");
    EXPECT_EQ(picture(sprite("Anchor"), 1)[3], "..PPPPP.");
    EXPECT_EQ(picture(sprite("Anchor"), 2)[3], "...PPPPP");
    EXPECT_EQ(picture(sprite("Anchor"), 3)[7], "..PP.PP.");
}

TEST(SpriteColours, NormalStateUsesTheAccentAndItsDim) {
    const AccentTheme& cobalt = Accent::all()[0];
    const Sprites::Colors c = Sprites::colors(false, false, cobalt);
    EXPECT_EQ(c.primary, cobalt.color);
    EXPECT_EQ(c.secondary, cobalt.dim());
}

TEST(SpriteColours, AmberStateDarkensAmberToFortyFivePercent) {
    const Sprites::Colors c = Sprites::colors(false, true, Accent::all()[1]);
    EXPECT_EQ(c.primary, Theme::amber);
    EXPECT_NEAR(c.secondary.redF() * 255, 255 * 0.45, 0.01);
    EXPECT_NEAR(c.secondary.greenF() * 255, 180 * 0.45, 0.01);
    EXPECT_NEAR(c.secondary.blueF() * 255, 84 * 0.45, 0.01);
}

TEST(SpriteColours, CelebrationIsPaleWithAccentOrAmber) {
    const AccentTheme& lime = Accent::all()[1];
    const Sprites::Colors normal = Sprites::colors(true, false, lime);
    EXPECT_EQ(normal.primary, QColor(223, 233, 255));
    EXPECT_EQ(normal.secondary, lime.color);
    EXPECT_EQ(Sprites::colors(true, true, lime).secondary, Theme::amber);
}

// A sprite whose only cells lie outside its 2 x 2 grid, plus one inside.
std::vector<SpriteCell> strayCells(int) {
    return {{-1, 0, false}, {0, 2, false}, {1, 1, true}};
}

TEST(SpriteDrawing, CellsOutsideTheGridAreSkipped) {
    tavrik::test::guiApp();
    const SpriteDef stray{"stray", 2, 2, 1, strayCells};
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        Sprites::draw(p, stray, 0, QPointF(2, 2), 2, {Qt::red, Qt::green});
    }
    int lit = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (image.pixel(x, y) != qRgb(0, 0, 0)) {
                ++lit;
                EXPECT_EQ(image.pixel(x, y), qRgb(0, 255, 0)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(lit, 4);  // the one 2 x 2 cell inside
    EXPECT_EQ(image.pixel(4, 4), qRgb(0, 255, 0));
}

TEST(SpriteDrawing, HalfPixelCellsStayCrisp) {
    tavrik::test::guiApp();
    const SpriteDef& ship = sprite("Ship");
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        Sprites::draw(p, ship, 0, QPointF(3.5, 2), Sprites::cellPt, {Qt::red, Qt::blue});
    }
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255)}));
    // The water's first cell starts at x 3.5, which rounds to pixel 4.
    const int waterY = 2 + 6 * 2 + 2;  // inside row 6 (y 17 … 19.5)
    EXPECT_EQ(image.pixel(4, waterY + 1), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(3, waterY + 1), qRgb(0, 0, 0));
}

}  // namespace
