#include "engine/Pricing.h"
#include "engine/ReadScratch.h"
#include "engine/StatsEngine.h"
#include "engine/TimeKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tavrik {
namespace {

class ClaudeReader : public ::testing::Test {
protected:
    FileContribution read(std::string_view text) { return parse(dir.write("t.jsonl", text)); }
    FileContribution parse(const std::filesystem::path& path) {
        return StatsEngine::parseClaudeFile(path.string(), scratch);
    }

    test::ScopedTimeZone zone{"UTC"};
    test::TempDir dir;
    ReadScratch scratch;
};

const std::string prompt = R"({"type":"last-prompt"})";

TEST_F(ClaudeReader, OddFilesAreEmptyAndOnlyWholeObjectLinesCount) {
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.jsonl").c_str(), 0600), 0);  // must not block
    std::filesystem::create_directory(dir.path() / "folder.jsonl");
    std::filesystem::create_symlink("loop.jsonl", dir.path() / "loop.jsonl");
    for (const char* name : {"none.jsonl", "pipe.jsonl", "folder.jsonl", "loop.jsonl"}) {
        EXPECT_EQ(parse(dir.path() / name), FileContribution{}) << name;
    }
    EXPECT_EQ(read("\n\n\r\n"), FileContribution{});
    // Lines may end in CR LF, and the last one needs no line feed.
    const std::string mixed = prompt + "\r\n" + prompt + "\r" + R"(
{not json}
[1,2]
"str"
{"type":"last-prompt",}
{"type":"last-prompt"} trailing
)" + prompt;
    EXPECT_EQ(read(mixed).prompts, 3);
}

TEST_F(ClaudeReader, PromptRules) {
    const std::pair<const char*, int> cases[] = {
        {R"({"type":"user","message":{"content":""}})", 1},
        {R"({"type":"user","message":{"content":[]}})", 0},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},{"type":"tool_result"}]}})",
         0},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},{"type":"text"}]}})", 1},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},"bare"]}})", 1},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},{}]}})", 1},
        {R"({"type":"user","message":{"content":5}})", 0},
        {R"({"type":"user","message":"not an object"})", 0},
        {R"({"type":"user","isMeta":true,"message":{"content":"x"}})", 0},
        {R"({"type":"user","isSidechain":true,"message":{"content":"x"}})", 0},
        {R"({"type":"user","isMeta":"true","isSidechain":1,"message":{"content":"x"}})", 1},
        {R"({"type":"last-prompt","isMeta":true,"message":5})", 1},
        {R"({"type":"assistant","type":"last-prompt"})", 1},  // duplicate keys: the last wins
        {R"({"type":"last-prompt","type":"assistant"})", 0},
    };
    for (const auto& [line, prompts] : cases) {
        EXPECT_EQ(read(line).prompts, prompts) << line;
    }
}

TEST_F(ClaudeReader, AssistantRepliesCountTokensModelsAndCostUnlessSyntheticOrUsageless) {
    const std::string reply =
        R"({"type":"assistant","timestamp":"2025-03-07T10:00:00Z","message":{"model":"claude-opus-4-5",)"
        R"("usage":{"input_tokens":1000,"output_tokens":200,"cache_read_input_tokens":5000,)"
        R"("cache_creation_input_tokens":300}}})";
    // Identical replies are not de-duplicated.
    const auto c = read(reply + "\n" + reply + R"(
{"type":"assistant","timestamp":"2025-03-08T11:00:00Z","message":{"model":"<synthetic>","usage":{"output_tokens":5}}}
{"type":"assistant","timestamp":"2025-03-09T12:00:00.5Z","message":{"model":"m"}}
{"timestamp":1741350896}
{"timestamp":"2025-03-05"})");
    const double one = Pricing::cost({5, 25}, 1000, 200, 5000, 300);
    EXPECT_EQ(c.models,
              (std::map<std::string, ModelAcc>{{"claude-opus-4-5", {2, 2000, 400, 10000, 600}}}));
    EXPECT_EQ(std::tie(c.assistantMessages, c.tokensIn, c.tokensOut, c.cacheRead, c.cacheWrite),
              std::make_tuple(2, 2000, 400, 10000, 600));
    EXPECT_EQ(c.cost, one + one);
    // Cache tokens are not in the day's tokens; the other replies only count their instant.
    EXPECT_EQ(c.perDay, (std::map<std::string, DayBucket>{{"2025-03-07", {0, one + one, 2400}}}));
    // Only text timestamps with a time count, each at its local day and hour.
    EXPECT_EQ(c.activeDays, (std::set<std::string>{"2025-03-07", "2025-03-08", "2025-03-09"}));
    EXPECT_EQ(c.byHour[10] + c.byHour[11] + c.byHour[12], 4);
    EXPECT_EQ(c.minTs, *TimeKit::epoch("2025-03-07T10:00:00Z"));
    EXPECT_EQ(c.maxTs, *TimeKit::epoch("2025-03-09T12:00:00.5Z"));
}

TEST_F(ClaudeReader, EditRules) {
    const std::tuple<const char*, std::int64_t, std::int64_t, bool> cases[] = {
        {R"({"toolUseResult":{"filePath":"/a","structuredPatch":[{"lines":["+x","+y","-z"," ctx","","+",7]},{"lines":"no"},5,{"lines":["-w"]}]}})",
         3, 2, true},
        // An edit that only deletes lines is still an edit.
        {R"({"toolUseResult":{"filePath":"/a","structuredPatch":[{"lines":["-x"]}]}})", 0, 1, true},
        {R"({"toolUseResult":{"filePath":"/a","structuredPatch":[]}})", 0, 0, false},
        // Written content: every piece between line feeds, so two ended lines count three.
        {R"({"toolUseResult":{"filePath":"/a","content":"a\nb\n"}})", 3, 0, true},
        {R"({"toolUseResult":{"filePath":"/a","content":""}})", 1, 0, true},
        {R"({"toolUseResult":{"content":"a\nb"}})", 0, 0, false},
        {R"({"toolUseResult":{"filePath":"/a","content":"a","structuredPatch":null}})", 0, 0,
         false},
        {R"({"toolUseResult":{"filePath":"/a","content":"a","structuredPatch":{}}})", 0, 0, false},
        // Edits count on lines of any kind, those that are not prompts included.
        {R"({"type":"user","isMeta":true,"timestamp":"2025-03-07T10:00:00Z","toolUseResult":{"filePath":"/a","content":"a\nb"}})",
         2, 0, true},
    };
    for (const auto& [line, added, removed, edited] : cases) {
        const auto got = read(line);
        EXPECT_EQ(std::tie(got.linesAdded, got.linesRemoved), std::tie(added, removed)) << line;
        EXPECT_EQ(got.editedFiles.contains("/a"), edited) << line;
    }
    EXPECT_EQ(read(std::get<0>(cases[std::size(cases) - 1])).perDay.at("2025-03-07").linesAdded, 2);
}

TEST_F(ClaudeReader, HostileBytesAndUnusableCountsNeverBreakOtherLines) {
    // Numbers beyond a double drop their line; a string, a null, and a count beyond 10^15
    // tokens either way count zero; fractions are kept.
    const auto c = read(std::string("\x00\x01\xff\xfe garbage\n", 13)
                        + "{\"type\":\"last-prompt\",\"bad\":\"\xc3\x28\"}\n"  // invalid UTF-8
                        + std::string(5000, '[') + std::string(5000, ']') + R"(
{"type":"assistant","message":{"model":"m","usage":{"output_tokens":1e400}}}
{"type":"assistant","message":{"model":"m","usage":{"output_tokens":123456789012345678901234567890}}}
{"type":"assistant","message":{"model":"m","usage":{"input_tokens":"100","output_tokens":2.5,"cache_read_input_tokens":null,"cache_creation_input_tokens":1e3}}}
{"type":"assistant","message":{"model":"m","usage":{"input_tokens":1e308,"output_tokens":-1.000001e15,"cache_creation_input_tokens":1e15}}}
)" + prompt + "\n{\"type\":\"last-prompt\", \"content\":\""
                        + std::string(20'000'000, 'x') + "\"}\n" + R"({"type":"last-prompt")");
    EXPECT_EQ(c.prompts, 2);  // the truncated last line does not count
    EXPECT_EQ(c.assistantMessages, 2);
    EXPECT_EQ(std::tie(c.tokensIn, c.tokensOut, c.cacheRead, c.cacheWrite),
              std::make_tuple(0, 2.5, 0, 1000 + 1e15));
}

TEST_F(ClaudeReader, LinesAcrossReadBlocksAreNeitherLostNorSplit) {
    // Lines of every length around the reader's block size, so line ends fall on, just
    // before and just after block boundaries; several megabytes in all.
    std::string text;
    int lines = 0;
    for (; text.size() < (std::size_t{7} << 20); ++lines) {
        const std::size_t pad =
            static_cast<std::size_t>((lines * 7919) % 4099) + (lines % 97 == 0 ? 1'500'000 : 0);
        text += "{\"type\":\"last-prompt\",\"p\":\"" + std::string(pad, 'x') + "\"}\n";
    }
    EXPECT_EQ(read(text).prompts, lines);
    text.pop_back();  // no final line feed
    EXPECT_EQ(read(text).prompts, lines);
    // A short file after a long one must not see the long one's leftover bytes.
    EXPECT_EQ(read(prompt + "\n{").prompts, 1);
}

}  // namespace
}  // namespace tavrik
