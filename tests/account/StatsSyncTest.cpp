#include "account/StatsSync.h"
#include "account/internal/JsonObject.h"
#include "tests/account/AccountTestSupport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <gtest/gtest.h>

#include <sstream>

namespace tavrik::test {
namespace {

using StatsSync::Payload;
using StatsSync::PayloadValue;
using StatsSync::SyncSettings;

const std::string userA = "6f1c2a34-0000-4000-8000-00000000abcd";

// A Stats whose figures are all different, so a swapped field shows.
Stats sampleStats() {
    Stats s;
    s.crackedScore = 71;
    s.streakCurrent = 4;
    s.topModel = "Opus 4.1";
    s.todayLinesAdded = 120;
    s.weekLinesAdded = 900;
    s.linesAdded = 5000;
    s.linesRemoved = 1234;
    s.todayCost = 1.25;
    s.weekCost = 17.5;
    s.cost = 321.0625;
    s.todayTokens = 45000;
    s.weekTokens = 380000.5;
    s.tokensIn = 1000000;
    s.tokensOut = 250000;
    s.cacheRead = 9e9;
    s.cacheWrite = 7e7;
    return s;
}

// --- the score row ---

TEST(SyncPayload, CarriesTheHeadlineFiguresUnderTheirBackendNames) {
    const Payload row = StatsSync::payload(sampleStats(), userA, berlinEvening);
    const Payload expected = {
        {"user_id", userA},
        {"tavrik_score", std::int64_t{71}},
        {"streak", std::int64_t{4}},
        {"top_model", std::string("Opus 4.1")},
        {"lines_today", std::int64_t{120}},
        {"lines_week", std::int64_t{900}},
        {"lines_all", std::int64_t{6234}},  // added plus removed
        {"cost_today", 1.25},
        {"cost_week", 17.5},
        {"cost_all", 321.0625},
        {"tokens_today", 45000.0},
        {"tokens_week", 380000.5},
        {"tokens_all", 1250000.0},  // cache reads and writes left out
        {"last_synced", std::string("2025-01-31T18:00:00Z")},
    };
    EXPECT_EQ(row, expected);
}

TEST(SyncPayload, AnAbsentTopModelIsJsonNull) {
    Stats s = sampleStats();
    s.topModel.reset();
    const Payload row = StatsSync::payload(s, userA, berlinEvening);
    EXPECT_EQ(row.at("top_model"), PayloadValue(nullptr));
    const auto json = StatsSync::payloadJson(row, false);
    ASSERT_TRUE(json);
    EXPECT_NE(json->find(R"("top_model":null)"), std::string::npos);
}

TEST(SyncPayload, LastSyncedDropsFractionsOfASecond) {
    const Payload row = StatsSync::payload(Stats{}, userA, 1738346400.999);
    EXPECT_EQ(row.at("last_synced"), PayloadValue(std::string("2025-01-31T18:00:00Z")));
}

TEST(SyncPayload, CompactJsonIsOneLineAndReadsBack) {
    const auto json = StatsSync::payloadJson(StatsSync::payload(sampleStats(), userA, 0), false);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->find('\n'), std::string::npos);
    EXPECT_EQ(json->find(" : "), std::string::npos);
    const auto back = detail::JsonObject::parse(*json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->number("cost_all"), 321.0625);
    EXPECT_EQ(back->number("lines_all"), 6234);
    EXPECT_EQ(back->string("last_synced"), "1970-01-01T00:00:00Z");
}

TEST(SyncPayload, ANonFiniteFigureCannotBeSerialised) {
    Stats s = sampleStats();
    s.todayCost = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(StatsSync::payloadJson(StatsSync::payload(s, userA, 0), false));
}

TEST(SyncDayKey, IsTheLocalCalendarDate) {
    // 2025-01-31 23:30 UTC is already 1 February in Berlin.
    EXPECT_EQ(StatsSync::dayKey(1738366200), "2025-02-01");
    EXPECT_EQ(StatsSync::dayKey(1738364399), "2025-01-31");
    EXPECT_EQ(StatsSync::dayKey(0), "1970-01-01");
}

// --- the upload request and its answers ---

class SyncUpload : public AccountTest {
protected:
    Result<Done> syncNow(AuthManager& m, const Stats& stats = sampleStats()) {
        auto r = awaitResult<Done>([&](auto done) {
            StatsSync::syncNow(
                stats, [this](const std::string& key) { marked.push_back(key); }, done, m);
        });
        return r ? *r : Result<Done>(AuthError::network("no completion"));
    }

    std::vector<std::string> marked;
};

TEST_F(SyncUpload, PostsTheRowWithTheFourHeadersInOrder) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(201, ""));
    ASSERT_TRUE(syncNow(*m));
    ASSERT_EQ(server.requests().size(), 1u);
    const auto& r = server.requests()[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/rest/v1/scores");
    EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
    EXPECT_EQ(r.header("Authorization"), "Bearer access-old");
    EXPECT_EQ(r.header("Content-Type"), "application/json");
    EXPECT_EQ(r.header("Prefer"), "resolution=merge-duplicates,return=minimal");
    const int apikey = r.headerIndex("apikey");
    const int authorization = r.headerIndex("Authorization");
    const int contentType = r.headerIndex("Content-Type");
    const int prefer = r.headerIndex("Prefer");
    EXPECT_LT(apikey, authorization);
    EXPECT_LT(authorization, contentType);
    EXPECT_LT(contentType, prefer);
    const auto expected =
        StatsSync::payloadJson(StatsSync::payload(sampleStats(), userA, now), false);
    EXPECT_EQ(r.body.toStdString(), expected);
}

TEST_F(SyncUpload, SuccessMarksTodayAsSynced) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(204, ""));
    ASSERT_TRUE(syncNow(*m));
    EXPECT_EQ(marked, std::vector<std::string>{"2025-01-31"});
}

TEST_F(SyncUpload, A409WithAMessageIsAServerErrorAndMarksNothing) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(409, R"({"code":"23505","message":"duplicate key"})"));
    const auto r = syncNow(*m);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), AuthError::server(409, "duplicate key"));
    EXPECT_TRUE(marked.empty());
}

TEST_F(SyncUpload, ErrorTextsFallBackToErrorThenToSyncFailed) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(403, R"({"msg":"ignored","error":"forbidden"})"));
    server.enqueue(ScriptedResponse::text(500, ""));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(403, "forbidden"));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(500, "Sync failed (500)"));
    EXPECT_EQ(syncNow(*m).error().errorDescription(), "Sync failed (599)");  // unscripted
    EXPECT_TRUE(marked.empty());
}

TEST_F(SyncUpload, SignedOutFailsWithNotSignedInAndSendsNothing) {
    auto m = makeManager();
    const auto r = syncNow(*m);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), AuthError::notSignedIn());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(SyncUpload, AnExpiringSessionIsRefreshedAndTheNewTokenIsUsed) {
    storeSession(now + 20);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "refresh-new", userA)));
    server.enqueue(ScriptedResponse::text(201, ""));
    ASSERT_TRUE(syncNow(*m));
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0].target, "/auth/v1/token?grant_type=refresh_token");
    EXPECT_EQ(server.requests()[1].header("Authorization"), "Bearer access-new");
}

TEST_F(SyncUpload, ARejectedRefreshIsPassedOnWithoutAnUpload) {
    storeSession(now - 1);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(401, R"({"msg":"Invalid Refresh Token"})"));
    const auto r = syncNow(*m);
    EXPECT_EQ(r.error(), AuthError::server(401, "Invalid Refresh Token"));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(m->session());
}

TEST_F(SyncUpload, AManualSyncIgnoresHourDateAndOptIn) {
    now = 1738314000;  // 10:00 local
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(201, ""));
    ASSERT_TRUE(syncNow(*m));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(SyncUpload, ARowThatCannotBeSerialisedIsNotSent) {
    storeSession(now + 3600);
    auto m = makeManager();
    Stats s = sampleStats();
    s.cost = std::numeric_limits<double>::quiet_NaN();
    const auto r = syncNow(*m, s);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().kind, AuthError::Kind::Network);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(marked.empty());
}

// --- the daily gate ---

class SyncDailyGate : public SyncUpload {
protected:
    // Returns whether an upload started; when it did, waits until its answer was handled (the
    // automatic path has no completion to wait on, so this watches the network instead).
    bool maybeSync(AuthManager& m, const SyncSettings& settings) {
        int finished = 0;
        const auto watch = QObject::connect(&m.network(), &QNetworkAccessManager::finished,
                                            [&finished] { ++finished; });
        const bool started = StatsSync::maybeSyncDaily(
            sampleStats(), settings, [this](const std::string& key) { marked.push_back(key); }, m);
        if (started) {
            EXPECT_TRUE(waitUntil([&finished] { return finished > 0; }));
        }
        drainEvents();
        QObject::disconnect(watch);
        return started;
    }

    SyncSettings joined{false, true, std::nullopt};
};

TEST_F(SyncDailyGate, SignedOutNeverUploads) {
    auto m = makeManager();
    EXPECT_FALSE(maybeSync(*m, joined));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(SyncDailyGate, PrivateModeNeverUploads) {
    storeSession(now + 3600);
    auto m = makeManager();
    EXPECT_FALSE(maybeSync(*m, {true, true, std::nullopt}));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(SyncDailyGate, WithoutJoiningTheLeaderboardNothingIsUploaded) {
    storeSession(now + 3600);
    auto m = makeManager();
    EXPECT_FALSE(maybeSync(*m, {false, false, std::nullopt}));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(SyncDailyGate, At1859NothingAndAt1900AnUpload) {
    storeSession(now + 7200);
    auto m = makeManager();
    now = berlinEvening - 1;
    EXPECT_FALSE(maybeSync(*m, joined));
    EXPECT_TRUE(server.requests().empty());

    now = berlinEvening;
    server.enqueue(ScriptedResponse::text(201, ""));
    EXPECT_TRUE(maybeSync(*m, joined));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/rest/v1/scores");
    EXPECT_EQ(marked, std::vector<std::string>{"2025-01-31"});
}

TEST_F(SyncDailyGate, TheLastMinuteBeforeMidnightStillCounts) {
    now = 1738364399;  // 23:59:59 local
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(201, ""));
    EXPECT_TRUE(maybeSync(*m, joined));
}

TEST_F(SyncDailyGate, AlreadySyncedTodayWaitsForTomorrow) {
    storeSession(now + 3600);
    auto m = makeManager();
    EXPECT_FALSE(maybeSync(*m, {false, true, "2025-01-31"}));
    EXPECT_TRUE(server.requests().empty());

    server.enqueue(ScriptedResponse::text(201, ""));
    EXPECT_TRUE(maybeSync(*m, {false, true, "2025-01-30"}));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(SyncDailyGate, AFailedUploadMarksNothingSoTheNextOneTriesAgain) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(500, ""));
    EXPECT_TRUE(maybeSync(*m, joined));
    EXPECT_TRUE(marked.empty());
    server.enqueue(ScriptedResponse::text(201, ""));
    EXPECT_TRUE(maybeSync(*m, joined));
    EXPECT_EQ(marked.size(), 1u);
    EXPECT_EQ(server.requests().size(), 2u);
}

// --- the dry run ---

using SyncDryRun = AccountTest;

TEST_F(SyncDryRun, SignedOutShowsTheAllZeroUser) {
    auto m = makeManager();
    std::ostringstream out;
    StatsSync::dryRunPrint(sampleStats(), *m, out);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("[tavrik --sync-dry-run] would POST " + server.baseUrl()
                             + "/rest/v1/scores\n"
                               "Headers: apikey=<anon key>, Authorization=Bearer <access_token>, "
                               "Content-Type=application/json, "
                               "Prefer=resolution=merge-duplicates,return=minimal\n{\n",
                         0),
              0u);
    EXPECT_NE(text.find(R"(  "user_id" : "00000000-0000-0000-0000-000000000000")"),
              std::string::npos);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(SyncDryRun, PrintsSortedPrettyJsonAndNeverATokenOrKey) {
    storeSession(now + 10);  // would need a refresh; the dry run must not do one
    auto m = makeManager();
    std::ostringstream out;
    StatsSync::dryRunPrint(sampleStats(), *m, out);
    drainEvents();
    const std::string text = out.str();
    EXPECT_EQ(text.find("access-old"), std::string::npos);
    EXPECT_EQ(text.find("refresh-old"), std::string::npos);
    EXPECT_EQ(text.find(testKey), std::string::npos);
    EXPECT_NE(text.find(R"("user_id" : ")" + userA + "\""), std::string::npos);

    const auto body = text.substr(text.find("{\n"));
    const auto expected =
        StatsSync::payloadJson(StatsSync::payload(sampleStats(), userA, now), true);
    EXPECT_EQ(body, *expected + "\n");
    std::vector<std::string> keys;
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  \"", 0) == 0) {
            keys.push_back(line.substr(3, line.find('"', 3) - 3));
        }
    }
    EXPECT_EQ(keys.size(), 14u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(m->session()->accessToken, "access-old");
}

}  // namespace
}  // namespace tavrik::test
