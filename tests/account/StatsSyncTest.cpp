#include "account/Leaderboard.h"
#include "account/StatsSync.h"
#include "tests/account/AccountTestSupport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <gtest/gtest.h>

#include <cmath>
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
        {"tokens_all", 1250000.0},                             // cache reads and writes left out
        {"last_synced", std::string("2025-01-31T18:00:00Z")},  // fractions dropped
    };
    EXPECT_EQ(StatsSync::payload(sampleStats(), userA, berlinEvening + 0.999), expected);

    Stats s = sampleStats();
    s.topModel.reset();
    const auto json = StatsSync::payloadJson(StatsSync::payload(s, userA, 0), false);
    ASSERT_TRUE(json);
    EXPECT_NE(json->find(R"("top_model":null,)"), std::string::npos) << *json;
    EXPECT_EQ(json->find('\n'), std::string::npos);
}

TEST(SyncPayload, TodayAndTheWeekNeverExceedThePeriodsHoldingThem) {
    // Sums of the same costs in another order: the week one bit above the all-time figure.
    Stats s = sampleStats();
    s.cost = 0.3;
    s.weekCost = std::nextafter(0.3, 1.0);
    s.todayCost = s.weekCost;
    s.weekTokens = 1250000.5;
    s.todayTokens = 1250001;
    const Payload row = StatsSync::payload(s, userA, 0);
    EXPECT_EQ(row.at("cost_week"), PayloadValue(0.3));
    EXPECT_EQ(row.at("cost_today"), PayloadValue(0.3));
    EXPECT_EQ(row.at("tokens_week"), PayloadValue(1250000.0));
    EXPECT_EQ(row.at("tokens_today"), PayloadValue(1250000.0));
}

TEST(SyncPayload, ANonFiniteFigureCannotBeSerialised) {
    Stats s = sampleStats();
    s.cost = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(StatsSync::payloadJson(StatsSync::payload(s, userA, 0), false));
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

    // Returns whether the daily upload started; when it did, waits until its answer was
    // handled (the automatic path has no completion, so this watches the network instead).
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

    std::vector<std::string> marked;
};

TEST_F(SyncUpload, PostsTheRowWithTheFourHeadersInOrderAndMarksTheDay) {
    now = 1738314000;  // 10:00 local: a manual sync ignores the hour
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(201, ""));
    ASSERT_TRUE(syncNow(*m));
    ASSERT_EQ(server.requests().size(), 1u);
    const auto& r = server.requests()[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/rest/v1/scores");
    const std::pair<QByteArray, QByteArray> headers[] = {
        {"apikey", QByteArray::fromStdString(testKey)},
        {"Authorization", "Bearer access-old"},
        {"Content-Type", "application/json"},
        {"Prefer", "resolution=merge-duplicates,return=minimal"},
    };
    for (std::size_t i = 0; i < std::size(headers); ++i) {
        EXPECT_EQ(r.header(headers[i].first), headers[i].second);
        EXPECT_TRUE(i == 0 || r.headerIndex(headers[i - 1].first) < r.headerIndex(headers[i].first))
            << headers[i].first.toStdString() << " out of order";
    }
    EXPECT_EQ(r.body.toStdString(),
              StatsSync::payloadJson(StatsSync::payload(sampleStats(), userA, now), false));
    EXPECT_EQ(marked, std::vector<std::string>{"2025-01-31"});
}

TEST_F(SyncUpload, RejectionsAreServerErrorsAndMarkNothing) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(409, R"({"code":"23505","message":"duplicate key"})"));
    server.enqueue(ScriptedResponse::json(403, R"({"msg":"ignored","error":"forbidden"})"));
    server.enqueue(ScriptedResponse::text(500, ""));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(409, "duplicate key"));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(403, "forbidden"));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(500, "Sync failed (500)"));
    EXPECT_TRUE(marked.empty());
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

    // A rejected refresh is passed on without an upload.
    storeSession(now - 1);
    m = makeManager();
    server.enqueue(ScriptedResponse::json(401, R"({"msg":"Invalid Refresh Token"})"));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(401, "Invalid Refresh Token"));
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(SyncUpload, NothingIsSentSignedOutOrWithARowThatCannotBeSerialised) {
    auto signedOut = makeManager();
    EXPECT_EQ(syncNow(*signedOut).error(), AuthError::notSignedIn());
    storeSession(now + 3600);
    auto m = makeManager();
    Stats s = sampleStats();
    s.cost = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(syncNow(*m, s).error().kind, AuthError::Kind::Network);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(marked.empty());
}

// Without a server every entry point says so and sends nothing, even signed in with a valid
// session and an address half set (no key): nothing goes out without both.
TEST_F(SyncUpload, WithoutAServerEveryEntryPointRefusesAndSendsNothing) {
    storeSession(now + 3600);
    auto m = std::make_unique<AuthManager>(BackendConfig{server.baseUrl(), ""}, store,
                                           AuthManager::Options{60'000, [this] { return now; }});
    const AuthError noServer = AuthError::noServer();
    EXPECT_EQ(noServer.errorDescription(), "No leaderboard server is configured");
    EXPECT_EQ(sendOTP(*m, "ada@example.org").error(), noServer);
    EXPECT_EQ(verifyOTP(*m, "ada@example.org", "123456").error(), noServer);
    EXPECT_EQ(syncNow(*m).error(), noServer);
    EXPECT_FALSE(maybeSync(*m, {false, true, std::nullopt}));
    std::ostringstream out;
    EXPECT_EQ(StatsSync::dryRunPrint(sampleStats(), *m, out).error(), noServer);
    EXPECT_EQ(out.str(), "");
    const auto board = awaitResult<std::vector<Leaderboard::Row>>(
        [&](auto done) { Leaderboard::fetch(20, *m, done); });
    EXPECT_EQ(board->error(), noServer);
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
}

// --- the daily gate ---

TEST_F(SyncUpload, TheDailyUploadPassesEveryGateInTurn) {
    struct Case {
        const char* what;
        bool signedIn;
        SyncSettings settings;
        double at;
        bool uploads;
    };
    const SyncSettings joined{false, true, std::nullopt};
    const Case cases[] = {
        {"signed out", false, joined, berlinEvening, false},
        {"private", true, {true, true, std::nullopt}, berlinEvening, false},
        {"not joined", true, {false, false, std::nullopt}, berlinEvening, false},
        {"18:59:59", true, joined, berlinEvening - 1, false},
        {"synced today", true, {false, true, "2025-01-31"}, berlinEvening, false},
        {"19:00", true, joined, berlinEvening, true},
        {"23:59:59", true, joined, 1738364399, true},
        {"synced yesterday", true, {false, true, "2025-01-30"}, berlinEvening, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store->remove();
        if (c.signedIn) {
            storeSession(berlinEvening + 7200);
        }
        now = c.at;
        auto m = makeManager();
        const std::size_t before = server.requests().size();
        if (c.uploads) {
            server.enqueue(ScriptedResponse::text(201, ""));
        }
        EXPECT_EQ(maybeSync(*m, c.settings), c.uploads);
        EXPECT_EQ(server.requests().size() - before, c.uploads ? 1u : 0u);
    }
}

TEST_F(SyncUpload, AFailedDailyUploadMarksNothingSoTheNextOneTriesAgain) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(500, ""));
    EXPECT_TRUE(maybeSync(*m, {false, true, std::nullopt}));
    EXPECT_TRUE(marked.empty());
    server.enqueue(ScriptedResponse::text(201, ""));
    EXPECT_TRUE(maybeSync(*m, {false, true, std::nullopt}));
    EXPECT_EQ(marked, std::vector<std::string>{"2025-01-31"});
}

// --- the dry run ---

TEST_F(SyncUpload, TheDryRunPrintsSortedJsonWithTheUserAndNeverATokenOrKey) {
    for (const bool signedIn : {false, true}) {
        SCOPED_TRACE(signedIn);
        store->remove();
        if (signedIn) {
            storeSession(now + 10);  // would need a refresh; the dry run must not do one
        }
        auto m = makeManager();
        std::ostringstream out;
        ASSERT_TRUE(StatsSync::dryRunPrint(sampleStats(), *m, out));
        const std::string user = signedIn ? userA : "00000000-0000-0000-0000-000000000000";
        EXPECT_EQ(out.str(),
                  "[tavrik --sync-dry-run] would POST " + server.baseUrl()
                      + "/rest/v1/scores\n"
                        "Headers: apikey=<anon key>, Authorization=Bearer <access_token>, "
                        "Content-Type=application/json, "
                        "Prefer=resolution=merge-duplicates,return=minimal\n"
                      + *StatsSync::payloadJson(StatsSync::payload(sampleStats(), user, now), true)
                      + "\n");
        EXPECT_EQ(out.str().find(testKey), std::string::npos);
    }
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace tavrik::test
