// The overlay on a real X server, started by run_xvfb.sh with a compositing manager: hanging
// from the top centre over a plain wallpaper, expanding when the pointer (moved by xdotool)
// comes over it and collapsing after it leaves, and following the primary monitor as RandR's
// monitors change. The screenshots are saved in the working folder for a person to look at.

#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "tests/support/EventLoop.h"
#include "tests/support/WidgetApp.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace tavrik;
using test::waitUntil;

constexpr QColor wallpaper{200, 129, 74};

// An opaque pixel within tolerance of each channel of the expected colour.
bool pixelIs(const QImage& image, int x, int y, QColor expected, int tolerance = 6) {
    const QColor got = image.pixelColor(x, y);
    return got.alpha() == 255 && std::abs(got.red() - expected.red()) <= tolerance
           && std::abs(got.green() - expected.green()) <= tolerance
           && std::abs(got.blue() - expected.blue()) <= tolerance;
}

bool run(const char* program, const QStringList& args) {
    return QProcess::execute(QString::fromLatin1(program), args) == 0;
}

// Lets painting and the compositor catch up first.
QImage screenshot(const char* name) {
    waitUntil([] { return false; }, 400);
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    image.save(QString::fromLatin1(name), "PNG");
    return image;
}

// Makes a 640-wide monitor at x on the one screen.
bool setMonitor(const QString& name, int x) {
    return run("xrandr",
               {"--setmonitor", name, QStringLiteral("640/169x800/212+%1+0").arg(x), "none"});
}

// Waits at most a second, the time a user gives a moved monitor, for the overlay's centre.
bool centredAt(const NotchController& notch, int x) {
    const auto centre = [&] { return notch.panel().geometry().center().x(); };
    return waitUntil([&] { return std::abs(centre() - x) <= 1; }, 1000);
}

// Then the one 1280-wide screen is split into two monitors ("*" makes one the primary): the
// overlay moves at once when the primary monitor changes or goes away, expanded or not.
TEST(OnX11, HangsFromTheTopCentreExpandsOnHoverAndFollowsThePrimaryMonitor) {
    if (qEnvironmentVariable("QT_QPA_PLATFORM") != QStringLiteral("xcb")) {
        GTEST_SKIP() << "needs an X server: run through run_xvfb.sh";
    }
    test::widgetApp();
    QWidget back;  // under everything, so that the screenshots show the overlay's outline
    back.setGeometry(QGuiApplication::primaryScreen()->geometry());
    back.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
    back.setAttribute(Qt::WA_StyledBackground);
    back.setStyleSheet(QStringLiteral("background: %1").arg(wallpaper.name()));
    back.show();
    ASSERT_TRUE(waitUntil([&] { return back.windowHandle()->isExposed(); }));
    ASSERT_TRUE(run("xdotool", {"mousemove", "5", "700"}));

    NotchController controller;
    controller.content().setStats(Stats{});  // figures, so that the card shows
    controller.setHidden(false);
    ASSERT_TRUE(waitUntil([&] { return controller.panel().windowHandle()->isExposed(); }));
    const int mid = QGuiApplication::primaryScreen()->geometry().center().x() + 1;
    const QImage strip = screenshot("notch-collapsed.png");
    EXPECT_TRUE(pixelIs(strip, mid, 0, Qt::black));
    EXPECT_TRUE(pixelIs(strip, mid - 60, 30, Qt::black));
    EXPECT_TRUE(pixelIs(strip, mid, 40, wallpaper));
    EXPECT_TRUE(pixelIs(strip, mid - 100, 10, wallpaper));
    if (qEnvironmentVariableIsSet("TAVRIK_TEST_COMPOSITOR")) {
        // Beside the body, below the flare, the window is clear: the wallpaper shows.
        EXPECT_TRUE(pixelIs(strip, mid - 88, 25, wallpaper));
        EXPECT_TRUE(pixelIs(strip, mid + 88, 25, wallpaper));
    }

    ASSERT_TRUE(run("xdotool", {"mousemove", QString::number(mid), "10"}));
    ASSERT_TRUE(
        waitUntil([&] { return controller.content().expanded() && !controller.isAnimating(); }));
    const QImage panel = screenshot("notch-expanded.png");
    EXPECT_TRUE(pixelIs(panel, mid, 2, Qt::black));
    EXPECT_TRUE(pixelIs(panel, mid, 340, wallpaper));
    EXPECT_FALSE(pixelIs(panel, mid, 150, Qt::black, 2)) << "the card shows";

    ASSERT_TRUE(run("xdotool", {"mousemove", QString::number(mid), "600"}));
    ASSERT_TRUE(
        waitUntil([&] { return !controller.content().expanded() && !controller.isAnimating(); }));

    ASSERT_TRUE(setMonitor("left", 0) && setMonitor("*right", 640)) << "xrandr failed";
    ASSERT_TRUE(centredAt(controller, 960));
    ASSERT_TRUE(run("xrandr", {"--delmonitor", "left"}) && setMonitor("*left", 0));
    EXPECT_TRUE(centredAt(controller, 320));
    controller.content().setExpanded(true);
    controller.applyFrame(true, false);
    ASSERT_TRUE(run("xrandr", {"--delmonitor", "right"}) && setMonitor("*right", 640));
    EXPECT_TRUE(centredAt(controller, 960));
    EXPECT_EQ(controller.panel().geometry(), controller.qtFrameFor(true));
    // The primary monitor unplugged: the overlay leaves it for whichever is primary now.
    ASSERT_TRUE(run("xrandr", {"--delmonitor", "right"}));
    EXPECT_TRUE(waitUntil([&] { return controller.panel().geometry().center().x() <= 640; }, 1000));
    EXPECT_TRUE(centredAt(controller, QGuiApplication::primaryScreen()->geometry().center().x()));
}

}  // namespace
