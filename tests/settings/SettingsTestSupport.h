#pragma once

// Shared pieces of the settings window tests: the one QApplication, a clean user-defaults
// store per test, and a window wired to an AuthManager aimed at a local server, with an
// in-memory session store, a counted change callback and a settable statistics provider.

#include "account/AuthManager.h"
#include "account/SessionStore.h"
#include "settings/SettingsWindowController.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/EventLoop.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/WidgetApp.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QString>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

// Lets failed expectations print QString values as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tavrik::test {

inline void clearPreferences() {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
    s.clear();
    s.sync();
}

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        widgetApp();
        clearPreferences();
        ASSERT_TRUE(server.start());
    }

    // Makes the manager (loading whatever the store holds) and the window.
    void open() {
        auth = std::make_unique<AuthManager>(BackendConfig{server.baseUrl(), testKey}, store,
                                             AuthManager::Options{60'000, [this] { return now; }});
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

    void signInStored(std::optional<std::string> email = "ada@example.org") {
        store->save(AuthSession{"access-old", "refresh-old", now + 7200,
                                "6f1c2a34-0000-4000-8000-00000000abcd", std::move(email)});
    }

    LocalHttpServer server;
    std::shared_ptr<MemorySessionStore> store = std::make_shared<MemorySessionStore>();
    double now = berlinEvening;
    int changes = 0;
    std::optional<Stats> stats;
    std::unique_ptr<AuthManager> auth;  // declared before window: outlives it
    std::unique_ptr<SettingsWindowController> window;
};

}  // namespace tavrik::test
