#pragma once

// Overlay: what the application drives on the overlay at the top of the screen. The notch
// overlay implements it; NoOverlay stands in where there is none (a desktop without a
// screen, tests).
//
// Main thread only. The actions are called on the main thread when the overlay's buttons are
// clicked; an unset action does nothing.

#include "engine/Records.h"
#include "notch/OverlayActions.h"
#include "theme/Look.h"

namespace tavrik {

class Overlay {
public:
    // What the overlay's buttons do; handed to its view unchanged.
    using Actions = OverlayActions;

    virtual ~Overlay() = default;

    // Hands the buttons their actions.
    virtual void setActions(Actions actions) = 0;
    // Draws with look from now on.
    virtual void setLook(const Look& look) = 0;
    // Shows stats, amber while the streak is at risk; recomputes the geometry and re-places
    // the overlay when it is collapsed.
    virtual void showStats(const Stats& stats, bool amber) = 0;
    // Recomputes the geometry and re-places the overlay in its current state, collapsed or
    // expanded, then redraws it (after a settings change).
    virtual void relayout() = 0;
    // Shows or hides the overlay.
    virtual void setHidden(bool hidden) = 0;
    // Brings the overlay to the front without taking the focus.
    virtual void bringToFront() = 0;
    // Plays the celebration, restarting it when one is playing.
    virtual void celebrate() = 0;
};

// The overlay of a session that has none: every call does nothing.
class NoOverlay final : public Overlay {
public:
    void setActions(Actions) override {}
    void setLook(const Look&) override {}
    void showStats(const Stats&, bool) override {}
    void relayout() override {}
    void setHidden(bool) override {}
    void bringToFront() override {}
    void celebrate() override {}
};

}  // namespace tavrik
