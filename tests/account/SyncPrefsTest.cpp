// The account against the real user-defaults store (a private one for this process): the
// upload's preferences and the choice of the leaderboard server.

#include "account/BoardServer.h"
#include "account/SyncPrefs.h"
#include "prefs/Prefs.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

using StoredPrefs = AccountTest;

TEST_F(StoredPrefs, AnUploadStoresTheDayAndNoTokenReachesTheFile) {
    ASSERT_TRUE(Prefs::setBoolean(Prefs::Key::leaderboardOptIn, true));
    store->save(AuthSession{"access-secret-1", "refresh-secret-1", now + 20, "u", std::nullopt});
    auto m = makeManager();
    server.enqueue(
        ScriptedResponse::json(200, sessionAnswer("access-secret-2", "refresh-secret-2", "u")));
    server.enqueue(ScriptedResponse::text(201, ""));
    ASSERT_TRUE(await<Done>(
        [&](auto done) { StatsSync::syncNow(Stats{}, SyncPrefs::markSynced, done, *m); }));
    EXPECT_EQ(SyncPrefs::read().lastSyncDate, "2025-01-31");
    // The daily upload now waits for tomorrow, and private mode is read too.
    EXPECT_FALSE(StatsSync::maybeSyncDaily(Stats{}, SyncPrefs::read(), SyncPrefs::markSynced, *m));
    ASSERT_TRUE(Prefs::setBoolean(Prefs::Key::privateMode, true));
    EXPECT_TRUE(SyncPrefs::read().privateMode && SyncPrefs::read().leaderboardOptIn);
    std::ifstream in(isolated.settingsFile());
    const std::string file{std::istreambuf_iterator<char>(in), {}};
    for (const char* secret : {"secret-1", "secret-2"}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << file;
    }
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
