#include "account/SupabaseConfig.h"

#include "account/SupabaseConfigValues.h"

namespace tavrik::SupabaseConfig {

const std::string_view baseURL = TAVRIK_SUPABASE_URL_TEXT;
const std::string_view publishableKey = TAVRIK_SUPABASE_KEY_TEXT;

}  // namespace tavrik::SupabaseConfig
