#include "tests/support/GuiApp.h"
#include "theme/PixelArt.h"
#include "theme/PixelIcon.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace tavrik;

TEST(PixelIcon, EveryBadgeHasItsGlyphAndUnknownOnesTheHollowSquare) {
    for (const char* id : {"first-blood", "ten-k", "hundred-k", "week-streak", "month-streak",
                           "night-owl", "big-spender", "token-lord", "polyglot", "centurion"}) {
        EXPECT_TRUE(PixelIcon::has(id)) << id;
        EXPECT_NE(&PixelIcon::glyph(id), &PixelIcon::fallback()) << id;
    }
    EXPECT_EQ(PixelIcon::glyph("week-streak"), PixelIcon::glyph("month-streak"));
    EXPECT_FALSE(PixelIcon::has(""));
    EXPECT_EQ(&PixelIcon::glyph("no-such-badge"), &PixelIcon::fallback());
}

TEST(PixelIcon, LayoutCentresTheSquareGlyph) {
    const struct {
        QRectF rect;
        double p, x0, y0;
    } table[] = {{{100, 40, 34, 20}, 2.5, 107, 40}, {{0, 0, 16, 40}, 2, 0, 12}};
    for (const auto& t : table) {
        const PixelIcon::Layout at = PixelIcon::layout(t.rect);
        EXPECT_EQ(QRectF(at.x0, at.y0, at.p, at.p), QRectF(t.x0, t.y0, t.p, t.p));
    }
    const auto cells = PixelIcon::cellRects("ten-k", QRectF(0, 0, 8, 8));
    EXPECT_EQ(cells.front(), QRectF(3, 0, 1, 1));  // row by row from the top left
    EXPECT_EQ(cells.back(), QRectF(4, 7, 1, 1));
}

// Half-pixel glyphs and neighbouring cells are snapped: hard edges, no seams.
TEST(PixelIcon, DrawingIsCrispAtHalfPixels) {
    test::guiApp();
    QImage image(40, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        PixelIcon::draw(p, "big-spender", QRectF(1.5, 2, 34, 20), Qt::white);
        PixelArt::fillSnapped(p, QRectF(0.5, 22, 2.5, 2.5), Qt::red);
        PixelArt::fillSnapped(p, QRectF(3, 22, 2.5, 2.5), Qt::red);
    }
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)}));
    // The glyph is 20 points wide from x 8.5: its full rows cover pixels 9 … 28.
    EXPECT_EQ(image.pixel(8, 12), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(9, 12), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(28, 12), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(29, 12), qRgb(0, 0, 0));
    for (int x = 1; x <= 5; ++x) {
        EXPECT_EQ(image.pixel(x, 22), qRgb(255, 0, 0)) << x;
    }
}

}  // namespace
