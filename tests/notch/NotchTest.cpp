#include "notch/NotchContentView.h"
#include "notch/NotchController.h"
#include "notch/NotchDebug.h"
#include "notch/NotchGeometry.h"
#include "notch/NotchPanel.h"
#include "notch/NotchShape.h"
#include "notch/NotchStyle.h"
#include "tests/support/WidgetApp.h"
#include "theme/Sprites.h"

#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace tavrik;
using namespace tavrik::NotchGeometry;
using tavrik::NotchShape::path;

// Delivers the timer's expiry now, as the event loop would when its interval has passed.
void fire(QTimer& timer) {
    ASSERT_TRUE(timer.isActive()) << timer.objectName().toStdString() << " is not running";
    QTimerEvent event(timer.timerId());
    QCoreApplication::sendEvent(&timer, &event);
}

// Sends the pointer into the widget, or out of it, as the window system would.
void hover(QWidget& w, bool in) {
    QEnterEvent enter(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, in ? &enter : &leave);
}

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

Look lookWith(std::size_t sprite, double flare = 0, double radius = 0, std::size_t accent = 0) {
    return {.accent = Accent::all()[accent],
            .sprite = sprite,
            .shape = {.flare = flare, .bottomRadius = radius}};
}

void press(QWidget& w, QPointF at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
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
    for (const auto& [stored, flare, radius] :
         {std::tuple{0.0, 11.0, 13.0}, {-2, 11, 13}, {5, 5, 5}}) {
        const OverlayShape shape{2, 3, 4, stored, stored};
        EXPECT_EQ(NotchStyle::adjustments(shape), (NotchGeometry::Adjustments{2, 3, 4, flare}));
        EXPECT_EQ(NotchStyle::bottomRadius(shape, true), radius + 3);
    }
}

// Collapsed, a click on the number's wing cycles it. Expanded, the overlay shows the card, the
// buttons in the accent and, when amber, the protect line; the buttons run their actions, and
// the pointer's leaving never collapses the overlay under a window a button opened.
TEST(NotchView, HoverClicksAndTheExpandedOverlay) {
    test::widgetApp();
    NotchContentView view(QRect(0, 0, 180, 32));
    view.setStats(sampleStats());
    std::vector<bool> asked;
    view.setOnExpandChange([&](bool e) { asked.push_back(e); });
    std::string calls;
    const auto record = [&calls](const char* name) { return [&calls, name] { calls += name; }; };
    view.setActions({record("download "), record("copy "), record("refresh "), record("cycle "),
                     record("configure ")});
    QTimer& collapse = *view.findChild<QTimer*>(QStringLiteral("collapseTimer"));
    hover(view, true);
    hover(view, false);
    hover(view, false);  // one collapse, not two
    fire(collapse);
    hover(view, true);
    hover(view, false);
    hover(view, true);  // back in time
    EXPECT_FALSE(collapse.isActive());
    press(view, QPointF(168, 2));   // the wing's far corner
    press(view, QPointF(30, 16));   // the sprite
    press(view, QPointF(100, 16));  // between the sprite and the wing
    view.setAmber(true);
    view.setExpanded(true);
    press(view, view.rightWingRect().center());
    EXPECT_TRUE(view.protectLabel()->text().startsWith("protect your 5d streak"));
    const QImage before = view.cardImage();
    view.setLook(lookWith(0, 0, 0, 2));  // restyles the buttons and redraws the card
    EXPECT_NE(view.cardImage(), before);
    EXPECT_TRUE(
        view.button(&OverlayActions::copy)->styleSheet().contains(QColor(255, 77, 166).name()));
    for (const auto action : {&OverlayActions::download, &OverlayActions::copy,
                              &OverlayActions::refresh, &OverlayActions::configure}) {
        hover(view, false);
        view.button(action)->click();
        EXPECT_FALSE(collapse.isActive());
    }
    EXPECT_EQ(calls, "cycle download copy refresh configure ");
    EXPECT_EQ(asked, (std::vector<bool>{true, false, true, true}));
    view.setExpanded(false);
    EXPECT_TRUE(view.cardView()->isHidden() && view.protectLabel()->isHidden()
                && view.button(&OverlayActions::copy)->isHidden());
}

// Pixels a wrong sprite, colour, shape or state would move; (33, 7) is the anchor's top cell
// (0, 4), transparent is outside the shape.
TEST(NotchView, PixelProbes) {
    test::widgetApp();
    const Look anchor = lookWith(5), lime = lookWith(5, 0, 0, 1), first = lookWith(0);
    enum State { Plain, Celebrating, Amber };
    const struct {
        Look look;
        State state;
        int x, y;
        QColor colour;
    } probes[] = {{anchor, Plain, 33, 7, Theme::blue},
                  {lime, Plain, 33, 7, QColor(184, 255, 46)},
                  {anchor, Celebrating, 33, 7, QColor(223, 233, 255)},
                  {anchor, Amber, 33, 7, Theme::amber},
                  {lookWith(1), Amber, 30, 7, Theme::amber},
                  {lookWith(1), Amber, 30, 20, QColor(115, 81, 38)},
                  {first, Plain, 166, 29, Qt::transparent},
                  {lookWith(0, 0, 5), Plain, 166, 29, Qt::black},
                  {first, Plain, 8, 0, Qt::black}};
    for (const auto& p : probes) {
        NotchContentView view(QRect(0, 0, 180, 32));
        view.setLook(p.look);
        view.setAnimFrame(1);  // the anchor without sway
        view.setAmber(p.state == Amber);
        view.celebrate(p.state == Celebrating ? 12 : 0);
        EXPECT_EQ(view.grab().toImage().pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

// A tick repaints only the sprite's box: what the window shows after each tick must still be
// the whole picture, for every sprite, through a celebration and its end, wherever the flare
// puts the box, and in an overlay narrow enough for the number to reach into the box.
TEST(NotchView, TicksRepaintAllTheyChange) {
    test::widgetApp();
    const auto rgb = [](const QPixmap& p) {
        return p.toImage().convertToFormat(QImage::Format_RGB32);
    };
    for (const auto& [width, flare] : {std::pair{240, 0.0}, {240, 27.0}, {100, 0.0}}) {
        NotchContentView view(QRect(0, 0, width, 32));
        view.stopAnimating();
        view.setStats(sampleStats());
        view.show();
        for (std::size_t i = 0; i < Sprites::all().size(); ++i) {
            view.setLook(lookWith(i, flare));
            view.celebrate();
            for (int step = 1; step <= 2 * NotchContentView::frameCount; ++step) {
                QCoreApplication::processEvents();
                view.tick();
                QCoreApplication::processEvents();
                ASSERT_EQ(rgb(view.screen()->grabWindow(view.winId())), rgb(view.grab()))
                    << Sprites::all()[i].name << " step " << step << " width " << width;
                EXPECT_EQ(view.celebrating(), step < 12);
            }
            EXPECT_EQ(view.animFrame(), 0);  // the counter wraps
        }
    }
}

// The window hangs from the top centre and the look's shape moves it (in Qt's coordinates); only
// showing starts the animation timer; the pointer expands it animated, and leaving collapses it
// after a while.
TEST(Controller, FramesShowingAndHover) {
    test::widgetApp();
    NotchController c;
    c.content().setLook({.shape = {20, -20, 6, 4, 0}});
    EXPECT_EQ(c.qtFrameFor(false).size(), QSize(186, 20));
    const int started = c.content().animationStarts();  // the view starts on construction
    for (const bool hidden : {false, false, true, false, false}) {
        c.setHidden(hidden);
        EXPECT_EQ(c.panel().isVisible(), !hidden);
        EXPECT_EQ(c.content().isAnimating(), !hidden);
    }
    EXPECT_EQ(c.content().animationStarts(), started + 1);
    EXPECT_EQ(c.panel().geometry(), c.qtFrameFor(false));
    hover(c.content(), true);
    auto* animation = c.findChild<QPropertyAnimation*>();
    ASSERT_TRUE(c.content().expanded() && animation != nullptr && c.isAnimating());
    EXPECT_EQ(animation->endValue().toRect(), c.qtFrameFor(true));
    c.applyFrame(true, false);
    hover(c.content(), false);
    fire(*c.content().findChild<QTimer*>(QStringLiteral("collapseTimer")));
    EXPECT_TRUE(!c.content().expanded() && c.isAnimating());
}

// The overlay is centred on the scene, its outline flaring into the menu bar; the sheet adds
// the magnified top-left corner in a one-pixel frame. The command line checks the sizes.
TEST(NotchDebug, SceneAndSheet) {
    test::widgetApp();
    const QColor wallpaper{200, 129, 74}, menuBar{30, 30, 30};
    const struct {
        NotchSketch sketch;
        int x, y;
        QColor colour;
    } probes[] = {{{180, 11}, 128, 30, wallpaper},
                  {{180, 11}, 125, 0, Qt::black},
                  {{180, 4}, 123, 0, menuBar},
                  {{100, 11}, 168, 30, wallpaper}};
    for (const auto& p : probes) {
        QImage image(440, 100, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        drawNotchSceneGeometry(painter, 440, 100, p.sketch);
        painter.end();
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.colour) << p.sketch.bodyWidth;
    }
    // The zoom, 136 x 120, 10 from the bottom: x 152 … 288, y 220 … 340, scene x 114 + u / 4.
    const QImage four = renderNotchDebug(4, {});
    EXPECT_EQ(four.pixelColor(152, 220), Theme::blue);
    EXPECT_EQ(four.pixelColor(152 + 80, 220 + 100), QColor(Qt::black));
    for (const double unusable : {0.0, -4.0, std::nan(""), HUGE_VAL, 5000.0}) {
        EXPECT_TRUE(renderNotchDebug(unusable, {}).isNull()) << unusable;
    }
}

// A 1440 x 900 laptop screen (y up, origin at its bottom-left) whose camera housing runs from
// x 620 to x 820: the menu-bar areas beside it end and start there.
ScreenInfo laptop(double x = 0, double left = 620, double right = 820) {
    return {{x, 0, 1440, 900}, 32, Rect{x, 868, left, 32}, Rect{x + right, 868, 1440 - right, 32}};
}

ScreenInfo plain(double x, double y, double w, double h) {
    return {{x, y, w, h}, 0, std::nullopt, std::nullopt};
}

// The screens choose the centre, width and top; the number and the adjustments, the frame; Qt's
// coordinates mirror those at the primary screen's bottom, and round.
TEST(NotchGeometry, ScreensFramesAndQtCoordinates) {
    const struct {
        Screens screens;
        Geometry expected;
    } table[] = {
        {{{laptop()}, 0}, {720, 900, 310}},
        {{{{{0, 0, 1440, 900}, 32, Rect{0, 868, 620, 32}, std::nullopt}}, 0},
         {720, 900, 158}},                              // both areas or none
        {{{laptop(0, 800, 700)}, 0}, {750, 900, 110}},  // overlapping areas: margins only
        {{{plain(0, 0, 1920, 1080), laptop(1920, 620, 820)}, 0}, {2640, 900, 310}},
        {{{plain(0, 0, 1920, 1080), plain(1920, 200, 1280, 1024)}, 1}, {2560, 1224, 158}},
        {{{plain(100, 0, 800, 600), plain(900, 0, 1280, 1024)}, std::nullopt}, {500, 600, 158}},
        {{{plain(100, 0, 800, 600)}, 1}, {500, 600, 158}},  // a main index past the list
        {{{}, std::nullopt}, {123, 456, 200}},              // no screens: nothing changes
    };
    for (const auto& t : table) {
        EXPECT_EQ(computeGeometry(t.screens, {123, 456, 200}), t.expected)
            << t.expected.notchCenterX;
    }
    const Geometry g{720, 900, 310};
    const struct {
        bool expanded;
        Adjustments a;
        double number;
        Rect expected;
    } frames[] = {
        {false, {}, 44, {554, 868, 332, 32}},  // up to 44 the number fits the 66-point wing
        {false, {}, 60, {546, 868, 348, 32}},
        {false, {0, -20, 0, 11}, 0, {554, 880, 332, 20}},  // never below 20 points
        {false, {10, 0, -4, 11}, 0, {545, 868, 342, 32}},
        {false, {0, 0, 0, 4}, 0, {561, 868, 318, 32}},
        {true, {30, -20, 7, 15}, 120, {482, 570, 490, 330}},  // expanded keeps x and flare only
    };
    for (const auto& t : frames) {
        EXPECT_EQ(frameFor(t.expanded, g, t.a, t.number), t.expected) << t.expected.width;
    }
    EXPECT_EQ(flipY(Rect{0, -1080, 1920, 1080}, 1080), (Rect{0, 1080, 1920, 1080}));
    EXPECT_EQ(toGlobalQt(Rect{554.4, 868, 331.6, 32}, 900), QRect(554, 0, 332, 32));
}

// Whether the outline, its curves flattened, has a corner at the point: the ends of its lines and
// curves are corners, a curve's control points are not.
bool passesThrough(const QPainterPath& p, QPointF at) {
    const auto near = [at](QPointF q) { return std::hypot(q.x() - at.x(), q.y() - at.y()) < 1e-6; };
    return std::ranges::any_of(p.toFillPolygon(), near);
}

TEST(NotchShape, OutlinesOfFlaresAndRadii) {
    const double d = 13 / std::sqrt(2.0);  // the 45-degree point of a 13-point corner
    const struct {
        QRectF bounds;
        double radius, flare;
        std::vector<QPointF> through, inside, outside;
    } table[] = {
        // The collapsed default: the top edge runs the full width, the flares bend into the
        // body's sides at 11 and 169, the corners' arcs start 13 above the bottom.
        {{0, 0, 180, 32},
         13,
         11,
         {{0, 0}, {180, 0}, {11, 11}, {169, 11}, {169, 19}, {156, 32}, {24, 32}, {11, 19}},
         {{90, 0.5}, {5, 0.5}, {11.5, 16}, {156 + d - 0.3, 19 + d - 0.3}, {90, 31.8}},
         {{1, 5}, {179, 5}, {10.5, 16}, {169.5, 16}, {156 + d + 0.3, 19 + d + 0.3}}},
        {{0, 0, 180, 32}, 13, 0, {{180, 19}, {0, 19}}, {{0.3, 18.5}}, {{0.5, 31.5}}},
        {{0, 0, 180, 32}, 0, 11, {{169, 32}, {11, 32}}, {{11.2, 31.8}}, {}},
        // An oversized radius is limited by the side below the flare, or half the body.
        {{0, 0, 180, 32}, 100, 11, {{169, 11}, {148, 32}}, {{90, 31.5}}, {}},
        {{0, 0, 180, 32}, -5, -3, {}, {{0.3, 31.7}}, {}},  // negative counts as zero
    };
    for (const auto& t : table) {
        const QPainterPath p = path(t.bounds, t.radius, t.flare);
        EXPECT_EQ(p.boundingRect(), t.bounds) << t.radius << " " << t.flare;
        for (const QPointF& q : t.through) {
            EXPECT_TRUE(passesThrough(p, q)) << q.x() << "," << q.y();
        }
        for (const auto& [points, in] : {std::pair{&t.inside, true}, {&t.outside, false}}) {
            for (const QPointF& q : *points) {
                EXPECT_EQ(p.contains(q), in) << q.x() << "," << q.y();
            }
        }
    }
    EXPECT_TRUE(path(QRectF(10, 10, 0, 0), 13, 11).boundingRect().isEmpty());
}

}  // namespace
