// The account against the real user-defaults store (a private one for this process): the
// upload's preferences and the choice of the leaderboard server.

#include "account/BoardServer.h"
#include "account/SyncPrefs.h"
#include "prefs/Prefs.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/IsolatedSettings.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

using Prefs::Key;

class StoredPrefs : public AccountTest {
protected:
    void SetUp() override {
        AccountTest::SetUp();
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
        s.clear();
        s.sync();
    }
};

TEST_F(StoredPrefs, AnUploadStoresTheDayAndNoTokenReachesTheFile) {
    EXPECT_FALSE(SyncPrefs::read().leaderboardOptIn);
    ASSERT_TRUE(Prefs::setBoolean(Key::leaderboardOptIn, true));
    store->save(
        AuthSession{"access-secret-1", "refresh-secret-1", now + 20, "user-1", "ada@example.org"});
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-secret-2", "refresh-secret-2", "user-1")));
    server.enqueue(ScriptedResponse::text(201, ""));
    const auto r = awaitResult<Done>(
        [&](auto done) { StatsSync::syncNow(Stats{}, SyncPrefs::markSynced, done, *m); });
    ASSERT_TRUE(r && *r);
    EXPECT_EQ(SyncPrefs::read().lastSyncDate, "2025-01-31");

    // The daily upload now waits for tomorrow, and private mode is read too.
    EXPECT_FALSE(StatsSync::maybeSyncDaily(Stats{}, SyncPrefs::read(), SyncPrefs::markSynced, *m));
    ASSERT_TRUE(Prefs::setBoolean(Key::privateMode, true));
    EXPECT_TRUE(SyncPrefs::read().privateMode);

    std::ifstream in(isolated.settingsFile());
    const std::string file{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(file.find("2025-01-31"), std::string::npos) << file;
    for (const char* secret :
         {"access-secret-1", "refresh-secret-1", "access-secret-2", "refresh-secret-2"}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
    }
}

TEST(BoardServer, UrlsAndKeysFollowTheBuildsRule) {
    const std::pair<const char*, std::optional<std::string>> urls[] = {
        {"https://board.example.org", "https://board.example.org"},
        {"http://127.0.0.1:54321//", "http://127.0.0.1:54321"},
        {"https://example.org/team-a/", "https://example.org/team-a"},
        {"", std::nullopt},
        {"board.example.org", std::nullopt},
        {"ftp://board.example.org", std::nullopt},
        {"https://", std::nullopt},
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
    struct Case {
        BackendConfig compiled;
        Pref url, key;
        BackendConfig expected;
    };
    const Case cases[] = {
        {{}, {}, {}, {}},
        {compiled, {}, {}, compiled},
        {compiled, "", "", compiled},
        {compiled, "https://mine.example.org/", "my-key", mine},
        {{}, "https://mine.example.org", "my-key", mine},
        // Half a pair is no server: the compiled key never goes to the user's host.
        {compiled, "https://mine.example.org", {}, {}},
        {compiled, {}, "my-key", {}},
        {compiled, "not a url", "my-key", {}},
        {{"https://compiled.example.org", ""}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoardServer::choose(c.compiled, c.url, c.key), c.expected)
            << c.url.value_or("<unset>") << " " << c.key.value_or("<unset>");
    }
}

TEST_F(StoredPrefs, TheUsersServerIsStoredOnlyWhenValid) {
    EXPECT_EQ(BoardServer::store("board.example.org", "k"), BoardServer::Refusal::Url);
    EXPECT_EQ(BoardServer::store("https://board.example.org", ""), BoardServer::Refusal::Key);
    EXPECT_FALSE(Prefs::isSet(Key::boardUrl));
    EXPECT_EQ(BoardServer::store("https://board.example.org/", "k-1"), BoardServer::Refusal::None);
    EXPECT_EQ(BoardServer::current(), (BackendConfig{"https://board.example.org", "k-1"}));
    EXPECT_EQ(BoardServer::store("", ""), BoardServer::Refusal::None);
    EXPECT_FALSE(Prefs::isSet(Key::boardUrl) || Prefs::isSet(Key::boardKey));
}

}  // namespace
}  // namespace tavrik::test
