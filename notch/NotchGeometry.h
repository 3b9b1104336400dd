#pragma once

// NotchGeometry: where the overlay window goes, as pure functions over plain screen values.
//
// The math keeps the coordinates of a desktop whose y axis points up: the origin is the
// bottom-left corner of the primary screen, a screen's top edge is its maxY, and a window
// hangs from the top by sitting at y = top - height. Qt's global coordinates point y down;
// toGlobalQt() and screenInfo() are the one place that converts between the two, through the
// same reflection about the primary screen's bottom edge.
//
// A display with a camera housing reports a top inset and the two menu-bar areas beside the
// housing; the overlay then centres on the housing and widens by it. Linux screens report
// neither, so the overlay sits at the top centre of the primary screen with its default body.

#include <QRect>
#include <QRectF>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

class QScreen;

namespace tavrik::NotchGeometry {

// A rectangle in global points with y upwards: (x, y) is the bottom-left corner.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double midX() const { return x + width / 2; }
    double minY() const { return y; }
    double maxY() const { return y + height; }

    bool operator==(const Rect&) const = default;
};

// One screen as the overlay sees it.
struct ScreenInfo {
    Rect frame;
    double topInset = 0;                   // height of a camera housing; 0 without one
    std::optional<Rect> auxiliaryTopLeft;  // menu-bar area left of the housing
    std::optional<Rect> auxiliaryTopRight;

    bool operator==(const ScreenInfo&) const = default;
};

// The screens in the platform's order and which of them is the main (primary) one.
struct Screens {
    std::vector<ScreenInfo> list;
    std::optional<std::size_t> mainIndex;
};

// Where the notch is.
struct Geometry {
    double notchCenterX = 0;      // global x of the notch centre
    double screenTopY = 0;        // maxY of the chosen screen's frame
    double collapsedWidth = 158;  // collapsed body before the user's adjustments

    bool operator==(const Geometry&) const = default;
};

// The user's shape and alignment adjustments, as read from the preferences.
struct Adjustments {
    double widthOffset = 0;   // points added to the collapsed width
    double heightOffset = 0;  // points added to the collapsed height
    double xOffset = 0;       // points added to x in both states
    double flare = 11;        // the flare in effect (the stored 0 already read as 11)

    bool operator==(const Adjustments&) const = default;
};

inline constexpr double defaultCollapsedWidth = 158;
inline constexpr double notchMargin = 55;      // body beyond each side of a camera housing
inline constexpr double expandedWidth = 460;   // expanded body
inline constexpr double expandedHeight = 330;  // expanded window
inline constexpr double collapsedHeight = 32;  // collapsed strip
inline constexpr double minCollapsedHeight = 20;
inline constexpr double defaultFlare = 11;
inline constexpr double wingPadding = 22;   // right wing = number + this
inline constexpr double minWingWidth = 66;  // right wing never narrower

// Returns the notch position on the chosen screen: the first screen with a top inset, else
// the main screen, else the first. With no screen at all, returns previous unchanged.
Geometry computeGeometry(const Screens& screens, const Geometry& previous);

// Returns the window frame for a state. Collapsed, the body is the collapsed width plus the
// width offset plus whatever the right-hand number needs beyond 44 points (rightStatWidth is
// its width); expanded, it is 460 and the width and height offsets do not apply. The window
// is the body plus a flare on each side, centred on the notch, moved by the x offset, and
// hangs from the screen's top edge.
Rect frameFor(bool expanded, const Geometry& geometry, const Adjustments& adjustments,
              double rightStatWidth);

// Converts between y-up and Qt's y-down global coordinates: a reflection about the bottom edge
// of the primary screen (primaryBottomQt = its Qt geometry's y + height), its own inverse.
Rect flipY(const Rect& rect, double primaryBottomQt);

// Returns a y-up frame as Qt's global window geometry, rounded to whole points.
QRect toGlobalQt(const Rect& frame, double primaryBottomQt);

// Returns what the overlay needs to know of a Qt screen. Qt reports no camera housing.
ScreenInfo screenInfo(const QScreen& screen, double primaryBottomQt);

// Returns the application's screens in Qt's order, with the primary one as the main screen.
// Needs a QGuiApplication.
Screens currentScreens();

// Returns the bottom edge of the primary screen in Qt's global coordinates (0 without one).
double primaryBottomQt();

}  // namespace tavrik::NotchGeometry
