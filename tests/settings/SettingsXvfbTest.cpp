// The settings window on a real X server: opened centred on the screen, in front and focused,
// dark as in the offscreen render, hidden by closing and opened again as the same window.
// run_xvfb.sh starts a private Xvfb; a screenshot is saved in the working folder for a person
// to look at.

#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/IsolatedSettings.h"
#include "theme/Theme.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

bool near(const QColor& a, const QColor& b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

using SettingsOnX = SettingsWindowTest;

TEST_F(SettingsOnX, OpensCentredInFrontAndFocusedThenReopensAfterClosing) {
    if (QGuiApplication::platformName() != "xcb") {
        GTEST_SKIP() << "needs an X server: run through tests/notch/run_xvfb.sh";
    }
    Prefs::setInteger(Prefs::Key::accentTheme, 4);
    open();
    QWidget* w = window->window();
    window->present();
    ASSERT_TRUE(waitUntil([&] { return w->isActiveWindow(); }, 5000));
    drainEvents();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(w->frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(w->frameGeometry().center().y() - screen.center().y()), 1);
    EXPECT_EQ(w->size(), QSize(460, 560));
    EXPECT_EQ(QApplication::activeWindow(), w);
    EXPECT_EQ(c().accentPopup->currentText(), "Cyan");

    // Active does not mean painted yet: wait until the X server shows the window's background.
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    QImage shot;
    const bool painted = waitUntil(
        [&] {
            shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
                QImage::Format_RGB32);
            return near(shot.pixelColor(origin + QPoint(4, 4)), Theme::bg);
        },
        5000);
    shot.save(QStringLiteral("settings-xvfb.png"), "PNG");
    ASSERT_TRUE(painted) << "the window never showed its dark background";
    EXPECT_TRUE(near(shot.pixelColor(origin + QPoint(200, 300)), Theme::bg));
    // Some header text in the muted colour where the first header sits.
    int muted = 0;
    for (int y = 20; y < 36; ++y) {
        for (int x = 24; x < 80; ++x) {
            muted += near(shot.pixelColor(origin + QPoint(x, y)), Theme::muted, 30) ? 1 : 0;
        }
    }
    EXPECT_GT(muted, 10);

    w->close();
    ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }, 5000));
    Prefs::setInteger(Prefs::Key::notchXOffset, 6);  // changed while the window was closed
    window->present();
    ASSERT_TRUE(waitUntil([&] { return w->isActiveWindow(); }, 5000));
    EXPECT_EQ(window->window(), w) << "the same window, not a new one";
    EXPECT_EQ(c().stepper(Prefs::Key::notchXOffset).value->text(), "6");
}

}  // namespace
}  // namespace tavrik::test
