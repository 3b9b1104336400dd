#include "notch/NotchDebug.h"
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

constexpr QColor wallpaper{200, 129, 74};
constexpr QColor menuBar{30, 30, 30};
constexpr QColor sheet{16, 16, 16};

TEST(NotchDebug, SceneCentresTheSketchOnFourHundredFortyPoints) {
    test::widgetApp();
    const struct {
        NotchSketch sketch;
        double sceneWidth;
        int x, y;
        QColor colour;
    } probes[] = {
        {{180, 11}, 440, 5, 24, wallpaper},   {{180, 11}, 440, 435, 23, menuBar},
        {{180, 11}, 440, 220, 45, Qt::black}, {{180, 11}, 440, 220, 46, wallpaper},
        {{180, 11}, 440, 131, 30, Qt::black}, {{180, 11}, 440, 128, 30, wallpaper},
        {{180, 11}, 440, 125, 0, Qt::black},  {{180, 11}, 440, 130, 45, wallpaper},
        {{180, 4}, 440, 123, 0, menuBar},     {{100, 11}, 440, 168, 30, wallpaper},
        {{180, 11}, 600, 320, 30, wallpaper}, {{180, 11}, 600, 590, 10, menuBar},
    };
    for (const auto& p : probes) {
        QImage image(static_cast<int>(p.sceneWidth), 100, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        drawNotchSceneGeometry(painter, p.sceneWidth, 100, p.sketch);
        painter.end();
        EXPECT_TRUE(test::hasRgb(image, p.x, p.y, p.colour)) << p.sketch.bodyWidth;
    }
    EXPECT_DOUBLE_EQ(notchSceneLeft({100, 4}), 166);
}

TEST(NotchDebug, SheetsHoldTheSceneAndTheFramedZoom) {
    test::widgetApp();
    const NotchSketch sketch;
    const QImage four = renderNotchDebug(4, sketch);
    ASSERT_EQ(four.size(), QSize(440, 350));
    // The zoom, 136 x 120, 10 from the bottom: x 152 … 288, y 220 … 340, scene x 114 + u / 4.
    EXPECT_TRUE(test::hasRgb(four, 152, 220, Theme::blue));
    EXPECT_TRUE(test::hasRgb(four, 287, 339, Theme::blue));
    EXPECT_TRUE(test::hasRgb(four, 151, 280, sheet));
    EXPECT_TRUE(test::hasRgb(four, 152 + 8, 220 + 40, menuBar));
    EXPECT_TRUE(test::hasRgb(four, 152 + 80, 220 + 100, Qt::black));
    EXPECT_EQ(renderNotchDebug(8, sketch).size(), QSize(440, 470));
    EXPECT_EQ(renderNotchDebug(20, sketch).size(), QSize(34 * 20 + 20, 30 * 20 + 230));
    for (const double unusable : {0.0, -4.0, std::nan(""), HUGE_VAL, 5000.0}) {
        EXPECT_TRUE(renderNotchDebug(unusable, sketch).isNull()) << unusable;
    }
}

TEST(NotchDebug, WritesThePngAndSaysSoEvenWhenTheWriteFails) {
    test::widgetApp();
    test::TempDir dir;
    const struct {
        std::string path;
        double zoom;
        bool written;
        std::string said;
    } table[] = {
        {(dir.path() / "a.png").string(), 4, true, "4x corner zoom to "},
        {"/nonexistent-tavrik-dir/b.png", 8, false, "8x corner zoom to "},
        {(dir.path() / "c.png").string(), std::nan(""), false, ""},
    };
    for (const auto& t : table) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(writeNotchDebug(t.path, t.zoom, {}), !t.said.empty());
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  t.said.empty() ? "" : "wrote notch silhouette + " + t.said + t.path + "\n");
        EXPECT_EQ(std::filesystem::exists(t.path), t.written) << t.path;
    }
}

}  // namespace
