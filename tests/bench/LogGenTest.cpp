#include "bench/LogGen.h"
#include "engine/StatsEngine.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <simdjson.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace tavrik::bench {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every regular .jsonl file below dir, by path relative to dir, with its bytes.
std::map<std::string, std::string> logFiles(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_regular_file() && e.path().extension() == ".jsonl") {
            files[fs::relative(e.path(), dir).string()] = readAll(e.path());
        }
    }
    return files;
}

class LogGenTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavrik-loggen-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    GenOptions options(const std::string& name, std::uint64_t seed) const {
        GenOptions o;
        o.out = m_dir / name;
        o.totalBytes = 3'000'000;
        o.files = 40;
        o.seed = seed;
        o.codexShare = 0.3;
        o.giantFileBytes = 400'000;  // so that a small tree has lines far above the usual
        return o;
    }

    fs::path m_dir;
};

TEST_F(LogGenTest, EveryLineOfEveryFileIsAJsonObject) {
    const GenTotals totals = generateTree(options("home", 7));
    const auto files = logFiles(m_dir / "home");
    ASSERT_FALSE(files.empty());
    simdjson::dom::parser parser;
    std::int64_t lines = 0;
    std::size_t longest = 0;
    for (const auto& [path, text] : files) {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            const std::string_view line(text.data() + start, end - start);
            simdjson::dom::element doc;
            ASSERT_EQ(parser.parse(line.data(), line.size()).get(doc), simdjson::SUCCESS)
                << path << ": " << line.substr(0, 200);
            EXPECT_TRUE(doc.is_object()) << path;
            longest = std::max(longest, line.size());
            ++lines;
            start = end + 1;
        }
    }
    EXPECT_GE(lines, totals.lines);  // the decoy files add a few lines of their own
    EXPECT_EQ(longest, totals.longestLine);
    EXPECT_GT(totals.longestLine, 50'000u);
}

TEST_F(LogGenTest, LaysFilesOutWhereTheAgentsWriteThem) {
    const GenTotals totals = generateTree(options("home", 7));
    std::int64_t claude = 0;
    std::int64_t codex = 0;
    std::uint64_t bytes = 0;
    for (const auto& [path, text] : logFiles(m_dir / "home")) {
        const fs::path p(path);
        const std::string name = p.filename().string();
        if (name.starts_with(".") || p.string().find("/.") != std::string::npos) {
            continue;  // hidden decoys
        }
        const auto parts = std::vector<fs::path>(p.begin(), p.end());
        if (parts[0] == ".claude" && name.size() == 42) {  // <uuid>.jsonl
            ASSERT_EQ(parts.size(), 4u) << path;
            EXPECT_EQ(parts[1], "projects");
            EXPECT_TRUE(parts[2].string().starts_with("-home-dev-")) << path;
            ++claude;
            bytes += text.size();
        } else if (parts[0] == ".claude" && name.starts_with("agent-")) {
            ++claude;
            bytes += text.size();
        } else if (parts[0] == ".codex" && name.starts_with("rollout-")) {
            ASSERT_EQ(parts.size(), 6u) << path;  // sessions/YYYY/MM/DD/rollout-...
            EXPECT_EQ(parts[1], "sessions");
            EXPECT_EQ(parts[2].string().size(), 4u);
            EXPECT_EQ(name.substr(8, 10),
                      parts[2].string() + "-" + parts[3].string() + "-" + parts[4].string());
            ++codex;
            bytes += text.size();
        }
    }
    EXPECT_EQ(claude, totals.claudeFiles);
    EXPECT_EQ(codex, totals.codexFiles);
    EXPECT_EQ(claude + codex, 40);
    EXPECT_GT(codex, 0);
    EXPECT_EQ(bytes, totals.bytes);
    // The requested size is met within one turn's worth of text per file.
    EXPECT_GE(totals.bytes, 3'000'000u);
    EXPECT_LE(totals.bytes, 3'600'000u);
}

TEST_F(LogGenTest, SameSeedGivesTheSameTreeAndAnotherSeedAnother) {
    generateTree(options("a", 11));
    generateTree(options("b", 11));
    generateTree(options("c", 12));
    const auto a = logFiles(m_dir / "a");
    EXPECT_EQ(a, logFiles(m_dir / "b"));
    EXPECT_NE(a, logFiles(m_dir / "c"));
}

TEST_F(LogGenTest, RefusesAFolderThatAlreadyHoldsLogs) {
    const fs::path home = m_dir / "home";
    fs::create_directories(home / ".claude" / "projects" / "mine");
    std::ofstream(home / ".claude" / "projects" / "mine" / "s.jsonl") << "{}\n";
    EXPECT_THROW(generateTree(options("home", 1)), std::runtime_error);
    EXPECT_EQ(readAll(home / ".claude" / "projects" / "mine" / "s.jsonl"), "{}\n");
    EXPECT_FALSE(fs::exists(home / ".codex"));
}

// The generator counts what it writes; a build over the tree must find the same, on one
// thread or several, to the last bit of every sum, in any time zone and through either cache.
TEST_F(LogGenTest, BuildAgreesWithWhatTheGeneratorWroteOnAnyNumberOfThreads) {
    GenOptions o = options("home", 5);
    o.files = 300;  // enough sums that another order would change their last bits
    const GenTotals t = generateTree(o);
    const auto inputs = [&](const fs::path& cache, double now, unsigned threads) {
        StatsEngine::BuildInputs in{{StatsEngine::claudeRoot(o.out, std::nullopt)},
                                    StatsEngine::codexRoot(o.out),
                                    m_dir / cache,
                                    now};
        in.threads = threads;
        return in;
    };
    const auto cold = [&](double now) {
        fs::remove_all(m_dir / "cold");
        return StatsEngine::build(inputs("cold", now, 1));
    };
    std::map<std::string, Stats> byZone;
    for (const char* zone : {"America/New_York", "Asia/Kolkata"}) {
        SCOPED_TRACE(zone);
        const test::ScopedTimeZone inZone(zone);
        const Stats s = byZone[zone] = cold(1.8e9);
        EXPECT_EQ(StatsEngine::build(inputs(zone, 1.8e9, 5)), s);
        fs::remove(m_dir / zone / "fold-cache.json");
        EXPECT_EQ(StatsEngine::build(inputs(zone, 1.8e9, 5)), s);  // through the parse cache
        EXPECT_EQ(StatsEngine::build(inputs(zone, 1.8e9, 5)), s);  // through the fold cache

        // A fold saved on one day serves the weeks of later days, never of earlier ones.
        const double lastDay = test::at(*s.until + "T12:00:00Z");
        const auto week = inputs("week", lastDay - 3 * 86400, 5);
        StatsEngine::build(week);
        for (const double now : {lastDay + 86400, lastDay - 5 * 86400}) {
            auto later = week;
            later.now = now;
            const Stats expected = cold(now);
            EXPECT_GT(expected.weekSessions, 0);
            EXPECT_EQ(StatsEngine::build(later), expected);
        }
        fs::remove_all(m_dir / "week");

        EXPECT_EQ(s.logFiles, t.claudeFiles + t.codexFiles);
        EXPECT_EQ(s.prompts, t.prompts);
        EXPECT_EQ(s.assistantMessages, t.assistantMessages);
        EXPECT_EQ(s.tokensIn, t.tokensIn);
        EXPECT_EQ(s.tokensOut, t.tokensOut);
        EXPECT_EQ(s.cacheRead, t.cacheRead);
        EXPECT_EQ(s.cacheWrite, t.cacheWrite);
        EXPECT_EQ(s.linesAdded, t.linesAdded);
        EXPECT_EQ(s.linesRemoved, t.linesRemoved);
        EXPECT_EQ(s.filesEdited, static_cast<std::int64_t>(t.editedFiles.size()));
        std::set<std::string> models;
        for (const auto& row : s.models) {
            models.insert(row.model);
        }
        EXPECT_EQ(models, t.models);
    }
    EXPECT_GT(t.prompts, 0);
    EXPECT_GT(t.linesAdded, 0);
    EXPECT_GT(t.linesRemoved, 0);
    EXPECT_NE(byZone["America/New_York"].byHour, byZone["Asia/Kolkata"].byHour);

    // Caches made under one zone are of no use under another, nor is a changed file's entry.
    const test::ScopedTimeZone inZone("Asia/Kolkata");
    const auto other = inputs("America/New_York", 1.8e9, 5);
    EXPECT_EQ(StatsEngine::build(other), byZone["Asia/Kolkata"]);
    fs::remove(other.cacheDir / "fold-cache.json");
    EXPECT_EQ(StatsEngine::build(other), byZone["Asia/Kolkata"]);
    const auto first = StatsEngine::findLogFiles(inputs("", 0, 1).claudeRoots.front()).front();
    std::ofstream(first, std::ios::app) << R"({"type":"last-prompt"})" << '\n';
    const Stats changed = cold(1.8e9);
    EXPECT_EQ(changed.prompts, t.prompts + 1);
    EXPECT_EQ(StatsEngine::build(other), changed);
}

}  // namespace
}  // namespace tavrik::bench
