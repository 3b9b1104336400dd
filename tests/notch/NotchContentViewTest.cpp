#include "notch/NotchContentView.h"
#include "notch/NotchStyle.h"
#include "tests/notch/NotchTestSupport.h"
#include "theme/Sprites.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace tavrik;
using test::grab;

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

Look lookWith(std::size_t sprite, double flare = 0, double radius = 0, std::int64_t wing = 1) {
    Look look;
    look.sprite = sprite;
    look.shape.flare = flare;
    look.shape.bottomRadius = radius;
    look.wingStat = wing;
    return look;
}

void press(QWidget& w, QPointF at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

QTimer& collapseTimer(NotchContentView& view) {
    return *view.findChild<QTimer*>(QStringLiteral("collapseTimer"));
}

TEST(NotchRules, WingValuesAndStyle) {
    Stats s = sampleStats();
    const char* texts[] = {"71", "+1.2k", "$3.46", "5d", "1.0k", "$1.2k", "42", "71"};
    for (std::int64_t v = -1; v <= 7; ++v) {
        EXPECT_EQ(wingValue(s, v), texts[v < 0 ? 0 : v]) << v;
    }
    s.streakCurrent = -1;
    EXPECT_EQ(wingValue(s, 3), "0d");
    // Stored flare and radius of 0 or less mean 11 and 13; expanded rounds 3 more.
    const struct {
        double stored, flare, collapsed, expanded;
    } table[] = {{0, 11, 13, 16}, {-2, 11, 13, 16}, {5, 5, 5, 8}};
    for (const auto& t : table) {
        const OverlayShape shape{2, 3, 4, t.stored, t.stored};
        EXPECT_EQ(NotchStyle::flare(shape), t.flare);
        EXPECT_EQ(NotchStyle::bottomRadius(shape, false), t.collapsed);
        EXPECT_EQ(NotchStyle::bottomRadius(shape, true), t.expanded);
        EXPECT_EQ(NotchStyle::adjustments(shape), (NotchGeometry::Adjustments{2, 3, 4, t.flare}));
    }
}

TEST(NotchView, RightWingFollowsTheNumberAndTheFlare) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 180, 32));
    EXPECT_EQ(view.rightWingRect(), QRectF(103, 0, 66, 32));  // no statistics: no number
    view.setLook(lookWith(0, 4));
    EXPECT_EQ(view.rightWingRect(), QRectF(110, 0, 66, 32));
    Stats s = sampleStats();
    s.crackedScore = 123456789012;
    view.setStats(s);
    view.setLook(lookWith(0, 0, 0, 0));
    const double w = view.rightStatWidth();
    EXPECT_GT(w, 44);
    EXPECT_EQ(view.rightWingRect(), QRectF(169 - (w + 22), 0, w + 22, 32));
}

TEST(NotchView, HoverExpandsAtOnceAndCollapsesAfterTheDelayUnlessThePointerReturns) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 482, 330));
    std::vector<bool> asked;
    view.setOnExpandChange([&](bool e) { asked.push_back(e); });
    test::enter(view);
    test::leave(view);
    test::leave(view);  // one collapse, not two
    EXPECT_EQ(collapseTimer(view).interval(), 350);
    test::fire(collapseTimer(view));
    test::enter(view);
    test::leave(view);
    test::enter(view);  // back in time
    EXPECT_FALSE(view.collapsePending());
    view.setExpanded(true);
    test::leave(view);
    view.button(&OverlayActions::configure)->click();  // no collapse under the settings
    EXPECT_FALSE(view.collapsePending());
    EXPECT_EQ(asked, (std::vector<bool>{true, false, true, true}));
}

TEST(NotchView, ClicksRunTheirActions) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setStats(sampleStats());
    std::string calls;
    const auto record = [&calls](const char* name) { return [&calls, name] { calls += name; }; };
    view.setActions({record("download "), record("copy "), record("refresh "), record("cycle "),
                     record("configure ")});
    press(view, QPointF(168, 2));   // the wing's far corner
    press(view, QPointF(30, 16));   // the sprite
    press(view, QPointF(100, 16));  // between the sprite and the wing
    view.setExpanded(true);
    press(view, view.rightWingRect().center());
    const std::pair<NotchContentView::Action, const char*> buttons[] = {
        {&OverlayActions::download, "Download"},
        {&OverlayActions::copy, "Copy"},
        {&OverlayActions::refresh, "Refresh"},
        {&OverlayActions::configure, "\u2699 Configure"}};
    for (const auto& [action, title] : buttons) {
        EXPECT_EQ(view.button(action)->text(), QString::fromUtf8(title));
        view.button(action)->click();
    }
    EXPECT_EQ(calls, "cycle download copy refresh configure ");
}

TEST(NotchView, CounterWrapsAndCelebrationEndsOnItsTwelfthTick) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 180, 32));
    view.celebrate();
    for (int i = 1; i <= 12; ++i) {
        EXPECT_TRUE(view.celebrating()) << i;
        view.tick();
    }
    EXPECT_FALSE(view.celebrating());
    EXPECT_EQ(view.animFrame(), 0);
}

// Pixels a wrong sprite, colour, shape or state would move.
TEST(NotchView, PixelProbes) {
    test::widgetApp();
    const QColor pale(223, 233, 255);
    Look lime = lookWith(5);
    lime.accent = Accent::all()[1];
    enum State { Plain, Celebrating, Amber };
    const struct {
        Look look;
        State state;
        int x, y;
        QColor colour;  // transparent: outside the shape
    } probes[] = {
        {lookWith(5), Plain, 33, 7, Theme::blue},  // the anchor's top cell (0, 4)
        {lookWith(5), Plain, 30, 7, Qt::black},
        {lookWith(5), Plain, 28, 24, Theme::blue},
        {lookWith(5), Plain, 28, 27, Qt::black},
        {lime, Plain, 33, 7, QColor(184, 255, 46)},
        {lookWith(5), Celebrating, 33, 7, pale},
        {lookWith(5), Amber, 33, 7, Theme::amber},
        {lookWith(1), Amber, 30, 7, Theme::amber},
        {lookWith(1), Amber, 30, 20, QColor(115, 81, 38)},
        {lookWith(0), Plain, 166, 29, Qt::transparent},
        {lookWith(0, 0, 5), Plain, 166, 29, Qt::black},
        {lookWith(0), Plain, 8, 0, Qt::black},
        {lookWith(0), Plain, 2, 20, Qt::transparent},
        {lookWith(0), Plain, 177, 20, Qt::transparent},
    };
    for (const auto& p : probes) {
        NotchContentView view(QRect(0, 0, 180, 32));
        view.setLook(p.look);
        view.setAnimFrame(1);  // the anchor without sway
        view.setAmber(p.state == Amber);
        view.celebrate(p.state == Celebrating ? 12 : 0);
        EXPECT_EQ(grab(view).pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
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

int changedOutside(const QImage& a, const QImage& b, const QRegion& region) {
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            changed += !region.contains(QPoint(x, y)) && a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return changed;
}

// The animation repaints only the sprite's box, so the box must hold every pixel the
// animation and the celebration change, for every sprite and wherever the flare puts it.
TEST(NotchView, AnimationRepaintsOnlyTheSpritesBoxAndTheBoxHoldsEveryFrame) {
    test::widgetApp();
    for (const double flare : {0.0, 27.0}) {
        NotchContentView view(QRect(0, 0, 240, 32));
        view.stopAnimating();
        view.setStats(sampleStats());
        view.setLook(lookWith(0, flare));
        view.show();
        QCoreApplication::processEvents();
        PaintRecorder recorder(view);
        view.tick();
        QCoreApplication::processEvents();
        const QRegion box = recorder.painted;
        ASSERT_FALSE(box.isEmpty()) << "flare " << flare;
        EXPECT_LT(box.boundingRect().width(), 60) << "the number is repainted too";
        for (std::size_t i = 0; i < Sprites::all().size(); ++i) {
            view.setLook(lookWith(i, flare));
            view.celebrate(0);
            view.setAnimFrame(0);
            const QImage first = grab(view);
            for (int step = 0; step < 2 * NotchContentView::frameCount; ++step) {
                view.celebrate(step < NotchContentView::frameCount ? 0 : 12);
                view.setAnimFrame(step);
                EXPECT_EQ(changedOutside(first, grab(view), box), 0)
                    << Sprites::all()[i].name << " step " << step << " flare " << flare;
            }
        }
    }
}

// With the body narrowed far enough, the number's wing reaches into the sprite's box: a tick's
// repaint of the box must redraw the part of the number inside it.
TEST(NotchView, TickInANarrowOverlayKeepsTheNumberWhole) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 100, 32));
    view.stopAnimating();
    view.setStats(sampleStats());
    view.show();
    QCoreApplication::processEvents();
    view.tick();
    QCoreApplication::processEvents();
    ASSERT_TRUE(view.rightWingRect().intersects(QRectF(15, 0, 34, 32)));
    const QImage shown =
        view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(changedOutside(grab(view).convertToFormat(QImage::Format_RGB32), shown, {}), 0);
}

TEST(NotchView, ExpandedShowsCardButtonsInTheAccentAndTheProtectLineWhenAmber) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 482, 330));
    view.setAmber(true);
    view.setExpanded(true);
    EXPECT_TRUE(view.cardImage().isNull());  // no statistics, no card nor protect line
    EXPECT_TRUE(view.protectLabel()->isHidden());
    view.setStats(sampleStats());
    view.setExpanded(true);
    EXPECT_EQ(view.cardImage().size(), QSize(1200, 630));
    EXPECT_EQ(view.protectLabel()->text(),
              QString::fromUtf8("protect your 5d streak \u2014 you haven't shipped today"));
    EXPECT_FALSE(view.protectLabel()->isHidden());
    const QImage before = view.cardImage();
    Look magenta;
    magenta.accent = Accent::all()[2];
    view.setLook(magenta);  // restyles the buttons and redraws the card
    EXPECT_TRUE(
        view.button(&OverlayActions::copy)->styleSheet().contains(QColor(255, 77, 166).name()));
    EXPECT_NE(view.cardImage(), before);
    view.setExpanded(false);
    EXPECT_TRUE(view.cardView()->isHidden());
    EXPECT_TRUE(view.button(&OverlayActions::copy)->isHidden());
    EXPECT_TRUE(view.protectLabel()->isHidden());
}

}  // namespace
