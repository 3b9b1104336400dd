// The application delegate on the offscreen platform: launch, refresh coalescing, apply, the
// menu, streak protection, milestones, the card actions, the settings hooks and the debug line.

#include "app/AppDelegate.h"
#include "app/DirWatcher.h"
#include "engine/StatsCache.h"
#include "engine/StatsEngine.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::FakeJob;
using test::RecordingOverlay;
using test::RecordingSettings;
using test::waitFor;

Stats sample() {
    Stats s;
    s.since = "2025-01-05";
    s.until = "2025-03-07";
    s.crackedScore = 42;
    s.cost = 3.456;
    s.linesAdded = 10'000;
    s.linesRemoved = 2'345;
    s.streakCurrent = 2;
    s.streakLongest = 4;
    s.codedToday = true;
    s.todayLinesAdded = 7;
    for (int i = 0; i < 10; ++i) {
        s.badges.push_back({"b" + std::to_string(i), "", "badge " + std::to_string(i), "", i < 3});
    }
    return s;
}

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        test::resetPrefs();
    }

    void TearDown() override {
        fake.open();
        delegate.reset();
    }

    AppOptions options() {
        AppOptions o = quietOptions(fake, tmp.path());
        o.overlay = std::make_unique<RecordingOverlay>(overlay);
        o.upload = [this](const Stats& s) {
            uploads.push_back(s);
            overlay->calls.push_back("upload");
        };
        o.cardPng = [this](const Stats& s) -> std::optional<QByteArray> {
            cardRequests.push_back(s);
            return cardBytes;
        };
        o.cardImage = [](const Stats&) {
            QImage image(120, 63, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor(10, 20, 30));
            return image;
        };
        o.reveal = [this](const fs::path& p) { revealed.push_back(p); };
        o.debugOut = [this](const std::string& line) { debugLines.push_back(line); };
        return o;
    }

    AppOptions withSettings(AppOptions o) {
        o.settings = std::make_unique<RecordingSettings>(settings);
        return o;
    }

    void create(AppOptions o) {
        delegate = std::make_unique<AppDelegate>(std::move(o));
        QObject::connect(delegate.get(), &AppDelegate::statsApplied, [this] { ++applied; });
    }

    void launch(AppOptions o) {
        create(std::move(o));
        delegate->applicationDidFinishLaunching();
    }

    bool waitApplied(int n) {
        return waitFor([&] { return applied >= n; });
    }

    void timerFires() {
        QMetaObject::invokeMethod(&delegate->statsThread().worker(), &StatsWorker::onTimerFired,
                                  Qt::QueuedConnection);
    }

    std::vector<QAction*> items() const {
        const QList<QAction*> list = delegate->menu()->actions();
        return {list.begin(), list.end()};
    }

    FakeJob fake{sample()};
    test::TempDir tmp;
    std::shared_ptr<RecordingOverlay::Log> overlay = std::make_shared<RecordingOverlay::Log>();
    std::shared_ptr<RecordingSettings::Log> settings = std::make_shared<RecordingSettings::Log>();
    std::vector<Stats> uploads;
    std::vector<Stats> cardRequests;
    std::optional<QByteArray> cardBytes = QByteArray("\x89PNG fake card");
    std::vector<fs::path> revealed;
    std::vector<std::string> debugLines;
    int applied = 0;
    std::unique_ptr<AppDelegate> delegate;
};

// Refresh coalescing

TEST_F(AppDelegateTest, RepeatedRefreshNowWhileABuildIsPendingStartsNoSecondBuild) {
    fake.close();
    launch(options());
    ASSERT_TRUE(fake.waitStarted(1));
    EXPECT_TRUE(delegate->isRefreshing());
    for (int i = 0; i < 5; ++i) {
        delegate->refreshNow();
    }
    overlay->actions.refresh();  // the overlay's button, too
    fake.open();
    ASSERT_TRUE(waitApplied(1));
    EXPECT_FALSE(delegate->isRefreshing());

    // A build asked for now runs after anything still queued: only it may follow.
    delegate->refreshNow();
    ASSERT_TRUE(waitApplied(2));
    EXPECT_EQ(fake.started(), 2);
}

TEST_F(AppDelegateTest, TimerBuildsAreNotCoalesced) {
    fake.close();
    launch(options());
    ASSERT_TRUE(fake.waitStarted(1));
    timerFires();
    timerFires();
    delegate->refreshNow();
    fake.open();
    ASSERT_TRUE(waitApplied(3));
    delegate->refreshNow();
    ASSERT_TRUE(waitApplied(4));
    EXPECT_EQ(fake.started(), 4);
}

TEST_F(AppDelegateTest, ATimerBuildClearsThePendingFlag) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    ASSERT_FALSE(delegate->isRefreshing());
    fake.close();
    timerFires();
    ASSERT_TRUE(fake.waitStarted(2));
    delegate->refreshNow();  // queued behind the timer's build
    EXPECT_TRUE(delegate->isRefreshing());
    fake.open();
    ASSERT_TRUE(waitApplied(3));
    EXPECT_FALSE(delegate->isRefreshing());
    EXPECT_EQ(fake.started(), 3);
}

TEST_F(AppDelegateTest, EveryBuildIsSavedBeforeItIsApplied) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    ASSERT_EQ(fake.saved().size(), 1u);
    EXPECT_EQ(fake.saved()[0], delegate->stats());
}

// Launch

TEST_F(AppDelegateTest, TheCachedStatsAreAppliedAtLaunchBeforeTheFirstBuild) {
    Stats cached = sample();
    cached.crackedScore = 17;
    cached.topModel.reset();
    ASSERT_TRUE(StatsCache::save(cached, tmp.path() / "cache"));
    fake.close();
    launch(options());

    EXPECT_EQ(applied, 1);
    EXPECT_EQ(delegate->stats(), cached);
    EXPECT_EQ(delegate->headerItem()->text(), headerTitle(cached));
    EXPECT_EQ(overlay->stats, cached);
    ASSERT_EQ(uploads.size(), 1u);  // the upload step runs for the cached statistics too
    EXPECT_TRUE(debugLines.empty());

    fake.open();
    ASSERT_TRUE(waitApplied(2));
    EXPECT_EQ(delegate->stats()->crackedScore, 42);
    EXPECT_EQ(delegate->headerItem()->text(), headerTitle(sample()));
}

TEST_F(AppDelegateTest, WithoutACacheTheHeaderReadsTavrikUntilTheFirstBuild) {
    fake.close();
    launch(options());
    EXPECT_FALSE(delegate->stats().has_value());
    EXPECT_EQ(delegate->headerItem()->text(), "Tavrik");
    EXPECT_EQ(applied, 0);
    fake.open();
    ASSERT_TRUE(waitApplied(1));
    EXPECT_TRUE(delegate->headerItem()->text().startsWith("Tavrik Score "));
}

TEST_F(AppDelegateTest, AMalformedOrOutdatedCacheIsIgnored) {
    fs::create_directories(tmp.path() / "cache");
    const auto file = StatsCache::url(tmp.path() / "cache");
    const std::string complete = *toJson(sample());
    // An older format without "badges".
    std::string noBadges = complete;
    const auto at = noBadges.find(",\"badges\"");
    ASSERT_NE(at, std::string::npos);
    noBadges = noBadges.substr(0, at) + "}";
    for (const std::string& text : {std::string("{not json"), noBadges, std::string()}) {
        std::ofstream(file, std::ios::trunc) << text;
        fake.close();
        overlay->stats.reset();
        launch(options());
        EXPECT_FALSE(delegate->stats().has_value()) << text;
        EXPECT_FALSE(overlay->stats.has_value());
        fake.open();
        ASSERT_TRUE(waitApplied(1));
        delegate.reset();
        applied = 0;
    }
}

TEST_F(AppDelegateTest, LaunchShowsTheOverlayUnlessItIsHidden) {
    launch(options());
    EXPECT_NE(std::find(overlay->calls.begin(), overlay->calls.end(), "bringToFront"),
              overlay->calls.end());
    EXPECT_FALSE(delegate->hideNotchItem()->isChecked());
}

TEST_F(AppDelegateTest, WithTheOverlayHiddenAtLaunchItIsNotBroughtToTheFront) {
    Prefs::setBoolean(Prefs::Key::notchHidden, true);
    launch(options());
    EXPECT_EQ(std::find(overlay->calls.begin(), overlay->calls.end(), "bringToFront"),
              overlay->calls.end());
    EXPECT_EQ(overlay->hidden, true);
    EXPECT_TRUE(delegate->hideNotchItem()->isChecked());
}

TEST_F(AppDelegateTest, LaunchWiresTheOverlayBeforeApplyingTheCacheAndShowingIt) {
    ASSERT_TRUE(StatsCache::save(sample(), tmp.path() / "cache"));
    fake.close();
    launch(options());
    const std::vector<std::string> expected = {"setActions", "showStats", "upload", "bringToFront"};
    EXPECT_EQ(overlay->calls, expected);
}

TEST_F(AppDelegateTest, TheWatcherIsMadeOnlyWhenTheProjectsFolderExists) {
    launch(options());
    EXPECT_EQ(delegate->watcher(), nullptr);
    TearDown();
    fs::create_directories(tmp.path() / "projects");
    launch(options());
    EXPECT_NE(delegate->watcher(), nullptr);
}

TEST_F(AppDelegateTest, TheTrayIconShowsTheLogo) {
    launch(options());
    ASSERT_NE(delegate->statusItem(), nullptr);
    EXPECT_FALSE(delegate->statusItem()->icon().isNull());
    EXPECT_EQ(delegate->statusItem()->contextMenu(), delegate->menu());
}

// The header

TEST_F(AppDelegateTest, HeaderTitleJoinsScoreCostAndLinesWithMiddleDots) {
    EXPECT_EQ(headerTitle(sample()),
              QString::fromUtf8("Tavrik Score 42 \u00B7 $3.46 \u00B7 12k lines"));
    EXPECT_EQ(headerTitle(Stats{}),
              QString::fromUtf8("Tavrik Score 0 \u00B7 $0.00 \u00B7 0 lines"));
    Stats big;
    big.crackedScore = 99;
    big.cost = 12'345;
    big.linesAdded = 1'000'000;
    big.linesRemoved = 234'567;
    EXPECT_EQ(headerTitle(big),
              QString::fromUtf8("Tavrik Score 99 \u00B7 $12.3k \u00B7 1.2M lines"));
}

TEST_F(AppDelegateTest, ApplyRetitlesTheSameHeaderItemWithoutRebuildingTheMenu) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    QMenu* menu = delegate->menu();
    QAction* header = delegate->headerItem();
    Stats next = sample();
    next.crackedScore = 77;
    delegate->apply(next);
    EXPECT_EQ(delegate->menu(), menu);
    EXPECT_EQ(delegate->headerItem(), header);
    EXPECT_EQ(menu->actions().first(), header);
    EXPECT_TRUE(header->text().startsWith("Tavrik Score 77 "));
}

// The menu

TEST_F(AppDelegateTest, TheMenuHasNineItemsWithControlShortcuts) {
    launch(options());
    const auto list = items();
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[0], delegate->headerItem());
    EXPECT_FALSE(list[0]->isEnabled());
    EXPECT_TRUE(list[1]->isSeparator());
    EXPECT_EQ(list[2]->text(), "Save card to Desktop");
    EXPECT_EQ(list[2]->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(list[3]->text(), "Refresh now");
    EXPECT_EQ(list[3]->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(list[4], delegate->protectItem());
    EXPECT_EQ(list[4]->text(), "Streak protection");
    EXPECT_TRUE(list[4]->isCheckable());
    EXPECT_TRUE(list[4]->isChecked());  // protection is on in a fresh installation
    EXPECT_EQ(list[5], delegate->hideNotchItem());
    EXPECT_EQ(list[5]->text(), "Hide notch");
    EXPECT_FALSE(list[5]->isChecked());
    EXPECT_EQ(list[6]->text(), QString::fromUtf8("Settings\u2026"));
    EXPECT_EQ(list[6]->shortcut(), QKeySequence("Ctrl+,"));
    EXPECT_TRUE(list[7]->isSeparator());
    EXPECT_EQ(list[8]->text(), "Quit Tavrik");
    EXPECT_EQ(list[8]->shortcut(), QKeySequence("Ctrl+Q"));
}

TEST_F(AppDelegateTest, RebuildingTheMenuReusesTheThreeItems) {
    launch(options());
    QAction* header = delegate->headerItem();
    QAction* protect = delegate->protectItem();
    QAction* hide = delegate->hideNotchItem();
    QPointer<QMenu> old = delegate->menu();
    const QAction* oldSave = items()[2];
    delegate->applyLive();
    EXPECT_NE(delegate->menu(), old.data());
    const auto list = items();
    EXPECT_EQ(list[0], header);
    EXPECT_EQ(list[4], protect);
    EXPECT_EQ(list[5], hide);
    EXPECT_NE(list[2], oldSave);
    EXPECT_EQ(delegate->statusItem()->contextMenu(), delegate->menu());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());  // the old menu is gone, the reused items are not
    EXPECT_TRUE(header->text().startsWith("Tavrik"));
    EXPECT_EQ(delegate->menu()->actions().size(), 9);
}

TEST_F(AppDelegateTest, RefreshNowAndQuitWorkThroughTheirMenuItems) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    items()[3]->trigger();
    ASSERT_TRUE(waitApplied(2));
    EXPECT_EQ(fake.started(), 2);

    QSignalSpy quitting(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
    int loopResult = -1;
    QTimer::singleShot(0, [&] { items()[8]->trigger(); });
    loopResult = QCoreApplication::exec();
    EXPECT_EQ(loopResult, 0);
    EXPECT_EQ(quitting.count(), 1);
}

TEST(TrayMenuPosition, UnderTheIconWhenItFitsElseAboveAtThePointerWhenTheIconIsUnknown) {
    const QRect screen(0, 0, 1280, 800);
    const QSize menu(200, 250);
    const QPoint pointer(7, 9);
    const struct {
        QRect icon;
        QPoint at;
    } cases[] = {
        {QRect(1000, 0, 24, 24), QPoint(1000, 24)},     // a panel at the top
        {QRect(1000, 526, 24, 24), QPoint(1000, 550)},  // exactly fits below: 550 + 250 = 800
        {QRect(1000, 527, 24, 24), QPoint(1000, 277)},  // one pixel short: above
        {QRect(1000, 776, 24, 24), QPoint(1000, 526)},  // a panel at the bottom
        {QRect(), pointer},                             // a StatusNotifier host's icon
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trayMenuPosition(c.icon, menu, screen, pointer), c.at) << c.icon.y();
    }
}

// An X-embedded tray turns a quick second click into DoubleClick alone; it must open the menu
// like Trigger, and neither may move a menu that is already open.
TEST_F(AppDelegateTest, ClicksOnTheTrayIconOpenAClosedMenuAndLeaveAnOpenOneAlone) {
    launch(options());
    QMenu* menu = delegate->menu();
    const struct {
        QSystemTrayIcon::ActivationReason reason;
        bool opens;
    } cases[] = {{QSystemTrayIcon::Trigger, true},
                 {QSystemTrayIcon::DoubleClick, true},
                 {QSystemTrayIcon::Context, false},  // the tray shows the context menu itself
                 {QSystemTrayIcon::MiddleClick, false}};
    for (const auto& c : cases) {
        menu->close();
        Q_EMIT delegate->statusItem()->activated(c.reason);
        EXPECT_EQ(waitFor([&] { return menu->isVisible(); }, c.opens ? 2000 : 100), c.opens)
            << c.reason;

        menu->popup(QPoint(321, 123));
        ASSERT_TRUE(waitFor([&] { return menu->isVisible(); }));
        const QPoint at = menu->pos();
        Q_EMIT delegate->statusItem()->activated(c.reason);
        QCoreApplication::processEvents();
        EXPECT_TRUE(menu->isVisible()) << c.reason;
        EXPECT_EQ(menu->pos(), at) << c.reason;
    }
    menu->close();
}

TEST_F(AppDelegateTest, ShortcutsWorkWhileTheMenuIsOpenAndCloseIt) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    QMenu* menu = delegate->menu();
    menu->popup(QPoint(100, 100));
    ASSERT_TRUE(waitFor([&] { return menu->isVisible(); }));
    QTest::keyClick(menu, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(menu->isVisible());
    ASSERT_TRUE(waitApplied(2));
    EXPECT_EQ(fake.started(), 2);

    menu->popup(QPoint(100, 100));
    ASSERT_TRUE(waitFor([&] { return menu->isVisible(); }));
    QTest::keyClick(menu, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(revealed.size(), 1u);

    // A key that is no shortcut is the menu's own business; the menu stays.
    menu->popup(QPoint(100, 100));
    ASSERT_TRUE(waitFor([&] { return menu->isVisible(); }));
    QTest::keyClick(menu, Qt::Key_Down);
    EXPECT_TRUE(menu->isVisible());
    // "Settings…" has a shortcut but is disabled without a settings window.
    QTest::keyClick(menu, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->close();
}

TEST_F(AppDelegateTest, SettingsIsDisabledWithoutASettingsWindow) {
    launch(options());
    EXPECT_FALSE(items()[6]->isEnabled());
    TearDown();
    launch(withSettings(options()));
    EXPECT_TRUE(items()[6]->isEnabled());
    items()[6]->trigger();
    EXPECT_EQ(settings->opened, 1);
}

// Streak protection

TEST_F(AppDelegateTest, AmberFollowsTheStreakAtRiskFlag) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    Stats s = sample();
    s.codedToday = false;
    s.streakCurrent = 0;
    delegate->apply(s);
    EXPECT_EQ(overlay->amber, false);
    s.streakCurrent = 3;
    s.codedToday = true;
    delegate->apply(s);
    EXPECT_EQ(overlay->amber, false);
    s.codedToday = false;
    delegate->apply(s);
    EXPECT_EQ(overlay->amber, true);
    EXPECT_EQ(overlay->stats->streakCurrent, 3);
}

TEST_F(AppDelegateTest, TogglingProtectionTurnsAmberOffAndOnWithoutARebuild) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    Stats s = sample();
    s.codedToday = false;
    s.streakCurrent = 3;
    delegate->apply(s);
    ASSERT_EQ(overlay->amber, true);
    const int builds = fake.started();

    delegate->toggleProtection();
    EXPECT_EQ(overlay->amber, false);
    EXPECT_FALSE(delegate->protectItem()->isChecked());
    EXPECT_EQ(Prefs::storedBoolean(Prefs::Key::streakProtection), false);  // first toggle: false

    delegate->protectItem()->trigger();  // through the menu item
    EXPECT_EQ(overlay->amber, true);
    EXPECT_TRUE(delegate->protectItem()->isChecked());
    EXPECT_TRUE(Prefs::streakProtection());

    test::spin(50);
    EXPECT_EQ(fake.started(), builds);
}

TEST_F(AppDelegateTest, TogglingProtectionWithoutStatisticsOnlyFlipsTheSetting) {
    fake.close();
    launch(options());
    overlay->calls.clear();
    delegate->toggleProtection();
    EXPECT_FALSE(Prefs::streakProtection());
    EXPECT_TRUE(overlay->calls.empty());
}

// Milestones

TEST_F(AppDelegateTest, ApplyCelebratesMilestonesOnceAndThenOffersTheUpload) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));  // first statistics: recorded, no badge check
    EXPECT_EQ(overlay->celebrations, 0);
    EXPECT_EQ(Prefs::integer(Prefs::Key::msLines), 12'345);
    EXPECT_EQ(Prefs::integer(Prefs::Key::msStreak), 4);

    Prefs::setInteger(Prefs::Key::msLines, 199'990);
    Stats next = sample();
    next.linesAdded = 200'010;
    next.linesRemoved = 0;
    next.streakLongest = 5;        // beats 4
    next.badges[3].earned = true;  // 3 -> 4 badges
    overlay->calls.clear();
    delegate->apply(next);
    EXPECT_EQ(overlay->celebrations, 1);
    const std::vector<std::string> expected = {"showStats", "celebrate", "upload"};
    EXPECT_EQ(overlay->calls, expected);
    EXPECT_EQ(Prefs::integer(Prefs::Key::msLines), 200'010);
    EXPECT_EQ(Prefs::integer(Prefs::Key::msStreak), 5);

    Stats fewer = next;
    fewer.badges[3].earned = false;  // 4 -> 3
    delegate->apply(fewer);
    EXPECT_EQ(overlay->celebrations, 1);
}

TEST_F(AppDelegateTest, UnchangedFiguresLeaveTheSettingsFileAlone) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    const fs::path file = test::isolatedSettings.settingsFile();
    ASSERT_TRUE(fs::exists(file));
    const auto written = fs::last_write_time(file);
    for (int i = 0; i < 3; ++i) {
        delegate->refreshNow();
        ASSERT_TRUE(waitApplied(2 + i));
    }
    EXPECT_EQ(fs::last_write_time(file), written);
}

TEST_F(AppDelegateTest, TheFirstStatisticsAfterLaunchSkipTheBadgeCheck) {
    Prefs::setInteger(Prefs::Key::msLines, 12'345);
    Prefs::setInteger(Prefs::Key::msStreak, 4);
    Stats cached = sample();
    for (Badge& b : cached.badges) {
        b.earned = true;
    }
    ASSERT_TRUE(StatsCache::save(cached, tmp.path() / "cache"));
    fake.close();
    launch(options());
    EXPECT_EQ(overlay->celebrations, 0);
}

// The card

TEST_F(AppDelegateTest, CardFileNameUsesTheLastActiveDayOrTheWordCard) {
    Stats s;
    s.until = "2025-03-07";
    EXPECT_EQ(cardFileName(s), "tavrik-2025-03-07.png");
    s.until.reset();
    EXPECT_EQ(cardFileName(s), "tavrik-card.png");
}

TEST_F(AppDelegateTest, CardFileNameNeverLeadsOutOfTheDesktop) {
    Stats s;
    for (const char* bad : {"../../.bashrc", "a/b", "..", ".", "", "x\ny", "2025 03 07"}) {
        s.until = bad;
        EXPECT_EQ(cardFileName(s), "tavrik-card.png") << bad;
    }
}

TEST_F(AppDelegateTest, SaveCardWritesThePngToTheDesktopReplacingAnOldOneAndRevealsIt) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    const fs::path target = tmp.path() / "Desktop" / "tavrik-2025-03-07.png";
    fs::create_directories(target.parent_path());
    std::ofstream(target) << "an older card that is much longer than the new one";

    items()[2]->trigger();
    QFile file(QString::fromStdString(target.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), *cardBytes);
    ASSERT_EQ(revealed.size(), 1u);
    EXPECT_EQ(revealed[0], target);
    ASSERT_EQ(cardRequests.size(), 1u);
    EXPECT_EQ(cardRequests[0], sample());
}

TEST_F(AppDelegateTest, SaveCardWithoutUntilUsesTavrikCardAndMakesAMissingDesktop) {
    Stats s = sample();
    s.until.reset();
    fake.setStats(s);
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    delegate->saveCard();
    EXPECT_TRUE(fs::is_regular_file(tmp.path() / "Desktop" / "tavrik-card.png"));
}

TEST_F(AppDelegateTest, SaveCardDoesNothingWithoutStatisticsOrImageData) {
    fake.close();
    launch(options());
    delegate->saveCard();
    EXPECT_TRUE(revealed.empty());
    EXPECT_TRUE(cardRequests.empty());
    fake.open();
    ASSERT_TRUE(waitApplied(1));
    cardBytes.reset();
    delegate->saveCard();
    EXPECT_TRUE(revealed.empty());
    EXPECT_FALSE(fs::exists(tmp.path() / "Desktop"));
}

TEST_F(AppDelegateTest, AFailedWriteStillAsksTheFileManagerToReveal) {
    std::ofstream(tmp.path() / "Desktop") << "a file where the folder should be";
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    delegate->saveCard();
    ASSERT_EQ(revealed.size(), 1u);
    EXPECT_EQ(revealed[0], tmp.path() / "Desktop" / "tavrik-2025-03-07.png");
}

TEST_F(AppDelegateTest, CopyCardPutsTheImageOnTheClipboard) {
    QGuiApplication::clipboard()->clear();
    fake.close();
    launch(options());
    delegate->copyCard();  // no statistics: nothing
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
    fake.open();
    ASSERT_TRUE(waitApplied(1));
    overlay->actions.copy();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(120, 63));
    EXPECT_EQ(copied.pixelColor(5, 5), QColor(10, 20, 30));
}

// Overlay buttons and preferences

TEST_F(AppDelegateTest, TheOverlayButtonsReachTheDelegate) {
    launch(withSettings(options()));
    ASSERT_TRUE(waitApplied(1));
    overlay->actions.download();
    EXPECT_EQ(revealed.size(), 1u);
    overlay->actions.configure();
    EXPECT_EQ(settings->opened, 1);
    overlay->actions.cycle();
    EXPECT_EQ(Prefs::wingStat(), 2);
}

TEST_F(AppDelegateTest, OverlayButtonsDoNothingOnceTheDelegateIsGone) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    const Overlay::Actions actions = overlay->actions;
    delegate.reset();
    actions.download();
    actions.copy();
    actions.refresh();
    actions.cycle();
    actions.configure();
    EXPECT_TRUE(revealed.empty());
    EXPECT_EQ(Prefs::wingStat(), 1);
}

TEST_F(AppDelegateTest, CyclingTheWingStatisticWrapsAfterSixAndRebuildsTheMenu) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    QPointer<QMenu> before = delegate->menu();
    overlay->calls.clear();
    delegate->cycleWingStat();
    EXPECT_EQ(Prefs::wingStat(), 2);
    EXPECT_NE(delegate->menu(), before.data());
    EXPECT_EQ(overlay->calls, std::vector<std::string>{"showStats"});
    Prefs::setInteger(Prefs::Key::wingStat, 6);
    delegate->cycleWingStat();
    EXPECT_EQ(Prefs::wingStat(), 0);
}

TEST_F(AppDelegateTest, HideNotchFlipsTheSettingTheCheckMarkAndTheOverlay) {
    launch(options());
    delegate->hideNotchItem()->trigger();
    EXPECT_TRUE(Prefs::boolean(Prefs::Key::notchHidden));
    EXPECT_TRUE(delegate->hideNotchItem()->isChecked());
    EXPECT_EQ(overlay->hidden, true);
    delegate->toggleHideNotch();
    EXPECT_FALSE(Prefs::boolean(Prefs::Key::notchHidden));
    EXPECT_FALSE(delegate->hideNotchItem()->isChecked());
    EXPECT_EQ(overlay->hidden, false);
}

TEST_F(AppDelegateTest, TheSettingsWindowGetsTheStatisticsAndItsChangesReRenderEverything) {
    fake.close();
    launch(withSettings(options()));
    ASSERT_TRUE(settings->provider);
    EXPECT_FALSE(settings->provider().has_value());  // nothing applied yet
    fake.open();
    ASSERT_TRUE(waitApplied(1));
    EXPECT_EQ(settings->provider(), sample());

    // The window wrote "tavrik.notchHidden" and calls back.
    Prefs::setBoolean(Prefs::Key::notchHidden, true);
    QPointer<QMenu> before = delegate->menu();
    overlay->calls.clear();
    settings->onChange();
    const std::vector<std::string> expected = {"showStats", "relayout", "setHidden true"};
    EXPECT_EQ(overlay->calls, expected);
    EXPECT_TRUE(delegate->hideNotchItem()->isChecked());
    EXPECT_NE(delegate->menu(), before.data());
}

// The debug line

TEST_F(AppDelegateTest, DebugLineGivesTheUtcTimeTheScoreAndTodaysLines) {
    Stats s;
    s.crackedScore = 42;
    s.todayLinesAdded = 7;
    EXPECT_EQ(debugLine(1738367999.75, s),
              "[tavrik] refresh @ 2025-01-31 23:59:59 +0000 score=42 todayLines=7\n");
    EXPECT_EQ(debugLine(0, Stats{}),
              "[tavrik] refresh @ 1970-01-01 00:00:00 +0000 score=0 todayLines=0\n");
}

TEST_F(AppDelegateTest, WithDebugOneLinePerAppliedBuildIsWritten) {
    ASSERT_TRUE(StatsCache::save(sample(), tmp.path() / "cache"));
    AppOptions o = options();
    o.debugLogging = true;
    launch(std::move(o));
    ASSERT_TRUE(waitApplied(2));  // the cache, then the first build
    delegate->refreshNow();
    ASSERT_TRUE(waitApplied(3));
    ASSERT_EQ(debugLines.size(), 2u);
    EXPECT_EQ(debugLines[0].rfind("[tavrik] refresh @ ", 0), 0u);
    EXPECT_NE(debugLines[0].find(" score=42 todayLines=7\n"), std::string::npos);
}

TEST_F(AppDelegateTest, WithoutDebugNothingIsWritten) {
    launch(options());
    ASSERT_TRUE(waitApplied(1));
    EXPECT_TRUE(debugLines.empty());
}

// With the real builder

TEST_F(AppDelegateTest, RealBuildsShowNewTranscriptLinesAfterARefresh) {
    const fs::path home = tmp.path() / "home";
    const fs::path transcript = home / ".claude/projects/p/s.jsonl";
    fs::create_directories(transcript.parent_path());
    std::ofstream(transcript)
        << R"({"timestamp":"2025-03-07T10:00:00Z","toolUseResult":{"filePath":"/a.cpp","content":"a\nb"}})"
        << "\n";
    AppOptions o = options();
    const fs::path cacheDir = tmp.path() / "cache";
    o.job.build = [home, cacheDir](ParseCacheMemo& memo) {
        return StatsEngine::build({StatsEngine::claudeRoot(home, std::nullopt),
                                   StatsEngine::codexRoot(home), cacheDir, 1741600000.0},
                                  &memo);
    };
    o.job.save = [cacheDir](const Stats& s) { StatsCache::save(s, cacheDir); };
    launch(std::move(o));
    ASSERT_TRUE(waitApplied(1));
    EXPECT_EQ(delegate->stats()->linesAdded, 2);
    EXPECT_TRUE(delegate->headerItem()->text().startsWith("Tavrik Score "));
    EXPECT_EQ(StatsCache::load(cacheDir), delegate->stats());

    std::ofstream(transcript, std::ios::app)
        << R"({"timestamp":"2025-03-08T10:00:00Z","toolUseResult":{"filePath":"/b.cpp","content":"a\nb\nc"}})"
        << "\n";
    delegate->refreshNow();
    ASSERT_TRUE(waitApplied(2));
    EXPECT_EQ(delegate->stats()->linesAdded, 5);
    EXPECT_EQ(delegate->stats()->until, "2025-03-08");
    EXPECT_EQ(StatsCache::load(cacheDir), delegate->stats());
}

}  // namespace
}  // namespace tavrik
