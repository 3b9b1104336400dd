#pragma once

// StatsEngine: finds every log file of both agents, obtains each file's contribution from the
// parse cache or by reading it, and folds them into one Stats.
//
// build() is synchronous; it reads the files the parse cache cannot answer for on a pool of
// threads, then folds every contribution on the calling thread in directory-walk order, so the
// result never depends on the number of threads. When no file changed since a fold was last
// saved (FoldCache), it takes that fold instead and reads neither a log nor the parse cache.
// It never fails (unreadable files and folders contribute nothing) and writes nothing but the
// two caches. Local days follow the process's time zone (TZ), read once.

#include "engine/Records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

class ReadScratch;
struct FileStamp;
struct ParseCache;
struct ParseCacheMemo;

namespace StatsEngine {

// Where a build looks and what it takes as "now".
struct BuildInputs {
    std::vector<std::filesystem::path> claudeRoots;  // the Claude Code "projects" folders
    std::filesystem::path codexRoot;                 // the Codex "sessions" folder
    std::filesystem::path cacheDir;                  // folder of "parse-cache.json"
    double now = 0;                                  // seconds since 1970-01-01 UTC
    // Folder of the kept history of vanished logs; nothing while the user keeps none.
    std::optional<std::filesystem::path> historyDir = std::nullopt;
    unsigned threads = 0;  // threads reading logs; 0 for availableCores()
};

// Returns the number of cores the process may run on (its CPU affinity), at least 1.
unsigned availableCores();

// Returns the Claude Code root: dir when given (made absolute), else <home>/.claude/projects.
std::filesystem::path claudeRoot(const std::filesystem::path& home,
                                 const std::optional<std::filesystem::path>& dir);

// Returns the Codex root, <home>/.codex/sessions.
std::filesystem::path codexRoot(const std::filesystem::path& home);

// Builds the statistics of every log file under the roots, and of the kept history when there
// is one. A process that builds again and again passes the same memo each time (see
// ParseCacheMemo). perDay, when given, receives the folded per-day buckets.
Stats build(const BuildInputs& inputs, ParseCacheMemo* memo = nullptr,
            std::map<std::string, DayBucket>* perDay = nullptr);

// Returns the per-day buckets of the same fold as build(): one entry per local day with
// activity, in day-key order (oldest first).
std::map<std::string, DayBucket> daily(const BuildInputs& inputs);

// Returns the files below root whose extension is exactly "jsonl", hidden entries skipped and
// symlinked folders not followed, in directory-walk order. Empty when root cannot be read.
std::vector<std::string> findLogFiles(const std::filesystem::path& root);

// Returns the consecutive day number of a day key ("1970-01-02" is 1), 0 for a bad key.
std::int64_t dayNumber(std::string_view key);

// Reads one Claude Code transcript; an unreadable file gives the empty contribution.
FileContribution parseClaudeFile(const std::string& path, ReadScratch& scratch);

// Returns the cached contribution of file when the file's modification time and size both
// equal the entry's, else null (always when the attributes could not be read).
const FileContribution* cachedContribution(const std::string& file,
                                           const std::optional<FileStamp>& stamp,
                                           const ParseCache& cache);

using Reader = std::function<FileContribution(const std::string& path)>;

// Returns the contribution of file: the cached one when there is one, else parse(file), stored in
// the cache (and dirty set) when both attributes could be read. The reference is valid until the
// cache or fresh next changes.
const FileContribution& loadOrParse(const std::string& file, ParseCache& cache, bool& dirty,
                                    const Reader& parse, FileContribution& fresh);

// The same with the file's attributes already read (nothing when they could not be).
const FileContribution& loadOrParse(const std::string& file, const std::optional<FileStamp>& stamp,
                                    ParseCache& cache, bool& dirty, const Reader& parse,
                                    FileContribution& fresh);

}  // namespace StatsEngine
}  // namespace tavrik
