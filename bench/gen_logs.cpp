// tavrik_gen_logs: writes a synthetic, realistic log tree of Claude Code transcripts and Codex
// rollout files into a home-like folder, for benchmarking the statistics build.
//
//   tavrik_gen_logs --out DIR [--size-mb N] [--files N] [--seed N] [--codex-share F]
//
// Sizes are in MB of 1,000,000 bytes. The same options always give the same tree. The folder
// must not hold a .claude or .codex folder yet. "tavrik-gen.json", written last, records the
// options and what a correct reader finds in the tree.

#include "bench/LogGen.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using tavrik::bench::GenOptions;

constexpr const char* kUsage =
    "usage: tavrik_gen_logs --out DIR [--size-mb N] [--files N] [--seed N] [--codex-share F]\n"
    "  --out DIR          home-like folder to fill (.claude/projects, .codex/sessions)\n"
    "  --size-mb N        total size of the log files in MB of 10^6 bytes (default 1000)\n"
    "  --files N          number of log files (default 2000)\n"
    "  --seed N           seed of the pseudo-random content (default 1)\n"
    "  --codex-share F    fraction of the files that are Codex rollouts, 0 to 1 (default 0.2)\n";

template <class T>
bool parseNumber(std::string_view text, T& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "tavrik_gen_logs: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

GenOptions parseArgs(int argc, char** argv) {
    GenOptions o;
    bool haveOut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            fail("missing value after " + std::string(arg));
        }
        const std::string_view value = argv[++i];
        if (arg == "--out") {
            o.out = fs::path(std::string(value));
            haveOut = !value.empty();
        } else if (arg == "--size-mb") {
            double mb = 0;
            if (!parseNumber(value, mb) || !(mb > 0) || mb > 1e6) {
                fail("--size-mb takes a positive number of MB");
            }
            o.totalBytes = static_cast<std::uint64_t>(mb * 1e6);
        } else if (arg == "--files") {
            if (!parseNumber(value, o.files) || o.files <= 0 || o.files > 10'000'000) {
                fail("--files takes a positive whole number");
            }
        } else if (arg == "--seed") {
            if (!parseNumber(value, o.seed)) {
                fail("--seed takes a whole number");
            }
        } else if (arg == "--codex-share") {
            if (!parseNumber(value, o.codexShare) || !(o.codexShare >= 0) || !(o.codexShare <= 1)) {
                fail("--codex-share takes a number from 0 to 1");
            }
        } else {
            fail("unknown option " + std::string(arg));
        }
    }
    if (!haveOut) {
        fail("--out is required");
    }
    return o;
}

bool writeManifest(const fs::path& dir, const std::string& text) {
    const fs::path tmp = dir / (std::string(tavrik::bench::manifestName) + ".tmp");
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok) {
        return false;
    }
    std::error_code ec;
    fs::rename(tmp, dir / tavrik::bench::manifestName, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    const GenOptions options = parseArgs(argc, argv);
    const auto start = std::chrono::steady_clock::now();
    tavrik::bench::GenTotals totals;
    try {
        std::error_code ec;
        fs::create_directories(options.out, ec);
        totals = tavrik::bench::generateTree(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrik_gen_logs: %s\n", e.what());
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!writeManifest(options.out, tavrik::bench::manifestJson(options, totals))) {
        std::fprintf(stderr, "tavrik_gen_logs: cannot write %s\n",
                     (options.out / tavrik::bench::manifestName).c_str());
        return 1;
    }
    std::printf("generated %lld files (%lld Claude Code, %lld Codex) in %s\n",
                static_cast<long long>(totals.claudeFiles + totals.codexFiles),
                static_cast<long long>(totals.claudeFiles),
                static_cast<long long>(totals.codexFiles), options.out.c_str());
    std::printf(
        "  %.1f MB, largest file %.1f MB, longest line %.2f MB, %lld lines\n",
        static_cast<double>(totals.bytes) / 1e6, static_cast<double>(totals.largestFile) / 1e6,
        static_cast<double>(totals.longestLine) / 1e6, static_cast<long long>(totals.lines));
    std::printf("  %.1f s (%.0f MB/s)\n", seconds,
                static_cast<double>(totals.bytes) / 1e6 / std::max(seconds, 1e-9));
    return 0;
}
