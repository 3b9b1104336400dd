#include "engine/History.h"
#include "engine/ParseCache.h"
#include "engine/StatsCache.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using std::filesystem::perms;
constexpr perms privateFile = perms::owner_read | perms::owner_write;

TEST(ParseCacheFile, RoundTripsPrivatelyReadsTheOlderLayoutAndLosesTheLotOnAnyDeparture) {
    test::TempDir dir;
    const auto cacheDir = dir.path() / "cache" / "Tavrik";
    ParseCache cache;
    cache.entries["/a"] = {1.5, 2, {}};
    cache.entries["/b\n"] = {3, 4, {}};
    ASSERT_TRUE(ParseCache::save(cache, cacheDir));
    EXPECT_EQ(ParseCache::load(cacheDir), cache);
    EXPECT_EQ(status(cacheDir / "parse-cache.json").permissions(), privateFile);
    EXPECT_EQ(status(cacheDir).permissions(), perms::owner_all);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cacheDir), {}), 1);  // no leftovers
    const auto blocker = dir.write("file", "x");
    EXPECT_FALSE(ParseCache::save(cache, std::filesystem::path(blocker) / "Tavrik"));

    const std::string good = readWholeFile(cacheDir / "parse-cache.json", 1 << 20).value();
    // Older versions wrote the whole cache on one line; that is read too.
    const std::string file = "cache/Tavrik/parse-cache.json";
    const std::string entry =
        R"({"mtime":1,"size":2,"contribution":)" + *toJson(FileContribution{}) + "}";
    dir.write(file, R"({"version":1,"entries":{"/x":)" + entry + "}}");
    EXPECT_EQ(ParseCache::load(cacheDir).entries.size(), 1u);
    // Any departure from either layout, or a wrong version, loses the lot.
    const std::size_t comma = good.find(",\n\"/");
    const std::size_t closing = good.rfind("\n}}");
    ASSERT_NE(comma, std::string::npos);
    for (const std::string& bad : {
             good.substr(0, closing + 1),
             good + "}}\n",
             good.substr(0, comma) + good.substr(comma + 1),
             good.substr(0, closing) + "," + good.substr(closing),
             good.substr(0, good.size() / 2),
             R"({"version":2,"entries":{"/x":)" + entry + "}}",
             R"({"entries":{"/x":)" + entry + "}}",
             R"({"version":1,"entries":{"/x":{"mtime":1,"contribution":)"
                 + *toJson(FileContribution{}) + "}}}",
             std::string("not json"),
             std::string(R"({"version":1,"entries":[]})"),
             std::string("\0\0\0", 3),
         }) {
        dir.write(file, bad);
        EXPECT_TRUE(ParseCache::load(cacheDir).entries.empty()) << bad;
    }
    std::filesystem::remove(dir.path() / file);
    EXPECT_TRUE(ParseCache::load(cacheDir).entries.empty());
}

TEST(ParseCacheFile, LeavesOutEntriesTheirFileCouldNotHaveGiven) {
    const std::function<void(FileContribution&)> damage[] = {
        [](FileContribution&) {},  // the one entry kept
        [](FileContribution& c) { c.prompts = 3; },
        [](FileContribution& c) { c.tokensOut = 2.1e15; },
        [](FileContribution& c) { c.minTs = 2, c.maxTs = 1; },
        [](FileContribution& c) { c.maxTs = 1e12; },
    };
    ParseCache cache;
    for (std::size_t i = 0; i < std::size(damage); ++i) {
        damage[i]((cache.entries["/" + std::to_string(i)] = {1, 2, {}}).contribution);
    }
    const test::TempDir dir;
    ASSERT_TRUE(ParseCache::save(cache, dir.path()));
    EXPECT_EQ(ParseCache::load(dir.path()).entries, (decltype(cache.entries){{"/0", {1, 2, {}}}}));
}

TEST(StatsCacheFile, RoundTripsPrivatelyAndRejectsIncompleteOrHugeFiles) {
    test::TempDir dir;
    Stats s;
    s.crackedScore = 42;
    ASSERT_TRUE(StatsCache::save(s, dir.path()));
    EXPECT_EQ(StatsCache::load(dir.path()), s);
    EXPECT_EQ(status(StatsCache::url(dir.path())).permissions(), privateFile);
    EXPECT_FALSE(StatsCache::save(Stats{}, dir.path() / "stats-cache.json" / "Tavrik"));
    const std::string json = *toJson(Stats{});
    dir.write("stats-cache.json", json.substr(0, json.find(",\"badges\":[]")) + "}");
    EXPECT_FALSE(StatsCache::load(dir.path()));
    // A file far larger than any Stats is not read at all (nor memory set aside for it).
    std::filesystem::resize_file(StatsCache::url(dir.path()), std::uint64_t{64} << 30);
    EXPECT_FALSE(StatsCache::load(dir.path()));
}

TEST(CacheAndHistoryFolders, FollowXdgThenHome) {
    EXPECT_EQ(ParseCache::directory("/xdg", "/home/u"), "/xdg/Tavrik");
    EXPECT_EQ(ParseCache::directory("relative", "/home/u"), "/home/u/.cache/Tavrik");
    EXPECT_EQ(ParseCache::directory(nullptr, "/home/u"), "/home/u/.cache/Tavrik");
    EXPECT_EQ(ParseCache::directory("", nullptr).filename(), "Tavrik");
    EXPECT_EQ(History::directory("/xdg", "/home/u"), "/xdg/Tavrik");
    EXPECT_EQ(History::directory("relative", "/home/u"), "/home/u/.local/share/Tavrik");
}

}  // namespace
}  // namespace tavrik
