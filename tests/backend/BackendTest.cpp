// The backend's SQL on a real PostgreSQL server started for the test: the table the upload
// writes, who may write which row, and which rows the board refuses.

#include "account/StatsSync.h"
#include "bench/LogGen.h"
#include "engine/StatsEngine.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>

namespace tavrik::test {
namespace {

using StatsSync::Payload;

// A throwaway server of the newest installed version, listening only on a Unix socket in its
// own temporary folder (parallel runs cannot clash), with trust authentication. PostgreSQL
// refuses to run as root, so under root it runs as Debian's "postgres" user.
class PgServer {
public:
    // Starts the server; returns the reason when it could not.
    std::string start() {
        m_bin = shell("ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1").output;
        if (m_bin.empty()) {
            return "no PostgreSQL server under /usr/lib/postgresql (package postgresql)";
        }
        m_bin.back() = '/';  // was the newline
        if (geteuid() == 0 && !shell("chown postgres " + dir()).ok) {
            return "running as root needs the 'postgres' user";
        }
        const auto up =
            shell(m_as + m_bin + "initdb -D " + dir() + "/data -A trust -U postgres"
                  + " --no-sync && " + m_as + m_bin + "pg_ctl -D " + dir() + "/data -l " + dir()
                  + "/log -w start -o '-c listen_addresses= -c fsync=off -k " + dir() + "'");
        return up.ok ? "" : "the server did not start: " + up.output;
    }
    ~PgServer() { shell(m_as + m_bin + "pg_ctl -D " + dir() + "/data -m immediate stop"); }

    ShellResult run(const std::string& sql) const {
        return shell(psql() + "<<'EOF'\n" + sql + "\nEOF");
    }
    ShellResult runFile(const std::string& file) const { return shell(psql() + "-f " + file); }

private:
    std::string dir() const { return m_dir.path().string(); }
    std::string psql() const {
        return m_bin + "psql -X -q -A -t -v ON_ERROR_STOP=1 -U postgres -h " + dir() + " ";
    }

    TempDir m_dir;
    std::string m_as = geteuid() == 0 ? "runuser -u postgres -- " : "";
    std::string m_bin;
};

const std::string userA = "6f1c2a34-0000-4000-8000-00000000000a";
const std::string userB = "6f1c2a34-0000-4000-8000-00000000000b";
const std::string userC = "6f1c2a34-0000-4000-8000-00000000000c";  // has no row
constexpr double evening = 1738346400;                             // 2025-01-31 18:00 UTC

class Backend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_why = s_server.start();
        // The second run of schema.sql shows that applying it again is safe.
        for (const char* file : {"test-stub.sql", "schema.sql", "schema.sql"}) {
            if (const auto r = s_server.runFile(std::string(TAVRIK_BACKEND_DIR "/") + file);
                !r.ok && s_why.empty()) {
                s_why = std::string(file) + " failed: " + r.output;
            }
        }
        s_server.run("insert into auth.users values ('" + userA + "'), ('" + userB + "'), ('"
                     + userC + "');");
    }

    void SetUp() override {
        if (!s_why.empty()) {
            GTEST_SKIP() << "no PostgreSQL for the backend tests: " << s_why;
        }
        ASSERT_TRUE(s_server.run("truncate public.scores;").ok);
    }

    // Runs statements as a signed-in user, or as the anonymous role when user is empty, the
    // way the REST interface does: in a transaction with the role and the JWT claim set.
    static ShellResult as(const std::string& user, const std::string& sql) {
        return s_server.run("begin;\n"
                            + (user.empty() ? "set local role anon;\n"
                                            : "set local role authenticated;\nselect set_config("
                                              "'request.jwt.claim.sub', '"
                                                  + user + "', true) is null;\n")
                            + sql + "\ncommit;");
    }

    // The statement the REST interface runs for the client's upsert of a row.
    static std::string upsert(const Payload& row) {
        std::string set;
        for (const auto& [key, value] : row) {
            set += key == "user_id" ? "" : (set.empty() ? "" : ", ") + key + " = excluded." + key;
        }
        return "insert into public.scores select * from json_populate_record(null::public.scores,"
               " $json$"
               + StatsSync::payloadJson(row, false).value_or("{}")
               + "$json$) on conflict (user_id) do update set " + set + ";";
    }

    static Payload row(const std::string& user, std::int64_t score,
                       std::optional<std::string> topModel = std::nullopt, double now = evening) {
        Stats s;
        s.crackedScore = score;
        s.topModel = std::move(topModel);
        s.todayLinesAdded = 2;
        s.weekLinesAdded = 10;
        s.linesAdded = 10;
        s.linesRemoved = 5;
        s.todayCost = 1.5;
        s.weekCost = 12;
        s.cost = 12.625;
        s.tokensIn = 1e6;
        s.tokensOut = 2.5e5;
        s.todayTokens = 1;
        s.weekTokens = 2;
        return StatsSync::payload(s, user, now);
    }

    static std::string query(const std::string& sql) { return s_server.run(sql).output; }

    static inline PgServer s_server;
    static inline std::string s_why;
};

TEST_F(Backend, TheTableHoldsTheUploadedKeysAndASecondUpsertReplacesTheRow) {
    std::string keys;
    for (const auto& [key, value] : row(userA, 0)) {
        keys += (keys.empty() ? "" : ",") + key;
    }
    EXPECT_EQ(query("select string_agg(column_name, ',' order by column_name) from"
                    " information_schema.columns where table_name = 'scores';"),
              keys + "\n");
    ASSERT_TRUE(as(userA, upsert(row(userA, 40, "Opus 4.1"))).ok);
    const auto second = as(userA, upsert(row(userA, 71, std::nullopt, evening + 3600)));
    ASSERT_TRUE(second.ok) << second.output;
    EXPECT_EQ(query("select user_id, tavrik_score, coalesce(top_model, '<null>'), lines_all,"
                    " cost_all, tokens_all, last_synced at time zone 'UTC' from public.scores;"),
              userA + "|71|<null>|15|12.625|1250000|2025-01-31 19:00:00\n");
}

TEST_F(Backend, OnlyTheSignedInUserWritesTheirOwnRowAndNobodyDeletes) {
    ASSERT_TRUE(as(userB, upsert(row(userB, 50))).ok);
    // Not by an upsert onto B's id, nor by anonymous or claimless writes...
    for (const auto& attempt : {as(userA, upsert(row(userB, 99))), as("", upsert(row(userA, 1))),
                                s_server.run("begin; set local role authenticated;\n"
                                             + upsert(row(userA, 1)) + "\ncommit;")}) {
        EXPECT_TRUE(attempt.output.find("row-level security") != std::string::npos
                    || attempt.output.find("permission denied") != std::string::npos)
            << attempt.output;
    }
    // ...nor by a plain update, which finds no row it may write...
    const std::string setB = "update public.scores set tavrik_score = 0 where user_id = '" + userB;
    EXPECT_EQ(as(userA, setB + "' returning user_id;").output, "f\n");
    // ...nor by handing one's own row to another user, nor by deleting.
    ASSERT_TRUE(as(userA, upsert(row(userA, 10))).ok);
    EXPECT_FALSE(as(userA, "update public.scores set user_id = '" + userC + "' where user_id = '"
                               + userA + "';")
                     .ok);
    EXPECT_FALSE(as(userA, "delete from public.scores;").ok);
    // Everybody reads the whole board.
    EXPECT_EQ(
        as("",
           "select string_agg(tavrik_score::text, ',' order by tavrik_score) from public.scores;")
            .output,
        "10,50\n");
}

TEST_F(Backend, RowsBuiltFromGeneratedStatisticsAreAccepted) {
    for (const std::uint64_t seed : {1, 2, 3}) {
        TempDir home;
        // All, most and half of the logs in the week before the upload.
        bench::generateTree({.out = home.path(),
                             .totalBytes = 400'000,
                             .files = 30,
                             .seed = seed,
                             .lastDay = std::int64_t(evening / 86400),
                             .spanDays = 4 * std::int64_t(seed)});
        const Stats stats = StatsEngine::build({{home.path() / ".claude/projects"},
                                                home.path() / ".codex/sessions",
                                                home.path() / "cache",
                                                evening});
        ASSERT_GT(stats.weekCost, 0);
        const auto r = as(userA, upsert(StatsSync::payload(stats, userA, evening + seed)));
        EXPECT_TRUE(r.ok) << "seed " << seed << ": " << r.output;
    }
}

TEST_F(Backend, ImpossibleRowsAreRefused) {
    const auto realNow = double(std::time(nullptr));
    const std::tuple<const char*, StatsSync::PayloadValue, const char*> cases[] = {
        {"tavrik_score", std::int64_t{100}, "scores_score_range"},
        {"tavrik_score", std::int64_t{-1}, "scores_score_range"},
        {"streak", std::int64_t{-3}, "scores_streak_range"},
        {"lines_today", std::int64_t{-1}, "scores_lines_order"},
        {"lines_today", std::int64_t{11}, "scores_lines_order"},  // the week holds 10
        {"lines_week", std::int64_t{16}, "scores_lines_order"},   // all-time holds 15
        {"cost_today", -0.5, "scores_cost_order"},
        {"cost_today", 12.5, "scores_cost_order"},  // the week holds 12
        {"cost_week", 13.0, "scores_cost_order"},   // all-time holds 12.625
        {"cost_all", std::string("Infinity"), "scores_cost_order"},
        {"tokens_today", 3.0, "scores_tokens_order"},  // the week holds 2
        {"tokens_week", 2e6, "scores_tokens_order"},
        {"tokens_all", std::string("NaN"), "scores_tokens_order"},
        {"last_synced", StatsSync::payload({}, userA, realNow + 86400 + 600).at("last_synced"),
         "scores_synced_not_ahead"},
    };
    const Payload valid = row(userA, 99);
    ASSERT_TRUE(as(userA, upsert(valid)).ok);
    for (const auto& [key, value, rule] : cases) {
        Payload bad = valid;
        bad[key] = value;
        const auto r = as(userA, upsert(bad));
        EXPECT_NE(r.output.find(rule), std::string::npos) << key << " breaks " << rule << r.output;
    }
    const auto earlier = as(userA, upsert(row(userA, 5, std::nullopt, evening - 1)));
    EXPECT_NE(earlier.output.find("last_synced may not move backwards"), std::string::npos)
        << earlier.output;
    EXPECT_EQ(query("select tavrik_score from public.scores;"), "99\n");
}

}  // namespace
}  // namespace tavrik::test
