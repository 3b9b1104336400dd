// "--board" against a scripted server on 127.0.0.1: the request, the ranked table and every
// way the board can fail to be read.

#include "cli/Board.h"
#include "cli/Modes.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace tavrik::test {
namespace {

using Board = AccountTest;
using Printed = std::tuple<int, std::string, std::string>;

// Runs the mode against m: its exit status, standard output and standard error.
Printed board(AuthManager& m, int limit = 20) {
    std::ostringstream out, err;
    const int status = cli::printBoard(m, limit, out, err);
    return {status, out.str(), err.str()};
}

TEST_F(Board, PrintsTheRankedRowsAndMarksTheSignedInUser) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(
        200, R"([{"user_id":"u-1","tavrik_score":97,"streak":41,"lines_all":1300000,)"
             R"("cost_all":18234.5,"tokens_all":2.5e9,"top_model":"Opus 4.1"},)"
             // userA, the signed-in user
             R"({"user_id":"6f1c2a34-0000-4000-8000-00000000abcd","tavrik_score":64,"streak":0,)"
             R"("lines_all":900,"cost_all":3.456,"tokens_all":45000,"top_model":null}])"));
    EXPECT_EQ(board(*m, 5), (Printed{0,
                                     "Rank  Score  Streak    Lines     Cost   Tokens  Top model\n"
                                     "   1     97      41     1.3M   $18.2k     2.5B  Opus 4.1\n"
                                     "   2     64       0      900    $3.46      45k  -  <- you\n",
                                     ""}));
    ASSERT_EQ(server.requests().size(), 1u);
    const auto& r = server.requests()[0];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target,
              "/rest/v1/scores?select=user_id,tavrik_score,streak,lines_all,cost_all,"
              "tokens_all,top_model&order=tavrik_score.desc&limit=5");
    EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
    EXPECT_FALSE(r.header("Authorization")) << "the board is read with the publishable key only";
}

// A row is read only with every field of its type. Without a server: run_args.sh.
TEST_F(Board, SaysWhyTheBoardCouldNotBeRead) {
    const std::string unexpected = "Unexpected response from server";
    const std::pair<ScriptedResponse, std::string> cases[] = {
        {ScriptedResponse::json(503, R"({"message":"down for maintenance"})"),
         "down for maintenance"},
        {ScriptedResponse::json(200,
                                R"([{"user_id":"u","tavrik_score":"97","streak":1,)"
                                R"("lines_all":1,"cost_all":1,"tokens_all":1,"top_model":null}])"),
         unexpected},
        {ScriptedResponse::text(200, "[{"), unexpected}};
    auto m = makeManager();
    for (const auto& [answer, why] : cases) {
        server.enqueue(answer);
        EXPECT_EQ(board(*m), (Printed{1, "", "Could not read the leaderboard: " + why + "\n"}));
    }
    server.enqueue(ScriptedResponse::json(200, "[]"));
    EXPECT_EQ(board(*m), (Printed{0, "The leaderboard is empty\n", ""}));
}

TEST(BoardArguments, ARowCountOutsideOneToAThousandIsAUsageError) {
    for (const char* bad : {"0", "1001", "-3", "ten", "5x"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(cli::runBoard(cli::Args{{"--board", bad}}), 2) << bad;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("1 to 1000"), std::string::npos);
    }
}

}  // namespace
}  // namespace tavrik::test
