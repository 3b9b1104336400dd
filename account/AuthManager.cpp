#include "account/AuthManager.h"

#include "account/SessionStore.h"
#include "account/internal/Http.h"
#include "account/internal/JsonObject.h"
#include "engine/JsonWriter.h"

#include <QNetworkAccessManager>

#include <chrono>
#include <utility>
#include <variant>

namespace tavrik {
namespace {

double systemNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

using BodyValue = std::variant<std::string_view, bool>;

std::string compactObject(std::initializer_list<std::pair<std::string_view, BodyValue>> fields) {
    JsonWriter w;
    w.beginObject();
    for (const auto& [key, value] : fields) {
        w.key(key);
        std::visit([&w](auto v) { w.value(v); }, value);
    }
    w.endObject();
    return *w.result();  // strings and booleans always serialise
}

}  // namespace

AuthManager::AuthManager(BackendConfig config, std::shared_ptr<SessionStore> store, Options options,
                         QObject* parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_store(std::move(store)),
      m_options(std::move(options)) {
    if (!m_options.clock) {
        m_options.clock = systemNow;
    }
    m_session = m_store->load();
}

AuthManager::AuthManager(BackendConfig config, std::shared_ptr<SessionStore> store, QObject* parent)
    : AuthManager(std::move(config), std::move(store), Options{}, parent) {}

AuthManager::~AuthManager() = default;

AuthManager& AuthManager::shared() {
    // Never destroyed: it may be used until the very end of the process.
    static auto* instance =
        new AuthManager(BoardServer::current(), std::make_shared<KeychainSessionStore>());
    return *instance;
}

double AuthManager::now() const {
    return m_options.clock();
}

QNetworkAccessManager& AuthManager::network() {
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
    }
    return *m_network;
}

void AuthManager::notifyChange() {
    if (m_onChange) {
        m_onChange();
    }
}

void AuthManager::setSession(std::optional<AuthSession> session) {
    m_session = std::move(session);
    ++m_generation;
}

void AuthManager::post(const std::string& path, const std::string& query,
                       std::optional<std::string> body, Completion<detail::JsonObject> completion) {
    if (!m_config.configured()) {
        completion(AuthError::noServer());
        return;
    }
    std::string text = m_config.baseURL + path;
    if (!query.empty()) {
        text += "?" + query;
    }
    const auto url = detail::makeUrl(text);
    if (!url) {
        completion(AuthError::network("Invalid URL"));
        return;
    }
    const detail::HeaderList headers = {
        {"apikey", QByteArray::fromStdString(m_config.publishableKey)},
        {"Content-Type", "application/json"},
    };
    detail::postJson(
        network(), *url, headers, body, m_options.timeoutMs, this,
        [this, sentTo = m_config, completion = std::move(completion)](detail::HttpAnswer answer) {
            if (sentTo != m_config) {
                completion(AuthError::network(serverChangedText));
                return;
            }
            if (!answer.succeeded()) {
                completion(detail::failure(answer, {"error_description", "msg", "message", "error"},
                                           "Request failed"));
                return;
            }
            completion(detail::JsonObject::parseOrEmpty(
                std::string_view(answer.body.constData(), size_t(answer.body.size()))));
        });
}

std::optional<AuthSession> AuthManager::parseSession(const detail::JsonObject& json) const {
    const auto accessToken = json.string("access_token");
    const auto refreshToken = json.string("refresh_token");
    const auto user = json.object("user");
    if (!accessToken || !refreshToken || !user) {
        return std::nullopt;
    }
    const auto userId = user->string("id");
    if (!userId) {
        return std::nullopt;
    }
    AuthSession session;
    session.accessToken = std::string(*accessToken);
    session.refreshToken = std::string(*refreshToken);
    session.userId = std::string(*userId);
    if (const auto email = user->string("email")) {
        session.email = std::string(*email);
    }
    if (const auto expiresAt = json.number("expires_at")) {
        session.expiresAt = *expiresAt;
    } else if (const auto expiresIn = json.number("expires_in")) {
        session.expiresAt = now() + *expiresIn;
    } else {
        session.expiresAt = now() + 3600;
    }
    return session;
}

void AuthManager::sendOTP(const std::string& email, Completion<Done> completion) {
    post("/auth/v1/otp", {}, compactObject({{"email", email}, {"create_user", true}}),
         [this, email, completion = std::move(completion)](Result<detail::JsonObject> result) {
             if (!result) {
                 completion(result.error());
                 return;
             }
             m_pendingEmail = email;
             notifyChange();
             completion(Done{});
         });
}

void AuthManager::verifyOTP(const std::string& email, const std::string& token,
                            Completion<Done> completion) {
    post("/auth/v1/verify", {},
         compactObject({{"type", std::string_view("email")}, {"email", email}, {"token", token}}),
         [this, completion = std::move(completion)](Result<detail::JsonObject> result) {
             if (!result) {
                 completion(result.error());
                 return;
             }
             auto session = parseSession(result.value());
             if (!session) {
                 completion(AuthError::decode());
                 return;
             }
             setSession(std::move(session));
             m_pendingEmail.reset();
             m_store->save(*m_session);
             notifyChange();
             completion(Done{});
         });
}

void AuthManager::validAccessToken(Completion<std::string> completion) {
    if (!m_session) {
        completion(AuthError::notSignedIn());
        return;
    }
    if (m_session->expiresAt - now() > refreshMarginS) {
        completion(m_session->accessToken);
        return;
    }
    m_refreshWaiters.push_back(std::move(completion));
    if (m_refreshWaiters.size() > 1) {
        return;  // a refresh is already on its way; its answer serves this caller too
    }
    post("/auth/v1/token", "grant_type=refresh_token",
         compactObject({{"refresh_token", m_session->refreshToken}}),
         [this, generation = m_generation](Result<detail::JsonObject> result) {
             finishRefresh(generation, result);
         });
}

void AuthManager::finishRefresh(unsigned generation, const Result<detail::JsonObject>& result) {
    auto waiters = std::exchange(m_refreshWaiters, {});
    if (generation != m_generation) {
        // Signed out or signed in anew meanwhile: the answer is about a session that is gone.
        for (auto& waiter : waiters) {
            validAccessToken(std::move(waiter));
        }
        return;
    }
    if (!result) {
        const AuthError& error = result.error();
        if (error.kind == AuthError::Kind::Server && (error.status == 400 || error.status == 401)) {
            signOut();
        }
        for (auto& waiter : waiters) {
            waiter(error);
        }
        return;
    }
    auto session = parseSession(result.value());
    if (!session) {
        for (auto& waiter : waiters) {
            waiter(AuthError::decode());
        }
        return;
    }
    setSession(std::move(session));
    m_store->save(*m_session);
    notifyChange();
    const std::string token = m_session->accessToken;
    for (auto& waiter : waiters) {
        waiter(token);
    }
}

void AuthManager::setConfig(BackendConfig config) {
    if (config == m_config) {
        return;
    }
    m_config = std::move(config);
    signOut();
}

void AuthManager::signOut() {
    setSession(std::nullopt);
    m_pendingEmail.reset();
    m_store->remove();
    notifyChange();
}

}  // namespace tavrik
