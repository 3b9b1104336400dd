#pragma once

// AuthSession: the signed-in session of the leaderboard account, and its stored JSON form.
//
// Stored form: a compact JSON object {"accessToken", "refreshToken", "expiresAt", "userId",
// "email"}; "expiresAt" is seconds since 1970-01-01 UTC, "email" is left out when absent.
// Reading requires the first four keys with the right types (a missing or wrongly typed key
// gives nothing), accepts "email" missing or null, and ignores unknown keys and key order.

#include <optional>
#include <string>
#include <string_view>

namespace tavrik {

struct AuthSession {
    std::string accessToken;
    std::string refreshToken;
    double expiresAt = 0;  // seconds since 1970-01-01 UTC
    std::string userId;
    std::optional<std::string> email;

    bool operator==(const AuthSession&) const = default;
};

// Returns the stored JSON text of a session, or nothing when expiresAt is not finite.
std::optional<std::string> sessionToJson(const AuthSession& session);

// Returns the session a stored JSON text holds, or nothing when it breaks the rules above.
std::optional<AuthSession> sessionFromJson(std::string_view json);

}  // namespace tavrik
