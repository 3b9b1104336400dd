#include "account/BoardServer.h"

#include "account/SupabaseConfig.h"
#include "prefs/Prefs.h"

#include <regex>

namespace tavrik::BoardServer {

std::optional<std::string> normalizedUrl(std::string_view text) {
    std::string url(text);
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    // The same rule as the build's check of TAVRIK_BOARD_URL.
    static const std::regex pattern("^https?://[A-Za-z0-9.:_-]+(/[A-Za-z0-9._~/-]*)?$");
    if (!std::regex_match(url, pattern)) {
        return std::nullopt;
    }
    return url;
}

bool validKey(std::string_view key) {
    static const std::regex pattern("^[A-Za-z0-9._-]+$");
    return std::regex_match(key.begin(), key.end(), pattern);
}

BackendConfig choose(const BackendConfig& compiled, const std::optional<std::string>& prefUrl,
                     const std::optional<std::string>& prefKey) {
    const bool fromPrefs = (prefUrl && !prefUrl->empty()) || (prefKey && !prefKey->empty());
    const std::string url = fromPrefs ? prefUrl.value_or("") : compiled.baseURL;
    const std::string key = fromPrefs ? prefKey.value_or("") : compiled.publishableKey;
    const auto normalized = normalizedUrl(url);
    if (!normalized || !validKey(key)) {
        return {};
    }
    return {*normalized, key};
}

BackendConfig current() {
    return choose(
        {std::string(SupabaseConfig::baseURL), std::string(SupabaseConfig::publishableKey)},
        Prefs::text(Prefs::Key::boardUrl), Prefs::text(Prefs::Key::boardKey));
}

Refusal store(std::string_view url, std::string_view key) {
    if (url.empty() && key.empty()) {
        Prefs::remove(Prefs::Key::boardUrl);
        Prefs::remove(Prefs::Key::boardKey);
        return Refusal::None;
    }
    const auto normalized = normalizedUrl(url);
    if (!normalized) {
        return Refusal::Url;
    }
    if (!validKey(key)) {
        return Refusal::Key;
    }
    Prefs::setString(Prefs::Key::boardUrl, *normalized);
    Prefs::setString(Prefs::Key::boardKey, key);
    return Refusal::None;
}

}  // namespace tavrik::BoardServer
