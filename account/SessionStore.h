#pragma once

// SessionStore: where AuthManager keeps the signed-in session between runs. The real store is
// the keychain (SessionKeychain); MemorySessionStore keeps it in memory, for tests and for
// machines without a keychain. Every operation is best effort and silent: a store that cannot
// be reached loads nothing and forgets what it is given. Main thread only.

#include "account/AuthSession.h"

#include <optional>

namespace tavrik {

class SessionStore {
public:
    virtual ~SessionStore() = default;

    // Returns the stored session, or nothing when there is none or it cannot be read.
    virtual std::optional<AuthSession> load() = 0;
    // Replaces whatever is stored with the session.
    virtual void save(const AuthSession& session) = 0;
    // Removes the stored session.
    virtual void remove() = 0;
};

// Keeps the session in memory, in the stored JSON form, so it round-trips like the keychain.
class MemorySessionStore final : public SessionStore {
public:
    std::optional<AuthSession> load() override;
    void save(const AuthSession& session) override;
    void remove() override;

    // Returns the stored text itself; tests use it to plant a damaged item.
    const std::optional<std::string>& storedText() const { return m_text; }
    void setStoredText(std::optional<std::string> text) { m_text = std::move(text); }

private:
    std::optional<std::string> m_text;
};

// The keychain through SessionKeychain. The preference "tavrik.sessionStored" says whether it
// holds a session; without it the keychain is never asked, so a start wakes no keyring.
class KeychainSessionStore final : public SessionStore {
public:
    std::optional<AuthSession> load() override;
    void save(const AuthSession& session) override;
    void remove() override;
};

}  // namespace tavrik
