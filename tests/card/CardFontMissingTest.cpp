// Runs in a process of its own: the pixel font may be registered only once per process, and
// here that one attempt is spent on a file that does not exist, as on a machine without it.

#include "card/CardRenderer.h"
#include "tests/support/GuiApp.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/NoPixelFont.h"
#include "theme/Font.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

tavrik::test::IsolatedSettings isolated;

constexpr QRgb panel = qRgb(11, 13, 18);

int lowestInkRow(const QImage& image, const QRect& area, QRgb background) {
    for (int y = area.bottom(); y >= area.top(); --y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((image.pixel(x, y) & 0x00ffffffU) != (background & 0x00ffffffU)) {
                return y;
            }
        }
    }
    return -1;
}

class CardWithoutPixelFont : public ::testing::Test {
protected:
    void SetUp() override {
        tavrik::test::guiApp();
        if (!tavrik::test::withoutPixelFont()) {
            GTEST_SKIP() << "Departure Mono is installed system-wide; cannot test its absence";
        }
    }

    static Stats stats() {
        Stats s;
        s.crackedScore = 77;
        s.percentile = 12;
        s.streakLongest = 5;
        s.badges = {Badge{"night-owl", "", "Night Owl", "", true}};
        return s;
    }
};

TEST_F(CardWithoutPixelFont, RendersWithTheSystemFixedFont) {
    ASSERT_FALSE(Font::available());
    const QImage image = CardRenderer::render(stats());
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1200, 630));
    // Text is still drawn, on the same baselines.
    EXPECT_EQ(lowestInkRow(image, QRect(106, 40, 150, 47), panel), 85);               // title
    EXPECT_EQ(lowestInkRow(image, QRect(60, 470, 200, 26), panel), 491);              // UNLOCKED
    EXPECT_EQ(lowestInkRow(image, QRect(802, 200, 336, 120), qRgb(9, 11, 17)), 307);  // score
}

TEST_F(CardWithoutPixelFont, PngIsStillProduced) {
    const auto png = CardRenderer::pngData(stats());
    ASSERT_TRUE(png.has_value());
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(*png, "PNG"));
    EXPECT_EQ(decoded.size(), QSize(1200, 630));
}

}  // namespace
