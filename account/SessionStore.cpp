#include "account/SessionStore.h"

#include "account/SessionKeychain.h"
#include "prefs/Prefs.h"

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

// Whether the keychain holds a session is kept in the preferences: asking the Secret Service
// at every start would wake a keyring daemon, or a password prompt, for users who never signed
// in.
std::optional<AuthSession> KeychainSessionStore::load() {
    if (!Prefs::boolean(Prefs::Key::sessionStored)) {
        return std::nullopt;
    }
    return SessionKeychain::load();
}

void KeychainSessionStore::save(const AuthSession& session) {
    Prefs::setBoolean(Prefs::Key::sessionStored, true);
    SessionKeychain::save(session);
}

void KeychainSessionStore::remove() {
    if (Prefs::boolean(Prefs::Key::sessionStored)) {
        SessionKeychain::remove();
        Prefs::setBoolean(Prefs::Key::sessionStored, false);
    }
}

}  // namespace tavrik
