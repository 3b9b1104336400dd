#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "tests/notch/NotchTestSupport.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

TEST(Controller, WindowIsAFramelessNonActivatingToolHangingFromTheTopCentre) {
    test::widgetApp();
    NotchController c;
    const Qt::WindowFlags flags = c.panel().windowFlags();
    for (const Qt::WindowType flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                      Qt::WindowDoesNotAcceptFocus}) {
        EXPECT_TRUE(flags.testFlag(flag)) << flag;
    }
    EXPECT_TRUE(c.panel().testAttribute(Qt::WA_ShowWithoutActivating));
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(c.panel().geometry(), QRect(s.center().x() + 1 - 90, s.top(), 180, 32));
    EXPECT_FALSE(c.panel().isVisible());  // shown only by setHidden(false)

    // The look's shape moves the frames; showing places the window anew.
    Look look;
    look.shape = {20, -20, 6, 4, 0};
    c.content().setLook(look);
    const int mid = s.x() + s.width() / 2;
    EXPECT_EQ(c.qtFrameFor(false), QRect(mid - 93 + 6, s.top(), 186, 20));
    EXPECT_EQ(c.qtFrameFor(true), QRect(mid - 234 + 6, s.top(), 468, 330));
    c.setHidden(false);
    EXPECT_EQ(c.panel().geometry(), c.qtFrameFor(false));
    EXPECT_TRUE(c.panel().isVisible());
    c.setHidden(true);
    EXPECT_FALSE(c.panel().isVisible());
    EXPECT_FALSE(c.content().isAnimating());
}

TEST(Controller, ShowingTwiceStartsTheAnimationTimerOnce) {
    test::widgetApp();
    NotchController c;
    const int started = c.content().animationStarts();  // the view starts on construction
    c.setHidden(false);
    c.setHidden(false);
    c.setHidden(true);
    c.setHidden(false);
    c.setHidden(false);
    EXPECT_TRUE(c.content().isAnimating());
    EXPECT_EQ(c.content().animationStarts(), started + 1);
}

TEST(Controller, HoverExpandsAnimatedEasingOutAndLeavingCollapsesLater) {
    test::widgetApp();
    NotchController c;
    c.setHidden(false);
    test::enter(c.content());
    EXPECT_TRUE(c.content().expanded());
    auto* animation = c.findChild<QPropertyAnimation*>();
    ASSERT_TRUE(animation != nullptr && c.isAnimating());
    EXPECT_EQ(animation->duration(), 260);
    EXPECT_EQ(animation->endValue().toRect(), c.qtFrameFor(true));
    // The cubic Bézier (0, 0) (0.58, 1) (1, 1): half-way through the time, about 68 % of the way.
    EXPECT_NEAR(animation->easingCurve().valueForProgress(0.5), 0.685, 0.01);
    c.refreshLayout();  // places the current state at once
    EXPECT_FALSE(c.isAnimating());
    EXPECT_EQ(c.content().size(), QSize(482, 330));

    test::leave(c.content());
    test::fire(*c.content().findChild<QTimer*>(QStringLiteral("collapseTimer")));
    EXPECT_FALSE(c.content().expanded());
    EXPECT_TRUE(c.isAnimating());
    c.applyFrame(false, false);
    test::leave(c.content());  // collapsed already: nothing moves
    test::fire(*c.content().findChild<QTimer*>(QStringLiteral("collapseTimer")));
    EXPECT_FALSE(c.isAnimating());
}

TEST(Controller, WideNumberAndMadeUpNotchedScreenMoveTheFrame) {
    test::widgetApp();
    NotchController c;
    NotchGeometry::ScreenInfo laptop;
    laptop.frame = {0, 0, 1440, 900};
    laptop.topInset = 32;
    laptop.auxiliaryTopLeft = NotchGeometry::Rect{0, 868, 620, 32};
    laptop.auxiliaryTopRight = NotchGeometry::Rect{820, 868, 620, 32};
    c.computeGeometry({{laptop}, 0});
    EXPECT_EQ(c.frameFor(false), (NotchGeometry::Rect{554, 868, 332, 32}));
    Stats s;
    s.crackedScore = 123456789012;
    Look look;
    look.wingStat = 0;
    c.content().setLook(look);
    c.content().setStats(s);
    const double w = c.content().rightStatWidth();
    EXPECT_DOUBLE_EQ(c.frameFor(false).width, 332 + (w + 22 - 66));
}

}  // namespace
