#include "tests/support/GuiApp.h"
#include "theme/Sprites.h"
#include "theme/Theme.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace tavrik;

// The frame as it looks on screen: "P" primary, "S" secondary, "." empty.
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

TEST(Sprites, ListFramesAndCounters) {
    const struct {
        const char* name;
        int cols, rows, frames, frameAt7, frameAtMinus1;
    } table[] = {{"Ship", 10, 8, 4, 3, 3}, {"Rocket", 10, 8, 3, 1, 2},  {"Wave", 10, 8, 4, 3, 3},
                 {"Bolt", 8, 8, 3, 1, 2},  {"Invader", 10, 8, 2, 1, 1}, {"Anchor", 8, 8, 4, 3, 3}};
    ASSERT_EQ(Sprites::all().size(), std::size(table));
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const SpriteDef& s = Sprites::all()[i];
        EXPECT_EQ(s.name, table[i].name);
        EXPECT_EQ(s.cols * 100 + s.rows * 10 + s.frames,
                  table[i].cols * 100 + table[i].rows * 10 + table[i].frames)
            << s.name;
        EXPECT_EQ(Sprites::frameFor(s, 7), table[i].frameAt7) << s.name;
        EXPECT_EQ(Sprites::frameFor(s, -1), table[i].frameAtMinus1) << s.name;
        EXPECT_EQ(s.cells(-1), s.cells(table[i].frameAtMinus1)) << s.name;
    }
    EXPECT_EQ(Sprites::at(3).name, "Bolt");
    EXPECT_EQ(Sprites::at(99).name, "Anchor");
}

TEST(Sprites, LaterCellsCoverEarlierOnes) {
    // The lowered hull is covered by the water it meets.
    const std::vector<std::string> ship1{
        "..........", "....P.....", "....PP....", "....PPP...",
        "....PPPP..", ".PPPPPPPP.", "S.PSSPPSS.", ".SS..SS..S",
    };
    EXPECT_EQ(picture(Sprites::all()[0], 1), ship1);
    EXPECT_EQ(picture(Sprites::all()[1], 1)[6], "...SSSS...");  // the rocket's sparks
    EXPECT_EQ(picture(Sprites::all()[4], 1)[6], ".P.P.P.P..");  // the invader's legs
}

TEST(Sprites, ColoursOfTheThreeStates) {
    const AccentTheme& lime = Accent::all()[1];
    const Sprites::Colors normal = Sprites::colors(false, false, lime);
    EXPECT_EQ(normal.primary, lime.color);
    EXPECT_EQ(normal.secondary, lime.dim());
    const Sprites::Colors amber = Sprites::colors(false, true, lime);
    EXPECT_EQ(amber.primary, Theme::amber);
    EXPECT_NEAR(amber.secondary.greenF() * 255, 180 * 0.45, 0.01);
    EXPECT_EQ(Sprites::colors(true, false, lime).primary, QColor(223, 233, 255));
    EXPECT_EQ(Sprites::colors(true, false, lime).secondary, lime.color);
    EXPECT_EQ(Sprites::colors(true, true, lime).secondary, Theme::amber);
}

std::vector<SpriteCell> strayCells(int) {
    return {{-1, 0, false}, {0, 2, false}, {2, 1, false}, {1, 1, true}};
}

// Cells outside the grid are skipped, and half-pixel cells are snapped: no blended pixel.
TEST(Sprites, DrawingSkipsStrayCellsAndStaysCrisp) {
    test::guiApp();
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        Sprites::draw(p, {"stray", 2, 2, 1, strayCells}, 0, QPointF(30, 20), 2,
                      {Qt::yellow, Qt::green});
        Sprites::draw(p, Sprites::all()[0], 0, QPointF(3.5, 2), Sprites::cellPt,
                      {Qt::red, Qt::blue});
    }
    std::set<QRgb> colours;
    int green = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
            green += image.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
        }
    }
    EXPECT_EQ(colours.size(), 4u);                   // black, red, blue, green
    EXPECT_EQ(green, 4);                             // the one 2 x 2 cell inside the grid
    EXPECT_EQ(image.pixel(4, 17), qRgb(0, 0, 255));  // the water from x 3.5 starts at pixel 4
    EXPECT_EQ(image.pixel(3, 17), qRgb(0, 0, 0));
}

}  // namespace
