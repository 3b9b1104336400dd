// The real overlay and the real settings window attached to the delegate, on the offscreen
// platform: a settings change re-places the collapsed strip and keeps an expanded one
// expanded, the configure button opens the window reloaded, and its "Sync now" gets its
// statistics from the delegate.

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
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace tavrik {
namespace {

class SettingsHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        test::resetPrefs();
        Stats stats;
        stats.crackedScore = 42;
        fake.stats = stats;
        AppOptions o = test::quietOptions(fake, tmp.path());
        auto overlayOwned = std::make_unique<NotchOverlay>();
        overlay = overlayOwned.get();
        o.overlay = std::move(overlayOwned);
        auto settingsOwned = std::make_unique<SettingsWindowSurface>(auth);
        settings = &settingsOwned->controller();
        o.settings = std::move(settingsOwned);
        delegate = std::make_unique<AppDelegate>(std::move(o));
        QObject::connect(delegate.get(), &AppDelegate::statsApplied, [this] { ++applied; });
    }
    void TearDown() override {
        fake.open = true;
        delegate.reset();
    }

    void hover() {
        QEnterEvent event(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
        QCoreApplication::sendEvent(&notch().content(), &event);
    }
    NotchController& notch() const { return overlay->controller(); }
    const SettingsWindowController::Controls& c() const { return settings->controls(); }

    test::FakeJob fake;
    test::TempDir tmp;
    // A signed-in session, so the window shows "Sync now"; nothing is ever sent.
    std::shared_ptr<MemorySessionStore> store = [] {
        auto s = std::make_shared<MemorySessionStore>();
        s->save(AuthSession{"access", "refresh", 4e9, "user-1", "ada@example.org"});
        return s;
    }();
    AuthManager auth{BackendConfig{"http://127.0.0.1:9", "key"}, store};  // outlives the window
    NotchOverlay* overlay = nullptr;
    SettingsWindowController* settings = nullptr;
    int applied = 0;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SettingsHooksTest, ASettingsChangeRePlacesTheCollapsedStripAndKeepsAnExpandedOneExpanded) {
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(test::waitFor([&] { return applied >= 1; }));
    ASSERT_TRUE(notch().panel().isVisible());
    const QRect collapsedBefore = notch().panel().geometry();
    c().stepper(Prefs::Key::notchWidthOffset).plus->click();
    EXPECT_EQ(notch().panel().geometry().width(), collapsedBefore.width() + 2);
    hover();
    ASSERT_TRUE(notch().content().expanded());
    notch().applyFrame(true, false);  // skip the animation
    const QRect expanded = notch().panel().geometry();

    for (int i = 0; i < 3; ++i) {
        c().stepper(Prefs::Key::notchWidthOffset).minus->click();
    }
    // The width offset shapes only the collapsed strip: the expanded frame stays put.
    EXPECT_TRUE(notch().content().expanded());
    EXPECT_EQ(notch().panel().geometry(), expanded);
    EXPECT_EQ(notch().qtFrameFor(false).width(), collapsedBefore.width() - 4);
    c().stepper(Prefs::Key::notchXOffset).plus->click();
    EXPECT_EQ(notch().panel().geometry(), expanded.translated(2, 0));

    delegate->hideNotchItem()->trigger();
    EXPECT_FALSE(notch().panel().isVisible());
}

TEST_F(SettingsHooksTest, TheConfigureButtonOpensTheWindowReloadedAndSyncNowWaitsForABuild) {
    fake.open = false;  // the first build waits
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(test::waitFor([&] { return fake.started >= 1; }));
    Prefs::setInteger(Prefs::Key::notchHeightOffset, 4);
    hover();
    notch().content().button(&OverlayActions::configure)->click();
    EXPECT_TRUE(settings->window()->isVisible());
    EXPECT_EQ(c().stepper(Prefs::Key::notchHeightOffset).value->text(), "4");
    c().syncNowButton->click();
    EXPECT_EQ(c().accountErrorLabel->text(), "No stats available yet");

    fake.open = true;
    ASSERT_TRUE(test::waitFor([&] { return applied >= 1; }));
    // Private mode answers at once without a request, so the statistics must have arrived.
    Prefs::setBoolean(Prefs::Key::privateMode, true);
    c().syncNowButton->click();
    EXPECT_EQ(c().accountErrorLabel->text(),
              "Sync failed: Private mode is on -- nothing leaves this computer");
}

}  // namespace
}  // namespace tavrik
