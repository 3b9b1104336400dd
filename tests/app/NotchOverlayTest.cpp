// The notch window as the application's overlay, on the offscreen platform.

#include "app/NotchOverlay.h"
#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"

#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

Stats scored(std::int64_t score) {
    Stats s;
    s.crackedScore = score;
    s.streakCurrent = 3;
    return s;
}

class NotchOverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        test::resetPrefs();
    }
};

TEST_F(NotchOverlayTest, ShowStatsSetsTheFiguresAndTheAmberStateAndPlacesTheCollapsedStrip) {
    NotchOverlay overlay;
    NotchController& notch = overlay.controller();
    overlay.showStats(scored(42), true);
    EXPECT_EQ(notch.content().stats(), scored(42));
    EXPECT_TRUE(notch.content().amber());
    EXPECT_EQ(notch.panel().geometry(), notch.qtFrameFor(false));
    overlay.showStats(scored(43), false);
    EXPECT_FALSE(notch.content().amber());
    EXPECT_EQ(notch.content().stats()->crackedScore, 43);
}

TEST_F(NotchOverlayTest, AWiderNumberWidensTheCollapsedStrip) {
    NotchOverlay overlay;
    NotchController& notch = overlay.controller();
    Stats s = scored(1);
    overlay.showStats(s, false);
    const int narrow = notch.panel().geometry().width();
    Look look;
    look.wingStat = 5;  // total dollars, far wider than one digit
    overlay.setLook(look);
    s.cost = 1e12;
    overlay.showStats(s, false);
    EXPECT_GT(notch.panel().geometry().width(), narrow);
    EXPECT_EQ(notch.panel().geometry(), notch.qtFrameFor(false));
}

TEST_F(NotchOverlayTest, ShownHangsFromTheTopCentreAndHiddenIsGone) {
    NotchOverlay overlay;
    NotchController& notch = overlay.controller();
    overlay.bringToFront();
    EXPECT_TRUE(notch.panel().isVisible());
    EXPECT_TRUE(notch.content().isAnimating());
    const QRect frame = notch.panel().geometry();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(frame.top(), screen.top());
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);

    overlay.setHidden(true);
    EXPECT_FALSE(notch.panel().isVisible());
    EXPECT_FALSE(notch.content().isAnimating());
    overlay.setHidden(false);
    EXPECT_TRUE(notch.panel().isVisible());
}

TEST_F(NotchOverlayTest, RelayoutFollowsTheAlignmentSettings) {
    NotchOverlay overlay;
    NotchController& notch = overlay.controller();
    overlay.bringToFront();
    const QRect before = notch.panel().geometry();
    Look look;
    look.shape.xOffset = 10;
    overlay.setLook(look);
    overlay.relayout();
    EXPECT_EQ(notch.panel().geometry().x(), before.x() + 10);
}

TEST_F(NotchOverlayTest, CelebrateStartsTwelveFrames) {
    NotchOverlay overlay;
    overlay.celebrate();
    EXPECT_TRUE(overlay.controller().content().celebrating());
    EXPECT_EQ(overlay.controller().content().celebrateFrames(), 12);
}

TEST_F(NotchOverlayTest, TheViewRunsTheActions) {
    NotchOverlay overlay;
    int configured = 0;
    Overlay::Actions actions;
    actions.configure = [&] { ++configured; };
    overlay.setActions(std::move(actions));
    overlay.controller().content().button(&OverlayActions::configure)->click();
    EXPECT_EQ(configured, 1);
}

}  // namespace
}  // namespace tavrik
