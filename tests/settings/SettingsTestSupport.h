#pragma once

// Shared pieces of the settings window tests: the one QApplication, a clean user-defaults
// store per test, and a window wired to an AuthManager aimed at a local server, with an
// in-memory session store, a counted change callback and a settable statistics provider.

#include "account/AuthManager.h"
#include "account/SessionStore.h"
#include "settings/SettingsWindowController.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/WidgetApp.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tavrik::test {

inline void clearPreferences() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik").clear();
}

class SettingsWindowTest : public AccountTest {
protected:
    void SetUp() override {
        widgetApp();
        clearPreferences();
        AccountTest::SetUp();
    }

    // Makes the manager (loading whatever the store holds) and the window.
    void open() {
        auth = makeManager();
        window = std::make_unique<SettingsWindowController>(
            *auth, [this] { ++changes; }, [this] { return stats; });
    }

    const SettingsWindowController::Controls& c() const { return window->controls(); }
    std::string errorLine() const { return c().accountErrorLabel->text().toStdString(); }

    // Waits until the server has seen n requests and the window has handled the answers:
    // the buttons held down during a request are enabled again.
    bool waitForRequests(std::size_t n) {
        const bool ok = waitUntil([&] {
            return server.requests().size() >= n && c().sendCodeButton->isEnabled()
                   && c().verifyButton->isEnabled() && c().syncNowButton->isEnabled();
        });
        drainEvents();
        return ok;
    }

    std::optional<Stats> stats;
    std::unique_ptr<AuthManager> auth;  // declared before window: outlives it
    std::unique_ptr<SettingsWindowController> window;
};

}  // namespace tavrik::test
