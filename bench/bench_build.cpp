// tavrik_bench: times StatsEngine::build over a home-like log tree, one mode per process so that
// the peak memory reported belongs to that mode alone.
//
//   tavrik_bench cold --home DIR --cache DIR [--runs N] [--manifest FILE]
//       a build with no cache: parse-cache.json and fold-cache.json in the cache folder are
//       removed before every run. Reports throughput (MB of log files per second).
//   tavrik_bench warm --home DIR --cache DIR [--runs N] [--manifest FILE] [--history DIR]
//       rebuilds in which nothing changed, through the caches a cold run left behind,
//       keeping the memo between builds as the application does. Reports the first rebuild
//       (a fresh process reading the cache files, as the command line does),
//       the median of the later ones, and whether the cache file was rewritten. With
//       --history, vanished files keep counting from the kept history in DIR.
//
// Builds read logs on one thread per available core, or on $TAVRIK_THREADS threads. Both modes
// report the peak resident memory of the process against the largest log file times the threads
// plus 64 MiB, the bytes read through read(2) (/proc/self/io), and, with a generator manifest,
// whether the statistics agree with what the generator wrote. MB is 10^6 bytes, MiB 2^20.

#include "engine/CodexParser.h"
#include "engine/Environment.h"
#include "engine/FoldCache.h"
#include "engine/ParseCache.h"
#include "engine/StatsEngine.h"

#include <simdjson.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tavrik;

constexpr const char* kUsage =
    "usage: tavrik_bench cold|warm --home DIR --cache DIR [--runs N] [--manifest FILE]\n"
    "  cold      build with no cache (both cache files in --cache are removed first)\n"
    "  warm      rebuild with nothing changed, through the cache a cold run left\n"
    "  --home    home-like folder holding .claude/projects and .codex/sessions\n"
    "  --cache   folder of parse-cache.json (used only by this benchmark)\n"
    "  --runs    number of builds; the median is reported (default: cold 1, warm 9)\n"
    "  --manifest  tavrik-gen.json of the generated tree, to check the figures\n"
    "  --history   folder of the kept history of vanished files (kept only when given)\n";

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "tavrik_bench: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

struct Args {
    std::string mode;
    fs::path home;
    fs::path cache;
    int runs = 0;
    std::optional<fs::path> manifest;
    std::optional<fs::path> history;
};

Args parseArgs(int argc, char** argv) {
    if (argc < 2) {
        fail("missing mode");
    }
    Args a;
    a.mode = argv[1];
    if (a.mode != "cold" && a.mode != "warm") {
        fail("unknown mode " + a.mode);
    }
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc) {
            fail("missing value after " + std::string(arg));
        }
        const std::string value = argv[++i];
        if (arg == "--home") {
            a.home = value;
        } else if (arg == "--cache") {
            a.cache = value;
        } else if (arg == "--manifest") {
            a.manifest = fs::path(value);
        } else if (arg == "--history") {
            a.history = fs::path(value);
        } else if (arg == "--runs") {
            const auto r = std::from_chars(value.data(), value.data() + value.size(), a.runs);
            if (r.ec != std::errc() || r.ptr != value.data() + value.size() || a.runs < 1
                || a.runs > 1000) {
                fail("--runs takes a whole number from 1 to 1000");
            }
        } else {
            fail("unknown option " + std::string(arg));
        }
    }
    if (a.home.empty() || a.cache.empty()) {
        fail("--home and --cache are required");
    }
    if (a.runs == 0) {
        a.runs = a.mode == "cold" ? 1 : 9;
    }
    return a;
}

double cpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double peakRssMiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

double currentRssMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// Bytes this process has read through read(2) so far, from /proc/self/io; -1 when unknown.
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return -1;
}

// The CPU time of the busiest thread of a build: the calling thread's own, or the others'
// share when more. The threads take files from one queue, so the others are within a file of
// one another. On idle cores a build takes about this long, whatever else the machine runs
// while it is measured.
double busiestThread(double process, double calling, unsigned threads) {
    return threads > 1 ? std::max(calling, (process - calling) / (threads - 1)) : process;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Tree {
    std::int64_t claudeFiles = 0;
    std::int64_t codexFiles = 0;
    std::uint64_t bytes = 0;
    std::uint64_t largest = 0;
};

// The files the build reads, listed by the engine's own finders.
Tree measureTree(const fs::path& claudeRoot, const fs::path& codexRoot) {
    Tree t;
    auto add = [&](const std::vector<std::string>& files) {
        for (const auto& f : files) {
            struct stat st {};
            if (::stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                t.bytes += static_cast<std::uint64_t>(st.st_size);
                t.largest = std::max(t.largest, static_cast<std::uint64_t>(st.st_size));
            }
        }
    };
    const auto claude = StatsEngine::findLogFiles(claudeRoot);
    const auto codex = CodexParser::findRollouts(codexRoot);
    add(claude);
    add(codex);
    t.claudeFiles = static_cast<std::int64_t>(claude.size());
    t.codexFiles = static_cast<std::int64_t>(codex.size());
    return t;
}

// Compares the statistics with the generator's manifest; prints each disagreement. Returns
// whether all agree.
bool checkAgainst(const fs::path& manifest, const Stats& s) {
    simdjson::dom::parser parser;
    simdjson::dom::element doc;
    if (parser.load(manifest.string()).get(doc) != simdjson::SUCCESS) {
        std::printf("check:      cannot read %s\n", manifest.c_str());
        return false;
    }
    simdjson::dom::object totals;
    if (doc["totals"].get(totals) != simdjson::SUCCESS) {
        std::printf("check:      %s has no totals\n", manifest.c_str());
        return false;
    }
    bool ok = true;
    auto expect = [&](const char* key, double actual) {
        std::int64_t want = 0;
        if (totals[key].get(want) != simdjson::SUCCESS) {
            std::printf("check:      %s missing from the manifest\n", key);
            ok = false;
        } else if (static_cast<double>(want) != actual) {
            std::printf("check:      %s is %.17g, the generator wrote %lld\n", key, actual,
                        static_cast<long long>(want));
            ok = false;
        }
    };
    std::int64_t claudeFiles = 0;
    std::int64_t codexFiles = 0;
    if (totals["claudeFiles"].get(claudeFiles) != simdjson::SUCCESS
        || totals["codexFiles"].get(codexFiles) != simdjson::SUCCESS
        || claudeFiles + codexFiles != s.logFiles) {
        std::printf("check:      logFiles is %lld, the generator wrote %lld\n",
                    static_cast<long long>(s.logFiles),
                    static_cast<long long>(claudeFiles + codexFiles));
        ok = false;
    }
    expect("prompts", static_cast<double>(s.prompts));
    expect("assistantMessages", static_cast<double>(s.assistantMessages));
    expect("tokensIn", s.tokensIn);
    expect("tokensOut", s.tokensOut);
    expect("cacheRead", s.cacheRead);
    expect("cacheWrite", s.cacheWrite);
    expect("linesAdded", static_cast<double>(s.linesAdded));
    expect("linesRemoved", static_cast<double>(s.linesRemoved));
    expect("filesEdited", static_cast<double>(s.filesEdited));
    std::set<std::string> want;
    simdjson::dom::array models;
    if (totals["models"].get(models) == simdjson::SUCCESS) {
        for (auto m : models) {
            std::string_view name;
            if (m.get(name) == simdjson::SUCCESS) {
                want.emplace(name);
            }
        }
    }
    std::set<std::string> got;
    for (const auto& row : s.models) {
        got.insert(row.model);
    }
    if (got != want) {
        std::printf("check:      the models differ (%zu found, %zu written)\n", got.size(),
                    want.size());
        ok = false;
    }
    std::printf("check:      %s\n", ok ? "ok, the figures agree with the generator's" : "FAILED");
    return ok;
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    tavrik::Environment::tuneAllocator();
    const Args args = parseArgs(argc, argv);
    StatsEngine::BuildInputs inputs{{StatsEngine::claudeRoot(args.home, std::nullopt)},
                                    StatsEngine::codexRoot(args.home),
                                    args.cache,
                                    nowSeconds(),
                                    args.history};
    inputs.threads = tavrik::Environment::buildThreads();
    const fs::path cacheFile = args.cache / "parse-cache.json";
    const unsigned threads = inputs.threads != 0 ? inputs.threads : StatsEngine::availableCores();
    const Tree tree = measureTree(inputs.claudeRoots.front(), inputs.codexRoot);
    if (tree.claudeFiles + tree.codexFiles == 0) {
        std::fprintf(stderr, "tavrik_bench: no log files under %s\n", args.home.c_str());
        return 2;
    }
    const bool warm = args.mode == "warm";
    if (warm && !FileStamp::of(cacheFile)) {
        std::fprintf(stderr, "tavrik_bench: %s does not exist; run the cold mode first\n",
                     cacheFile.c_str());
        return 2;
    }
    const auto cacheBefore = FileStamp::of(cacheFile);
    const double baseRss = currentRssMiB();

    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> busiest;
    std::vector<long long> read;
    std::optional<Stats> first;
    bool stable = true;
    ParseCacheMemo memo;
    for (int run = 0; run < args.runs; ++run) {
        if (!warm) {
            std::error_code ec;
            fs::remove(cacheFile, ec);
            fs::remove(args.cache / FoldSummary::fileName, ec);
        }
        const long long read0 = bytesRead();
        const double cpu0 = cpuSeconds();
        const double own0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto t0 = std::chrono::steady_clock::now();
        Stats s = StatsEngine::build(inputs, warm ? &memo : nullptr);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(cpuSeconds() - cpu0);
        busiest.push_back(
            busiestThread(cpu.back(), cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - own0, threads));
        wall.push_back(std::chrono::duration<double>(t1 - t0).count());
        read.push_back(bytesRead() - read0);
        if (!first) {
            first = std::move(s);
        } else if (!(s == *first)) {
            stable = false;
        }
    }
    const double peak = peakRssMiB();
    // A warm process's later builds are the application's rebuilds; the first is timed apart.
    const std::size_t skip = warm && wall.size() > 1 ? 1 : 0;
    const double wallMedian = median({wall.begin() + skip, wall.end()});
    const double cpuMedian = median({cpu.begin() + skip, cpu.end()});
    const double mb = static_cast<double>(tree.bytes) / 1e6;
    const double largestMiB = static_cast<double>(tree.largest) / 1048576.0;
    // Each thread reading logs holds at most one file's worth of buffer.
    const double limit = largestMiB * threads + 64;

    std::printf("mode:       %s, %d run%s, %u thread%s\n", args.mode.c_str(), args.runs,
                args.runs == 1 ? "" : "s", threads, threads == 1 ? "" : "s");
    std::printf(
        "tree:       %lld files (%lld Claude Code, %lld Codex), %.1f MB, largest file "
        "%.1f MB\n",
        static_cast<long long>(tree.claudeFiles + tree.codexFiles),
        static_cast<long long>(tree.claudeFiles), static_cast<long long>(tree.codexFiles), mb,
        static_cast<double>(tree.largest) / 1e6);
    if (warm) {
        std::printf("first:      %.2f ms, CPU %.2f ms (fresh process, cache file read)\n",
                    wall.front() * 1e3, cpu.front() * 1e3);
        std::printf("rebuild:    median %.2f ms (min %.2f, max %.2f), CPU %.2f ms\n",
                    wallMedian * 1e3, *std::min_element(wall.begin(), wall.end()) * 1e3,
                    *std::max_element(wall.begin(), wall.end()) * 1e3, cpuMedian * 1e3);
        const bool rewritten = FileStamp::of(cacheFile) != cacheBefore;
        std::printf("cache:      %s\n", rewritten ? "rewritten" : "not rewritten");
    } else {
        std::printf("build:      median %.3f s (CPU %.3f s, busiest thread %.3f s)\n", wallMedian,
                    cpuMedian, median(busiest));
        std::printf("throughput: %.0f MB/s (by CPU time %.0f MB/s)\n", mb / wallMedian,
                    mb / cpuMedian);
    }
    if (read.back() >= 0) {
        std::printf("read:       %.1f MB through read(2) in the last run\n",
                    static_cast<double>(read.back()) / 1e6);
    }
    std::printf(
        "memory:     peak RSS %.1f MiB (%.1f before the build); limit largest file "
        "%.1f MiB x %u threads + 64 MiB = %.1f MiB: %s\n",
        peak, baseRss, largestMiB, threads, limit, peak <= limit ? "within" : "OVER");
    if (!stable) {
        std::printf("stability:  FAILED, the runs gave different statistics\n");
    }
    bool ok = stable;
    if (args.manifest) {
        ok = checkAgainst(*args.manifest, *first) && ok;
    }
    std::printf(
        "RESULT mode=%s files=%lld bytes=%llu largest=%llu wall_s=%.6f cpu_s=%.6f "
        "first_wall_s=%.6f first_cpu_s=%.6f busiest_s=%.6f peak_mib=%.1f read=%lld threads=%u "
        "ok=%d\n",
        args.mode.c_str(), static_cast<long long>(tree.claudeFiles + tree.codexFiles),
        static_cast<unsigned long long>(tree.bytes), static_cast<unsigned long long>(tree.largest),
        wallMedian, cpuMedian, wall.front(), cpu.front(), median(busiest), peak, read.back(),
        threads, ok ? 1 : 0);
    return ok ? 0 : 3;
}
