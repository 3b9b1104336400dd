// Runs with QT_SCALE_FACTOR=2, as on a high-density screen: the card must still be 1200 x 630
// pixels, one pixel per point.

#include "card/CardRenderer.h"
#include "tests/support/GuiApp.h"
#include "tests/support/IsolatedSettings.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

tavrik::test::IsolatedSettings isolated;

TEST(CardOnAScaledScreen, PngIsTwelveHundredBySixThirtyPixels) {
    QGuiApplication& app = tavrik::test::guiApp();
    if (app.devicePixelRatio() != 2) {
        GTEST_SKIP() << "the platform ignored QT_SCALE_FACTOR (ratio " << app.devicePixelRatio()
                     << ")";
    }
    const auto png = CardRenderer::pngData(Stats{});
    ASSERT_TRUE(png.has_value());
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(*png, "PNG"));
    EXPECT_EQ(decoded.size(), QSize(1200, 630));
    // The accent strip is 8 pixels tall, not 16.
    EXPECT_EQ(decoded.pixel(600, 27) & 0x00ffffffU, qRgb(61, 123, 240) & 0x00ffffffU);
    EXPECT_EQ(decoded.pixel(600, 28) & 0x00ffffffU, qRgb(11, 13, 18) & 0x00ffffffU);
}

}  // namespace
