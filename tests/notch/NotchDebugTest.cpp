#include "notch/NotchDebug.h"
#include "prefs/Prefs.h"
#include "tests/notch/NotchTestSupport.h"
#include "tests/support/TempDir.h"
#include "theme/Theme.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

using namespace tavrik;
using tavrik::test::hasRgb;

constexpr QColor wallpaper{200, 129, 74};
constexpr QColor menuBar{30, 30, 30};
constexpr QColor sheet{16, 16, 16};

class NotchDebug : public ::testing::Test {
protected:
    void SetUp() override {
        tavrik::test::widgetApp();
        Prefs::remove(Prefs::Key::notchFlare);
        dbgBodyW = 180;
    }
};

QImage scene(double w, double h) {
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawNotchSceneGeometry(p, w, h);
    return image;
}

TEST_F(NotchDebug, SceneHasWallpaperMenuBarAndTheCentredOverlay) {
    EXPECT_DOUBLE_EQ(notchSceneLeft(), 119);  // (440 - 202) / 2
    const QImage image = scene(440, 200);
    EXPECT_TRUE(hasRgb(image, 5, 100, wallpaper));
    EXPECT_TRUE(hasRgb(image, 5, 10, menuBar));
    EXPECT_TRUE(hasRgb(image, 435, 23, menuBar));
    EXPECT_TRUE(hasRgb(image, 5, 24, wallpaper));
    EXPECT_TRUE(hasRgb(image, 220, 30, Qt::black));  // the overlay reaches below the bar
    EXPECT_TRUE(hasRgb(image, 220, 45, Qt::black));
    EXPECT_TRUE(hasRgb(image, 220, 46, wallpaper));
    // Body from 130 to 310; the flares only along the top.
    EXPECT_TRUE(hasRgb(image, 131, 30, Qt::black));
    EXPECT_TRUE(hasRgb(image, 128, 30, wallpaper));
    EXPECT_TRUE(hasRgb(image, 308, 30, Qt::black));
    EXPECT_TRUE(hasRgb(image, 311, 30, wallpaper));
    EXPECT_TRUE(hasRgb(image, 125, 0, Qt::black));
    EXPECT_TRUE(hasRgb(image, 121, 10, menuBar));
    // Bottom corners of radius 13: the corner pixel itself stays clear.
    EXPECT_TRUE(hasRgb(image, 130, 45, wallpaper));
}

TEST_F(NotchDebug, SceneCentresOnFourHundredFortyWhateverItsWidth) {
    const QImage image = scene(600, 100);
    EXPECT_TRUE(hasRgb(image, 590, 10, menuBar));
    EXPECT_TRUE(hasRgb(image, 220, 30, Qt::black));
    EXPECT_TRUE(hasRgb(image, 320, 30, wallpaper));
}

TEST_F(NotchDebug, StoredFlareNarrowsTheOverlay) {
    Prefs::setFloat(Prefs::Key::notchFlare, 4);
    EXPECT_DOUBLE_EQ(notchSceneLeft(), 126);  // w = 188
    const QImage image = scene(440, 200);
    EXPECT_TRUE(hasRgb(image, 131, 30, Qt::black));
    EXPECT_TRUE(hasRgb(image, 129, 30, wallpaper));
}

TEST_F(NotchDebug, BodyWidthFollowsTheGlobal) {
    dbgBodyW = 100;
    EXPECT_DOUBLE_EQ(notchSceneLeft(), 159);
}

TEST_F(NotchDebug, ZoomFourSheetIs440By350) {
    const QImage image = renderNotchDebug(4);
    ASSERT_EQ(image.size(), QSize(440, 350));
    // The scene at the top.
    EXPECT_TRUE(hasRgb(image, 5, 100, wallpaper));
    EXPECT_TRUE(hasRgb(image, 220, 30, Qt::black));
    // The zoom, 136 x 120, 10 from the bottom: x 152 … 288, y 220 … 340.
    EXPECT_TRUE(hasRgb(image, 152, 220, Theme::blue));
    EXPECT_TRUE(hasRgb(image, 287, 339, Theme::blue));
    EXPECT_TRUE(hasRgb(image, 152, 300, Theme::blue));
    EXPECT_TRUE(hasRgb(image, 200, 220, Theme::blue));
    EXPECT_TRUE(hasRgb(image, 151, 280, sheet));
    EXPECT_TRUE(hasRgb(image, 200, 345, sheet));
    // Inside the zoom: scene x 114 + u / 4, y v / 4.
    EXPECT_TRUE(hasRgb(image, 152 + 8, 220 + 40, menuBar));      // (116, 10): left of it
    EXPECT_TRUE(hasRgb(image, 152 + 80, 220 + 100, Qt::black));  // (134, 25): the body
    EXPECT_TRUE(hasRgb(image, 152 + 8, 220 + 110, wallpaper));   // (116, 27.5)
}

TEST_F(NotchDebug, ZoomEightSheetIs440By470WithTheCaptionAboveTheZoom) {
    const QImage image = renderNotchDebug(8);
    ASSERT_EQ(image.size(), QSize(440, 470));
    // The zoom, 272 x 240: x 84 … 356, y 220 … 460.
    EXPECT_TRUE(hasRgb(image, 84, 220, Theme::blue));
    EXPECT_TRUE(hasRgb(image, 355, 459, Theme::blue));
    EXPECT_TRUE(hasRgb(image, 84 + 200, 220 + 200, Qt::black));  // (139, 25)
    // The caption: white text between the scene and the zoom, from x 84.
    int white = 0;
    int minX = 440;
    for (int y = 200; y < 220; ++y) {
        for (int x = 0; x < 440; ++x) {
            if (image.pixelColor(x, y).lightness() > 200) {
                ++white;
                minX = std::min(minX, x);
            }
        }
    }
    EXPECT_GT(white, 50);
    EXPECT_GE(minX, 84);
    EXPECT_LE(minX, 86);
}

TEST_F(NotchDebug, LargeZoomWidensTheSheet) {
    const QImage image = renderNotchDebug(20);
    EXPECT_EQ(image.size(), QSize(34 * 20 + 20, 30 * 20 + 230));
}

TEST_F(NotchDebug, UnusableZoomGivesNoSheet) {
    EXPECT_TRUE(renderNotchDebug(0).isNull());
    EXPECT_TRUE(renderNotchDebug(-4).isNull());
    EXPECT_TRUE(renderNotchDebug(std::nan("")).isNull());
    EXPECT_TRUE(renderNotchDebug(HUGE_VAL).isNull());
    EXPECT_TRUE(renderNotchDebug(5000).isNull());
}

TEST_F(NotchDebug, WritesThePngAndSaysSo) {
    tavrik::test::TempDir dir;
    const std::string path = (dir.path() / "notch.png").string();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(writeNotchDebug(path, 4));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "wrote notch silhouette + 4x corner zoom to " + path + "\n");
    const QImage written(QString::fromStdString(path));
    EXPECT_EQ(written.size(), QSize(440, 350));
}

TEST_F(NotchDebug, FailedWriteIsNotReported) {
    const std::string path = "/nonexistent-tavrik-dir/notch.png";
    testing::internal::CaptureStdout();
    EXPECT_TRUE(writeNotchDebug(path, 8));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "wrote notch silhouette + 8x corner zoom to " + path + "\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(NotchDebug, UnusableZoomWritesAndPrintsNothing) {
    tavrik::test::TempDir dir;
    const std::string path = (dir.path() / "notch.png").string();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writeNotchDebug(path, std::nan("")));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
