#include "engine/ReadScratch.h"
#include "engine/StatsEngine.h"
#include "engine/TimeKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavrik {
namespace {

using test::TempDir;

class ClaudeReader : public ::testing::Test {
protected:
    // Reads a transcript made of the given text.
    FileContribution read(std::string_view text) {
        return StatsEngine::parseClaudeFile(dir.write("t.jsonl", text), scratch);
    }

    test::ScopedTimeZone zone{"UTC"};
    TempDir dir;
    ReadScratch scratch;
};

constexpr const char* assistantLine =
    R"({"type":"assistant","timestamp":"2025-03-07T10:00:00Z","message":{"model":"claude-opus-4-5",)"
    R"("usage":{"input_tokens":1000,"output_tokens":200,"cache_read_input_tokens":5000,)"
    R"("cache_creation_input_tokens":300}}})";

TEST_F(ClaudeReader, MissingOrEmptyFileGivesTheEmptyContribution) {
    EXPECT_EQ(StatsEngine::parseClaudeFile((dir.path() / "none.jsonl").string(), scratch),
              FileContribution{});
    EXPECT_EQ(read(""), FileContribution{});
    EXPECT_EQ(read("\n\n\r\n"), FileContribution{});
}

TEST_F(ClaudeReader, LastLineWithoutLineFeedCountsAndBadLinesChangeNothing) {
    const std::string good = R"({"type":"last-prompt"})";
    EXPECT_EQ(read(good).prompts, 1);
    EXPECT_EQ(read(good + "\n").prompts, 1);
    EXPECT_EQ(read(good + "\r\n" + good + "\r\n").prompts, 2);
    const auto mixed = read(good + "\n\n{not json}\n[1,2]\n\"str\"\n{\"type\":\"last-prompt\",}\n"
                            + good + "\n" + R"({"type":"last-prompt"} trailing)");
    EXPECT_EQ(mixed.prompts, 2);
}

TEST_F(ClaudeReader, PromptRules) {
    const struct {
        const char* line;
        int prompts;
    } cases[] = {
        {R"({"type":"user","message":{"content":""}})", 1},
        {R"({"type":"user","message":{"content":"fix the bug"}})", 1},
        {R"({"type":"user","message":{"content":[]}})", 0},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},{"type":"tool_result"}]}})",
         0},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},{"type":"text"}]}})", 1},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},"bare"]}})", 1},
        {R"({"type":"user","message":{"content":[{"type":"tool_result"},{}]}})", 1},
        {R"({"type":"user","message":{"content":[{"type":7}]}})", 1},
        {R"({"type":"user","message":{"content":5}})", 0},
        {R"({"type":"user","message":{"content":{}}})", 0},
        {R"({"type":"user","message":{}})", 0},
        {R"({"type":"user","message":"not an object"})", 0},
        {R"({"type":"user"})", 0},
        {R"({"type":"user","isMeta":true,"message":{"content":"x"}})", 0},
        {R"({"type":"user","isSidechain":true,"message":{"content":"x"}})", 0},
        {R"({"type":"user","isMeta":"true","isSidechain":1,"message":{"content":"x"}})", 1},
        {R"({"type":"last-prompt","isMeta":true,"message":5})", 1},
        {R"({"type":"assistant","type":"last-prompt"})", 1},  // duplicate keys: the last wins
        {R"({"type":"last-prompt","type":"assistant"})", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(read(c.line).prompts, c.prompts) << c.line;
    }
}

TEST_F(ClaudeReader, AssistantLinesCountTokensModelsAndCost) {
    const auto c = read(std::string(assistantLine) + "\n" + assistantLine);
    EXPECT_EQ(c.assistantMessages, 2);  // identical replies are not de-duplicated
    EXPECT_EQ(c.tokensIn, 2000);
    EXPECT_EQ(c.tokensOut, 400);
    EXPECT_EQ(c.cacheRead, 10000);
    EXPECT_EQ(c.cacheWrite, 600);
    const ModelAcc acc{2, 2000, 400, 10000, 600};
    EXPECT_EQ(c.models.at("claude-opus-4-5"), acc);
    const double one =
        1000 * (5 / 1e6) + 200 * (25 / 1e6) + 5000 * ((5 * 0.1) / 1e6) + 300 * ((5 * 1.25) / 1e6);
    EXPECT_EQ(c.cost, one + one);
    const DayBucket bucket{0, one + one, 2400};  // cache tokens are not in the day's tokens
    EXPECT_EQ(c.perDay.at("2025-03-07"), bucket);
}

TEST_F(ClaudeReader, SyntheticOrUsagelessRepliesOnlyCountTheirTimestamp) {
    const auto c = read(
        R"({"type":"assistant","timestamp":"2025-03-07T10:00:00Z","message":{"model":"<synthetic>","usage":{"output_tokens":5}}})"
        "\n"
        R"({"type":"assistant","timestamp":"2025-03-08T11:00:00Z","message":{"model":"m"}})");
    EXPECT_EQ(c.assistantMessages, 0);
    EXPECT_TRUE(c.models.empty());
    EXPECT_EQ(c.tokensOut, 0);
    EXPECT_TRUE(c.perDay.empty());
    EXPECT_EQ(c.activeDays, (std::set<std::string>{"2025-03-07", "2025-03-08"}));
    EXPECT_EQ(c.byHour[10], 1);
    EXPECT_EQ(c.byHour[11], 1);
    EXPECT_EQ(c.minTs, *TimeKit::epoch("2025-03-07T10:00:00Z"));
}

TEST_F(ClaudeReader, UnusableTokenCountsCountZeroAndFloatsAreKept) {
    // A string, a null, and a count beyond 10^15 tokens either way are unusable.
    const auto c = read(
        R"({"type":"assistant","message":{"model":"m","usage":{"input_tokens":"100","output_tokens":2.5,"cache_read_input_tokens":null,"cache_creation_input_tokens":1e3}}})"
        "\n"
        R"({"type":"assistant","message":{"model":"m","usage":{"input_tokens":1e308,"output_tokens":-1.000001e15,"cache_creation_input_tokens":1e15}}})");
    EXPECT_EQ(c.assistantMessages, 2);
    EXPECT_EQ(c.tokensIn, 0);
    EXPECT_EQ(c.tokensOut, 2.5);
    EXPECT_EQ(c.cacheRead, 0);
    EXPECT_EQ(c.cacheWrite, 1000 + 1e15);
    EXPECT_TRUE(c.perDay.empty());  // no timestamp, no day
}

TEST_F(ClaudeReader, EditRules) {
    const struct {
        const char* line;
        std::int64_t added, removed;
        bool edited;
    } cases[] = {
        {R"({"toolUseResult":{"filePath":"/a","structuredPatch":[{"lines":["+x","+y","-z"," ctx","","+",7]},{"lines":"no"},5,{"lines":["-w"]}]}})",
         3, 2, true},
        {R"({"toolUseResult":{"filePath":"/a","structuredPatch":[]}})", 0, 0, false},
        // Written content: every piece between line feeds, so two ended lines count three.
        {R"({"toolUseResult":{"filePath":"/a","content":"a\nb\n"}})", 3, 0, true},
        {R"({"toolUseResult":{"filePath":"/a","content":""}})", 1, 0, true},
        {R"({"toolUseResult":{"content":"a\nb"}})", 0, 0, false},
        {R"({"toolUseResult":{"filePath":"/a","content":"a","structuredPatch":null}})", 0, 0,
         false},
        {R"({"toolUseResult":{"filePath":"/a","content":"a","structuredPatch":{}}})", 0, 0, false},
        // Edits count on lines of any kind, those that are not prompts included.
        {R"({"type":"user","isMeta":true,"message":{"content":"x"},"toolUseResult":{"filePath":"/a","content":"a\nb"}})",
         2, 0, true},
    };
    for (const auto& c : cases) {
        const auto got = read(c.line);
        EXPECT_EQ(got.linesAdded, c.added) << c.line;
        EXPECT_EQ(got.linesRemoved, c.removed) << c.line;
        EXPECT_EQ(got.editedFiles.contains("/a"), c.edited) << c.line;
    }
    const auto dated = read(
        R"({"timestamp":"2025-03-07T10:00:00Z","toolUseResult":{"filePath":"/a","content":"x"}})");
    EXPECT_EQ(dated.perDay.at("2025-03-07").linesAdded, 1);
}

TEST_F(ClaudeReader, TimestampsGiveDaysHoursAndRange) {
    const test::ScopedTimeZone berlin("Europe/Berlin");
    const auto c = read(R"({"timestamp":"2025-03-07T23:30:00.5Z"})"
                        "\n"
                        R"({"timestamp":"2025-03-06T08:00:00Z"})"
                        "\n"
                        R"({"timestamp":1741350896})"
                        "\n"
                        R"({"timestamp":"2025-03-07"})");
    EXPECT_EQ(c.activeDays, (std::set<std::string>{"2025-03-06", "2025-03-08"}));
    EXPECT_EQ(c.byHour[0], 1);
    EXPECT_EQ(c.byHour[9], 1);
    EXPECT_EQ(c.minTs, *TimeKit::epoch("2025-03-06T08:00:00Z"));
    EXPECT_EQ(c.maxTs, *TimeKit::epoch("2025-03-07T23:30:00.5Z"));
}

TEST_F(ClaudeReader, HostileBytesNeverBreakOtherLines) {
    std::string text;
    text += std::string("\x00\x01\xff\xfe garbage", 12) + "\n";
    text += "{\"type\":\"last-prompt\",\"bad\":\"\xc3\x28\"}\n";  // invalid UTF-8: line dropped
    text += std::string(5000, '[') + std::string(5000, ']') + "\n";
    text += R"({"type":"assistant","message":{"model":"m","usage":{"output_tokens":1e400}}})"
            "\n";
    text +=
        R"({"type":"assistant","message":{"model":"m","usage":{"output_tokens":123456789012345678901234567890}}})"
        "\n";
    text += R"({"type":"last-prompt"})"
            "\n";
    text += "{\"type\":\"last-prompt\", \"content\":\"" + std::string(20'000'000, 'x') + "\"}\n";
    text += R"({"type":"last-prompt")";  // truncated last line
    const auto c = read(text);
    EXPECT_EQ(c.prompts, 2);
    EXPECT_EQ(c.assistantMessages, 0);
}

TEST_F(ClaudeReader, LinesAcrossReadBlocksAreNeitherLostNorSplit) {
    // Lines of every length around the reader's block size, so line ends fall on, just
    // before and just after block boundaries; several megabytes in all.
    std::string text;
    int lines = 0;
    for (int i = 0; text.size() < (std::size_t{7} << 20); ++i) {
        const std::size_t pad =
            static_cast<std::size_t>((i * 7919) % 4099) + (i % 97 == 0 ? 1'500'000 : 0);
        text += "{\"type\":\"last-prompt\",\"p\":\"" + std::string(pad, 'x') + "\"}\n";
        ++lines;
    }
    EXPECT_EQ(read(text).prompts, lines);
    text.pop_back();  // no final line feed
    EXPECT_EQ(read(text).prompts, lines);
}

TEST_F(ClaudeReader, NonRegularFilesReadAsEmptyWithoutBlocking) {
    const auto fifo = (dir.path() / "pipe.jsonl").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(StatsEngine::parseClaudeFile(fifo, scratch), FileContribution{});
    std::filesystem::create_directory(dir.path() / "folder.jsonl");
    EXPECT_EQ(StatsEngine::parseClaudeFile((dir.path() / "folder.jsonl").string(), scratch),
              FileContribution{});
    std::filesystem::create_symlink("loop.jsonl", dir.path() / "loop.jsonl");
    EXPECT_EQ(StatsEngine::parseClaudeFile((dir.path() / "loop.jsonl").string(), scratch),
              FileContribution{});
}

TEST_F(ClaudeReader, UnreadableFileIsEmpty) {
    const auto path = dir.write("locked.jsonl", R"({"type":"last-prompt"})");
    dir.write("open.jsonl", R"({"type":"last-prompt"})");
    ::chmod(path.c_str(), 0);
    // Exit code: prompts of the locked file * 10 + prompts of the readable one.
    const int result = test::runUnprivileged(dir.path(), [](const std::string& folder) {
        ReadScratch scratch;
        const auto locked = StatsEngine::parseClaudeFile(folder + "/locked.jsonl", scratch);
        const auto open = StatsEngine::parseClaudeFile(folder + "/open.jsonl", scratch);
        return static_cast<int>(locked.prompts * 10 + open.prompts);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ClaudeReader, ScratchIsReusedAcrossFilesOfDifferentSizes) {
    const std::string big =
        "{\"type\":\"last-prompt\",\"pad\":\"" + std::string(1 << 20, 'p') + "\"}\n";
    EXPECT_EQ(read(big + big).prompts, 2);
    EXPECT_EQ(read(R"({"type":"last-prompt"})").prompts, 1);
    // A short file after a long one must not see the long one's leftover bytes.
    EXPECT_EQ(read("{\"type\":\"last-prompt\"}\n{").prompts, 1);
}

}  // namespace
}  // namespace tavrik
