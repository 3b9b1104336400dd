#include "engine/CodexParser.h"
#include "engine/Pricing.h"
#include "engine/ReadScratch.h"
#include "engine/TimeKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::TempDir;

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
    TempDir dir;
    ReadScratch scratch;
};

TEST_F(CodexReader, SettlesTheLastUsageWithTheDefaultModel) {
    const auto c = read(
        R"({"timestamp":"2025-03-07T10:00:00Z","payload":{"type":"message","role":"assistant"}})"
        "\n"
        + usage(1000, 800, 50));
    EXPECT_EQ(c.tokensIn, 200);
    EXPECT_EQ(c.cacheRead, 800);
    EXPECT_EQ(c.tokensOut, 50);
    EXPECT_EQ(c.cacheWrite, 0);
    ASSERT_EQ(c.models.size(), 1u);
    const ModelAcc acc{1, 200, 50, 800, 0};
    EXPECT_EQ(c.models.at("gpt-5-codex"), acc);
    const double cost = 200 * (1.25 / 1e6) + 50 * (10 / 1e6) + 800 * ((1.25 * 0.1) / 1e6) + 0.0;
    EXPECT_EQ(c.cost, cost);
    EXPECT_NEAR(c.cost, 0.00085, 1e-15);
    const DayBucket bucket{0, cost, 250};
    EXPECT_EQ(c.perDay.at("2025-03-07"), bucket);
}

TEST_F(CodexReader, OnlyTheLastUsageEventCounts) {
    const auto c = read(
        usage(5000, 100, 900) + usage(1000, 0, 10)
        + R"({"payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":7}}}})");
    EXPECT_EQ(c.tokensIn, 7);
    EXPECT_EQ(c.tokensOut, 0);
    EXPECT_TRUE(c.perDay.empty());  // no timestamp, no day
    EXPECT_TRUE(c.activeDays.empty());
    // An event without its usage object is not an event.
    EXPECT_EQ(
        read(usage(1000, 0, 10) + R"({"payload":{"type":"token_count","info":null}})").tokensIn,
        1000);
    EXPECT_EQ(read(usage(100, 800, 5)).tokensIn, 0);  // cached above input: never negative
}

TEST_F(CodexReader, PricesWithTheLastModelNamed) {
    const auto c = read(R"({"payload":{"model":"gpt-5"}})"
                        "\n"
                        R"({"payload":{"type":"turn_context","model":"claude-opus-4-5"}})"
                        "\n"
                        R"({"payload":{"model":""}})"
                        "\n"
                        + usage(1e6, 0, 0));
    ASSERT_EQ(c.models.size(), 1u);
    EXPECT_TRUE(c.models.contains("claude-opus-4-5"));
    EXPECT_EQ(c.cost, Pricing::cost({5, 25}, 1e6, 0, 0, 0));
}

TEST_F(CodexReader, TimestampsWithoutUsageStillGetAnEmptyBucketForTheLastDay) {
    const auto c =
        read(R"({"timestamp":"2025-03-09T10:00:00Z"})"
             "\n"
             R"({"timestamp":"2025-03-07T10:00:00Z","payload":{"type":"message","role":"user"}})");
    EXPECT_EQ(c.perDay.size(), 1u);
    EXPECT_EQ(c.perDay.at("2025-03-07"), DayBucket{});  // the last in file order, not the latest
    EXPECT_EQ(c.activeDays.size(), 2u);
    EXPECT_EQ(c.prompts, 1);
    EXPECT_TRUE(c.models.empty());
    EXPECT_EQ(c.maxTs, *TimeKit::epoch("2025-03-09T10:00:00Z"));
}

TEST_F(CodexReader, CountsRolesAndPatches) {
    const std::string line =
        R"({"timestamp":"2025-03-07T10:00:00Z","payload":{"type":"custom_tool_call","name":"apply_patch",)"
        R"("input":"*** Begin Patch\n*** Update File: a.py\n@@ def f\n-old\n+new\n+more\n context\n*** End Patch"}})"
        "\n";
    const auto c = read(line + line
                        + R"({"payload":{"type":"custom_tool_call","name":"shell","input":"+x"}})"
                          "\n"
                          R"({"payload":{"type":"message","role":"user"}})"
                          "\n"
                          R"({"payload":{"type":"message","role":"system"}})"
                          "\n"
                          R"({"payload":{"type":"message","role":"assistant"}})");
    EXPECT_EQ(c.linesAdded, 4);
    EXPECT_EQ(c.linesRemoved, 2);
    EXPECT_EQ(c.prompts, 1);
    EXPECT_EQ(c.assistantMessages, 1);
    EXPECT_EQ(c.perDay.at("2025-03-07").linesAdded, 4);
    EXPECT_TRUE(c.editedFiles.empty());
}

TEST_F(CodexReader, InvalidUtf8AnywhereEmptiesTheWholeFile) {
    EXPECT_EQ(read(usage(10, 0, 1) + "\xff\n"), FileContribution{});
}

TEST(CodexPatch, SkipsHeadersHunksAndEmptyLines) {
    EXPECT_EQ(CodexParser::linesFromPatch(""), (std::pair<std::int64_t, std::int64_t>{0, 0}));
    EXPECT_EQ(CodexParser::linesFromPatch(
                  "*** Begin Patch\n*** Add File: x\n@@\n-a\n+b\n+c\n*** End Patch"),
              (std::pair<std::int64_t, std::int64_t>{2, 1}));
    EXPECT_EQ(CodexParser::linesFromPatch("***x\n+a\n\n-\n--- header\n+++ header"),
              (std::pair<std::int64_t, std::int64_t>{2, 2}));
}

TEST(CodexFiles, FindsRolloutsByNameOutsideHiddenFolders) {
    TempDir dir;
    dir.write("2025/03/07/rollout-a.jsonl", "");
    dir.write("2025/03/07/rollout-b.JSONL", "");
    dir.write("2025/03/07/rollout-c.jsonl.bak", "");
    dir.write("2025/03/07/session.jsonl", "");
    dir.write("2025/.hidden/rollout-d.jsonl", "");
    dir.write("rollout-e.jsonl", "");
    auto found = CodexParser::findRollouts(dir.path());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{(dir.path() / "2025/03/07/rollout-a.jsonl").string(),
                                               (dir.path() / "rollout-e.jsonl").string()}));
    EXPECT_TRUE(CodexParser::findRollouts(dir.path() / "missing").empty());
}

TEST(CodexAggregate, SumsFilesButCarriesNoDaysOrEdits) {
    const test::ScopedTimeZone zone("UTC");
    TempDir dir;
    const std::string patch3 =
        R"({"payload":{"type":"custom_tool_call","name":"apply_patch","input":"+a\n+b\n+c"}})";
    dir.write("a/rollout-1.jsonl", R"({"timestamp":"2025-03-07T10:00:00Z"})"
                                   "\n" + patch3
                                       + "\n" + usage(100, 0, 10));
    dir.write("b/rollout-2.jsonl", R"({"timestamp":"2025-03-09T10:00:00Z"})"
                                   "\n" + patch3
                                       + "\n" + usage(50, 0, 5));
    dir.write("b/rollout-3.jsonl", "\xff");
    const auto [c, files] = CodexParser::aggregateAll(dir.path());
    EXPECT_EQ(files, 3);
    EXPECT_EQ(c.linesAdded, 6);
    EXPECT_EQ(c.activeDays, (std::set<std::string>{"2025-03-07", "2025-03-09"}));
    EXPECT_TRUE(c.perDay.empty());
    EXPECT_EQ(c.tokensIn, 150);
    EXPECT_EQ(c.models.at("gpt-5-codex").messages, 0);
    EXPECT_EQ(c.models.at("gpt-5-codex").input, 150);
    EXPECT_EQ(c.minTs, *TimeKit::epoch("2025-03-07T10:00:00Z"));
    EXPECT_EQ(c.maxTs, *TimeKit::epoch("2025-03-09T10:00:00Z"));
}

}  // namespace
}  // namespace tavrik
