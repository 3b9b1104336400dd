// The backend's SQL on a real PostgreSQL server started for the test: the table the upload
// writes, who may write which row, and which rows the board refuses.

#include "account/StatsSync.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <optional>
#include <string>

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
        m_bin = shell("ls -d /usr/lib/postgresql/*/bin/ 2>/dev/null | sort -V | tail -n 1").output;
        if (m_bin.empty()) {
            return "no PostgreSQL server under /usr/lib/postgresql (package postgresql)";
        }
        m_bin.pop_back();  // the newline
        const auto up =
            shell((m_as.empty() ? "" : "chown postgres " + dir() + " && ") + m_as + m_bin
                  + "initdb -D " + dir() + "/data -A trust -U postgres" + " --no-sync && " + m_as
                  + m_bin + "pg_ctl -D " + dir() + "/data -l " + dir()
                  + "/log -w start -o '-c listen_addresses=" + " -c fsync=off -k " + dir() + "'");
        return up.ok ? "" : "the server did not start: " + up.output;
    }
    ~PgServer() { shell(m_as + m_bin + "pg_ctl -D " + dir() + "/data -m immediate stop"); }

    ShellResult run(const std::string& sql) const {
        return shell(m_bin + "psql -X -q -A -t -v ON_ERROR_STOP=1 -U postgres -h " + dir()
                     + " <<'EOF'\n" + sql + "\nEOF");
    }

private:
    std::string dir() const { return m_dir.path().string(); }

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
            if (const auto r = s_server.run(std::string("\\i " TAVRIK_BACKEND_DIR "/") + file);
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
        s.weekLinesAdded = 10;
        s.linesAdded = 15;
        s.weekCost = 12;
        s.cost = 12.625;
        s.tokensIn = 1.25e6;
        s.weekTokens = 2;
        return StatsSync::payload(s, user, now);
    }

    static std::string query(const std::string& sql) { return as("", sql).output; }

    static inline PgServer s_server;
    static inline std::string s_why;
};

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
    EXPECT_EQ(query("select sum(tavrik_score) from public.scores;"), "60\n");
}

// The table holds the upload's keys (the upsert names each as a column); a second upsert replaces
// the row; a row breaking a rule leaves the stored one alone.
TEST_F(Backend, AnUpsertReplacesTheRowAndImpossibleRowsAreRefused) {
    const std::tuple<const char*, StatsSync::PayloadValue, const char*> cases[] = {
        {"tavrik_score", std::int64_t{100}, "scores_score_range"},
        {"lines_today", std::int64_t{11}, "scores_lines_order"},  // the week holds 10
        {"lines_week", std::int64_t{16}, "scores_lines_order"},   // all-time holds 15
        {"cost_today", 12.5, "scores_cost_order"},                // the week holds 12
        {"cost_week", 13.0, "scores_cost_order"},                 // all-time holds 12.625
        {"cost_all", std::string("Infinity"), "scores_cost_order"},
        {"tokens_today", 3.0, "scores_tokens_order"},  // the week holds 2
        {"tokens_week", 2e6, "scores_tokens_order"},
        {"tokens_all", std::string("NaN"), "scores_tokens_order"},
        {"last_synced",
         StatsSync::payload({}, userA, std::time(nullptr) + 86400 + 600.0).at("last_synced"),
         "scores_synced_not_ahead"},
        {"last_synced", row(userA, 0, {}, evening + 3599).at("last_synced"),
         "last_synced may not move backwards"},
    };
    ASSERT_TRUE(as(userA, upsert(row(userA, 40, "Opus 4.1"))).ok);
    const Payload valid = row(userA, 99, std::nullopt, evening + 3600);
    ASSERT_TRUE(as(userA, upsert(valid)).ok);
    EXPECT_EQ(query("select user_id, tavrik_score, coalesce(top_model, '<null>'), lines_all,"
                    " cost_all, tokens_all, last_synced at time zone 'UTC' from public.scores;"),
              userA + "|99|<null>|15|12.625|1250000|2025-01-31 19:00:00\n");
    for (const auto& [key, value, rule] : cases) {
        Payload bad = valid;
        bad[key] = value;
        const auto r = as(userA, upsert(bad));
        EXPECT_NE(r.output.find(rule), std::string::npos) << key << " breaks " << rule << r.output;
    }
    EXPECT_EQ(query("select tavrik_score from public.scores;"), "99\n");
}

}  // namespace
}  // namespace tavrik::test
