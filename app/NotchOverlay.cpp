#include "app/NotchOverlay.h"

#include "notch/NotchContentView.h"
#include "notch/NotchController.h"

namespace tavrik {

NotchOverlay::NotchOverlay() : m_notch(std::make_unique<NotchController>()) {}

NotchOverlay::~NotchOverlay() = default;

void NotchOverlay::setActions(Actions actions) {
    m_notch->content().setActions(std::move(actions));
}

void NotchOverlay::setLook(const Look& look) {
    m_notch->content().setLook(look);
}

void NotchOverlay::showStats(const Stats& stats, bool amber) {
    NotchContentView& view = m_notch->content();
    view.setStats(stats);
    view.setAmber(amber);
    view.refreshCard();
    view.update();
    m_notch->computeGeometry();
    // The collapsed strip grows with the number it shows; an expanded overlay keeps its frame.
    if (!view.expanded()) {
        m_notch->applyFrame(false, false);
    }
}

void NotchOverlay::relayout() {
    m_notch->refreshLayout();
}

void NotchOverlay::setHidden(bool hidden) {
    m_notch->setHidden(hidden);
}

void NotchOverlay::bringToFront() {
    // Showing the window raises it without activating it (the window never takes focus).
    m_notch->setHidden(false);
}

void NotchOverlay::celebrate() {
    m_notch->content().celebrate();
}

}  // namespace tavrik
