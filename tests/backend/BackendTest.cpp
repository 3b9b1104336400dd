// The backend's SQL on a real PostgreSQL server: the table the upload writes, and who may
// write which row.

#include "account/StatsSync.h"
#include "tests/backend/PgServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace tavrik::test {
namespace {

const std::string userA = "6f1c2a34-0000-4000-8000-00000000000a";
const std::string userB = "6f1c2a34-0000-4000-8000-00000000000b";

class Backend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = PgServer::start(s_why);
        if (!s_server) {
            return;
        }
        for (const char* file : {"test-stub.sql", "schema.sql"}) {
            const auto r = s_server->runFile(std::string(TAVRIK_BACKEND_DIR) + "/" + file);
            if (!r.ok()) {
                s_why = std::string(file) + " failed: " + r.output;
                s_server.reset();
                return;
            }
        }
        // Applying the schema again must not fail.
        const auto again = s_server->runFile(std::string(TAVRIK_BACKEND_DIR) + "/schema.sql");
        s_rerunOk = again.ok();
        s_rerunOutput = again.output;
        s_server->run("insert into auth.users values ('" + userA + "'), ('" + userB + "');");
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

    // The statement the REST interface runs for the client's upsert of body (JSON).
    static std::string upsert(const std::string& body) {
        return "insert into public.scores select * from json_populate_record(null::public.scores, "
               "$json$"
               + body
               + "$json$)\n"
                 "on conflict (user_id) do update set "
                 "tavrik_score = excluded.tavrik_score, streak = excluded.streak, "
                 "top_model = excluded.top_model, lines_today = excluded.lines_today, "
                 "lines_week = excluded.lines_week, lines_all = excluded.lines_all, "
                 "cost_today = excluded.cost_today, cost_week = excluded.cost_week, "
                 "cost_all = excluded.cost_all, tokens_today = excluded.tokens_today, "
                 "tokens_week = excluded.tokens_week, tokens_all = excluded.tokens_all, "
                 "last_synced = excluded.last_synced;";
    }

    static std::string row(const std::string& user, std::int64_t score,
                           std::optional<std::string> topModel = std::nullopt,
                           double now = 1738346400) {
        Stats s;
        s.crackedScore = score;
        s.topModel = std::move(topModel);
        s.linesAdded = 10;
        s.linesRemoved = 5;
        s.cost = 12.625;
        s.tokensIn = 1e6;
        s.tokensOut = 2.5e5;
        return *StatsSync::payloadJson(StatsSync::payload(s, user, now), false);
    }

    static SqlResult query(const std::string& sql) { return s_server->run(sql); }

    static inline std::unique_ptr<PgServer> s_server;
    static inline std::string s_why;
    static inline bool s_rerunOk = false;
    static inline std::string s_rerunOutput;
};

TEST_F(Backend, TheSchemaCanBeAppliedTwice) {
    EXPECT_TRUE(s_rerunOk) << s_rerunOutput;
}

TEST_F(Backend, TheTableHasExactlyTheUploadedRowsKeys) {
    const auto r = query(
        "select string_agg(column_name, ',' order by column_name) from information_schema.columns"
        " where table_schema = 'public' and table_name = 'scores';");
    ASSERT_TRUE(r.ok()) << r.output;
    std::string keys;
    for (const auto& [key, value] : StatsSync::payload(Stats{}, userA, 0)) {
        keys += (keys.empty() ? "" : ",") + key;
    }
    EXPECT_EQ(r.output, keys + "\n");
    const auto pk = query(
        "select a.attname from pg_index i join pg_attribute a on a.attrelid = i.indrelid"
        " and a.attnum = any(i.indkey) where i.indrelid = 'public.scores'::regclass"
        " and i.indisprimary;");
    EXPECT_EQ(pk.output, "user_id\n");
}

TEST_F(Backend, TwoUpsertsOfOneUserLeaveOneRowWithTheSecondsValues) {
    ASSERT_TRUE(as(userA, upsert(row(userA, 40, "Opus 4.1", 1738346400))).ok());
    const auto second = as(userA, upsert(row(userA, 71, std::nullopt, 1738350000)));
    ASSERT_TRUE(second.ok()) << second.output;
    const auto r = query(
        "select user_id, tavrik_score, coalesce(top_model, '<null>'), lines_all, cost_all,"
        " tokens_all, last_synced at time zone 'UTC' from public.scores;");
    ASSERT_TRUE(r.ok()) << r.output;
    EXPECT_EQ(r.output, userA + "|71|<null>|15|12.625|1250000|2025-01-31 19:00:00\n");
}

TEST_F(Backend, AUserCannotCreateARowForAnotherUser) {
    const auto insert = as(userA, upsert(row(userB, 99)));
    EXPECT_FALSE(insert.ok());
    EXPECT_NE(insert.output.find("row-level security"), std::string::npos) << insert.output;
    EXPECT_EQ(query("select count(*) from public.scores;").output, "0\n");
}

TEST_F(Backend, AUserCannotOverwriteAnotherUsersRow) {
    ASSERT_TRUE(as(userB, upsert(row(userB, 50))).ok());

    // Not by an upsert over B's row...
    const auto insert = as(userA, upsert(row(userB, 99)));
    EXPECT_FALSE(insert.ok());
    EXPECT_NE(insert.output.find("row-level security"), std::string::npos) << insert.output;
    // ...nor by a plain update, which simply finds no row it may see for writing.
    const auto update = as(userA, "update public.scores set tavrik_score = 0 where user_id = '"
                                      + userB + "' returning user_id;");
    EXPECT_TRUE(update.ok()) << update.output;
    EXPECT_EQ(update.output.find(userB), std::string::npos);
    // ...nor by moving their own row onto B's id.
    ASSERT_TRUE(as(userA, upsert(row(userA, 10))).ok());
    const auto move = as(userA, "update public.scores set user_id = '" + userB
                                    + "' where user_id = '" + userA + "';");
    EXPECT_FALSE(move.ok());

    EXPECT_EQ(
        query("select tavrik_score from public.scores where user_id = '" + userB + "';").output,
        "50\n");
}

TEST_F(Backend, WithoutASignedInUserNothingCanBeWritten) {
    const auto anon = as("", upsert(row(userA, 1)));
    EXPECT_FALSE(anon.ok());
    EXPECT_NE(anon.output.find("permission denied"), std::string::npos) << anon.output;
    const auto noClaim = s_server->run("begin; set local role authenticated;\n"
                                       + upsert(row(userA, 1)) + "\ncommit;");
    EXPECT_FALSE(noClaim.ok());
    EXPECT_EQ(query("select count(*) from public.scores;").output, "0\n");
}

TEST_F(Backend, EveryoneCanReadTheBoardButNobodyDeletes) {
    ASSERT_TRUE(as(userA, upsert(row(userA, 10))).ok());
    ASSERT_TRUE(as(userB, upsert(row(userB, 20))).ok());
    EXPECT_EQ(as("", "select count(*) from public.scores;").output, "2\n");
    EXPECT_EQ(as(userA, "select count(*) from public.scores;").output, "f\n2\n");
    EXPECT_FALSE(as(userA, "delete from public.scores where user_id = '" + userA + "';").ok());
}

}  // namespace
}  // namespace tavrik::test
