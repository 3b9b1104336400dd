#include "app/SettingsWindowSurface.h"

#include "settings/SettingsWindowController.h"

namespace tavrik {

SettingsWindowSurface::SettingsWindowSurface(AuthManager& auth)
    : m_window(std::make_unique<SettingsWindowController>(auth)) {}

SettingsWindowSurface::~SettingsWindowSurface() = default;

void SettingsWindowSurface::setOnChange(std::function<void()> onChange) {
    m_window->setOnChange(std::move(onChange));
}

void SettingsWindowSurface::setStatsProvider(StatsProvider provider) {
    m_window->setStatsProvider(std::move(provider));
}

void SettingsWindowSurface::open() {
    // The same for the menu item and the overlay's configure button: reload every control
    // from the stored values, then centre, raise and focus the window.
    m_window->present();
}

}  // namespace tavrik
