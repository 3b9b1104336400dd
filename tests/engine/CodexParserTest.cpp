#include "engine/CodexParser.h"
#include "engine/Pricing.h"
#include "engine/ReadScratch.h"
#include "engine/TimeKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

std::string usage(double input, double cached, double output) {
    return R"({"payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":)"
           + std::to_string(input) + R"(,"cached_input_tokens":)" + std::to_string(cached)
           + R"(,"output_tokens":)" + std::to_string(output) + "}}}}\n";
}

class CodexReader : public ::testing::Test {
protected:
    FileContribution read(std::string_view text) {
        return CodexParser::parseFile(dir.write("rollout-x.jsonl", text), scratch);
    }

    test::ScopedTimeZone zone{"UTC"};
    test::TempDir dir;
    ReadScratch scratch;
};

TEST_F(CodexReader, SettlesTheLastUsageWithTheDefaultModel) {
    const auto c = read(
        R"({"timestamp":"2025-03-07T10:00:00Z","payload":{"type":"message","role":"assistant"}}
)" + usage(1000, 800, 50));
    EXPECT_EQ(std::tie(c.tokensIn, c.cacheRead, c.tokensOut, c.cacheWrite),
              std::make_tuple(200, 800, 50, 0));
    EXPECT_EQ(c.models, (std::map<std::string, ModelAcc>{{"gpt-5-codex", {1, 200, 50, 800, 0}}}));
    const double cost = Pricing::cost({1.25, 10}, 200, 50, 800, 0);
    EXPECT_EQ(c.cost, cost);
    EXPECT_EQ(c.perDay.at("2025-03-07"), (DayBucket{0, cost, 250}));
}

TEST_F(CodexReader, OnlyTheLastUsageEventWithItsUsageCountsPricedWithTheLastModelNamed) {
    const auto c =
        read(usage(5000, 100, 900) + R"({"payload":{"model":"gpt-5"}}
{"payload":{"type":"turn_context","model":"claude-opus-4-5"}}
{"payload":{"model":""}}
)" + usage(1e6, 0, 10)
             + R"({"payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":7}}}}
{"payload":{"type":"token_count","info":null}})");
    EXPECT_EQ(std::tie(c.tokensIn, c.tokensOut), std::make_tuple(7, 0));
    EXPECT_TRUE(c.perDay.empty() && c.activeDays.empty());  // no timestamp, no day
    EXPECT_EQ(c.models, (std::map<std::string, ModelAcc>{{"claude-opus-4-5", {0, 7, 0, 0, 0}}}));
    EXPECT_EQ(c.cost, Pricing::cost({5, 25}, 7, 0, 0, 0));
    EXPECT_EQ(read(usage(100, 800, 5)).tokensIn, 0);  // cached above input: never negative
}

TEST_F(CodexReader, CountsRolesAndPatchLinesBarHeadersIntoTheLastDayNamedWithoutUsage) {
    const std::string patch =
        R"({"timestamp":"2025-03-07T10:00:00Z","payload":{"type":"custom_tool_call","name":"apply_patch",)"
        R"("input":"*** Begin Patch\n*** Update File: a.py\n@@ def f\n-old\n+new\n+more\n context\n\n-\n--- x\n+++ y\n*** End Patch"}})";
    const auto c = read(R"({"timestamp":"2025-03-09T10:00:00Z"}
)" + patch + "\n" + patch
                        + R"(
{"payload":{"type":"custom_tool_call","name":"shell","input":"+x"}}
{"payload":{"type":"message","role":"user"}}
{"payload":{"type":"message","role":"system"}}
{"payload":{"type":"message","role":"assistant"}})");
    EXPECT_EQ(std::tie(c.linesAdded, c.linesRemoved, c.prompts, c.assistantMessages),
              std::make_tuple(6, 6, 1, 1));
    // The day of the last instant in file order (not the latest) gets the lines and no cost.
    EXPECT_EQ(c.perDay, (std::map<std::string, DayBucket>{{"2025-03-07", {6, 0, 0}}}));
    EXPECT_EQ(c.maxTs, *TimeKit::epoch("2025-03-09T10:00:00Z"));
    EXPECT_TRUE(c.editedFiles.empty() && c.models.empty());
}

TEST(CodexAggregate, SumsRolloutsOutsideHiddenFoldersButCarriesNoDays) {
    const test::ScopedTimeZone zone("UTC");
    test::TempDir dir;
    const std::string patch3 =
        R"({"payload":{"type":"custom_tool_call","name":"apply_patch","input":"+a\n+b\n+c"}})"
        "\n";
    dir.write("a/rollout-1.jsonl", R"({"timestamp":"2025-03-07T10:00:00Z"}
)" + patch3 + usage(100, 0, 10));
    dir.write("rollout-2.jsonl", R"({"timestamp":"2025-03-09T10:00:00Z"}
)" + patch3 + usage(50, 0, 5));
    dir.write("b/rollout-3.jsonl", usage(10, 0, 1) + "\xff\n");  // invalid UTF-8: nothing counts
    for (const char* skipped :
         {"b/rollout-4.JSONL", "b/rollout-5.jsonl.bak", "b/session.jsonl", ".c/rollout-6.jsonl"}) {
        dir.write(skipped, usage(1000, 0, 0));
    }
    const auto [c, files] = CodexParser::aggregateAll(dir.path());
    EXPECT_EQ(files, 3);
    EXPECT_EQ(c.linesAdded, 6);
    EXPECT_EQ(c.activeDays, (std::set<std::string>{"2025-03-07", "2025-03-09"}));
    EXPECT_TRUE(c.perDay.empty());
    EXPECT_EQ(c.models, (std::map<std::string, ModelAcc>{{"gpt-5-codex", {0, 150, 15, 0, 0}}}));
    EXPECT_EQ(c.minTs, *TimeKit::epoch("2025-03-07T10:00:00Z"));
    EXPECT_EQ(c.maxTs, *TimeKit::epoch("2025-03-09T10:00:00Z"));
}

}  // namespace
}  // namespace tavrik
