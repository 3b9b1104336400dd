// The settings window attached to the application: the real window and the real overlay on
// the offscreen platform. A settings change re-renders the overlay in its current state, the
// menu and the overlay's configure button open the same window, and the window's "Sync now"
// gets its statistics from the delegate.

#include "account/AuthManager.h"
#include "account/SessionStore.h"
#include "app/AppDelegate.h"
#include "app/NotchOverlay.h"
#include "app/SettingsWindowSurface.h"
#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "prefs/Prefs.h"
#include "settings/SettingsWindowController.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace tavrik {
namespace {

Stats sample() {
    Stats s;
    s.crackedScore = 42;
    s.linesAdded = 1'000;
    s.streakCurrent = 2;
    s.codedToday = true;
    return s;
}

void hover(QWidget& w) {
    QEnterEvent event(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
    QCoreApplication::sendEvent(&w, &event);
}

class SettingsHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        test::resetPrefs();
        // A signed-in session, so the window shows "Sync now"; nothing is ever sent.
        store->save(AuthSession{"access", "refresh", 4e9, "user-1", "ada@example.org"});
        auth = std::make_unique<AuthManager>(BackendConfig{"http://127.0.0.1:9", "key"}, store);

        AppOptions o = test::quietOptions(fake, tmp.path());
        auto overlayOwned = std::make_unique<NotchOverlay>();
        overlay = overlayOwned.get();
        o.overlay = std::move(overlayOwned);
        auto settingsOwned = std::make_unique<SettingsWindowSurface>(*auth);
        settings = &settingsOwned->controller();
        o.settings = std::move(settingsOwned);
        o.upload = [](const Stats&) {};
        delegate = std::make_unique<AppDelegate>(std::move(o));
        QObject::connect(delegate.get(), &AppDelegate::statsApplied, [this] { ++applied; });
    }

    void TearDown() override {
        fake.open();
        delegate.reset();
    }

    void launchAndApply() {
        delegate->applicationDidFinishLaunching();
        ASSERT_TRUE(test::waitFor([&] { return applied >= 1; }));
    }

    NotchController& notch() const { return overlay->controller(); }
    const SettingsWindowController::Controls& c() const { return settings->controls(); }

    QAction* settingsItem() const {
        for (QAction* a : delegate->menu()->actions()) {
            if (a->text() == QString::fromUtf8("Settings\u2026")) {
                return a;
            }
        }
        return nullptr;
    }

    test::FakeJob fake{sample()};
    test::TempDir tmp;
    std::shared_ptr<MemorySessionStore> store = std::make_shared<MemorySessionStore>();
    std::unique_ptr<AuthManager> auth;  // outlives the delegate and its window
    NotchOverlay* overlay = nullptr;
    SettingsWindowController* settings = nullptr;
    int applied = 0;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SettingsHooksTest, ASettingsChangeRePlacesTheCollapsedStripAndKeepsAnExpandedOneExpanded) {
    launchAndApply();
    ASSERT_TRUE(notch().panel().isVisible());
    const QRect collapsedBefore = notch().panel().geometry();
    c().stepper(Prefs::Key::notchWidthOffset).plus->click();
    EXPECT_EQ(notch().panel().geometry().width(), collapsedBefore.width() + 2);
    hover(notch().content());
    ASSERT_TRUE(notch().content().expanded());
    notch().applyFrame(true, false);  // skip the animation
    const QRect expanded = notch().panel().geometry();
    ASSERT_EQ(expanded, notch().qtFrameFor(true));

    for (int i = 0; i < 3; ++i) {
        c().stepper(Prefs::Key::notchWidthOffset).minus->click();
    }
    EXPECT_TRUE(notch().content().expanded());
    EXPECT_FALSE(notch().isAnimating());
    // The width offset shapes only the collapsed strip: the expanded frame stays put.
    EXPECT_EQ(notch().panel().geometry(), expanded);
    EXPECT_EQ(notch().qtFrameFor(false).width(), collapsedBefore.width() - 4);

    c().stepper(Prefs::Key::notchXOffset).plus->click();
    EXPECT_TRUE(notch().content().expanded());
    EXPECT_EQ(notch().panel().geometry(), expanded.translated(2, 0));
    EXPECT_EQ(notch().panel().geometry(), notch().qtFrameFor(true));
}

TEST_F(SettingsHooksTest, TheMenuAndTheConfigureButtonOpenTheSameReloadedWindow) {
    launchAndApply();
    QWidget* window = settings->window();
    ASSERT_FALSE(window->isVisible());
    QAction* item = settingsItem();
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    Prefs::setInteger(Prefs::Key::notchHeightOffset, 4);
    item->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(c().stepper(Prefs::Key::notchHeightOffset).value->text(), "4");

    window->close();
    ASSERT_FALSE(window->isVisible());
    Prefs::setInteger(Prefs::Key::notchHeightOffset, -2);
    hover(notch().content());
    notch().content().button(&OverlayActions::configure)->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(settings->window(), window);
    EXPECT_EQ(c().stepper(Prefs::Key::notchHeightOffset).value->text(), "-2");
}

TEST_F(SettingsHooksTest, SyncNowGetsTheStatisticsOnlyOnceABuildWasApplied) {
    fake.close();  // the first build waits
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(fake.waitStarted(1));
    c().syncNowButton->click();
    EXPECT_EQ(c().accountErrorLabel->text(), "No stats available yet");

    fake.open();
    ASSERT_TRUE(test::waitFor([&] { return applied >= 1; }));
    // Private mode answers at once without a request, so the statistics must have arrived.
    Prefs::setBoolean(Prefs::Key::privateMode, true);
    c().syncNowButton->click();
    EXPECT_EQ(c().accountErrorLabel->text(),
              "Sync failed: Private mode is on -- nothing leaves this computer");
}

}  // namespace
}  // namespace tavrik
