#include "account/SessionStore.h"

#include "account/SessionKeychain.h"

namespace tavrik {

std::optional<AuthSession> MemorySessionStore::load() {
    if (!m_text) {
        return std::nullopt;
    }
    return sessionFromJson(*m_text);
}

void MemorySessionStore::save(const AuthSession& session) {
    if (auto json = sessionToJson(session)) {
        m_text = std::move(json);
    }
}

void MemorySessionStore::remove() {
    m_text.reset();
}

std::optional<AuthSession> KeychainSessionStore::load() {
    return SessionKeychain::load();
}

void KeychainSessionStore::save(const AuthSession& session) {
    SessionKeychain::save(session);
}

void KeychainSessionStore::remove() {
    SessionKeychain::remove();
}

}  // namespace tavrik
