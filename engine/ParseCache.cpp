#include "engine/ParseCache.h"

#include "engine/TimeKit.h"
#include "engine/internal/Contribution.h"
#include "engine/internal/RecordFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tavrik {

template <detail::RecordOf<ParseCache> Self, class F>
void forEachField(Self& r, F&& f) {
    f("version", r.version);
    f("entries", r.entries);
}

namespace {

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

// Each count needs at least a byte of the file, so lies between 0 and its size; each figure
// is at most maxTokens per byte; the instants are ones a log can name.
bool couldComeFromItsFile(const CacheEntry& entry) {
    const std::int64_t bytes = entry.size;
    const double limit = static_cast<double>(bytes) * detail::maxTokens;
    const auto count = [bytes](std::int64_t n) { return n >= 0 && n <= bytes; };
    const auto items = [bytes](const auto& set) {
        return set.size() <= static_cast<std::uint64_t>(bytes);
    };
    const auto figure = [limit](double x) { return std::abs(x) <= limit; };
    const auto instant = [](const std::optional<double>& t) {
        return !t || (*t >= TimeKit::earliestInstant && *t <= TimeKit::latestInstant);
    };
    const FileContribution& c = entry.contribution;
    return bytes >= 0 && count(c.prompts) && count(c.assistantMessages) && count(c.linesAdded)
           && count(c.linesRemoved) && figure(c.tokensIn) && figure(c.tokensOut)
           && figure(c.cacheRead) && figure(c.cacheWrite) && figure(c.cost) && items(c.activeDays)
           && items(c.editedFiles) && items(c.models) && items(c.perDay)
           && std::all_of(c.byHour.begin(), c.byHour.end(), count)
           && std::all_of(c.models.begin(), c.models.end(),
                          [&](const auto& m) {
                              const ModelAcc& a = m.second;
                              return count(a.messages) && figure(a.input) && figure(a.output)
                                     && figure(a.cacheRead) && figure(a.cacheWrite);
                          })
           && std::all_of(c.perDay.begin(), c.perDay.end(),
                          [&](const auto& d) {
                              const DayBucket& b = d.second;
                              return count(b.linesAdded) && figure(b.cost) && figure(b.tokens);
                          })
           && instant(c.minTs) && instant(c.maxTs)
           && (!c.minTs || !c.maxTs || *c.minTs <= *c.maxTs);
}

std::filesystem::path ParseCache::directory(const char* xdgCacheHome, const char* home) {
    // Only an absolute XDG_CACHE_HOME counts; a relative one is ignored as the XDG rules say.
    if (xdgCacheHome != nullptr && xdgCacheHome[0] == '/') {
        return std::filesystem::path(xdgCacheHome) / "Tavrik";
    }
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".cache" / "Tavrik";
    }
    std::error_code ec;
    auto tmp = std::filesystem::temp_directory_path(ec);
    return (ec ? std::filesystem::path("/tmp") : tmp) / "Tavrik";
}

std::filesystem::path ParseCache::url(const std::filesystem::path& dir, std::string_view name) {
    std::error_code ec;
    if (std::filesystem::create_directories(dir, ec)) {
        // The caches name the user's projects: keep the folder private.
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    }
    return dir / name;
}

ParseCache ParseCache::load(const std::filesystem::path& dir, std::uint64_t maxBytes,
                            ParseCacheMemo* memo) {
    if (memo != nullptr && memo->stamp && memo->stamp == FileStamp::of(dir / fileName)) {
        return std::move(memo->cache);
    }
    const auto text = readWholeFile(dir / fileName, maxBytes);
    if (!text) {
        return {};
    }
    auto cache = detail::readJson<ParseCache>(*text);
    if (!cache || cache->version != currentVersion) {
        return {};
    }
    std::erase_if(cache->entries, [](const auto& e) { return !couldComeFromItsFile(e.second); });
    return std::move(*cache);
}

std::uint64_t ParseCache::sizeBound(std::uint64_t logBytes, std::size_t files) {
    constexpr std::uint64_t perFile = 16 * 1024;  // a path of 4096 bytes, hex-coded, and more
    std::uint64_t bound = 0;
    if (__builtin_mul_overflow(logBytes, 2, &bound)
        || __builtin_add_overflow(bound, perFile * (files + 1), &bound)) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return bound;
}

bool ParseCache::save(const ParseCache& cache, const std::filesystem::path& dir) {
    const auto json = detail::writeJson(cache);
    return json && writeFileAtomically(url(dir, fileName), *json);
}

std::optional<FileStamp> FileStamp::of(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileStamp{st.st_dev, st.st_ino, st.st_size,
                     st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec};
}

double FileStamp::mtime() const {
    // Seconds plus the fraction, as two parts, the way the cache has always stored them.
    constexpr std::int64_t perSecond = 1'000'000'000;
    std::int64_t seconds = mtimeNs / perSecond;
    std::int64_t nanos = mtimeNs % perSecond;
    if (nanos < 0) {
        seconds -= 1;
        nanos += perSecond;
    }
    return static_cast<double>(seconds) + static_cast<double>(nanos) / 1e9;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view text) {
    std::string tmp = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());  // created with mode 0600
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, text);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path,
                                         std::uint64_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    std::optional<std::string> text;
    // The stated size is checked first but not trusted: the file may grow while it is read.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
        && static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
        text.emplace();
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0 && text->size() + static_cast<std::size_t>(n) <= maxBytes) {
                text->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (n > 0 || errno != EINTR) {
                text.reset();
                break;
            }
        }
    }
    ::close(fd);
    return text;
}

}  // namespace tavrik
