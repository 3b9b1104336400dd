// The overlay on a real X server: the window at the top centre of the screen, expanding when
// the pointer (moved by xdotool) comes over it and collapsing after the pointer leaves.
// run_xvfb.sh starts a private Xvfb with a compositing manager; screenshots of each state are
// saved in the working folder for a person to look at.

#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "tests/notch/NotchTestSupport.h"
#include "tests/support/EventLoop.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tavrik;

constexpr QColor wallpaper{200, 129, 74};

// Lets the event loop run for a while (painting, the compositor catching up).
void settle(int ms) {
    test::waitUntil([] { return false; }, ms);
}

bool movePointer(int x, int y) {
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("mousemove"), QString::number(x), QString::number(y)})
           == 0;
}

QImage screenshot(const char* name) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage image = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    image.save(QString::fromLatin1(name), "PNG");
    return image;
}

bool near(QColor a, QColor b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

::testing::AssertionResult pixelIs(const QImage& image, int x, int y, QColor expected) {
    const QColor got = image.pixelColor(x, y);
    if (near(got, expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got.red()
                                         << ", " << got.green() << ", " << got.blue() << ")";
}

class OverlayOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("QT_QPA_PLATFORM") != QStringLiteral("xcb")
            || qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "needs an X server: run through run_xvfb.sh";
        }
        tavrik::test::widgetApp();
        // A plain wallpaper under everything, so the screenshots show the overlay's outline.
        m_wallpaper = std::make_unique<QWidget>();
        m_wallpaper->setGeometry(QGuiApplication::primaryScreen()->geometry());
        m_wallpaper->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
        QPalette palette = m_wallpaper->palette();
        palette.setColor(QPalette::Window, wallpaper);
        m_wallpaper->setPalette(palette);
        m_wallpaper->setAutoFillBackground(true);
        m_wallpaper->show();
        ASSERT_TRUE(test::waitUntil([this] {
            return m_wallpaper->windowHandle() != nullptr
                   && m_wallpaper->windowHandle()->isExposed();
        }));
        ASSERT_TRUE(movePointer(5, 700));
    }

    std::unique_ptr<QWidget> m_wallpaper;
};

TEST_F(OverlayOnX11, HangsFromTheTopCentreExpandsOnHoverAndCollapsesAfterLeaving) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int mid = screen.x() + screen.width() / 2;
    const bool composited = qEnvironmentVariableIsSet("TAVRIK_TEST_COMPOSITOR");

    NotchController controller;
    Stats stats;
    stats.crackedScore = 71;
    stats.todayLinesAdded = 1234;
    stats.streakCurrent = 5;
    controller.content().setStats(stats);
    controller.content().setAmber(true);
    controller.setHidden(false);
    NotchPanel& panel = controller.panel();
    ASSERT_TRUE(test::waitUntil([&] { return panel.windowHandle()->isExposed(); }));
    settle(400);

    // Collapsed: 158 + 22 wide, 32 high, touching the top edge, centred.
    EXPECT_EQ(panel.geometry(), QRect(mid - 90, screen.top(), 180, 32));
    const QImage collapsed = screenshot("notch-collapsed.png");
    EXPECT_TRUE(pixelIs(collapsed, mid, 0, Qt::black));
    EXPECT_TRUE(pixelIs(collapsed, mid - 60, 30, Qt::black));
    EXPECT_TRUE(pixelIs(collapsed, mid, 40, wallpaper));
    EXPECT_TRUE(pixelIs(collapsed, mid - 100, 10, wallpaper));
    if (composited) {
        // Beside the body, below the flare, the window is clear: the wallpaper shows.
        EXPECT_TRUE(pixelIs(collapsed, mid - 88, 25, wallpaper));
        EXPECT_TRUE(pixelIs(collapsed, mid + 88, 25, wallpaper));
    }

    // The pointer comes over the strip: the window drops down into the expanded panel.
    ASSERT_TRUE(movePointer(mid, 10));
    ASSERT_TRUE(test::waitUntil([&] { return controller.content().expanded(); }));
    ASSERT_TRUE(test::waitUntil([&] { return !controller.isAnimating(); }));
    settle(400);
    EXPECT_EQ(panel.geometry(), QRect(mid - 241, screen.top(), 482, 330));
    EXPECT_FALSE(controller.content().cardImage().isNull());
    const QImage expanded = screenshot("notch-expanded.png");
    EXPECT_TRUE(pixelIs(expanded, mid, 2, Qt::black));
    EXPECT_TRUE(pixelIs(expanded, mid, 340, wallpaper));
    EXPECT_FALSE(near(expanded.pixelColor(mid, 150), Qt::black, 2)) << "the card shows";

    // Leaving and coming back at once keeps it open.
    ASSERT_TRUE(movePointer(mid, 500));
    ASSERT_TRUE(movePointer(mid, 10));
    settle(800);
    EXPECT_TRUE(controller.content().expanded());

    // Leaving for good collapses it.
    ASSERT_TRUE(movePointer(mid, 600));
    ASSERT_TRUE(test::waitUntil([&] { return !controller.content().expanded(); }));
    ASSERT_TRUE(test::waitUntil([&] { return !controller.isAnimating(); }));
    settle(400);
    EXPECT_EQ(panel.geometry(), QRect(mid - 90, screen.top(), 180, 32));
    const QImage again = screenshot("notch-collapsed-again.png");
    EXPECT_TRUE(pixelIs(again, mid, 0, Qt::black));
    EXPECT_TRUE(pixelIs(again, mid, 100, wallpaper));

    controller.setHidden(true);
    settle(200);
    const QImage hidden = screenshot("notch-hidden.png");
    EXPECT_TRUE(pixelIs(hidden, mid, 5, wallpaper));
}

}  // namespace
