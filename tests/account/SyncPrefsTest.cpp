// The upload's preferences in the real user-defaults store (a private one for this process),
// and the choice of the leaderboard server.

#include "account/BoardServer.h"
#include "account/SyncPrefs.h"
#include "prefs/Prefs.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

TEST(SyncPrefs, TheDailyUploadReadsWhatTheWindowStoresAndTheDayItMarks) {
    ASSERT_TRUE(Prefs::setBoolean(Prefs::Key::privateMode, true));
    SyncPrefs::markSynced("2025-01-31");
    const StatsSync::SyncSettings read = SyncPrefs::read();
    EXPECT_TRUE(read.privateMode && !read.leaderboardOptIn);
    EXPECT_EQ(read.lastSyncDate, "2025-01-31");
}

TEST(BoardServer, UrlsAndKeysFollowTheBuildsRule) {
    const std::pair<const char*, std::optional<std::string>> urls[] = {
        {"http://127.0.0.1:54321//", "http://127.0.0.1:54321"},
        {"https://example.org/team-a/", "https://example.org/team-a"},
        {"board.example.org", std::nullopt},
        {"https://board.example.org?x=1", std::nullopt},
        {"https://user@board.example.org", std::nullopt},
        {"https://board.example.org/#top", std::nullopt},
        {" https://board.example.org", std::nullopt},
    };
    for (const auto& [text, expected] : urls) {
        EXPECT_EQ(BoardServer::normalizedUrl(text), expected) << text;
    }
    EXPECT_TRUE(BoardServer::validKey("sb_publishable_Ab-9.x"));
    for (const char* bad : {"", "key with space", "k\xC3\xA9y", "key\n"}) {
        EXPECT_FALSE(BoardServer::validKey(bad)) << bad;
    }
}

TEST(BoardServer, ThePreferencesWinAsAPairOverTheCompiledServer) {
    const BackendConfig compiled{"https://compiled.example.org", "compiled-key"};
    const BackendConfig mine{"https://mine.example.org", "my-key"};
    using Pref = std::optional<std::string>;
    const std::tuple<BackendConfig, Pref, Pref, BackendConfig> cases[] = {
        {compiled, {}, {}, compiled},
        {compiled, "https://mine.example.org/", "my-key", mine},
        {{}, "https://mine.example.org", "my-key", mine},
        // Half a pair is no server: the compiled key never goes to the user's host.
        {compiled, "https://mine.example.org", {}, {}},
        {compiled, {}, "my-key", {}},
        {{"https://compiled.example.org", ""}, {}, {}, {}},
    };
    for (const auto& [compiledPair, url, key, expected] : cases) {
        EXPECT_EQ(BoardServer::choose(compiledPair, url, key), expected)
            << url.value_or("<unset>") << " " << key.value_or("<unset>");
    }
}

}  // namespace
}  // namespace tavrik::test
