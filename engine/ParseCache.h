#pragma once

// ParseCache: for every log file already read, its modification time, size and contribution,
// kept in "parse-cache.json" in the cache folder so that unchanged files are never read again.
//
// The file is written atomically and readable by the user only (it names the user's projects).
// A missing, malformed or wrong-version file reads as an empty cache; write errors are ignored.

#include "engine/Records.h"

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tavrik {

struct CacheEntry {
    double mtime = 0;       // seconds since 1970-01-01 UTC when read
    std::int64_t size = 0;  // bytes when read
    FileContribution contribution;

    bool operator==(const CacheEntry&) const = default;
};

struct ParseCacheMemo;

struct ParseCache {
    static constexpr std::int64_t currentVersion = 1;
    static constexpr std::string_view fileName = "parse-cache.json";

    std::int64_t version = currentVersion;
    std::unordered_map<std::string, CacheEntry> entries;  // keyed by the log file's full path

    bool operator==(const ParseCache&) const = default;

    // Returns the cache folder: $XDG_CACHE_HOME, else <home>/.cache, else the temporary
    // folder; then "Tavrik". Computed from the given environment values, nothing created.
    static std::filesystem::path directory(const char* xdgCacheHome, const char* home);

    // Returns dir/name after creating dir (mode 0700) with any missing parents; errors ignored.
    static std::filesystem::path url(const std::filesystem::path& dir, std::string_view name);

    // Returns the cache stored in dir, or an empty one when it cannot be read or decoded, or
    // holds more than maxBytes. Entries that cannot have come from reading their file are
    // left out, so the file is read again. With a memo whose stamp still matches the file,
    // returns the memo's cache instead of reading the file again.
    static ParseCache load(const std::filesystem::path& dir,
                           std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max(),
                           ParseCacheMemo* memo = nullptr);

    // Returns the most a cache file describing log files of these total bytes can hold: an
    // entry holds little more than its file (twice its bytes at worst, for tiny lines that
    // each add a day) plus its path and fixed fields.
    static std::uint64_t sizeBound(std::uint64_t logBytes, std::size_t files);

    // Writes the cache to dir atomically; returns false when it could not be written.
    static bool save(const ParseCache& cache, const std::filesystem::path& dir);
};

// Identifies one version of a file: any rewrite (always a new file, renamed into place)
// changes it.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;

    bool operator==(const FileStamp&) const = default;

    // Returns the stamp of the file at path, nothing when it cannot be read.
    static std::optional<FileStamp> of(const std::filesystem::path& path);

    // The same for name in the open folder dirFd (or AT_FDCWD): the kernel resolves one name
    // instead of the whole path.
    static std::optional<FileStamp> at(int dirFd, const char* name);

    // Returns the modification time in seconds since 1970-01-01 UTC.
    double mtime() const;
};

// The parse cache of a process's previous build and the stamp of the file it matches, so
// that a rebuild in a long-running process skips reading and decoding the file unless
// another process has replaced it. A build that takes its fold from the fold cache needs
// no parse cache and empties the memo.
struct ParseCacheMemo {
    ParseCache cache;
    std::optional<FileStamp> stamp;
};

// Returns whether an entry could have come from reading its file: every count between 0 and
// the file's size, every figure within what that many bytes can report, instants that a log
// can name. The readers' contributions always pass; a damaged or edited cache may not.
bool couldComeFromItsFile(const CacheEntry& entry);

// Writes text to path atomically (temporary file in the same folder, then rename), creating it
// with mode 0600. Returns false on any error, leaving an older file in place.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view text);

// Reads a whole file; nothing when it cannot be read or holds more than maxBytes.
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes);

}  // namespace tavrik
