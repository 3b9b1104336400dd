#pragma once

// NotchController: owns the overlay window and its view, finds where the overlay goes, moves
// the window between the collapsed and the expanded frame (animated over 0.26 s, ease-out),
// and shows and hides it.
//
// The geometry is recomputed at construction, on every setHidden(false), on refreshLayout()
// and whenever the screens change (one added or removed, the primary or a geometry changed),
// when the window moves to its new place at once. Main thread only.

#include "notch/NotchGeometry.h"

#include <QObject>
#include <QPropertyAnimation>

#include <functional>
#include <memory>

namespace tavrik {

class NotchContentView;
class NotchPanel;

class NotchController final : public QObject {
public:
    static constexpr int animationMs = 260;

    // Creates the window and its view, collapsed, at the collapsed frame; the window is not
    // shown until setHidden(false).
    NotchController();
    ~NotchController() override;

    NotchPanel& panel() const { return *m_panel; }
    NotchContentView& content() const { return *m_content; }

    const NotchGeometry::Geometry& geometry() const { return m_geometry; }

    // Locates the notch on the application's screens; without any screen nothing changes.
    void computeGeometry();
    // Same, from given screens (tests, other sources of screen information).
    void computeGeometry(const NotchGeometry::Screens& screens);

    // Returns the frame of a state in y-up global points, from the current geometry, the
    // user's adjustments and the width of the right-hand number.
    NotchGeometry::Rect frameFor(bool expanded) const;
    // Same, as Qt's global window geometry.
    QRect qtFrameFor(bool expanded) const;

    // Moves the window to the frame of a state, animated or at once. A running animation is
    // replaced.
    void applyFrame(bool expanded, bool animated);
    bool isAnimating() const;

    // Recomputes the geometry, sets the frame of the current state at once and redraws.
    void refreshLayout();

    bool hidden() const { return m_hidden; }
    // Shows the overlay (starting the view's animation if needed, recomputing the geometry and
    // raising the window without activating it) or hides it (stopping the animation).
    void setHidden(bool hidden);

private:
    void onExpandChange(bool expanded);
    void watchScreens();

    std::unique_ptr<NotchPanel> m_panel;
    NotchContentView* m_content = nullptr;  // owned by m_panel
    NotchGeometry::Geometry m_geometry;
    QPropertyAnimation m_animation;
    bool m_hidden = false;
};

}  // namespace tavrik
