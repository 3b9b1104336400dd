#pragma once

// SessionKeychain: the signed-in session kept in the user's keyring through the Secret Service
// (libsecret), as one item found by the attribute service = "dev.tavrik.session" and holding
// the session's stored JSON form (AuthSession.h). Tokens never go anywhere else on disk.
//
// Every call is silent and bounded: when there is no session bus or no Secret Service, the
// call fails at once; when the keyring would need the user (a locked keyring prompting for its
// password), the call is cancelled after keychainTimeoutMs. A failed load reads as signed out.
// Main thread only; the calls run a private GLib main context, never the application's loop.

#include "account/AuthSession.h"

#include <optional>

namespace tavrik::SessionKeychain {

// The longest any one keyring call may keep the caller waiting.
inline constexpr int keychainTimeoutMs = 1000;

// The attribute value that identifies the item.
inline constexpr const char* serviceName = "dev.tavrik.session";

// Returns the stored session, or nothing when there is no readable, well-formed item.
std::optional<AuthSession> load();

// Replaces any stored item with one holding the session: delete, then store.
void save(const AuthSession& session);

// Deletes the stored item, if any.
void remove();

}  // namespace tavrik::SessionKeychain
