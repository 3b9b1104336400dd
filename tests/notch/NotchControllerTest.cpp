#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "prefs/Prefs.h"
#include "tests/notch/NotchTestSupport.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace tavrik;
using tavrik::test::enter;
using tavrik::test::fire;
using tavrik::test::leave;

class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        tavrik::test::widgetApp();
        for (const Prefs::KeyInfo& k : Prefs::all()) {
            Prefs::remove(k.key);
        }
    }

    static QRect screen() { return QGuiApplication::primaryScreen()->geometry(); }
};

TEST_F(Controller, WindowIsAFramelessNonActivatingToolAboveEverything) {
    NotchController c;
    const Qt::WindowFlags flags = c.panel().windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Tool));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(c.panel().testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(c.panel().testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(c.content().parentWidget(), &c.panel());
}

TEST_F(Controller, StartsCollapsedAtTheTopCentreOfThePrimaryScreen) {
    NotchController c;
    const QRect s = screen();
    EXPECT_EQ(c.geometry().collapsedWidth, 158);
    EXPECT_EQ(c.panel().geometry(), QRect(s.center().x() + 1 - 90, s.top(), 180, 32));
    EXPECT_EQ(c.content().geometry(), QRect(0, 0, 180, 32));
    EXPECT_FALSE(c.content().expanded());
    EXPECT_FALSE(c.panel().isVisible());  // shown only by setHidden(false)
}

TEST_F(Controller, FramesFollowTheStoredAdjustments) {
    NotchController c;
    const QRect s = screen();
    const int mid = s.x() + s.width() / 2;
    Prefs::setInteger(Prefs::Key::notchWidthOffset, 20);
    Prefs::setInteger(Prefs::Key::notchHeightOffset, -20);
    Prefs::setInteger(Prefs::Key::notchXOffset, 6);
    Prefs::setFloat(Prefs::Key::notchFlare, 4);
    EXPECT_EQ(c.qtFrameFor(false), QRect(mid - 93 + 6, s.top(), 186, 20));
    EXPECT_EQ(c.qtFrameFor(true), QRect(mid - 234 + 6, s.top(), 468, 330));
}

TEST_F(Controller, WideNumberWidensTheCollapsedWindow) {
    NotchController c;
    Stats s;
    s.crackedScore = 123456789012;
    Prefs::setInteger(Prefs::Key::wingStat, 0);
    c.content().setStats(s);
    const double w = c.content().rightStatWidth();
    ASSERT_GT(w, 44);
    EXPECT_DOUBLE_EQ(c.frameFor(false).width, 180 + (w + 22 - 66));
}

TEST_F(Controller, MadeUpNotchedScreenMovesTheOverlay) {
    NotchController c;
    NotchGeometry::ScreenInfo laptop;
    laptop.frame = {0, 0, 1440, 900};
    laptop.topInset = 32;
    laptop.auxiliaryTopLeft = NotchGeometry::Rect{0, 868, 620, 32};
    laptop.auxiliaryTopRight = NotchGeometry::Rect{820, 868, 620, 32};
    c.computeGeometry({{laptop}, 0});
    EXPECT_EQ(c.frameFor(false), (NotchGeometry::Rect{554, 868, 332, 32}));
    // No screens: the geometry stays.
    c.computeGeometry({{}, std::nullopt});
    EXPECT_EQ(c.frameFor(false), (NotchGeometry::Rect{554, 868, 332, 32}));
}

TEST_F(Controller, ShowingTwiceStartsTheAnimationTimerOnce) {
    NotchController c;
    const int started = c.content().animationStarts();  // the view starts on construction
    c.setHidden(false);
    c.setHidden(false);
    EXPECT_TRUE(c.content().isAnimating());
    EXPECT_EQ(c.content().animationStarts(), started);
    c.setHidden(true);
    EXPECT_FALSE(c.content().isAnimating());
    c.setHidden(false);
    c.setHidden(false);
    EXPECT_TRUE(c.content().isAnimating());
    EXPECT_EQ(c.content().animationStarts(), started + 1);
}

TEST_F(Controller, HidingAndShowingTheWindow) {
    NotchController c;
    c.setHidden(false);
    EXPECT_FALSE(c.hidden());
    EXPECT_TRUE(c.panel().isVisible());
    EXPECT_TRUE(c.content().isVisible());
    c.setHidden(true);
    EXPECT_TRUE(c.hidden());
    EXPECT_FALSE(c.panel().isVisible());
    EXPECT_TRUE(c.content().isHidden());
}

TEST_F(Controller, ShowingRecomputesTheFrame) {
    NotchController c;
    c.panel().setGeometry(QRect(5, 300, 50, 50));
    Prefs::setInteger(Prefs::Key::notchXOffset, 10);
    c.setHidden(false);
    EXPECT_EQ(c.panel().geometry(), c.qtFrameFor(false));
    EXPECT_EQ(c.panel().geometry().x(), screen().center().x() + 1 - 90 + 10);
}

TEST_F(Controller, HoverExpandsAnimatedAndLeavingCollapsesLater) {
    NotchController c;
    c.setHidden(false);
    enter(c.content());
    EXPECT_TRUE(c.content().expanded());
    EXPECT_TRUE(c.isAnimating());
    c.applyFrame(true, false);  // finish at once
    EXPECT_FALSE(c.isAnimating());
    EXPECT_EQ(c.panel().geometry(), c.qtFrameFor(true));
    EXPECT_EQ(c.panel().geometry().size(), QSize(482, 330));
    EXPECT_EQ(c.content().size(), QSize(482, 330));

    leave(c.content());
    EXPECT_TRUE(c.content().expanded());
    auto* collapse = c.content().findChild<QTimer*>(QStringLiteral("collapseTimer"));
    ASSERT_NE(collapse, nullptr);
    fire(*collapse);
    EXPECT_FALSE(c.content().expanded());
    EXPECT_TRUE(c.isAnimating());
}

TEST_F(Controller, AskingForTheCurrentStateDoesNothing) {
    NotchController c;
    c.setHidden(false);
    leave(c.content());
    fire(*c.content().findChild<QTimer*>(QStringLiteral("collapseTimer")));
    EXPECT_FALSE(c.content().expanded());
    EXPECT_FALSE(c.isAnimating());
    EXPECT_EQ(c.panel().geometry(), c.qtFrameFor(false));
}

TEST_F(Controller, AnimationTakesTwoHundredSixtyMillisecondsEasingOut) {
    NotchController c;
    c.setHidden(false);
    enter(c.content());
    auto* animation = c.findChild<QPropertyAnimation*>();
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->duration(), 260);
    EXPECT_EQ(animation->propertyName(), "geometry");
    EXPECT_EQ(animation->endValue().toRect(), c.qtFrameFor(true));
    // The cubic Bézier (0, 0) (0.58, 1) (1, 1): fast start, gentle end.
    const QEasingCurve curve = animation->easingCurve();
    EXPECT_NEAR(curve.valueForProgress(0), 0, 1e-9);
    EXPECT_NEAR(curve.valueForProgress(1), 1, 1e-9);
    // Half-way through the time the window has covered about 68 % of the way.
    EXPECT_NEAR(curve.valueForProgress(0.5), 0.685, 0.01);
    EXPECT_NEAR(curve.valueForProgress(0.25), 0.38, 0.02);
}

TEST_F(Controller, CallbacksAreHandedToTheView) {
    NotchController c;
    std::vector<std::string> calls;
    c.setOnDownload([&] { calls.emplace_back("download"); });
    c.setOnCopy([&] { calls.emplace_back("copy"); });
    c.setOnRefresh([&] { calls.emplace_back("refresh"); });
    c.setOnCycle([&] { calls.emplace_back("cycle"); });
    c.setOnConfigure([&](QWidget* anchor) {
        calls.emplace_back(anchor == c.content().configureButton() ? "configure" : "other");
    });
    c.content().setStats(Stats{});
    QMouseEvent click(QEvent::MouseButtonPress, c.content().rightWingRect().center(), QPointF(),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&c.content(), &click);
    c.content().setExpanded(true);
    c.content().downloadButton()->click();
    c.content().copyButton()->click();
    c.content().refreshButton()->click();
    c.content().configureButton()->click();
    EXPECT_EQ(calls,
              (std::vector<std::string>{"cycle", "download", "copy", "refresh", "configure"}));
}

TEST_F(Controller, RefreshLayoutPlacesTheCurrentStateAtOnce) {
    NotchController c;
    c.setHidden(false);
    c.content().setExpanded(true);
    c.refreshLayout();
    EXPECT_FALSE(c.isAnimating());
    EXPECT_EQ(c.panel().geometry(), c.qtFrameFor(true));
}

}  // namespace
