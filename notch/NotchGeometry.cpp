#include "notch/NotchGeometry.h"

#include <QGuiApplication>
#include <QList>
#include <QScreen>

#include <algorithm>

namespace tavrik::NotchGeometry {

Geometry computeGeometry(const Screens& screens, const Geometry& previous) {
    const std::vector<ScreenInfo>& list = screens.list;
    if (list.empty()) {
        return previous;
    }
    const ScreenInfo* chosen = nullptr;
    for (const ScreenInfo& s : list) {
        if (s.topInset > 0) {
            chosen = &s;
            break;
        }
    }
    if (chosen == nullptr) {
        chosen = screens.mainIndex && *screens.mainIndex < list.size() ? &list[*screens.mainIndex]
                                                                       : &list.front();
    }
    Geometry g;
    g.screenTopY = chosen->frame.maxY();
    if (chosen->auxiliaryTopLeft && chosen->auxiliaryTopRight) {
        const double left = chosen->auxiliaryTopLeft->maxX();
        const double right = chosen->auxiliaryTopRight->minX();
        g.notchCenterX = (left + right) / 2;
        g.collapsedWidth = std::max(right - left, 0.0) + 2 * notchMargin;
    } else {
        g.notchCenterX = chosen->frame.midX();
        g.collapsedWidth = defaultCollapsedWidth;
    }
    return g;
}

Rect frameFor(bool expanded, const Geometry& geometry, const Adjustments& adjustments,
              double rightStatWidth) {
    double bodyWidth = 0;
    double height = 0;
    if (expanded) {
        bodyWidth = expandedWidth;
        height = expandedHeight;
    } else {
        // The right wing is 66 points for a number up to 44 wide; a wider one grows the body.
        const double extra = std::max(rightStatWidth + wingPadding, minWingWidth) - minWingWidth;
        bodyWidth = geometry.collapsedWidth + adjustments.widthOffset + extra;
        height = std::max(collapsedHeight + adjustments.heightOffset, minCollapsedHeight);
    }
    const double flare = adjustments.flare != 0 ? adjustments.flare : defaultFlare;
    const double width = bodyWidth + 2 * flare;
    return {geometry.notchCenterX - width / 2 + adjustments.xOffset, geometry.screenTopY - height,
            width, height};
}

Rect flipY(const Rect& rect, double primaryBottomQt) {
    return {rect.x, primaryBottomQt - rect.y - rect.height, rect.width, rect.height};
}

QRect toGlobalQt(const Rect& frame, double primaryBottomQt) {
    const Rect qt = flipY(frame, primaryBottomQt);
    return QRectF(qt.x, qt.y, qt.width, qt.height).toRect();
}

ScreenInfo screenInfo(const QScreen& screen, double primaryBottomQt) {
    const QRect g = screen.geometry();
    ScreenInfo info;
    info.frame = flipY({static_cast<double>(g.x()), static_cast<double>(g.y()),
                        static_cast<double>(g.width()), static_cast<double>(g.height())},
                       primaryBottomQt);
    return info;
}

double primaryBottomQt() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return 0;
    }
    const QRect g = primary->geometry();
    return static_cast<double>(g.y()) + g.height();
}

Screens currentScreens() {
    Screens screens;
    const double axis = primaryBottomQt();
    const QList<QScreen*> all = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (qsizetype i = 0; i < all.size(); ++i) {
        screens.list.push_back(screenInfo(*all[i], axis));
        if (all[i] == primary) {
            screens.mainIndex = static_cast<std::size_t>(i);
        }
    }
    return screens;
}

}  // namespace tavrik::NotchGeometry
