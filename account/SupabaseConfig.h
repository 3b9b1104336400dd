#pragma once

// The two constants that name the leaderboard backend. They are compiled in (set by the CMake
// cache variables TAVRIK_SUPABASE_URL and TAVRIK_SUPABASE_KEY); nothing reads them from the
// environment. The key is publishable: it identifies the project, it is not a secret, but it
// is still never printed by the dry run.

#include <string_view>

namespace tavrik::SupabaseConfig {

// Scheme and host of the backend, without a trailing slash.
extern const std::string_view baseURL;

// The project's publishable API key, sent as the "apikey" header.
extern const std::string_view publishableKey;

}  // namespace tavrik::SupabaseConfig
