#include "engine/FoldCache.h"
#include "engine/ParseCache.h"
#include "engine/Pricing.h"
#include "engine/StatsEngine.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace tavrik {
namespace {

using test::at;
using test::TempDir;

// A home folder with log trees, and builds over it at a chosen instant.
class Builder : public ::testing::Test {
protected:
    std::string claude(const std::string& relative, const std::string& text) {
        return home.write(".claude/projects/" + relative, text);
    }
    std::string codex(const std::string& relative, const std::string& text) {
        return home.write(".codex/sessions/" + relative, text);
    }
    StatsEngine::BuildInputs inputs(double now) const {
        return {{StatsEngine::claudeRoot(home.path(), std::nullopt)},
                StatsEngine::codexRoot(home.path()),
                cacheDir(),
                now};
    }
    Stats build(const char* nowIso) { return StatsEngine::build(inputs(at(nowIso))); }
    std::filesystem::path cacheDir() const { return home.path() / "cache" / "Tavrik"; }
    std::filesystem::path cacheFile() const { return cacheDir() / "parse-cache.json"; }

    test::ScopedTimeZone zone{"UTC"};
    TempDir home;
};

// One timestamped line on each of the given days, at noon UTC.
std::string activeOn(std::initializer_list<const char*> days) {
    std::string text;
    for (const char* day : days) {
        text += std::string(R"({"timestamp":")") + day + "T12:00:00Z\"}\n";
    }
    return text;
}

std::string assistant(const char* model, int input, int output, const char* when) {
    return std::string(R"({"type":"assistant","timestamp":")") + when + R"(","message":{"model":")"
           + model + R"(","usage":{"input_tokens":)" + std::to_string(input)
           + R"(,"output_tokens":)" + std::to_string(output) + "}}}\n";
}

std::string edit(int added, const char* when, const char* file = "/src/a.cpp") {
    std::string lines;
    for (int i = 0; i < added; ++i) {
        lines += i ? ",\"+x\"" : "\"+x\"";
    }
    return std::string(R"({"timestamp":")") + when + R"(","toolUseResult":{"filePath":")" + file
           + R"(","structuredPatch":[{"lines":[)" + lines + "]}]}}\n";
}

TEST_F(Builder, NoFilesGiveTheZeroStatsWithScoreFigures) {
    const Stats s = build("2025-03-10T12:00:00Z");
    Stats expected;
    expected.percentile = 99;
    expected.badges = s.badges;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.badges.size(), 10u);
}

TEST_F(Builder, CurrentStreakCountsFromYesterdayUntilTodayHasActivity) {
    claude("p/a.jsonl", activeOn({"2025-03-08", "2025-03-09"}));
    Stats s = build("2025-03-10T12:00:00Z");
    EXPECT_FALSE(s.codedToday);
    EXPECT_EQ(s.streakCurrent, 2);
    claude("p/b.jsonl", activeOn({"2025-03-10"}));
    s = build("2025-03-10T12:00:00Z");
    EXPECT_TRUE(s.codedToday);
    EXPECT_EQ(s.streakCurrent, 3);
    EXPECT_EQ(build("2025-03-11T12:00:00Z").streakCurrent, 3);
    EXPECT_EQ(build("2025-03-12T12:00:00Z").streakCurrent, 0);
}

TEST_F(Builder, CurrentStreakSurvivesTheShortDaylightSavingDay) {
    const test::ScopedTimeZone berlin("Europe/Berlin");
    // 30 March 2025 has 23 hours in Berlin. At 00:30 on the 31st, yesterday is the 30th.
    claude("p/a.jsonl", R"({"timestamp":"2025-03-29T11:00:00Z"})"
                        "\n"
                        R"({"timestamp":"2025-03-30T11:00:00Z"})"
                        "\n");
    EXPECT_EQ(build("2025-03-30T22:30:00Z").streakCurrent, 2);
    // And the 25-hour autumn day: 27 October 2024, at 23:30 local on the 28th.
    claude("p/b.jsonl", R"({"timestamp":"2024-10-26T10:00:00Z"})"
                        "\n"
                        R"({"timestamp":"2024-10-27T10:00:00Z"})"
                        "\n");
    EXPECT_EQ(build("2024-10-28T22:30:00Z").streakCurrent, 2);
}

TEST_F(Builder, LongestStreakIsTheLongestRunOfConsecutiveDays) {
    claude("p/a.jsonl", activeOn({"2025-01-01", "2025-01-02", "2025-01-03"}));
    claude("p/b.jsonl", activeOn({"2025-01-05", "2025-01-06", "2024-12-31"}));
    const Stats s = build("2025-03-10T12:00:00Z");
    EXPECT_EQ(s.streakLongest, 4);
    EXPECT_EQ(s.activeDays, 6);
}

TEST_F(Builder, WeekWindowIsTodayAndTheSixDaysBefore) {
    claude("p/six.jsonl",
           assistant("m", 1, 10, "2025-03-04T12:00:00Z") + edit(2, "2025-03-04T12:00:00Z"));
    claude("p/seven.jsonl",
           assistant("m", 1, 100, "2025-03-03T12:00:00Z") + edit(3, "2025-03-03T12:00:00Z"));
    claude("p/future.jsonl", assistant("m", 1, 1000, "2025-03-11T12:00:00Z"));
    claude("p/today.jsonl",
           assistant("m", 2, 5, "2025-03-10T01:00:00Z") + edit(4, "2025-03-10T02:00:00Z"));
    const Stats s = build("2025-03-10T12:00:00Z");
    EXPECT_EQ(s.weekTokens, 11 + 7);
    EXPECT_EQ(s.weekLinesAdded, 2 + 4);
    EXPECT_EQ(s.weekSessions, 2);
    EXPECT_EQ(s.todayTokens, 7);
    EXPECT_EQ(s.todayLinesAdded, 4);
    EXPECT_EQ(s.todayCost, Pricing::cost({3, 15}, 2, 5, 0, 0));
    EXPECT_EQ(s.sessions, 4);
    EXPECT_EQ(s.logFiles, 4);
}

TEST_F(Builder, DaysSpanRoundsTheDistanceBetweenFirstAndLastInstant) {
    claude("p/a.jsonl", R"({"timestamp":"2025-03-01T00:00:00Z"})"
                        "\n"
                        R"({"timestamp":"2025-03-02T12:00:00Z"})");
    Stats s = build("2025-03-10T12:00:00Z");
    EXPECT_EQ(s.daysSpan, 3);
    EXPECT_EQ(s.since, "2025-03-01");
    EXPECT_EQ(s.until, "2025-03-02");
    claude("p/a.jsonl", R"({"timestamp":"2025-03-01T00:00:00Z"})");
    EXPECT_EQ(build("2025-03-10T12:00:00Z").daysSpan, 1);
}

TEST_F(Builder, ModelsAreSortedByCostAndTotalsComeFromTheContributions) {
    claude("p/a.jsonl",
           assistant("claude-haiku-4-5", 100, 100, "2025-03-01T00:00:00Z")
               + assistant("claude-opus-4-5", 100, 100, "2025-03-01T00:00:00Z")
               + assistant("claude-sonnet-4-5-20250929", 100, 100, "2025-03-01T00:00:00Z"));
    codex(
        "2025/03/01/rollout-a.jsonl",
        R"({"payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":100,"output_tokens":100}}}})");
    const Stats s = build("2025-03-10T12:00:00Z");
    ASSERT_EQ(s.models.size(), 4u);
    EXPECT_EQ(s.models[0].model, "claude-opus-4-5");
    EXPECT_EQ(s.models[1].name, "Sonnet 4.5");
    EXPECT_EQ(s.models[2].model, "gpt-5-codex");
    EXPECT_EQ(s.models[3].model, "claude-haiku-4-5");
    EXPECT_EQ(s.topModel, "Opus 4.5");
    EXPECT_EQ(s.assistantMessages, 3);
    EXPECT_EQ(s.tokensIn, 400);
    EXPECT_TRUE(std::find_if(s.badges.begin(), s.badges.end(),
                             [](const Badge& b) { return b.id == "polyglot" && b.earned; })
                != s.badges.end());
}

TEST_F(Builder, EditedFilesAreCountedOnceAcrossFiles) {
    claude("p/a.jsonl",
           edit(1, "2025-03-01T00:00:00Z", "/x") + edit(1, "2025-03-01T00:00:00Z", "/y"));
    claude("p/b.jsonl", edit(1, "2025-03-01T00:00:00Z", "/x"));
    EXPECT_EQ(build("2025-03-10T12:00:00Z").filesEdited, 2);
}

TEST_F(Builder, MemoSkipsTheCacheFileUntilAnotherProcessReplacesIt) {
    claude("p/a.jsonl", activeOn({"2025-03-08"}));
    ParseCacheMemo memo;
    const auto in = inputs(at("2025-03-10T12:00:00Z"));
    const Stats first = StatsEngine::build(in, &memo);
    ASSERT_TRUE(memo.stamp);
    EXPECT_EQ(memo.cache.entries.size(), 1u);

    // Garbage of the same size and time in the same file: the memo still matches and is used.
    struct stat st {};
    ASSERT_EQ(::stat(cacheFile().c_str(), &st), 0);
    {
        std::ofstream out(cacheFile(), std::ios::binary | std::ios::in);
        out << std::string(static_cast<std::size_t>(st.st_size), ' ');
    }
    const timespec times[2] = {st.st_mtim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, cacheFile().c_str(), times, 0), 0);
    std::filesystem::remove(cacheDir() / FoldSummary::fileName);  // so the parse cache is asked
    EXPECT_EQ(StatsEngine::build(in, &memo), first);

    // A cache written by another process (a new file) is read again: here it claims a
    // contribution for the log file, which the build must then use.
    ParseCache other = memo.cache;
    other.entries.begin()->second.contribution.prompts = 7;
    ASSERT_TRUE(ParseCache::save(other, cacheDir()));
    std::filesystem::remove(cacheDir() / FoldSummary::fileName);
    EXPECT_EQ(StatsEngine::build(in, &memo).prompts, 7);

    // With the fold from the fold cache the memo is let go.
    EXPECT_EQ(StatsEngine::build(in, &memo).prompts, 7);
    EXPECT_TRUE(memo.cache.entries.empty());
}

TEST_F(Builder, DeletedFileIsPrunedAndTheCacheSaved) {
    claude("p/a.jsonl", activeOn({"2025-03-08"}));
    const auto gone = claude("p/b.jsonl", activeOn({"2025-03-09"}));
    build("2025-03-10T12:00:00Z");
    EXPECT_EQ(ParseCache::load(cacheDir()).entries.size(), 2u);
    std::filesystem::remove(gone);
    const Stats s = build("2025-03-10T12:00:00Z");
    EXPECT_EQ(s.activeDays, 1);
    const auto cache = ParseCache::load(cacheDir());
    EXPECT_EQ(cache.entries.size(), 1u);
    EXPECT_FALSE(cache.entries.contains(gone));
}

TEST_F(Builder, StatsDirReplacesOnlyTheClaudeRoot) {
    const auto other = home.path() / "elsewhere";
    home.write("elsewhere/s.jsonl", activeOn({"2025-03-01"}));
    claude("p/a.jsonl", activeOn({"2025-03-02"}));
    codex("rollout-c.jsonl", activeOn({"2025-03-03"}));
    auto in = inputs(at("2025-03-10T12:00:00Z"));
    in.claudeRoots = {StatsEngine::claudeRoot(home.path(), other)};
    const Stats s = StatsEngine::build(in);
    EXPECT_EQ(s.sessions, 2);
    EXPECT_EQ(s.since, "2025-03-01");
    EXPECT_EQ(s.until, "2025-03-03");
}

TEST(DayNumber, CountsDaysSince1970) {
    EXPECT_EQ(StatsEngine::dayNumber("1970-01-02"), 1);
    EXPECT_EQ(StatsEngine::dayNumber("1970-01-01"), 0);
    EXPECT_EQ(StatsEngine::dayNumber("2024-03-01"), StatsEngine::dayNumber("2024-3-1"));
    EXPECT_EQ(StatsEngine::dayNumber("2024-03-01") - StatsEngine::dayNumber("2024-02-28"), 2);
    EXPECT_EQ(StatsEngine::dayNumber("2024--03--01"), StatsEngine::dayNumber("2024-03-01"));
    for (const char* bad :
         {"2024-03", "x", "", "2024-13-01", "2025-02-29", "2024-03-01-02", "2024-x-01"}) {
        EXPECT_EQ(StatsEngine::dayNumber(bad), 0) << bad;
    }
    // A piece too large for an integer reads as 0, and year 0 is a real year.
    EXPECT_EQ(StatsEngine::dayNumber("99999999999999999999-01-01"),
              StatsEngine::dayNumber("0-01-01"));
    EXPECT_LT(StatsEngine::dayNumber("0-01-01"), -700'000);
    // Years before 0 keep their sign, so the day before 0000-01-01 is one day earlier.
    EXPECT_EQ(StatsEngine::dayNumber("-001-12-31"), StatsEngine::dayNumber("0000-01-01") - 1);
}

TEST(FindLogFiles, WalksDepthFirstSkippingHiddenEntriesAndSymlinkedFolders) {
    TempDir dir;
    dir.write("a/one.jsonl", "");
    dir.write("a/b/two.jsonl", "");
    dir.write("a/three.JSONL", "");
    dir.write("a/four.json", "");
    dir.write(".hidden/five.jsonl", "");
    dir.write("a/.six.jsonl", "");
    std::filesystem::create_directory_symlink(dir.path() / "a", dir.path() / "link");
    std::filesystem::create_symlink(dir.path() / "a/one.jsonl", dir.path() / "alias.jsonl");
    std::filesystem::create_symlink("loop.jsonl", dir.path() / "loop.jsonl");
    std::filesystem::create_directory(dir.path() / "folder.jsonl");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.jsonl").c_str(), 0600), 0);

    auto found = StatsEngine::findLogFiles(dir.path());
    std::vector<std::string> names;
    for (const auto& f : found) {
        names.push_back(f.substr(dir.path().string().size() + 1));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a/b/two.jsonl", "a/one.jsonl", "alias.jsonl",
                                               "folder.jsonl", "loop.jsonl", "pipe.jsonl"}));
    EXPECT_TRUE(StatsEngine::findLogFiles(dir.path() / "missing").empty());
}

TEST_F(Builder, OddEntriesCountAsSessionsButContributeNothing) {
    claude("p/a.jsonl", activeOn({"2025-03-08"}));
    std::filesystem::create_directories(home.path() / ".claude/projects/dir.jsonl");
    ASSERT_EQ(::mkfifo((home.path() / ".claude/projects/pipe.jsonl").c_str(), 0600), 0);
    std::filesystem::create_symlink("nowhere", home.path() / ".claude/projects/dangling.jsonl");
    const Stats s = build("2025-03-10T12:00:00Z");
    EXPECT_EQ(s.sessions, 4);
    EXPECT_EQ(s.activeDays, 1);
}

TEST(FindLogFiles, UnreadableSubfolderIsSkippedAndTheWalkGoesOn) {
    TempDir dir;
    dir.write("a/x.jsonl", "");
    dir.write("b/y.jsonl", "");
    dir.write("c/z.jsonl", "");
    ::chmod((dir.path() / "b").c_str(), 0);
    const int found = test::runUnprivileged(dir.path(), [](const std::string& folder) {
        return static_cast<int>(StatsEngine::findLogFiles(folder).size());
    });
    EXPECT_EQ(found, 2);
}

}  // namespace
}  // namespace tavrik
