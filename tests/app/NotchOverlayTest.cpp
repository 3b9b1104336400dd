// The notch window as the application's overlay, on the offscreen platform.

#include "app/NotchOverlay.h"
#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "tests/app/AppTestSupport.h"

#include <QScreen>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

class NotchOverlayTest : public ::testing::Test {
protected:
    void SetUp() override { test::widgetApp(); }
    NotchOverlay overlay;
    NotchController& notch = overlay.controller();
};

TEST_F(NotchOverlayTest, ShowStatsSetsTheFiguresAndPlacesTheCollapsedStripAsWideAsTheNumber) {
    Stats s;
    s.crackedScore = 42;
    overlay.showStats(s, true);
    EXPECT_EQ(notch.content().stats(), s);
    EXPECT_TRUE(notch.content().amber());
    const int narrow = notch.panel().geometry().width();
    Look look;
    look.wingStat = 5;  // total dollars, far wider than one digit
    overlay.setLook(look);
    s.cost = 1e12;
    overlay.showStats(s, false);
    EXPECT_FALSE(notch.content().amber());
    EXPECT_GT(notch.panel().geometry().width(), narrow);
    EXPECT_EQ(notch.panel().geometry(), notch.qtFrameFor(false));
    overlay.celebrate();
    EXPECT_GT(notch.content().celebrateFrames(), 0);
}

TEST_F(NotchOverlayTest, ShownHangsFromTheTopCentreFollowsTheShapeAndHiddenIsGone) {
    overlay.bringToFront();
    EXPECT_TRUE(notch.panel().isVisible());
    EXPECT_TRUE(notch.content().isAnimating());
    const QRect frame = notch.panel().geometry();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(frame.top(), screen.top());
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    Look look;
    look.shape.xOffset = 10;
    overlay.setLook(look);
    overlay.relayout();
    EXPECT_EQ(notch.panel().geometry().x(), frame.x() + 10);
    overlay.setHidden(true);
    EXPECT_FALSE(notch.panel().isVisible());
    EXPECT_FALSE(notch.content().isAnimating());
}

}  // namespace
}  // namespace tavrik
