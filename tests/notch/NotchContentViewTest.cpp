#include "notch/NotchContentView.h"
#include "notch/NotchStyle.h"
#include "prefs/Prefs.h"
#include "tests/notch/NotchTestSupport.h"
#include "theme/Sprites.h"
#include "theme/Theme.h"

#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainterPath>
#include <QPushButton>
#include <QRegion>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace tavrik;
using tavrik::test::enter;
using tavrik::test::fire;
using tavrik::test::grab;
using tavrik::test::hasRgb;
using tavrik::test::isTransparent;
using tavrik::test::leave;

Stats sampleStats() {
    Stats s;
    s.crackedScore = 71;
    s.todayLinesAdded = 1234;
    s.todayCost = 3.456;
    s.streakCurrent = 5;
    s.linesAdded = 900;
    s.linesRemoved = 100;
    s.cost = 1234.5;
    s.sessions = 42;
    return s;
}

// Every test starts from an empty store: default shape, sprite, accent and wing statistic.
class NotchView : public ::testing::Test {
protected:
    void SetUp() override {
        tavrik::test::widgetApp();
        for (const Prefs::KeyInfo& k : Prefs::all()) {
            Prefs::remove(k.key);
        }
    }
};

void press(QWidget& w, QPointF at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

QTimer& timerOf(NotchContentView& view, const char* name) {
    auto* timer = view.findChild<QTimer*>(QString::fromLatin1(name));
    EXPECT_NE(timer, nullptr) << name;
    return *timer;
}

// --- the wing statistic ---------------------------------------------------------------

TEST(WingValue, EveryStatisticHasItsText) {
    const Stats s = sampleStats();
    EXPECT_EQ(wingValue(s, 0), "71");
    EXPECT_EQ(wingValue(s, 1), "+1.2k");
    EXPECT_EQ(wingValue(s, 2), "$3.46");
    EXPECT_EQ(wingValue(s, 3), "5d");
    EXPECT_EQ(wingValue(s, 4), "1.0k");
    EXPECT_EQ(wingValue(s, 5), "$1.2k");
    EXPECT_EQ(wingValue(s, 6), "42");
}

TEST(WingValue, ValuesOutsideTheListShowTheScore) {
    const Stats s = sampleStats();
    for (std::int64_t v : {-1, 7, 9, 1000}) {
        EXPECT_EQ(wingValue(s, v), "71") << v;
    }
}

TEST(WingValue, BrokenStreakShowsZeroDays) {
    Stats s = sampleStats();
    s.streakCurrent = -1;
    EXPECT_EQ(wingValue(s, 3), "0d");
}

TEST_F(NotchView, WingStatisticFollowsTheStoredChoice) {
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setStats(sampleStats());
    const double linesToday = view.rightStatWidth();  // default: "Lines today"
    Prefs::setInteger(Prefs::Key::wingStat, 9);
    const double score = view.rightStatWidth();
    EXPECT_GT(linesToday, score);  // "+1.2k" is wider than "71"
}

// --- the right wing -------------------------------------------------------------------

TEST_F(NotchView, NoStatisticsMeansNoNumberAndTheMinimumWing) {
    NotchContentView view(QRect(0, 0, 180, 32));
    EXPECT_EQ(view.rightStatWidth(), 0);
    EXPECT_EQ(view.rightWingRect(), QRectF(103, 0, 66, 32));
}

TEST_F(NotchView, RightWingGrowsWithTheNumber) {
    NotchContentView view(QRect(0, 0, 300, 32));
    Stats s = sampleStats();
    s.crackedScore = 123456789012;
    Prefs::setInteger(Prefs::Key::wingStat, 0);
    view.setStats(s);
    const double w = view.rightStatWidth();
    EXPECT_EQ(w, std::ceil(w));
    EXPECT_GT(w, 44);
    EXPECT_EQ(view.rightWingRect(), QRectF(289 - (w + 22), 0, w + 22, 32));
}

TEST_F(NotchView, RightWingFollowsTheStoredFlare) {
    Prefs::setFloat(Prefs::Key::notchFlare, 4);
    NotchContentView view(QRect(0, 0, 180, 32));
    EXPECT_EQ(view.rightWingRect(), QRectF(110, 0, 66, 32));
}

// --- hover ------------------------------------------------------------------------------

TEST_F(NotchView, EnteringAsksToExpandAtOnce) {
    NotchContentView view(QRect(0, 0, 180, 32));
    std::vector<bool> asked;
    view.setOnExpandChange([&](bool e) { asked.push_back(e); });
    enter(view);
    EXPECT_EQ(asked, std::vector<bool>{true});
}

TEST_F(NotchView, LeavingCollapsesAfterThreeHundredFiftyMilliseconds) {
    NotchContentView view(QRect(0, 0, 180, 32));
    std::vector<bool> asked;
    view.setOnExpandChange([&](bool e) { asked.push_back(e); });
    enter(view);
    leave(view);
    EXPECT_TRUE(view.collapsePending());
    QTimer& collapse = timerOf(view, "collapseTimer");
    EXPECT_EQ(collapse.interval(), 350);
    EXPECT_TRUE(collapse.isSingleShot());
    EXPECT_EQ(asked, std::vector<bool>{true});  // not yet
    fire(collapse);
    EXPECT_EQ(asked, (std::vector<bool>{true, false}));
    EXPECT_FALSE(view.collapsePending());
}

TEST_F(NotchView, ReenteringBeforeTheDelayNeverCollapses) {
    NotchContentView view(QRect(0, 0, 180, 32));
    std::vector<bool> asked;
    view.setOnExpandChange([&](bool e) { asked.push_back(e); });
    enter(view);
    leave(view);
    QTimer& collapse = timerOf(view, "collapseTimer");
    const int pendingId = collapse.timerId();
    enter(view);
    EXPECT_FALSE(view.collapsePending());
    // Even the expiry of the cancelled collapse, had it been queued, does nothing.
    QTimerEvent stale(pendingId);
    QCoreApplication::sendEvent(&collapse, &stale);
    EXPECT_EQ(asked, (std::vector<bool>{true, true}));
}

TEST_F(NotchView, LeavingTwiceSchedulesOneCollapse) {
    NotchContentView view(QRect(0, 0, 180, 32));
    int collapses = 0;
    view.setOnExpandChange([&](bool e) { collapses += e ? 0 : 1; });
    leave(view);
    leave(view);
    fire(timerOf(view, "collapseTimer"));
    EXPECT_FALSE(view.collapsePending());
    EXPECT_EQ(collapses, 1);
}

TEST_F(NotchView, ConfigureCancelsThePendingCollapse) {
    NotchContentView view(QRect(0, 0, 482, 330));
    QWidget* anchor = nullptr;
    view.setOnConfigure([&](QWidget* w) { anchor = w; });
    view.setExpanded(true);
    leave(view);
    ASSERT_TRUE(view.collapsePending());
    view.configureButton()->click();
    EXPECT_FALSE(view.collapsePending());
    EXPECT_EQ(anchor, view.configureButton());
}

TEST_F(NotchView, HoverWithoutACallbackDoesNothing) {
    NotchContentView view(QRect(0, 0, 180, 32));
    enter(view);
    leave(view);
    fire(timerOf(view, "collapseTimer"));
    EXPECT_FALSE(view.expanded());
}

// --- clicks -----------------------------------------------------------------------------

TEST_F(NotchView, ClickOnTheNumberCyclesTheStatistic) {
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setStats(sampleStats());
    int cycles = 0;
    view.setOnCycle([&] { ++cycles; });
    press(view, view.rightWingRect().center());
    EXPECT_EQ(cycles, 1);
    press(view, QPointF(168, 2));  // the wing's far corner still counts
    EXPECT_EQ(cycles, 2);
}

TEST_F(NotchView, ClickOnTheSpriteDoesNothing) {
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setStats(sampleStats());
    int cycles = 0;
    view.setOnCycle([&] { ++cycles; });
    press(view, QPointF(30, 16));
    press(view, QPointF(100, 16));  // between the sprite and the wing
    EXPECT_EQ(cycles, 0);
}

TEST_F(NotchView, ClicksWhileExpandedDoNothing) {
    NotchContentView view(QRect(0, 0, 482, 330));
    int cycles = 0;
    view.setOnCycle([&] { ++cycles; });
    view.setExpanded(true);
    press(view, view.rightWingRect().center());
    EXPECT_EQ(cycles, 0);
}

TEST_F(NotchView, ButtonsCallTheirCallbacks) {
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setExpanded(true);
    // Without callbacks the buttons do nothing.
    view.downloadButton()->click();
    view.copyButton()->click();
    view.refreshButton()->click();
    view.configureButton()->click();

    std::vector<std::string> calls;
    view.setOnDownload([&] { calls.emplace_back("download"); });
    view.setOnCopy([&] { calls.emplace_back("copy"); });
    view.setOnRefresh([&] { calls.emplace_back("refresh"); });
    view.setOnConfigure([&](QWidget*) { calls.emplace_back("configure"); });
    view.downloadButton()->click();
    view.copyButton()->click();
    view.refreshButton()->click();
    view.configureButton()->click();
    EXPECT_EQ(calls, (std::vector<std::string>{"download", "copy", "refresh", "configure"}));
}

// --- animation and celebration ----------------------------------------------------------

TEST_F(NotchView, AnimationTimerRunsFromConstructionEveryHundredEightyMilliseconds) {
    NotchContentView view(QRect(0, 0, 180, 32));
    QTimer& bar = timerOf(view, "barTimer");
    EXPECT_TRUE(view.isAnimating());
    EXPECT_EQ(bar.interval(), 180);
    EXPECT_FALSE(bar.isSingleShot());
    fire(bar);
    EXPECT_EQ(view.animFrame(), 1);
    view.stopAnimating();
    EXPECT_FALSE(view.isAnimating());
    view.startAnimating();
    view.startAnimating();
    EXPECT_EQ(view.animationStarts(), 2);
}

TEST_F(NotchView, CounterWrapsAtTwelve) {
    NotchContentView view(QRect(0, 0, 180, 32));
    for (int i = 0; i < 11; ++i) {
        view.tick();
    }
    EXPECT_EQ(view.animFrame(), 11);
    view.tick();
    EXPECT_EQ(view.animFrame(), 0);
}

TEST_F(NotchView, CelebrationEndsOnItsTwelfthTick) {
    NotchContentView view(QRect(0, 0, 180, 32));
    view.celebrate();
    EXPECT_TRUE(view.celebrating());
    EXPECT_EQ(view.celebrateFrames(), 12);
    for (int i = 1; i <= 11; ++i) {
        view.tick();
        EXPECT_TRUE(view.celebrating()) << "after tick " << i;
    }
    view.tick();
    EXPECT_FALSE(view.celebrating());
    view.tick();
    EXPECT_FALSE(view.celebrating());
}

TEST_F(NotchView, CelebrationTurnsTheSpritePale) {
    Prefs::setInteger(Prefs::Key::spriteKind, 5);  // Anchor
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setAnimFrame(1);  // no sway: the top cell (0, 4) sits at x 32 … 34.5, y 6 … 8.5
    EXPECT_TRUE(hasRgb(grab(view), 33, 7, Theme::blue));
    view.celebrate();
    EXPECT_TRUE(hasRgb(grab(view), 33, 7, QColor(223, 233, 255)));
    view.setAmber(true);
    view.celebrate(0);
    EXPECT_TRUE(hasRgb(grab(view), 33, 7, Theme::amber));
}

// Records the regions of the paint events a widget receives.
class PaintRecorder final : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

// Returns the pixels of b that differ from a outside the region.
int changedOutside(const QImage& a, const QImage& b, const QRegion& region) {
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!region.contains(QPoint(x, y)) && a.pixel(x, y) != b.pixel(x, y)) {
                ++changed;
            }
        }
    }
    return changed;
}

// The animation repaints only the sprite's box, so the box must hold every pixel the
// animation and the celebration change, for every sprite and wherever the flare puts it.
TEST_F(NotchView, AnimationRepaintsOnlyTheSpritesBoxAndTheBoxHoldsEveryFrame) {
    for (const double flare : {0.0, 27.0}) {
        Prefs::setFloat(Prefs::Key::notchFlare, flare);
        NotchContentView view(QRect(0, 0, 240, 32));
        view.stopAnimating();
        view.setStats(sampleStats());
        view.show();
        QCoreApplication::processEvents();

        PaintRecorder recorder(view);
        view.tick();
        QCoreApplication::processEvents();
        const QRegion box = recorder.painted;
        ASSERT_FALSE(box.isEmpty()) << "flare " << flare;
        EXPECT_LT(box.boundingRect().width(), 60) << "the number is repainted too";

        for (std::size_t i = 0; i < Sprites::all().size(); ++i) {
            view.setDebugSpriteOverride(static_cast<int>(i));
            view.celebrate(0);
            view.setAnimFrame(0);
            const QImage first = grab(view);
            for (const bool celebrating : {false, true}) {
                view.celebrate(celebrating ? NotchContentView::celebrationTicks : 0);
                for (int frame = 0; frame < NotchContentView::frameCount; ++frame) {
                    view.setAnimFrame(frame);
                    EXPECT_EQ(changedOutside(first, grab(view), box), 0)
                        << Sprites::all()[i].name << " frame " << frame << " flare " << flare
                        << (celebrating ? " celebrating" : "");
                }
            }
        }
    }
}

// With the body narrowed far enough, the number's wing reaches into the sprite's box: a tick's
// repaint of the box must redraw the part of the number inside it.
TEST_F(NotchView, TickInANarrowOverlayKeepsTheNumberWhole) {
    NotchContentView view(QRect(0, 0, 100, 32));
    view.stopAnimating();
    view.setStats(sampleStats());
    view.show();
    QCoreApplication::processEvents();
    view.tick();
    QCoreApplication::processEvents();
    ASSERT_TRUE(view.rightWingRect().intersects(QRectF(15, 0, 34, 32)));

    // What the window shows, against a fresh render of the same state; the window's copy
    // comes back without alpha, so both are compared as opaque colours.
    const QImage shown =
        view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage full = grab(view).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), full.size());
    EXPECT_EQ(changedOutside(full, shown, QRegion()), 0);
}

// --- drawing ----------------------------------------------------------------------------

TEST(NotchRadius, StoredZeroGivesThirteenCollapsedAndSixteenExpanded) {
    EXPECT_EQ(NotchStyle::radiusFor(0, false), 13);
    EXPECT_EQ(NotchStyle::radiusFor(0, true), 16);
    EXPECT_EQ(NotchStyle::radiusFor(5, false), 5);
    EXPECT_EQ(NotchStyle::radiusFor(5, true), 8);
    EXPECT_EQ(NotchStyle::radiusFor(-2, false), 13);
}

TEST(NotchRadius, StoredZeroFlareGivesEleven) {
    EXPECT_EQ(NotchStyle::flareFor(0), 11);
    EXPECT_EQ(NotchStyle::flareFor(4), 4);
    EXPECT_EQ(NotchStyle::flareFor(-4), 11);
}

TEST_F(NotchView, BottomCornersFollowTheStoredRadius) {
    NotchContentView view(QRect(0, 0, 180, 32));
    // (166, 29) lies inside a 5-point corner about (164, 27) but outside a 13-point one.
    EXPECT_TRUE(isTransparent(grab(view), 166, 29));
    EXPECT_EQ(NotchStyle::bottomRadius(false), 13);
    Prefs::setFloat(Prefs::Key::notchRound, 5);
    EXPECT_EQ(NotchStyle::bottomRadius(false), 5);
    EXPECT_EQ(NotchStyle::bottomRadius(true), 8);
    EXPECT_TRUE(hasRgb(grab(view), 166, 29, Qt::black));
}

// Returns whether the outline has a segment ending at point.
bool passesThrough(const QPainterPath& p, QPointF point) {
    for (int i = 0; i < p.elementCount(); ++i) {
        const QPainterPath::Element e = p.elementAt(i);
        if (std::abs(e.x - point.x()) < 1e-6 && std::abs(e.y - point.y()) < 1e-6) {
            return true;
        }
    }
    return false;
}

TEST_F(NotchView, ExpandedShapeRoundsThreePointsMore) {
    NotchContentView view(QRect(0, 0, 482, 330));
    // The right side (x 471) turns into the corner arc r points above the bottom.
    EXPECT_TRUE(passesThrough(view.shapePath(), {471, 330 - 13}));
    view.setExpanded(true);
    EXPECT_TRUE(passesThrough(view.shapePath(), {471, 330 - 16}));
    Prefs::setFloat(Prefs::Key::notchRound, 5);
    EXPECT_TRUE(passesThrough(view.shapePath(), {471, 330 - 8}));
    view.setExpanded(false);
    EXPECT_TRUE(passesThrough(view.shapePath(), {471, 330 - 5}));
}

TEST_F(NotchView, ShapeIsBlackAndTheFlaresLeaveTheCornersClear) {
    NotchContentView view(QRect(0, 0, 180, 32));
    const QImage image = grab(view);
    EXPECT_TRUE(hasRgb(image, 90, 16, Qt::black));
    EXPECT_TRUE(hasRgb(image, 8, 0, Qt::black));
    EXPECT_TRUE(isTransparent(image, 2, 20));
    EXPECT_TRUE(isTransparent(image, 177, 20));
    EXPECT_TRUE(isTransparent(image, 12, 31));
}

TEST_F(NotchView, SpriteSitsInTheLeftWingInTheAccent) {
    Prefs::setInteger(Prefs::Key::spriteKind, 5);  // Anchor, 8 x 8 cells
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setAnimFrame(1);
    const QImage image = grab(view);
    // x0 = 11 + 4 + (34 - 20) / 2 = 22, y0 = (32 - 20) / 2 = 6.
    EXPECT_TRUE(hasRgb(image, 33, 7, Theme::blue));   // cell (0, 4)
    EXPECT_TRUE(hasRgb(image, 30, 7, Qt::black));     // cell (0, 3) is empty
    EXPECT_TRUE(hasRgb(image, 28, 15, Theme::blue));  // cell (3, 2)
    EXPECT_TRUE(hasRgb(image, 28, 24, Theme::blue));  // cell (7, 2)
    EXPECT_TRUE(hasRgb(image, 28, 27, Qt::black));    // below the grid
    Prefs::setInteger(Prefs::Key::accentTheme, 1);    // Lime
    EXPECT_TRUE(hasRgb(grab(view), 33, 7, QColor(184, 255, 46)));
}

TEST_F(NotchView, AmberColoursTheSprite) {
    Prefs::setInteger(Prefs::Key::spriteKind, 1);  // Rocket: flame cells are secondary
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setAmber(true);
    const QImage image = grab(view);
    // x0 = 15 + (34 - 25) / 2 = 19.5, y0 = 6: body cell (0, 4) and flame cell (5, 4).
    EXPECT_TRUE(hasRgb(image, 30, 7, Theme::amber));
    const QColor dark = image.pixelColor(30, 20);
    EXPECT_NEAR(dark.red(), 255 * 0.45, 1);
    EXPECT_NEAR(dark.green(), 180 * 0.45, 1);
    EXPECT_NEAR(dark.blue(), 84 * 0.45, 1);
}

TEST_F(NotchView, DebugOverrideDrawsTheChosenSpriteAndIgnoresInvalidOnes) {
    Prefs::setInteger(Prefs::Key::spriteKind, 5);
    NotchContentView view(QRect(0, 0, 180, 32));
    const QImage users = grab(view);
    view.setDebugSpriteOverride(7);
    EXPECT_EQ(grab(view), users);
    view.setDebugSpriteOverride(-1);
    EXPECT_EQ(grab(view), users);
    view.setDebugSpriteOverride(4);
    EXPECT_NE(grab(view), users);
    view.setDebugSpriteOverride(5);
    EXPECT_EQ(grab(view), users);
}

// Returns the horizontal extent of pixels of colour c in columns [from, to).
std::pair<int, int> extentOf(const QImage& image, QColor c, int from, int to) {
    int lo = to;
    int hi = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = from; x < to; ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) < 8 && std::abs(p.green() - c.green()) < 8
                && std::abs(p.blue() - c.blue()) < 8 && p.alpha() == 255) {
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
        }
    }
    return {lo, hi};
}

TEST_F(NotchView, NumberIsCentredInTheRightWing) {
    NotchContentView view(QRect(0, 0, 180, 32));
    const auto none = extentOf(grab(view), Theme::blue, 60, 180);
    EXPECT_EQ(none.second, -1) << "no number without statistics";
    Prefs::setInteger(Prefs::Key::wingStat, 0);
    view.setStats(sampleStats());
    const auto [lo, hi] = extentOf(grab(view), Theme::blue, 60, 180);
    ASSERT_GE(hi, lo);
    const double centre = (lo + hi + 1) / 2.0;
    EXPECT_NEAR(centre, view.rightWingRect().center().x(), 2.5);
    view.setAmber(true);
    const auto amber = extentOf(grab(view), Theme::amber, 60, 180);
    EXPECT_EQ(amber, std::make_pair(lo, hi));
}

// --- expanded ---------------------------------------------------------------------------

TEST_F(NotchView, ExpandedLayoutPlacesCardButtonsAndProtectLine) {
    // The expanded window: body 460 plus two default flares.
    NotchContentView view(QRect(0, 0, 482, 330));
    Stats s = sampleStats();
    view.setStats(s);
    view.setAmber(true);
    view.setExpanded(true);
    EXPECT_TRUE(view.expanded());
    EXPECT_EQ(view.cardView()->geometry(), QRect(25, 38, 432, 227));  // 432 x 226.8
    const QPushButton* buttons[] = {view.downloadButton(), view.copyButton(), view.refreshButton(),
                                    view.configureButton()};
    const char* titles[] = {"Download", "Copy", "Refresh", "\u2699 Configure"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->geometry(), QRect(25 + 110 * i, 275, 102, 30)) << i;
        EXPECT_FALSE(buttons[i]->isHidden()) << i;
        EXPECT_EQ(buttons[i]->text(), QString::fromUtf8(titles[i]));
    }
    EXPECT_EQ(view.protectLabel()->geometry(), QRect(25, 313, 432, 16));
    EXPECT_FALSE(view.protectLabel()->isHidden());
    EXPECT_EQ(view.protectLabel()->text(),
              QString::fromUtf8("protect your 5d streak \u2014 you haven't shipped today"));
    EXPECT_FALSE(view.cardImage().isNull());
    EXPECT_EQ(view.cardImage().size(), QSize(1200, 630));
}

TEST_F(NotchView, ExpandingWithoutAmberHidesTheProtectLine) {
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setStats(sampleStats());
    view.setExpanded(true);
    EXPECT_TRUE(view.protectLabel()->isHidden());
}

TEST_F(NotchView, ExpandingWithoutStatisticsShowsNoCard) {
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setAmber(true);
    view.setExpanded(true);
    EXPECT_TRUE(view.cardImage().isNull());
    EXPECT_TRUE(view.protectLabel()->isHidden());
    EXPECT_FALSE(view.downloadButton()->isHidden());
}

TEST_F(NotchView, CollapsingHidesEverythingExpanded) {
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setStats(sampleStats());
    view.setAmber(true);
    view.setExpanded(true);
    view.setExpanded(false);
    EXPECT_TRUE(view.cardView()->isHidden());
    EXPECT_TRUE(view.downloadButton()->isHidden());
    EXPECT_TRUE(view.configureButton()->isHidden());
    EXPECT_TRUE(view.protectLabel()->isHidden());
}

TEST_F(NotchView, ButtonsTakeTheAccentOfTheMomentOfExpanding) {
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setExpanded(true);
    EXPECT_TRUE(view.copyButton()->styleSheet().contains(Theme::blue.name()));
    Prefs::setInteger(Prefs::Key::accentTheme, 2);  // Magenta
    view.setExpanded(false);
    view.setExpanded(true);
    EXPECT_TRUE(view.copyButton()->styleSheet().contains(QColor(255, 77, 166).name()));
}

TEST_F(NotchView, RefreshCardOnlyWhileExpandedWithStatistics) {
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setStats(sampleStats());
    view.refreshCard();
    EXPECT_TRUE(view.cardImage().isNull());
    view.setExpanded(true);
    const QImage before = view.cardImage();
    Stats more = sampleStats();
    more.crackedScore = 3;
    view.setStats(more);
    view.refreshCard();
    EXPECT_NE(view.cardImage(), before);
}

}  // namespace
