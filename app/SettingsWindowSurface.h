#pragma once

// SettingsWindowSurface: the settings window as the application sees it. Owns the one
// SettingsWindowController for the life of the application; opening it again reuses the same
// window and reloads its controls. Needs a QApplication; main thread only.

#include "app/SettingsSurface.h"

#include <memory>

namespace tavrik {

class AuthManager;
class SettingsWindowController;

class SettingsWindowSurface final : public SettingsSurface {
public:
    // Builds the window, hidden, following the account state of auth (which must outlive it).
    explicit SettingsWindowSurface(AuthManager& auth);
    ~SettingsWindowSurface() override;

    SettingsWindowController& controller() const { return *m_window; }

    void setOnChange(std::function<void()> onChange) override;
    void setStatsProvider(StatsProvider provider) override;
    void open() override;

private:
    std::unique_ptr<SettingsWindowController> m_window;
};

}  // namespace tavrik
