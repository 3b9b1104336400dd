// The application delegate on the offscreen platform: launch, refresh coalescing, the tray
// menu, streak protection, milestones, the card actions and the overlay's buttons.

#include "app/AppDelegate.h"
#include "engine/StatsCache.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QMenu>
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
        o.upload = [this](const Stats&) { overlay->calls.push_back("upload"); };
        o.cardPng = [this](const Stats& s, const Look&) -> std::optional<QByteArray> {
            cardRequests.push_back(s);
            return cardBytes;
        };
        o.cardImage = [](const Stats&, const Look&) {
            QImage image(120, 63, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor(10, 20, 30));
            return image;
        };
        o.reveal = [this](const fs::path& p) { revealed.push_back(p); };
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
    std::vector<Stats> cardRequests;
    std::optional<QByteArray> cardBytes = QByteArray("\x89PNG fake card");
    std::vector<fs::path> revealed;
    int applied = 0;
    std::unique_ptr<AppDelegate> delegate;
};

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
    // Wired before the cache is shown, which is offered for upload like any build.
    const std::vector<std::string> calls = {"setActions", "showStats", "upload", "bringToFront"};
    EXPECT_EQ(overlay->calls, calls);

    fake.open();
    ASSERT_TRUE(waitApplied(2));
    EXPECT_EQ(delegate->stats()->crackedScore, 42);
    EXPECT_EQ(delegate->headerItem()->text(), headerTitle(sample()));
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

TEST_F(AppDelegateTest, HeaderTitleJoinsScoreCostAndLinesWithMiddleDots) {
    EXPECT_EQ(headerTitle(sample()),
              QString::fromUtf8("Tavrik Score 42 \u00B7 $3.46 \u00B7 12k lines"));
    Stats big;
    big.crackedScore = 99;
    big.cost = 12'345;
    big.linesAdded = 1'000'000;
    big.linesRemoved = 234'567;
    EXPECT_EQ(headerTitle(big),
              QString::fromUtf8("Tavrik Score 99 \u00B7 $12.3k \u00B7 1.2M lines"));
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

TEST_F(AppDelegateTest, CardFileNameUsesTheLastActiveDayButNeverLeadsOutOfTheDesktop) {
    Stats s;
    EXPECT_EQ(cardFileName(s), "tavrik-card.png");
    s.until = "2025-03-07";
    EXPECT_EQ(cardFileName(s), "tavrik-2025-03-07.png");
    for (const char* bad : {"../../.bashrc", "a/b", "..", ".", "", "x\ny", "2025 03 07"}) {
        s.until = bad;
        EXPECT_EQ(cardFileName(s), "tavrik-card.png") << bad;
    }
}

TEST_F(AppDelegateTest, SaveCardReplacesTheDesktopPngAndRevealsItCopyCardFillsTheClipboard) {
    fake.close();
    launch(options());
    delegate->saveCard();  // no statistics yet: nothing
    EXPECT_TRUE(cardRequests.empty());
    fake.open();
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

    overlay->actions.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->image().pixelColor(5, 5), QColor(10, 20, 30));
}

TEST_F(AppDelegateTest, TheOverlayButtonsAndHideNotchReachTheDelegateWhileItLives) {
    launch(withSettings(options()));
    ASSERT_TRUE(waitApplied(1));
    overlay->actions.download();
    EXPECT_EQ(revealed.size(), 1u);
    overlay->actions.configure();
    EXPECT_EQ(settings->opened, 1);
    overlay->actions.cycle();
    EXPECT_EQ(overlay->look->wingStat, 2);  // the overlay shows the new figure
    for (const bool hidden : {true, false}) {
        delegate->hideNotchItem()->trigger();
        EXPECT_EQ(Prefs::boolean(Prefs::Key::notchHidden), hidden);
        EXPECT_EQ(delegate->hideNotchItem()->isChecked(), hidden);
        EXPECT_EQ(overlay->hidden, hidden);
    }
    const Overlay::Actions actions = overlay->actions;
    delegate.reset();
    actions.download();
    actions.cycle();
    EXPECT_EQ(revealed.size(), 1u);
    EXPECT_EQ(Prefs::wingStat(), 2);
}

TEST_F(AppDelegateTest, ASettingsChangeReRendersTheOverlayAndTheCardWithOneLook) {
    launch(withSettings(options()));
    ASSERT_TRUE(waitApplied(1));

    // The window wrote "tavrik.notchHidden" and the accent, and calls back.
    Prefs::setBoolean(Prefs::Key::notchHidden, true);
    Prefs::setInteger(Prefs::Key::accentTheme, 2);
    overlay->calls.clear();
    settings->onChange();
    const std::vector<std::string> expected = {"showStats", "relayout", "setHidden true"};
    EXPECT_EQ(overlay->calls, expected);
    EXPECT_TRUE(delegate->hideNotchItem()->isChecked());
    EXPECT_EQ(overlay->look->accent.name, "Magenta");
    EXPECT_EQ(delegate->look(), *overlay->look);  // the card is saved with the same look
}

}  // namespace
}  // namespace tavrik
