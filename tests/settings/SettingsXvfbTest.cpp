// The settings window on a real X server: opened centred on the screen, in front and focused,
// dark as in the offscreen render.
// run_xvfb.sh starts a private Xvfb; a screenshot is saved in the working folder for a person
// to look at.

#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/TempDir.h"
#include "theme/Theme.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

TEST_F(SettingsWindowTest, OnXOpensCentredInFrontFocusedAndDark) {
    if (QGuiApplication::platformName() != "xcb") {
        GTEST_SKIP() << "needs an X server: run through tests/notch/run_xvfb.sh";
    }
    open();
    QWidget* w = window->window();
    window->present();
    ASSERT_TRUE(waitUntil([&] { return w->isActiveWindow(); }, 5000));
    const QPoint offCentre = w->frameGeometry().center()
                             - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    // Active does not mean painted yet: wait until the X server shows the window's background.
    const QPoint origin = w->mapToGlobal(QPoint(4, 4));
    QImage shot;
    const bool painted = waitUntil(
        [&] {
            shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            return shot.pixelColor(origin) == Theme::bg;
        },
        5000);
    shot.save(QStringLiteral("settings-xvfb.png"), "PNG");
    ASSERT_TRUE(painted) << "the window never showed its dark background";
}

}  // namespace
}  // namespace tavrik::test
