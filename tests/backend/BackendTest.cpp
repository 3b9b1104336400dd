// The backend's SQL on a real PostgreSQL server: the table the upload writes, who may write
// which row, and which rows the board refuses.

#include "account/StatsSync.h"
#include "bench/LogGen.h"
#include "engine/StatsEngine.h"
#include "tests/backend/PgServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

namespace tavrik::test {
namespace {

using StatsSync::Payload;
using StatsSync::PayloadValue;

const std::string userA = "6f1c2a34-0000-4000-8000-00000000000a";
const std::string userB = "6f1c2a34-0000-4000-8000-00000000000b";
constexpr double evening = 1738346400;  // 2025-01-31 18:00 UTC

class Backend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = PgServer::start(s_why);
        // The second run of schema.sql shows that applying it again is safe.
        for (const char* file : {"test-stub.sql", "schema.sql", "schema.sql"}) {
            if (!s_server) {
                return;
            }
            const auto r = s_server->runFile(std::string(TAVRIK_BACKEND_DIR) + "/" + file);
            if (!r.ok()) {
                s_why = std::string(file) + " failed: " + r.output;
                s_server.reset();
            }
        }
        if (s_server) {
            s_server->run("insert into auth.users values ('" + userA + "'), ('" + userB + "');");
        }
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        if (!s_server) {
            GTEST_SKIP() << "no PostgreSQL for the backend tests: " << s_why;
        }
        ASSERT_TRUE(s_server->run("truncate public.scores;").ok());
    }

    // Runs statements as a signed-in user (or as the anonymous role when user is empty),
    // the way the REST interface does: in a transaction with the role and the JWT claim set.
    static SqlResult as(const std::string& user, const std::string& sql) {
        std::string text = "begin;\n";
        if (user.empty()) {
            text += "set local role anon;\n";
        } else {
            text +=
                "set local role authenticated;\n"
                "select set_config('request.jwt.claim.sub', '"
                + user + "', true) is null;\n";
        }
        return s_server->run(text + sql + "\ncommit;\n");
    }

    // The statement the REST interface runs for the client's upsert of a row.
    static std::string upsert(const Payload& row) {
        const std::string set =
            "tavrik_score = excluded.tavrik_score, streak = excluded.streak, "
            "top_model = excluded.top_model, lines_today = excluded.lines_today, "
            "lines_week = excluded.lines_week, lines_all = excluded.lines_all, "
            "cost_today = excluded.cost_today, cost_week = excluded.cost_week, "
            "cost_all = excluded.cost_all, tokens_today = excluded.tokens_today, "
            "tokens_week = excluded.tokens_week, tokens_all = excluded.tokens_all, "
            "last_synced = excluded.last_synced";
        return "insert into public.scores select * from json_populate_record("
               "null::public.scores, $json$"
               + StatsSync::payloadJson(row, false).value_or("{}")
               + "$json$)\non conflict (user_id) do update set " + set + ";";
    }

    static Payload row(const std::string& user, std::int64_t score,
                       std::optional<std::string> topModel = std::nullopt, double now = evening) {
        Stats s;
        s.crackedScore = score;
        s.topModel = std::move(topModel);
        s.linesAdded = 10;
        s.linesRemoved = 5;
        s.cost = 12.625;
        s.tokensIn = 1e6;
        s.tokensOut = 2.5e5;
        return StatsSync::payload(s, user, now);
    }

    static SqlResult query(const std::string& sql) { return s_server->run(sql); }

    static inline std::unique_ptr<PgServer> s_server;
    static inline std::string s_why;
};

TEST_F(Backend, TheTableHasExactlyTheUploadedRowsKeys) {
    std::string keys;
    for (const auto& [key, value] : row(userA, 0)) {
        keys += (keys.empty() ? "" : ",") + key;
    }
    EXPECT_EQ(query("select string_agg(column_name, ',' order by column_name)"
                    " from information_schema.columns"
                    " where table_schema = 'public' and table_name = 'scores';")
                  .output,
              keys + "\n");
    EXPECT_EQ(query("select a.attname from pg_index i join pg_attribute a on a.attrelid ="
                    " i.indrelid and a.attnum = any(i.indkey)"
                    " where i.indrelid = 'public.scores'::regclass and i.indisprimary;")
                  .output,
              "user_id\n");
}

TEST_F(Backend, TwoUpsertsOfOneUserLeaveOneRowWithTheSecondsValues) {
    ASSERT_TRUE(as(userA, upsert(row(userA, 40, "Opus 4.1"))).ok());
    const auto second = as(userA, upsert(row(userA, 71, std::nullopt, evening + 3600)));
    ASSERT_TRUE(second.ok()) << second.output;
    EXPECT_EQ(query("select user_id, tavrik_score, coalesce(top_model, '<null>'), lines_all,"
                    " cost_all, tokens_all, last_synced at time zone 'UTC' from public.scores;")
                  .output,
              userA + "|71|<null>|15|12.625|1250000|2025-01-31 19:00:00\n");
}

TEST_F(Backend, OnlyTheSignedInUserWritesTheirOwnRowAndNobodyDeletes) {
    ASSERT_TRUE(as(userB, upsert(row(userB, 50))).ok());
    // Not by an upsert onto B's id, nor by anonymous or claimless writes...
    for (const auto& attempt : {as(userA, upsert(row(userB, 99))), as("", upsert(row(userA, 1))),
                                s_server->run("begin; set local role authenticated;\n"
                                              + upsert(row(userA, 1)) + "\ncommit;")}) {
        EXPECT_FALSE(attempt.ok());
        EXPECT_TRUE(attempt.output.find("row-level security") != std::string::npos
                    || attempt.output.find("permission denied") != std::string::npos)
            << attempt.output;
    }
    // ...nor by a plain update, which finds no row it may write...
    EXPECT_EQ(as(userA, "update public.scores set tavrik_score = 0 where user_id = '" + userB
                            + "' returning user_id;")
                  .output,
              "f\n");
    // ...nor by moving one's own row onto B's id, nor by deleting.
    ASSERT_TRUE(as(userA, upsert(row(userA, 10))).ok());
    EXPECT_FALSE(as(userA, "update public.scores set user_id = '" + userB + "' where user_id = '"
                               + userA + "';")
                     .ok());
    EXPECT_FALSE(as(userA, "delete from public.scores where user_id = '" + userA + "';").ok());
    // Everybody reads the whole board.
    EXPECT_EQ(as("",
                 "select string_agg(tavrik_score::text, ',' order by tavrik_score)"
                 " from public.scores;")
                  .output,
              "10,50\n");
}

TEST_F(Backend, RowsBuiltFromGeneratedStatisticsAreAccepted) {
    for (const std::uint64_t seed : {1, 2, 3}) {
        SCOPED_TRACE(seed);
        TempDir home;
        bench::GenOptions options;
        options.out = home.path();
        options.totalBytes = 400'000;
        options.files = 30;
        options.seed = seed;
        options.lastDay = static_cast<std::int64_t>(evening / 86400);
        options.spanDays = 4 * static_cast<std::int64_t>(seed);  // all, most, half in the week
        bench::generateTree(options);
        const Stats stats = StatsEngine::build({{home.path() / ".claude/projects"},
                                                home.path() / ".codex/sessions",
                                                home.path() / "cache",
                                                evening});
        ASSERT_GT(stats.weekCost, 0);
        const auto r = as(userA, upsert(StatsSync::payload(stats, userA, evening + seed)));
        EXPECT_TRUE(r.ok()) << r.output;
    }
    EXPECT_EQ(query("select count(*) from public.scores;").output, "1\n");
}

TEST_F(Backend, ImpossibleRowsAreRefused) {
    using namespace std::chrono;
    const double realNow = duration<double>(system_clock::now().time_since_epoch()).count();
    struct Case {
        const char* key;
        PayloadValue value;
        const char* rule;
    };
    const Case cases[] = {
        {"tavrik_score", std::int64_t{150}, "scores_score_range"},
        {"tavrik_score", std::int64_t{-1}, "scores_score_range"},
        {"streak", std::int64_t{-3}, "scores_streak_range"},
        {"lines_today", std::int64_t{-1}, "scores_lines_order"},
        {"lines_today", std::int64_t{11}, "scores_lines_order"},  // week holds 10
        {"lines_week", std::int64_t{16}, "scores_lines_order"},   // all-time holds 15
        {"cost_today", -0.5, "scores_cost_order"},
        {"cost_week", 13.0, "scores_cost_order"},  // all-time holds 12.625
        {"cost_all", std::string("NaN"), "scores_cost_order"},
        {"cost_all", std::string("Infinity"), "scores_cost_order"},
        {"tokens_today", 3.0, "scores_tokens_order"},  // the week holds 2
        {"tokens_week", 2e6, "scores_tokens_order"},
        {"tokens_all", std::string("NaN"), "scores_tokens_order"},
        {"last_synced", StatsSync::payload({}, userA, realNow + 3 * 86400).at("last_synced"),
         "scores_synced_not_ahead"},
    };
    Payload valid = row(userA, 99);
    valid["lines_today"] = std::int64_t{2};
    valid["lines_week"] = std::int64_t{10};
    valid["cost_today"] = 1.5;
    valid["cost_week"] = 12.0;
    valid["tokens_today"] = 1.0;
    valid["tokens_week"] = 2.0;
    ASSERT_TRUE(as(userA, upsert(valid)).ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " breaks " + c.rule);
        Payload bad = valid;
        bad[c.key] = c.value;
        const auto r = as(userA, upsert(bad));
        EXPECT_FALSE(r.ok());
        EXPECT_NE(r.output.find(c.rule), std::string::npos) << r.output;
    }
    const auto earlier = as(userA, upsert(row(userA, 5, std::nullopt, evening - 60)));
    EXPECT_FALSE(earlier.ok());
    EXPECT_NE(earlier.output.find("last_synced may not move backwards"), std::string::npos)
        << earlier.output;
    EXPECT_EQ(query("select tavrik_score from public.scores;").output, "99\n");
}

}  // namespace
}  // namespace tavrik::test
