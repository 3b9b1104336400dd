#include "engine/FoldCache.h"
#include "engine/History.h"
#include "engine/ParseCache.h"
#include "engine/Pricing.h"
#include "engine/StatsEngine.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <ranges>

namespace tavrik {
namespace {

// A home folder with log trees, and builds over it at a chosen instant.
class Builder : public ::testing::Test {
protected:
    std::string claude(const std::string& relative, const std::string& text) {
        return home.write(".claude/projects/" + relative, text);
    }
    StatsEngine::BuildInputs inputs(const char* nowIso = "2025-03-10T12:00:00Z") const {
        return {{StatsEngine::claudeRoot(home.path(), std::nullopt)},
                StatsEngine::codexRoot(home.path()),
                cacheDir(),
                test::at(nowIso)};
    }
    Stats build(const char* nowIso = "2025-03-10T12:00:00Z") {
        return StatsEngine::build(inputs(nowIso));
    }
    std::filesystem::path cacheDir() const { return home.path() / "cache" / "Tavrik"; }

    test::ScopedTimeZone zone{"UTC"};
    test::TempDir home;
};

// One timestamped line on each of the given days, at noon UTC.
std::string activeOn(std::initializer_list<const char*> days) {
    std::string text;
    for (const char* day : days) {
        text += std::string(R"({"timestamp":")") + day + "T12:00:00Z\"}\n";
    }
    return text;
}

// One Claude line: a reply of model at when with the given tokens, and when content is given,
// an edit of file writing it.
std::string reply(const char* when, int in, int out, const char* content = nullptr,
                  const char* model = "m", const char* file = "/a") {
    std::string text = std::string(R"({"type":"assistant","timestamp":")") + when
                       + R"(","message":{"model":")" + model + R"(","usage":{"input_tokens":)"
                       + std::to_string(in) + R"(,"output_tokens":)" + std::to_string(out) + "}}";
    if (content != nullptr) {
        text += std::string(R"(,"toolUseResult":{"filePath":")") + file + R"(","content":")"
                + content + "\"}";
    }
    return text + "}\n";
}

void setMtime(const std::string& path, std::int64_t sec, long nsec) {
    const timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(Builder, StreaksActiveDaysAndTheRoundedSpanAcrossDaylightSaving) {
    const Stats none = build();
    Stats zero;  // no files: nothing but the score figures of nothing
    zero.percentile = 99;
    zero.badges = none.badges;
    EXPECT_EQ(none, zero);
    claude("p/a.jsonl", activeOn({"2025-03-08", "2025-03-09"}));
    claude("p/b.jsonl", R"({"timestamp":"2025-02-28T00:00:00Z"}
)" + activeOn({"2025-03-01", "2025-03-02", "2025-03-03"}));
    const Stats s = build();
    EXPECT_EQ(std::make_tuple(s.streakLongest, s.activeDays, s.daysSpan),
              std::make_tuple(4, 6, 11));
    EXPECT_EQ(s.since, "2025-02-28");
    EXPECT_EQ(s.until, "2025-03-09");
    // The current streak counts back from yesterday until today has activity.
    EXPECT_EQ(std::make_pair(s.codedToday, s.streakCurrent), std::make_pair(false, 2L));
    claude("p/c.jsonl", activeOn({"2025-03-10"}));
    EXPECT_EQ(std::make_pair(build().codedToday, build().streakCurrent), std::make_pair(true, 3L));
    EXPECT_EQ(build("2025-03-11T12:00:00Z").streakCurrent, 3);
    EXPECT_EQ(build("2025-03-12T12:00:00Z").streakCurrent, 0);
    // Days are calendar days, also across the short and long daylight-saving days.
    const test::ScopedTimeZone berlin("Europe/Berlin");
    // 30 March 2025 has 23 hours in Berlin. At 00:30 on the 31st, yesterday is the 30th.
    claude("p/d.jsonl", R"({"timestamp":"2025-03-29T11:00:00Z"}
{"timestamp":"2025-03-30T11:00:00Z"})");
    EXPECT_EQ(build("2025-03-30T22:30:00Z").streakCurrent, 2);
    // And the 25-hour autumn day: 27 October 2024, at 23:30 local on the 28th.
    claude("p/e.jsonl", R"({"timestamp":"2024-10-26T10:00:00Z"}
{"timestamp":"2024-10-27T10:00:00Z"})");
    EXPECT_EQ(build("2024-10-28T22:30:00Z").streakCurrent, 2);
}

TEST_F(Builder, WeekWindowIsTodayAndTheSixDaysBefore) {
    claude("p/six.jsonl", reply("2025-03-04T12:00:00Z", 1, 10, R"(a\nb)"));
    claude("p/seven.jsonl", reply("2025-03-03T12:00:00Z", 1, 100, R"(a\nb\nc)"));
    claude("p/future.jsonl", reply("2025-03-11T12:00:00Z", 1, 1000));
    claude("p/five.jsonl", activeOn({"2025-03-05"}));
    claude("p/today.jsonl", reply("2025-03-10T01:00:00Z", 2, 5, R"(a\nb\nc\nd)"));
    const Stats s = build();
    EXPECT_EQ(std::make_tuple(s.weekTokens, s.weekLinesAdded, s.weekSessions, s.sessions),
              std::make_tuple(11 + 7, 2 + 4, 3, 5));
    EXPECT_EQ(std::make_pair(s.todayTokens, s.todayLinesAdded), std::make_pair(7.0, 4L));
    EXPECT_EQ(s.todayCost, Pricing::cost({3, 15}, 2, 5, 0, 0));
}

TEST_F(Builder, ModelsAreSortedByCostAndEditedFilesCountedOnceAcrossFiles) {
    const char* when = "2025-03-01T00:00:00Z";
    claude("p/a.jsonl", reply(when, 100, 100, "", "claude-haiku-4-5", "/x")
                            + reply(when, 100, 100, "", "claude-opus-4-5", "/y")
                            + reply(when, 100, 100, nullptr, "claude-sonnet-4-5-20250929"));
    claude("p/b.jsonl", R"({"toolUseResult":{"filePath":"/x","content":""}})");
    home.write(
        ".codex/sessions/2025/03/01/rollout-a.jsonl",
        R"({"payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":100,"output_tokens":100}}}})");
    const Stats s = build();
    ASSERT_EQ(s.models.size(), 4u);
    EXPECT_TRUE(std::is_sorted(s.models.begin(), s.models.end(),
                               [](const auto& a, const auto& b) { return a.cost > b.cost; }));
    EXPECT_EQ(s.topModel, "Opus 4.5");
    EXPECT_EQ(std::make_tuple(s.assistantMessages, s.tokensIn, s.filesEdited, s.linesAdded),
              std::make_tuple(3, 400, 2, 3));
    EXPECT_TRUE(std::any_of(s.badges.begin(), s.badges.end(),
                            [](const Badge& b) { return b.id == "polyglot" && b.earned; }));
}

TEST_F(Builder, CacheAnswersForUnchangedFilesAndTheMemoForAnUnreplacedCacheFile) {
    const auto file = claude("p/a.jsonl", activeOn({"2025-03-08"}));
    const auto cacheFile = cacheDir() / "parse-cache.json";
    setMtime(file, 1'700'000'000, 0);
    // A cache entry claiming 7 prompts shows whether the file was read or taken from the cache
    // (the fold cache, which would answer first while no file changed, is removed).
    const auto claimSeven = [&](ParseCache cache) {
        cache.entries.at(file).contribution.prompts = 7;
        ASSERT_TRUE(ParseCache::save(cache, cacheDir()));
        std::filesystem::remove(cacheDir() / FoldSummary::fileName);
    };
    EXPECT_EQ(build().prompts, 0);
    claimSeven(ParseCache::load(cacheDir()));
    EXPECT_EQ(build().prompts, 7);
    setMtime(file, 1'700'000'000, 1'000'000);  // touched a millisecond later, same size
    EXPECT_EQ(build().prompts, 0);
    const auto entry = ParseCache::load(cacheDir()).entries.at(file);
    EXPECT_EQ(std::make_pair(entry.mtime, entry.size), std::make_pair(1'700'000'000.001, 37L));
    claimSeven(ParseCache::load(cacheDir()));
    claude("p/a.jsonl", activeOn({"2025-03-08"}) + R"({"type":"last-prompt"})");
    setMtime(file, 1'700'000'000, 1'000'000);  // size changed, same time
    ParseCacheMemo memo;
    EXPECT_EQ(StatsEngine::build(inputs(), &memo).prompts, 1);

    // Garbage of the same size and time in the same cache file: the memo still matches.
    struct stat st {};
    ASSERT_EQ(::stat(cacheFile.c_str(), &st), 0);
    std::ofstream(cacheFile, std::ios::binary | std::ios::in)
        << std::string(static_cast<std::size_t>(st.st_size), ' ');
    const timespec times[2] = {st.st_mtim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, cacheFile.c_str(), times, 0), 0);
    std::filesystem::remove(cacheDir() / FoldSummary::fileName);  // so the parse cache is asked
    EXPECT_EQ(StatsEngine::build(inputs(), &memo).prompts, 1);
    // A cache written by another process (a new file) is read again, and its entry used.
    claimSeven(memo.cache);
    EXPECT_EQ(StatsEngine::build(inputs(), &memo).prompts, 7);
    // Nothing changed since: the fold cache answers, and the memo is let go.
    EXPECT_EQ(StatsEngine::build(inputs(), &memo).prompts, 7);
    EXPECT_TRUE(memo.cache.entries.empty());
}

TEST_F(Builder, VanishedFilesAreDroppedOrCountFromTheKeptHistory) {
    claude("p/a.jsonl", activeOn({"2025-03-08"}));
    const auto gone = claude("p/b.jsonl", activeOn({"2025-03-09"}));
    build();
    std::filesystem::remove(gone);
    EXPECT_EQ(build().activeDays, 1);
    EXPECT_EQ(ParseCache::load(cacheDir()).entries.size(), 1u);  // pruned and saved

    auto in = inputs();
    in.historyDir = home.path() / "data";
    claude("p/b.jsonl", activeOn({"2025-03-09"}));
    StatsEngine::build(in);
    auto elsewhere = in;  // another process reading other folders: nothing vanished
    elsewhere.claudeRoots = {home.path() / "none"};
    EXPECT_EQ(StatsEngine::build(elsewhere).sessions, 0);
    StatsEngine::build(in);
    std::filesystem::remove(gone);
    const Stats kept = StatsEngine::build(in);
    EXPECT_EQ(std::make_pair(kept.sessions, kept.activeDays), std::make_pair(2L, 2L));
    EXPECT_EQ(History::summary(*in.historyDir).sessions, 1);
    claude("p/b.jsonl", activeOn({"2025-03-09"}));  // back at its path: counted once
    EXPECT_EQ(StatsEngine::build(in).sessions, 2);
    EXPECT_EQ(History::summary(*in.historyDir).sessions, 0);

    // A history of another version is moved aside, and the build goes on without it.
    const auto historyFile = *in.historyDir / "history.json";
    std::ofstream(historyFile) << R"({"version":2,"sessions":{}})";
    EXPECT_EQ(StatsEngine::build(in).sessions, 2);
    EXPECT_FALSE(std::filesystem::exists(historyFile));
}

TEST_F(Builder, WalkSkipsHiddenEntriesSymlinkedFoldersAndUnreadableOnesAndCountsALinkedFileOnce) {
    const auto root = home.path() / "elsewhere";  // in place of the Claude folder
    home.write("elsewhere/a/one.jsonl", activeOn({"2025-03-08"}) + R"({"type":"last-prompt"})");
    for (const char* skipped :
         {"a/b.JSONL", "a/c.json", ".d/e.jsonl", "a/.f.jsonl", "closed/g.jsonl", "locked.jsonl"}) {
        home.write("elsewhere/" + std::string(skipped), R"({"type":"last-prompt"})");
    }
    ::chmod((root / "closed").c_str(), 0);
    ::chmod((root / "locked.jsonl").c_str(), 0);  // counted, but reads as empty
    home.write("elsewhere/a/b/two.jsonl", "");
    claude("p/not-read.jsonl", activeOn({"2025-03-01"}));
    home.write(".codex/sessions/rollout-c.jsonl", activeOn({"2025-03-09"}));
    std::filesystem::create_directory_symlink(root / "a", root / "link");
    std::filesystem::create_symlink(root / "a/one.jsonl", root / "alias.jsonl");
    std::filesystem::create_hard_link(root / "a/one.jsonl", root / "hard.jsonl");
    // Odd entries count as sessions but contribute nothing.
    std::filesystem::create_symlink("nowhere", root / "dangling.jsonl");
    std::filesystem::create_directory(root / "folder.jsonl");
    ASSERT_EQ(::mkfifo((root / "pipe.jsonl").c_str(), 0600), 0);
    // Built by an ordinary user, whom permissions stop; exit code: sessions * 10 + prompts.
    const int result = test::runUnprivileged(home.path(), [](const std::string& dir) {
        const Stats s = StatsEngine::build({{StatsEngine::claudeRoot(dir, dir + "/elsewhere")},
                                            StatsEngine::codexRoot(dir),
                                            dir + "/cache",
                                            0});
        return static_cast<int>(s.sessions * 10 + s.prompts);
    });
    EXPECT_EQ(result, 71);  // one, two, locked, dangling, folder, pipe and the rollout
}

TEST(DayNumber, CountsDaysSince1970) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"1970-01-02", 1},
        {"2024-03-01", 19783},
        {"2024-3-1", 19783},
        {"2024--03--01", 19783},
        {"0000-01-01", -719528},
        {"-001-12-31", -719529},                  // years before 0 keep their sign
        {"99999999999999999999-01-01", -719528},  // a piece too large for an integer reads as 0
    };
    for (const auto& [key, day] : cases) {
        EXPECT_EQ(StatsEngine::dayNumber(key), day) << key;
    }
    const std::string_view bad = "2024-03|x||2024-13-01|2025-02-29|2024-03-01-02|2024-x-01";
    for (const auto piece : std::views::split(bad, '|')) {
        const std::string_view key(piece.begin(), piece.end());
        EXPECT_EQ(StatsEngine::dayNumber(key), 0) << key;
    }
}

}  // namespace
}  // namespace tavrik
