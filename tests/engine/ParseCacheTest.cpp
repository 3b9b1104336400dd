#include "engine/ParseCache.h"
#include "engine/StatsCache.h"
#include "engine/StatsEngine.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrik {
namespace {

using test::TempDir;

class ParseCacheTest : public ::testing::Test {
protected:
    // A reader that counts its calls and gives a recognisable contribution.
    StatsEngine::Reader countingReader() {
        return [this](const std::string&) {
            ++parses;
            FileContribution c;
            c.prompts = parses;
            return c;
        };
    }

    const FileContribution& get(const std::string& file) {
        return StatsEngine::loadOrParse(file, cache, dirty, countingReader(), fresh);
    }

    TempDir dir;
    ParseCache cache;
    FileContribution fresh;
    bool dirty = false;
    int parses = 0;
};

void setMtime(const std::string& path, std::int64_t sec, long nsec) {
    const timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(ParseCacheTest, FileIsReadAgainOnlyWhenItsTimeOrSizeChanged) {
    const auto file = dir.write("a.jsonl", "abc");
    setMtime(file, 1'700'000'000, 0);
    EXPECT_EQ(get(file).prompts, 1);
    EXPECT_TRUE(dirty);
    dirty = false;
    EXPECT_EQ(get(file).prompts, 1);  // unchanged: from the cache, nothing to save
    EXPECT_FALSE(dirty);
    setMtime(file, 1'700'000'000, 1'000'000);  // touched a millisecond later, same size
    EXPECT_EQ(get(file).prompts, 2);
    dir.write("a.jsonl", "abcd");
    setMtime(file, 1'700'000'000, 1'000'000);  // size changed, same time
    EXPECT_EQ(get(file).prompts, 3);
    EXPECT_EQ(cache.entries.size(), 1u);
    EXPECT_EQ(cache.entries.at(file).size, 4);
    EXPECT_EQ(cache.entries.at(file).mtime, 1'700'000'000.001);
    // Without attributes a file is read every time and never cached.
    const auto missing = (dir.path() / "gone.jsonl").string();
    dirty = false;
    get(missing);
    get(missing);
    EXPECT_EQ(parses, 5);
    EXPECT_EQ(cache.entries.size(), 1u);
    EXPECT_FALSE(dirty);
}

TEST_F(ParseCacheTest, SaveAndLoadRoundTripWithPrivateModeAndNoLeftovers) {
    const auto file = dir.write("a.jsonl", "abc");
    get(file);
    const auto cacheDir = dir.path() / "cache" / "Tavrik";
    ASSERT_TRUE(ParseCache::save(cache, cacheDir));
    EXPECT_EQ(ParseCache::load(cacheDir), cache);
    struct stat st {};
    ASSERT_EQ(::stat((cacheDir / "parse-cache.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(cacheDir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cacheDir),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(ParseCacheTest, BadFilesLoadAsAnEmptyCache) {
    const auto cacheDir = dir.path() / "c";
    EXPECT_TRUE(ParseCache::load(cacheDir).entries.empty());
    const std::string entry =
        R"({"mtime":1,"size":2,"contribution":)" + *toJson(FileContribution{}) + "}";
    dir.write("c/parse-cache.json", R"({"version":1,"entries":{"/x":)" + entry + "}}");
    EXPECT_EQ(ParseCache::load(cacheDir).entries.size(), 1u);
    for (const std::string& bad : {
             R"({"version":2,"entries":{"/x":)" + entry + "}}",
             R"({"entries":{"/x":)" + entry + "}}",
             std::string(R"({"version":1,"entries":{"/x":{"mtime":1,"contribution":)")
                 + *toJson(FileContribution{}) + "}}}",
             std::string("not json"),
             std::string(R"({"version":1,"entries":[]})"),
             std::string("\0\0\0", 3),
         }) {
        dir.write("c/parse-cache.json", bad);
        EXPECT_TRUE(ParseCache::load(cacheDir).entries.empty()) << bad;
    }

    // Written an entry a line, and read back that way: any departure from it loses the lot.
    ParseCache two;
    two.entries["/a"] = {1, 2, {}};
    two.entries["/b\n"] = {3, 4, {}};
    ASSERT_TRUE(ParseCache::save(two, cacheDir));
    EXPECT_EQ(ParseCache::load(cacheDir), two);
    const std::string good = readWholeFile(cacheDir / "parse-cache.json", 1 << 20).value();
    const std::size_t comma = good.find(",\n\"/");
    const std::size_t closing = good.rfind("\n}}");
    ASSERT_NE(comma, std::string::npos);
    for (const std::string& bad : {
             good.substr(0, closing + 1),
             good + "}}\n",
             good.substr(0, comma) + good.substr(comma + 1),
             good.substr(0, closing) + "," + good.substr(closing),
             good.substr(0, good.size() / 2),
         }) {
        dir.write("c/parse-cache.json", bad);
        EXPECT_TRUE(ParseCache::load(cacheDir).entries.empty()) << bad;
    }
}

TEST_F(ParseCacheTest, UnwritableFolderFailsQuietly) {
    const auto blocker = dir.write("file", "x");
    EXPECT_FALSE(ParseCache::save(cache, std::filesystem::path(blocker) / "Tavrik"));
    EXPECT_FALSE(StatsCache::save(Stats{}, std::filesystem::path(blocker) / "Tavrik"));
}

TEST(StatsCacheTest, RoundTripsAndRejectsIncompleteFiles) {
    TempDir dir;
    Stats s;
    s.crackedScore = 42;
    s.topModel = "Opus 4.5";
    ASSERT_TRUE(StatsCache::save(s, dir.path()));
    EXPECT_EQ(StatsCache::load(dir.path()), s);
    struct stat st {};
    ASSERT_EQ(::stat(StatsCache::url(dir.path()).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::string json = *toJson(Stats{});
    const auto badges = json.find(",\"badges\":[]");
    ASSERT_NE(badges, std::string::npos);
    dir.write("stats-cache.json", json.substr(0, badges) + "}");
    EXPECT_FALSE(StatsCache::load(dir.path()));
    dir.write("stats-cache.json", json);
    const auto loaded = StatsCache::load(dir.path());
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->topModel);
    // A file far larger than any Stats is not read at all (nor memory set aside for it).
    std::filesystem::resize_file(StatsCache::url(dir.path()), std::uint64_t{64} << 30);
    EXPECT_FALSE(StatsCache::load(dir.path()));
}

TEST(CacheDirectory, FollowsXdgThenHomeThenTemp) {
    EXPECT_EQ(ParseCache::directory("/xdg", "/home/u"), "/xdg/Tavrik");
    EXPECT_EQ(ParseCache::directory("relative", "/home/u"), "/home/u/.cache/Tavrik");
    EXPECT_EQ(ParseCache::directory(nullptr, "/home/u"), "/home/u/.cache/Tavrik");
    EXPECT_EQ(ParseCache::directory("", nullptr).filename(), "Tavrik");
}

}  // namespace
}  // namespace tavrik
