// The overlay follows the screens on a real X server: one Xvfb screen split into two RandR
// monitors (run_xvfb.sh starts the server), the primary one changed and removed while the
// overlay is collapsed and while it is expanded.

#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "tests/support/WidgetApp.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

bool xrandr(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xrandr"), args) == 0;
}

// Halves of the 1280-wide screen; a leading "*" makes a monitor the primary one.
bool setMonitor(const QString& name, int x) {
    return xrandr({"--setmonitor", name, QStringLiteral("640/169x800/212+%1+0").arg(x), "none"});
}

// Waits at most a second, the time a user gives a moved monitor, for the overlay's centre.
bool centredAt(const NotchController& notch, int x) {
    QElapsedTimer clock;
    clock.start();
    while (std::abs(notch.panel().geometry().center().x() - x) > 1 && clock.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return std::abs(notch.panel().geometry().center().x() - x) <= 1;
}

TEST(OverlayAcrossMonitors, MovesAtOnceWhenThePrimaryChangesOrGoesAwayExpandedOrNot) {
    if (qEnvironmentVariable("QT_QPA_PLATFORM") != QStringLiteral("xcb")) {
        GTEST_SKIP() << "needs an X server: run through run_xvfb.sh";
    }
    ASSERT_TRUE(setMonitor("left", 0) && setMonitor("*right", 640)) << "xrandr failed";
    test::widgetApp();
    NotchController notch;
    notch.setHidden(false);
    ASSERT_TRUE(centredAt(notch, 960)) << notch.panel().geometry().center().x();

    ASSERT_TRUE(xrandr({"--delmonitor", "left"}) && setMonitor("*left", 0));
    EXPECT_TRUE(centredAt(notch, 320)) << notch.panel().geometry().center().x();

    // Expanded, the overlay goes along at once, keeping its expanded frame.
    notch.content().setExpanded(true);
    notch.applyFrame(true, false);
    ASSERT_TRUE(xrandr({"--delmonitor", "right"}) && setMonitor("*right", 640));
    EXPECT_TRUE(centredAt(notch, 960)) << notch.panel().geometry().center().x();
    EXPECT_EQ(notch.panel().geometry(), notch.qtFrameFor(true));
    EXPECT_EQ(notch.panel().geometry().top(), 0);

    // The primary monitor unplugged: the overlay leaves it for whichever is primary now.
    ASSERT_TRUE(xrandr({"--delmonitor", "right"}));
    QElapsedTimer clock;
    clock.start();
    while (notch.panel().geometry().center().x() > 640 && clock.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_TRUE(centredAt(notch, QGuiApplication::primaryScreen()->geometry().center().x()));
    EXPECT_LE(notch.panel().geometry().center().x(), 640);
}

}  // namespace
