// The application delegate on the offscreen platform: launch, refresh coalescing, the tray
// menu, streak protection, milestones, the card and the overlay's buttons.

#include "app/AppDelegate.h"
#include "app/NotchOverlay.h"
#include "engine/StatsCache.h"
#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

// Records what the delegate asks of the overlay, in order.
class RecordingOverlay final : public Overlay {
public:
    void setActions(Actions a) override {
        actions = std::move(a);
        calls.push_back("setActions");
    }
    void setLook(const Look& l) override { look = l; }
    void showStats(const Stats&, bool amber) override {
        calls.push_back(amber ? "amber" : "showStats");
    }
    void relayout() override { calls.push_back("relayout"); }
    void setHidden(bool hidden) override { calls.push_back(hidden ? "hide" : "show"); }
    void bringToFront() override { calls.push_back("bringToFront"); }
    void celebrate() override { calls.push_back("celebrate"); }

    Actions actions;
    Calls calls;
    Look look;
};

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        for (const Prefs::KeyInfo& info : Prefs::all()) {  // a fresh installation
            Prefs::remove(info.key);
        }
        fake.stats.until = "2025-03-07";
        fake.stats.crackedScore = 42;
        fake.stats.cost = 3.456;
        fake.stats.linesAdded = 10'000;
        fake.stats.linesRemoved = 2'345;
        fake.stats.streakCurrent = 2;
        fake.stats.codedToday = true;
    }
    void TearDown() override { fake.ends = INT_MAX; }  // lets a held build end

    // Starts a delegate over the fake job, with its folders in tmp and a timer that stays quiet:
    // a test starts the builds it needs by hand.
    void launch() {
        AppOptions o;
        o.job = fake.job();
        o.cacheDir = tmp.path() / "cache";
        o.watchDir = tmp.path() / "projects";
        o.desktopDir = tmp.path() / "Desktop";
        o.firstRefreshMs = o.refreshIntervalMs = 3'600'000;
        o.statusNotifier = false;  // a tray host on the developer's desktop is not the test's
        auto owned = std::make_unique<RecordingOverlay>();
        overlay = owned.get();
        o.overlay = std::move(owned);
        o.upload = [this](const Stats&) { overlay->calls.push_back("upload"); };
        o.cardPng = [](const Stats&, const Look&) { return std::optional(QByteArray("PNG")); };
        o.reveal = [this](const fs::path& p) { revealed.push_back(p); };
        delegate = std::make_unique<AppDelegate>(std::move(o));
        QObject::connect(delegate.get(), &AppDelegate::statsApplied, [this] { ++applied; });
        delegate->applicationDidFinishLaunching();
        // The first build starts at once, and is applied unless the test holds it back.
        ASSERT_TRUE(
            test::waitUntil([&] { return fake.ends > 0 ? applied == 1 : fake.started == 1; }));
    }

    test::FakeJob fake;
    test::TempDir tmp;
    RecordingOverlay* overlay = nullptr;  // owned by the delegate
    std::vector<fs::path> revealed;
    int applied = 0;
    std::unique_ptr<AppDelegate> delegate;
};

// The cached statistics are shown before the first build; requests while a build is pending
// are dropped, the timer's builds are not, and any applied build clears the pending flag.
TEST_F(AppDelegateTest, TheCacheComesFirstRequestsWhileABuildIsPendingAreDroppedTimerBuildsNot) {
    Stats cached = fake.stats;
    cached.crackedScore = 17;
    ASSERT_TRUE(StatsCache::save(cached, tmp.path() / "cache"));
    fake.ends = 0;
    launch();
    EXPECT_EQ(overlay->calls, (Calls{"setActions", "showStats", "upload", "bringToFront"}));
    EXPECT_EQ(delegate->headerItem()->text(),
              QString::fromUtf8("Tavrik Score 17 \u00B7 $3.46 \u00B7 12k lines"));
    delegate->refreshNow();
    overlay->actions.refresh();
    QMetaObject::invokeMethod(&delegate->statsThread().worker(), &StatsWorker::onTimerFired,
                              Qt::QueuedConnection);
    fake.ends = INT_MAX;
    ASSERT_TRUE(test::waitUntil([&] { return applied == 3; }));
    EXPECT_EQ(delegate->stats(), fake.stats);
    delegate->refreshNow();
    ASSERT_TRUE(test::waitUntil([&] { return applied == 4; }));
    test::spin(50);
    EXPECT_EQ(fake.started, 3);
}

TEST_F(AppDelegateTest, EachApplyCelebratesThenUploadsAndProtectionTogglesAmberWithoutABuild) {
    launch();
    Prefs::setInteger(Prefs::Key::msLines, 99'990);
    Stats next = fake.stats;
    next.linesAdded = 100'010 - next.linesRemoved;
    next.codedToday = false;
    overlay->calls.clear();
    delegate->apply(next);
    EXPECT_EQ(overlay->calls, (Calls{"amber", "celebrate", "upload"}));
    EXPECT_EQ(Prefs::integer(Prefs::Key::msLines), 100'010);
    for (const bool on : {false, true}) {
        delegate->protectItem()->trigger();
        EXPECT_EQ(overlay->calls.back(), on ? "amber" : "showStats");
        EXPECT_EQ(Prefs::storedBoolean(Prefs::Key::streakProtection), on);
    }
    EXPECT_EQ(fake.started, 1);
}

TEST(TrayMenuPosition, UnderTheIconWhenItFitsElseAboveAtThePointerWhenTheIconIsUnknown) {
    const QRect screen(0, 0, 1280, 800);
    const QPoint pointer(7, 9);
    const QSize menu(200, 250);
    // Below, exactly fitting (550 + 250 = 800); above, one pixel short; unknown (StatusNotifier).
    EXPECT_EQ(trayMenuPosition({1000, 526, 24, 24}, menu, screen, pointer), QPoint(1000, 550));
    EXPECT_EQ(trayMenuPosition({1000, 527, 24, 24}, menu, screen, pointer), QPoint(1000, 277));
    EXPECT_EQ(trayMenuPosition({}, menu, screen, pointer), pointer);
}

// An X-embedded tray turns a quick second click into DoubleClick alone; it must open the menu
// like Trigger, and neither may move a menu that is already open. The menu's shortcuts work
// while it is open, and close it.
TEST_F(AppDelegateTest, ClicksOpenAClosedMenuOnlyAndShortcutsWorkWhileItIsOpen) {
    launch();
    QMenu* menu = delegate->menu();
    for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick,
                              QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick}) {
        const bool opens =
            reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
        menu->close();
        Q_EMIT delegate->statusItem()->activated(reason);
        EXPECT_EQ(test::waitUntil([&] { return menu->isVisible(); }, opens ? 2000 : 100), opens);
        menu->popup(QPoint(321, 123));
        ASSERT_TRUE(test::waitUntil([&] { return menu->isVisible(); }));
        const QPoint at = menu->pos();
        Q_EMIT delegate->statusItem()->activated(reason);
        QCoreApplication::processEvents();
        EXPECT_EQ(menu->pos(), at) << reason;
    }
    QTest::keyClick(menu, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(test::waitUntil([&] { return applied == 2; }));
}

// The card is saved over an older one under the last active day's name, unless that name could
// lead out of the Desktop, and shown in the file manager.
TEST(CardFileName, TheLastActiveDayUnlessItCouldLeadOutOfTheDesktop) {
    Stats s;
    EXPECT_EQ(cardFileName(s), "tavrik-card.png");
    for (const char* bad : {"../../.bashrc", "a/b", "..", ".", "", "x\ny", "2025 03 07"}) {
        s.until = bad;
        EXPECT_EQ(cardFileName(s), "tavrik-card.png") << bad;
    }
}

TEST_F(AppDelegateTest, TheOverlayButtonsSettingsAndHideNotchReachTheDelegateWhileItLives) {
    launch();
    const fs::path card = tmp.write("Desktop/tavrik-2025-03-07.png", "an older, longer card");
    overlay->actions.download();
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(card).rdbuf()), {}), "PNG");
    EXPECT_EQ(revealed, std::vector<fs::path>{card});
    overlay->actions.cycle();
    EXPECT_EQ(overlay->look.wingStat, 2);  // the overlay shows the new figure
    delegate->hideNotchItem()->trigger();
    EXPECT_TRUE(Prefs::boolean(Prefs::Key::notchHidden));
    EXPECT_EQ(overlay->calls.back(), "hide");

    // The settings window wrote the notch shown and an accent.
    Prefs::setBoolean(Prefs::Key::notchHidden, false);
    Prefs::setInteger(Prefs::Key::accentTheme, 2);
    overlay->calls.clear();
    delegate->settingsChanged();
    EXPECT_EQ(overlay->calls, (Calls{"showStats", "relayout", "show"}));
    EXPECT_EQ(overlay->look.accent.name, "Magenta");
    EXPECT_EQ(delegate->look(), overlay->look);  // the card is saved with the same look

    const Overlay::Actions actions = overlay->actions;
    delegate.reset();
    actions.download();
    actions.cycle();
    EXPECT_EQ(revealed.size(), 1u);
    EXPECT_EQ(Prefs::wingStat(), 2);
}

// The real overlay: new figures re-place the collapsed strip, which grows with the number, but
// leave an expanded overlay's frame alone.
TEST(NotchOverlay, NewStatsRePlaceTheCollapsedStripButNotAnExpandedOne) {
    test::widgetApp();
    NotchOverlay overlay;
    NotchController& notch = overlay.controller();
    Look look;
    look.wingStat = 5;  // total dollars
    overlay.setLook(look);
    overlay.bringToFront();
    const QRect narrow = notch.panel().geometry();
    Stats s;
    s.cost = 1e12;
    overlay.showStats(s, false);
    EXPECT_GT(notch.panel().geometry().width(), narrow.width());
    notch.content().setExpanded(true);
    notch.applyFrame(true, false);
    const QRect expanded = notch.panel().geometry();
    overlay.showStats({}, false);
    EXPECT_EQ(notch.panel().geometry(), expanded);
}

}  // namespace
}  // namespace tavrik
