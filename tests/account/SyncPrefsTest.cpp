// The upload against the real user-defaults store (a private one for this process).

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

class SyncPrefsTest : public AccountTest {
protected:
    void SetUp() override {
        AccountTest::SetUp();
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
        s.clear();
        s.sync();
    }

    static std::string settingsFileText() {
        std::ifstream in(isolated.settingsFile());
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(SyncPrefsTest, AFreshStoreMeansNotPrivateNotJoinedNeverSynced) {
    const auto s = SyncPrefs::read();
    EXPECT_FALSE(s.privateMode);
    EXPECT_FALSE(s.leaderboardOptIn);
    EXPECT_FALSE(s.lastSyncDate);
}

TEST_F(SyncPrefsTest, ReadsTheThreeKeys) {
    ASSERT_TRUE(Prefs::setBoolean(Key::privateMode, true));
    ASSERT_TRUE(Prefs::setBoolean(Key::leaderboardOptIn, true));
    ASSERT_TRUE(Prefs::setString(Key::lastSyncDate, "2025-01-30"));
    const auto s = SyncPrefs::read();
    EXPECT_TRUE(s.privateMode);
    EXPECT_TRUE(s.leaderboardOptIn);
    EXPECT_EQ(s.lastSyncDate, "2025-01-30");
}

TEST_F(SyncPrefsTest, AnUploadStoresTheDayAndNoTokenReachesTheFile) {
    ASSERT_TRUE(Prefs::setBoolean(Key::leaderboardOptIn, true));
    store->save(
        AuthSession{"access-secret-1", "refresh-secret-1", now + 20, "user-1", "ada@example.org"});
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-secret-2", "refresh-secret-2", "user-1")));
    server.enqueue(ScriptedResponse::text(201, ""));
    const auto r = awaitResult<Done>(
        [&](auto done) { StatsSync::syncNow(Stats{}, SyncPrefs::markSynced, done, *m); });
    ASSERT_TRUE(r);
    ASSERT_TRUE(*r);
    EXPECT_EQ(SyncPrefs::read().lastSyncDate, "2025-01-31");

    // The daily upload now waits for tomorrow.
    EXPECT_FALSE(StatsSync::maybeSyncDaily(Stats{}, SyncPrefs::read(), SyncPrefs::markSynced, *m));

    const std::string file = settingsFileText();
    EXPECT_NE(file.find("2025-01-31"), std::string::npos) << file;
    for (const char* secret :
         {"access-secret-1", "refresh-secret-1", "access-secret-2", "refresh-secret-2"}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
    }
}

}  // namespace
}  // namespace tavrik::test
