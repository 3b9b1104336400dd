// Runs in a process of its own, on a screen of scale 2 (QT_SCALE_FACTOR) and with the one
// registration of the pixel font spent on a file that does not exist, as on a machine without
// it: the card is still 1200 x 630 pixels, one pixel per point, with its text drawn.

#include "card/CardRenderer.h"
#include "tests/support/GuiApp.h"
#include "tests/support/NoPixelFont.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

TEST(CardFallbacks, ScaledScreenAndMissingFont) {
    QGuiApplication& app = test::guiApp();
    const bool fontMissing = test::withoutPixelFont();
    if (app.devicePixelRatio() != 2 && !fontMissing) {
        GTEST_SKIP() << "the platform ignored QT_SCALE_FACTOR and Departure Mono is installed";
    }
    QImage image;
    ASSERT_TRUE(image.loadFromData(CardRenderer::pngData(Stats{}, {}).value_or(""), "PNG"));
    ASSERT_EQ(image.size(), QSize(1200, 630));
    // The accent strip is 8 pixels tall, not 16.
    EXPECT_EQ(image.pixel(600, 27), qRgb(61, 123, 240));
    EXPECT_EQ(image.pixel(600, 28), qRgb(11, 13, 18));
    // The title sits on its baseline in whatever font stands in.
    int lowest = -1;
    for (int y = 40; y < 87 && fontMissing; ++y) {
        for (int x = 106; x < 256; ++x) {
            lowest = image.pixel(x, y) != qRgb(11, 13, 18) ? y : lowest;
        }
    }
    EXPECT_TRUE(!fontMissing || lowest == 85) << lowest;
}

}  // namespace
