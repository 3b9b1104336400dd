#pragma once

// NotchOverlay: the overlay of the application, the notch window at the top centre of the
// screen (NotchController). Needs a QApplication; main thread only.

#include "app/Overlay.h"

#include <memory>

namespace tavrik {

class NotchController;

class NotchOverlay final : public Overlay {
public:
    // Creates the window, collapsed and not yet shown.
    NotchOverlay();
    ~NotchOverlay() override;

    NotchController& controller() const { return *m_notch; }

    void setActions(Actions actions) override;
    void setLook(const Look& look) override;
    void showStats(const Stats& stats, bool amber) override;
    void relayout() override;
    void setHidden(bool hidden) override;
    void bringToFront() override;
    void celebrate() override;

private:
    std::unique_ptr<NotchController> m_notch;
};

}  // namespace tavrik
