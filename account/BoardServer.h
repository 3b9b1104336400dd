#pragma once

// BoardServer: which leaderboard server the account talks to. Tavrik ships with none. A
// distributor may compile one in (SupabaseConfig, from the CMake values TAVRIK_BOARD_URL and
// TAVRIK_BOARD_KEY); the user's preferences "tavrik.boardUrl" and "tavrik.boardKey" win over
// it. Without a complete, valid pair nothing is ever sent: every entry point that would
// reach the server fails with noServerText instead.

#include <optional>
#include <string>
#include <string_view>

namespace tavrik {

// Where the backend is: base URL (scheme, host and optional path, no trailing slash) and
// publishable key. Both empty means no server.
struct BackendConfig {
    std::string baseURL;
    std::string publishableKey;

    bool configured() const { return !baseURL.empty() && !publishableKey.empty(); }
    bool operator==(const BackendConfig&) const = default;
};

namespace BoardServer {

inline constexpr const char* noServerText = "No leaderboard server is configured";

// Returns the URL without trailing slashes when it is an http(s) URL of a host, with an
// optional plain path and no query, user or fragment; else nothing.
std::optional<std::string> normalizedUrl(std::string_view text);

// Returns whether the key is a non-empty token of ASCII letters, digits, '.', '_' and '-'.
bool validKey(std::string_view key);

// Returns the server to use: the preferences' pair when either preference is set, else the
// compiled pair. A pair that is incomplete or invalid gives no server rather than a mix of the
// two, so a key is never sent to a host it was not given for.
BackendConfig choose(const BackendConfig& compiled, const std::optional<std::string>& prefUrl,
                     const std::optional<std::string>& prefKey);

// Returns the server chosen from the stored preferences and the compiled values.
BackendConfig current();

// The reason a pair typed by the user was refused.
enum class Refusal { None, Url, Key };

// Stores the pair typed by the user as the preferences (both empty removes them, falling back
// to the compiled server). Stores nothing and returns the first invalid field otherwise.
Refusal store(std::string_view url, std::string_view key);

}  // namespace BoardServer
}  // namespace tavrik
