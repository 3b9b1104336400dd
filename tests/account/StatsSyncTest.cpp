// The score upload against a scripted backend on 127.0.0.1: the row, the request, the daily
// gate and the dry run.

#include "account/StatsSync.h"
#include "tests/account/AccountTestSupport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavrik::test {
namespace {

using StatsSync::SyncSettings;

// A Stats whose figures are all different, so a swapped field shows; today's cost is above the
// week's and the week's tokens a bit above the all-time figure, as sums taken in another order
// can be.
const Stats sample = [] {
    Stats s;
    s.crackedScore = 71;
    s.streakCurrent = 4;
    s.topModel = "Opus 4.1";
    s.todayLinesAdded = 120;
    s.weekLinesAdded = 900;
    s.linesAdded = 5000;
    s.linesRemoved = 1234;
    s.todayCost = 17.75;
    s.weekCost = 17.5;
    s.cost = 321.0625;
    s.todayTokens = 45000;
    s.weekTokens = std::nextafter(1250000.0, 2e6);
    s.tokensIn = 1e6;
    s.tokensOut = 2.5e5;
    s.cacheRead = 9e9;
    s.cacheWrite = 7e7;
    return s;
}();

TEST(SyncPayload, CarriesTheHeadlineFiguresEachPeriodWithinTheNextOne) {
    // Lines all-time are added plus removed; tokens leave out cache reads and writes; the time
    // drops its fraction.
    EXPECT_EQ(
        StatsSync::payloadJson(StatsSync::payload(sample, userA, berlinEvening + 0.999), false),
        R"({"cost_all":321.0625,"cost_today":17.5,"cost_week":17.5,)"
        R"("last_synced":"2025-01-31T18:00:00Z","lines_all":6234,"lines_today":120,)"
        R"("lines_week":900,"streak":4,"tavrik_score":71,"tokens_all":1250000,)"
        R"("tokens_today":45000,"tokens_week":1250000,"top_model":"Opus 4.1","user_id":")"
            + userA + R"("})");
    Stats s = sample;
    s.cost = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(StatsSync::payloadJson(StatsSync::payload(s, userA, 0), false));
}

class SyncUpload : public AccountTest {
protected:
    Result<Done> syncNow(AuthManager& m, const Stats& stats = sample) {
        return await<Done>([&](auto done) { StatsSync::syncNow(stats, mark(), done, m); });
    }
    StatsSync::MarkSynced mark() {
        return [this](const std::string& key) { marked.push_back(key); };
    }

    // Returns whether the daily upload started; when it did, waits until its answer was
    // handled (the automatic path has no completion, so this watches the network instead).
    bool maybeSync(AuthManager& m, const SyncSettings& settings) {
        int finished = 0;
        const auto watch = QObject::connect(&m.network(), &QNetworkAccessManager::finished,
                                            [&finished] { ++finished; });
        const bool started = StatsSync::maybeSyncDaily(sample, settings, mark(), m);
        EXPECT_TRUE(!started || waitUntil([&finished] { return finished > 0; }));
        drainEvents();
        QObject::disconnect(watch);
        return started;
    }

    std::vector<std::string> marked;
};

// A manual upload says why it failed and marks nothing; nothing is sent signed out, for a row
// that cannot be written or without a server (an address without a key). (A refresh rejected
// during an upload is followed through the settings window.)
TEST_F(SyncUpload, AFailedManualUploadSaysWhyAndMarksNothing) {
    EXPECT_EQ(syncNow(*makeManager()).error(), AuthError::notSignedIn());
    storeSession(now + 20);  // asking for a token refreshes first
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "refresh-new", userA)));
    server.enqueue(ScriptedResponse::text(500, ""));
    EXPECT_EQ(syncNow(*m).error(), AuthError::server(500, "Sync failed (500)"));
    EXPECT_EQ(server.requests().at(1).header("Authorization"), "Bearer access-new");
    Stats nan = sample;
    nan.cost = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(syncNow(*m, nan).error().kind, AuthError::Kind::Network);
    AuthManager noServer(BackendConfig{server.baseUrl(), ""}, store);
    EXPECT_EQ(syncNow(noServer).error(), AuthError::noServer());
    EXPECT_FALSE(maybeSync(noServer, {false, true, std::nullopt}));
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_TRUE(marked.empty());
}

TEST_F(SyncUpload, TheDailyUploadPassesEveryGateInTurnPostsTheRowAndMarksOnlyASuccess) {
    const SyncSettings joined{false, true, std::nullopt};
    const struct {
        const char* what;
        bool signedIn;
        SyncSettings settings;
        double at;
        int answer;  // the upload's status, 0 when none may start
    } cases[] = {
        {"signed out", false, joined, berlinEvening, 0},
        {"private", true, {true, true, std::nullopt}, berlinEvening, 0},
        {"not joined", true, {false, false, std::nullopt}, berlinEvening, 0},
        {"18:59:59", true, joined, berlinEvening - 1, 0},
        {"synced today", true, {false, true, "2025-01-31"}, berlinEvening, 0},
        {"19:00", true, joined, berlinEvening, 201},
        {"synced yesterday", true, {false, true, "2025-01-30"}, berlinEvening, 201},
        {"failed", true, joined, berlinEvening, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store->remove();
        if (c.signedIn) {
            storeSession(c.at + 3600);
        }
        now = c.at;
        auto m = makeManager();
        const std::size_t before = server.requests().size();
        marked.clear();
        if (c.answer) {
            server.enqueue(ScriptedResponse::text(c.answer, ""));
        }
        EXPECT_EQ(maybeSync(*m, c.settings), c.answer != 0);
        ASSERT_EQ(server.requests().size() - before, c.answer ? 1u : 0u);
        EXPECT_EQ(marked, std::vector<std::string>(c.answer == 201, "2025-01-31"));
        if (!c.answer) {
            continue;
        }
        const auto& r = server.requests().back();
        EXPECT_EQ(r.method + " " + r.target, "POST /rest/v1/scores");
        EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
        EXPECT_EQ(r.header("Authorization"), "Bearer access-old");
        EXPECT_EQ(r.header("Content-Type"), "application/json");
        EXPECT_EQ(r.header("Prefer"), "resolution=merge-duplicates,return=minimal");
        EXPECT_EQ(r.body.toStdString(),
                  StatsSync::payloadJson(StatsSync::payload(sample, userA, now), false));
    }
}

}  // namespace
}  // namespace tavrik::test
