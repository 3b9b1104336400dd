#include "tests/support/GuiApp.h"
#include "theme/PixelArt.h"
#include "theme/PixelIcon.h"

#include <QImage>
#include <QPainter>
#include <QRectF>

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace tavrik;

int filled(const PixelIcon::Glyph& g) {
    int n = 0;
    for (std::string_view row : g) {
        for (char c : row) {
            n += c == 'X' ? 1 : 0;
        }
    }
    return n;
}

TEST(PixelIconGlyphs, EveryBadgeHasAnEightByEightGlyph) {
    for (const char* id : {"first-blood", "ten-k", "hundred-k", "week-streak", "month-streak",
                           "night-owl", "big-spender", "token-lord", "polyglot", "centurion"}) {
        EXPECT_TRUE(PixelIcon::has(id)) << id;
        const PixelIcon::Glyph& g = PixelIcon::glyph(id);
        for (std::string_view row : g) {
            EXPECT_EQ(row.size(), 8u) << id;
        }
        EXPECT_NE(&g, &PixelIcon::fallback()) << id;
    }
}

TEST(PixelIconGlyphs, StreakBadgesShareTheFlame) {
    EXPECT_EQ(PixelIcon::glyph("week-streak"), PixelIcon::glyph("month-streak"));
    EXPECT_EQ(PixelIcon::glyph("week-streak")[0], "...X....");
    EXPECT_EQ(PixelIcon::glyph("week-streak")[7], ".XXXXXX.");
}

TEST(PixelIconGlyphs, SpotChecksAgainstTheTable) {
    EXPECT_EQ(PixelIcon::glyph("hundred-k")[7], "XXXXXXXX");
    EXPECT_EQ(PixelIcon::glyph("polyglot")[3], "........");
    EXPECT_EQ(PixelIcon::glyph("centurion")[0], ".X....X.");
    EXPECT_EQ(filled(PixelIcon::glyph("token-lord")), 6 + 8 + 6 + 8 + 6 + 8 + 6 + 8);
}

TEST(PixelIconGlyphs, UnknownIdentifiersGetTheHollowSquare) {
    EXPECT_FALSE(PixelIcon::has("no-such-badge"));
    EXPECT_FALSE(PixelIcon::has(""));
    EXPECT_EQ(&PixelIcon::glyph("no-such-badge"), &PixelIcon::fallback());
    const PixelIcon::Glyph& g = PixelIcon::fallback();
    EXPECT_EQ(g[0], "XXXXXXXX");
    EXPECT_EQ(g[1], "X......X");
    EXPECT_EQ(g[2], "X.XXXX.X");
    EXPECT_EQ(g[7], "XXXXXXXX");
}

TEST(PixelIconGeometry, WideRectangleUsesTwoAndAHalfPointPixelsCentred) {
    const QRectF rect(100, 40, 34, 20);
    const PixelIcon::Layout at = PixelIcon::layout(rect);
    EXPECT_DOUBLE_EQ(at.p, 2.5);
    EXPECT_DOUBLE_EQ(at.x0, 107);  // 7 points on each side
    EXPECT_DOUBLE_EQ(at.y0, 40);
    double minX = 1e9;
    double maxX = -1e9;
    for (const QRectF& cell : PixelIcon::cellRects("first-blood", rect)) {
        EXPECT_DOUBLE_EQ(cell.width(), 2.5);
        EXPECT_DOUBLE_EQ(cell.height(), 2.5);
        minX = std::min(minX, cell.left());
        maxX = std::max(maxX, cell.right());
    }
    EXPECT_DOUBLE_EQ(minX, 107);      // row 4 is full width
    EXPECT_DOUBLE_EQ(134 - maxX, 7);  // and leaves 7 points on the right
}

TEST(PixelIconGeometry, TallRectangleCentresVertically) {
    const PixelIcon::Layout at = PixelIcon::layout(QRectF(0, 0, 16, 40));
    EXPECT_DOUBLE_EQ(at.p, 2);
    EXPECT_DOUBLE_EQ(at.x0, 0);
    EXPECT_DOUBLE_EQ(at.y0, 12);
}

TEST(PixelIconGeometry, CellsFollowTheGlyphRowByRow) {
    const auto cells = PixelIcon::cellRects("ten-k", QRectF(0, 0, 8, 8));
    ASSERT_EQ(cells.size(), static_cast<std::size_t>(filled(PixelIcon::glyph("ten-k"))));
    EXPECT_EQ(cells[0], QRectF(3, 0, 1, 1));
    EXPECT_EQ(cells[1], QRectF(4, 0, 1, 1));
    EXPECT_EQ(cells.back(), QRectF(4, 7, 1, 1));
}

TEST(PixelIconDrawing, FallbackIsAHollowSquareOnScreen) {
    tavrik::test::guiApp();
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        PixelIcon::draw(p, "unknown", QRectF(0, 0, 16, 16), Qt::white);
    }
    const QRgb on = qRgb(255, 255, 255);
    const QRgb off = qRgb(0, 0, 0);
    EXPECT_EQ(image.pixel(0, 0), on);
    EXPECT_EQ(image.pixel(15, 15), on);
    EXPECT_EQ(image.pixel(2, 2), off);  // the gap ring
    EXPECT_EQ(image.pixel(3, 3), off);
    EXPECT_EQ(image.pixel(4, 4), on);  // the inner block
    EXPECT_EQ(image.pixel(11, 11), on);
    EXPECT_EQ(image.pixel(12, 12), off);
}

TEST(PixelIconDrawing, HalfPixelGlyphHasNoBlendedPixels) {
    tavrik::test::guiApp();
    QImage image(40, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        PixelIcon::draw(p, "big-spender", QRectF(1.5, 2, 34, 20), QColor(61, 123, 240));
    }
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(61, 123, 240)}));
    // Glyph 20 points wide from x 8.5: rows 2 … 5 reach both edges, pixels 9 … 28.
    EXPECT_EQ(image.pixel(8, 12), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(9, 12), qRgb(61, 123, 240));
    EXPECT_EQ(image.pixel(28, 12), qRgb(61, 123, 240));
    EXPECT_EQ(image.pixel(29, 12), qRgb(0, 0, 0));
}

TEST(PixelArtFill, NeighbouringHalfPixelCellsMeetWithoutSeams) {
    tavrik::test::guiApp();
    QImage image(8, 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        PixelArt::fillSnapped(p, QRectF(0.5, 0, 2.5, 2.5), Qt::red);
        PixelArt::fillSnapped(p, QRectF(3, 0, 2.5, 2.5), Qt::red);
    }
    for (int x = 1; x <= 5; ++x) {
        EXPECT_EQ(image.pixel(x, 0), qRgb(255, 0, 0)) << x;
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(6, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 3), qRgb(0, 0, 0));
}

TEST(PixelArtFill, ScaledPainterSnapsInDevicePixels) {
    tavrik::test::guiApp();
    QImage image(12, 12, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.scale(2, 2);
        PixelArt::fillSnapped(p, QRectF(1, 1, 2.5, 2.5), Qt::green);
    }
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(6, 6), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(7, 7), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
}

}  // namespace
