#pragma once

// The leaderboard server compiled in by a distributor (the CMake values TAVRIK_BOARD_URL and
// TAVRIK_BOARD_KEY); both empty unless set. The user's preferences win over them
// (BoardServer.h). The key is publishable: it identifies the project, it is not a secret, but
// it is still never printed by the dry run.

#include <string_view>

namespace tavrik::SupabaseConfig {

// Scheme, host and optional path of the server, without a trailing slash; empty for none.
extern const std::string_view baseURL;

// The server's publishable API key, sent as the "apikey" header; empty for none.
extern const std::string_view publishableKey;

}  // namespace tavrik::SupabaseConfig
