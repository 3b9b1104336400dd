#pragma once

// Shared pieces of the account tests: a manager aimed at a local server with a settable clock,
// a way to wait for one completion, and the backend's session answers.

#include "account/AuthError.h"
#include "account/AuthManager.h"
#include "account/SessionStore.h"
#include "tests/support/EventLoop.h"
#include "tests/support/LocalHttpServer.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace tavrik::test {

// A 46-character key of the publishable kind; only ever sent to 127.0.0.1.
inline const std::string testKey = "sb_publishable_TESTKEYtestkeyTESTKEYtestkeyTE";
inline const std::string userA = "6f1c2a34-0000-4000-8000-00000000abcd";

// 2025-01-31 19:00:00 in Europe/Berlin, the zone the account tests run in.
inline constexpr double berlinEvening = 1738346400;

// Starts an operation with a completion and waits for it; returns its result, or a network
// error when it never completed.
template <class T, class Start>
Result<T> await(Start start) {
    std::optional<Result<T>> out;
    int calls = 0;
    start([&out, &calls](Result<T> result) {
        ++calls;
        out.emplace(std::move(result));
    });
    waitUntil([&out] { return out.has_value(); });
    drainEvents();
    EXPECT_LE(calls, 1) << "a completion ran more than once";
    return out.value_or(AuthError::network("no completion"));
}

// Returns the URL of a port on 127.0.0.1 that was free a moment ago: nobody listens there.
inline std::string unreachableUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return "http://127.0.0.1:" + std::to_string(probe.serverPort());
}

// Returns a verify or refresh answer of the backend.
inline QByteArray sessionAnswer(const std::string& access, const std::string& refresh,
                                const std::string& userId, const std::string& extra = {}) {
    return QByteArray::fromStdString(R"({"access_token":")" + access + R"(","refresh_token":")"
                                     + refresh + R"(","user":{"id":")" + userId
                                     + R"(","email":"ada@example.org"})" + extra + "}");
}

class AccountTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    std::unique_ptr<AuthManager> makeManager(std::shared_ptr<SessionStore> sessionStore,
                                             int timeoutMs = 60'000) {
        auto manager = std::make_unique<AuthManager>(
            BackendConfig{server.baseUrl(), testKey}, std::move(sessionStore),
            AuthManager::Options{timeoutMs, [this] { return now; }});
        manager->setOnChange([this] { ++changes; });
        return manager;
    }
    std::unique_ptr<AuthManager> makeManager() { return makeManager(store); }

    Result<Done> verifyOTP(AuthManager& m, const std::string& email, const std::string& code) {
        return await<Done>([&](auto done) { m.verifyOTP(email, code, done); });
    }
    Result<std::string> token(AuthManager& m) {
        return await<std::string>([&](auto done) { m.validAccessToken(done); });
    }

    // Puts a signed-in session into the store, as a previous run would have left it.
    void storeSession(double expiresAt, std::optional<std::string> email = "ada@example.org") {
        store->save(AuthSession{"access-old", "refresh-old", expiresAt, userA, std::move(email)});
    }

    LocalHttpServer server;
    std::shared_ptr<MemorySessionStore> store = std::make_shared<MemorySessionStore>();
    double now = berlinEvening;
    int changes = 0;
};

}  // namespace tavrik::test
