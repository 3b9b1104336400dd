#pragma once

// A generator of synthetic but realistic agent log trees, for measuring the statistics build.
//
// It writes a home-like folder holding Claude Code transcripts
// (<out>/.claude/projects/<project>/<session>.jsonl) and Codex rollout files
// (<out>/.codex/sessions/YYYY/MM/DD/rollout-<time>-<id>.jsonl) whose lines look like the agents'
// own: prompts, replies with usage blocks, tool results carrying whole file contents and
// structured patches, sidechains, meta lines, token counts and apply_patch calls. File sizes
// follow a long tail (most files small, a few of tens of MB, a few lines of several MB).
//
// The output depends only on the options: the same seed gives the same bytes. While writing,
// the generator counts what a correct reader must find (prompts, tokens, lines, ...), so a
// build over the tree can be checked against it.

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

namespace tavrik::bench {

struct GenOptions {
    std::filesystem::path out;                 // home-like folder; must hold no log tree yet
    std::uint64_t totalBytes = 1'000'000'000;  // approximate size of all log files together
    std::int64_t files = 2000;                 // number of log files (both agents)
    std::uint64_t seed = 1;
    double codexShare = 0.2;        // fraction of the files that are Codex rollouts
    std::int64_t lastDay = 20'788;  // day number (days since 1970-01-01) of the newest log
    std::int64_t spanDays = 180;    // how many days back the logs reach
    // Transcripts of at least this size hold one line of several MB (two from 2.5 times it):
    // a huge file read or written whole.
    std::uint64_t giantFileBytes = 12'000'000;
};

// What the tree holds, as a correct reader counts it. Day-dependent figures are left out:
// they follow the reader's time zone.
struct GenTotals {
    std::int64_t claudeFiles = 0;
    std::int64_t codexFiles = 0;
    std::uint64_t bytes = 0;        // all log files
    std::uint64_t largestFile = 0;  // bytes of the largest log file
    std::uint64_t longestLine = 0;  // bytes of the longest line
    std::int64_t lines = 0;
    std::int64_t prompts = 0;
    std::int64_t assistantMessages = 0;
    double tokensIn = 0;
    double tokensOut = 0;
    double cacheRead = 0;
    double cacheWrite = 0;
    std::int64_t linesAdded = 0;
    std::int64_t linesRemoved = 0;
    std::set<std::string> editedFiles;
    std::set<std::string> models;
};

// Writes the tree described by options; throws std::runtime_error when the output folder
// already holds a log tree or a file cannot be written.
GenTotals generateTree(const GenOptions& options);

// Returns the JSON text of the options and totals, as written to "tavrik-gen.json".
std::string manifestJson(const GenOptions& options, const GenTotals& totals);

// Name of the manifest the command-line generator writes into the output folder, last.
inline constexpr const char* manifestName = "tavrik-gen.json";

}  // namespace tavrik::bench
