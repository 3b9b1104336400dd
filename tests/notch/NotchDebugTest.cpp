#include "notch/NotchDebug.h"
#include "tests/notch/NotchTestSupport.h"
#include "theme/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace tavrik;
using test::pixelIs;

constexpr QColor wallpaper{200, 129, 74};
constexpr QColor menuBar{30, 30, 30};

// The overlay is centred on the scene, its outline flaring into the menu bar; the sheet adds
// the magnified top-left corner in a one-pixel frame. The command line checks the sizes.
TEST(NotchDebug, SceneAndSheet) {
    test::widgetApp();
    const struct {
        NotchSketch sketch;
        int x, y;
        QColor colour;
    } probes[] = {
        {{180, 11}, 220, 45, Qt::black}, {{180, 11}, 220, 46, wallpaper},
        {{180, 11}, 131, 30, Qt::black}, {{180, 11}, 128, 30, wallpaper},
        {{180, 11}, 125, 0, Qt::black},  {{180, 11}, 130, 45, wallpaper},
        {{180, 4}, 123, 0, menuBar},     {{100, 11}, 168, 30, wallpaper},
        {{180, 11}, 5, 24, wallpaper},   {{180, 11}, 435, 23, menuBar},
    };
    for (const auto& p : probes) {
        QImage image(440, 100, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        drawNotchSceneGeometry(painter, 440, 100, p.sketch);
        painter.end();
        EXPECT_TRUE(pixelIs(image, p.x, p.y, p.colour)) << p.sketch.bodyWidth;
    }
    // The zoom, 136 x 120, 10 from the bottom: x 152 … 288, y 220 … 340, scene x 114 + u / 4.
    const QImage four = renderNotchDebug(4, {});
    EXPECT_TRUE(pixelIs(four, 152, 220, Theme::blue));
    EXPECT_TRUE(pixelIs(four, 287, 339, Theme::blue));
    EXPECT_TRUE(pixelIs(four, 151, 280, QColor(16, 16, 16)));
    EXPECT_TRUE(pixelIs(four, 152 + 8, 220 + 40, menuBar));
    EXPECT_TRUE(pixelIs(four, 152 + 80, 220 + 100, Qt::black));
    for (const double unusable : {0.0, -4.0, std::nan(""), HUGE_VAL, 5000.0}) {
        EXPECT_TRUE(renderNotchDebug(unusable, {}).isNull()) << unusable;
    }
}

}  // namespace
