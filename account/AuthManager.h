#pragma once

// AuthManager: the client of the backend's "/auth/v1" endpoints. Signs in by a six-digit code
// sent by e-mail, keeps the session (persisted through a SessionStore), refreshes the access
// token when it is about to expire, and signs out.
//
// Thread: everything — the calls, the state, the completions and onChange — happens on the
// main thread; network answers are delivered there by Qt's event loop. A completion runs at
// most once; completions of requests still on their way when the manager is destroyed never
// run. Failures arrive as AuthError; nothing here logs or prints a token.

#include "account/AuthError.h"
#include "account/AuthSession.h"
#include "account/BoardServer.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QNetworkAccessManager;

namespace tavrik {

class SessionStore;

namespace detail {
class JsonObject;
}

class AuthManager final : public QObject {
    Q_OBJECT

public:
    template <class T>
    using Completion = std::function<void(Result<T>)>;
    // Returns the current time in seconds since 1970-01-01 UTC.
    using Clock = std::function<double()>;

    struct Options {
        int timeoutMs = 60'000;  // a request with no traffic for this long fails
        Clock clock;             // the system clock when empty
    };

    // The failure of an answer that arrived after the server was changed.
    static constexpr const char* serverChangedText = "The leaderboard server was changed";
    // A session expiring within this many seconds is refreshed before use.
    static constexpr double refreshMarginS = 60;

    // Loads the stored session from store at once.
    AuthManager(BackendConfig config, std::shared_ptr<SessionStore> store, Options options,
                QObject* parent = nullptr);
    AuthManager(BackendConfig config, std::shared_ptr<SessionStore> store,
                QObject* parent = nullptr);
    ~AuthManager() override;

    // Returns the process-wide manager, made on first use (on the main thread) with the
    // server of BoardServer::current() and the keychain; it lives until the process ends.
    static AuthManager& shared();

    const std::optional<AuthSession>& session() const { return m_session; }
    const std::optional<std::string>& pendingEmail() const { return m_pendingEmail; }
    const BackendConfig& config() const { return m_config; }
    int timeoutMs() const { return m_options.timeoutMs; }
    // Returns the manager's idea of now, in seconds since 1970-01-01 UTC.
    double now() const;

    // Sets the callback run after every change of session() or pendingEmail() made by the
    // network operations or by signOut().
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // Every network operation fails with AuthError::noServer(), sending nothing, while
    // config() is not configured().

    // Asks the backend to mail a one-time code to email (creating the user when new).
    void sendOTP(const std::string& email, Completion<Done> completion);
    // Exchanges the code for a session, which is stored and becomes session().
    void verifyOTP(const std::string& email, const std::string& token, Completion<Done> completion);
    // Returns an access token valid for at least refreshMarginS more seconds, refreshing the
    // session first when needed. Completes at once when no request is needed. Refreshes that
    // overlap share one request. A refresh rejected with 400 or 401 signs out.
    void validAccessToken(Completion<std::string> completion);
    // Forgets the session and the pending address and deletes the stored session. Local only.
    void signOut();
    // Aims the manager at another server, signing out of the old one. Answers still on their
    // way from the old server fail instead of changing the state.
    void setConfig(BackendConfig config);

    // Returns the network access used by every account request (made on first use).
    QNetworkAccessManager& network();

private:
    void post(const std::string& path, const std::string& query, std::optional<std::string> body,
              Completion<detail::JsonObject> completion);
    std::optional<AuthSession> parseSession(const detail::JsonObject& json) const;
    void setSession(std::optional<AuthSession> session);
    void finishRefresh(unsigned generation, const Result<detail::JsonObject>& result);
    void notifyChange();

    BackendConfig m_config;
    std::shared_ptr<SessionStore> m_store;
    Options m_options;
    QNetworkAccessManager* m_network = nullptr;  // child of this, made on first request

    std::optional<AuthSession> m_session;
    std::optional<std::string> m_pendingEmail;
    std::function<void()> m_onChange;

    // Counts session changes, so a refresh answer that arrives after a sign-out or a new
    // sign-in cannot bring back the session it was refreshing.
    unsigned m_generation = 0;
    std::vector<Completion<std::string>> m_refreshWaiters;
};

}  // namespace tavrik
