#include "engine/ParseCache.h"

#include "engine/ReadScratch.h"
#include "engine/TimeKit.h"
#include "engine/internal/Contribution.h"
#include "engine/internal/LogLines.h"
#include "engine/internal/RecordFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

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

// A file written piece by piece into a temporary file in the same folder (created with mode
// 0600) and renamed over its path by commit(); until then an older file stays in place.
class AtomicFile {
public:
    explicit AtomicFile(const std::filesystem::path& path)
        : m_path(path), m_tmp(path.string() + ".XXXXXX"), m_fd(::mkstemp(m_tmp.data())) {}
    ~AtomicFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
            ::unlink(m_tmp.c_str());
        }
    }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Small pieces are gathered and reach the file in blocks; a large one goes straight on.
    bool write(std::string_view text) {
        if (m_buffer.size() + text.size() < blockBytes) {
            m_buffer.append(text);
            return true;
        }
        return flush() && writeAll(m_fd, text);
    }

    bool commit() {
        if (m_fd < 0 || !flush()) {
            return false;
        }
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        if (!closed || ::rename(m_tmp.c_str(), m_path.c_str()) != 0) {
            ::unlink(m_tmp.c_str());
            return false;
        }
        return true;
    }

private:
    static constexpr std::size_t blockBytes = std::size_t{1} << 20;

    bool flush() {
        const bool ok = m_fd >= 0 && writeAll(m_fd, m_buffer);
        m_buffer.clear();
        return ok;
    }

    std::filesystem::path m_path;
    std::string m_tmp;
    int m_fd;
    std::string m_buffer;
};

// The cache is one JSON document laid out a line per entry, so that it can be read and
// written an entry at a time: the opening line, then each entry as one member of "entries"
// (a JSON string never holds a raw line feed), then the closing line. The opening line names
// the local zone the entries' days and hours were made in; a cache written before it did is
// taken to be of the current zone.
std::string zonedPrefix(std::int64_t version) {
    return R"({"version":)" + std::to_string(version) + R"(,"zone":")";
}
std::string openingLine(std::int64_t version, std::optional<std::string_view> zone) {
    if (!zone) {
        return R"({"version":)" + std::to_string(version) + R"(,"entries":{)";
    }
    return zonedPrefix(version).append(*zone).append(R"(","entries":{)");
}
constexpr std::string_view closingLine = "}}";

enum class Layout { Lines, Other, Unreadable };

// Reads a cache laid out as save() writes it into entries. Other when the file does not
// start with an opening line of the current version (another layout, or another version);
// Unreadable when it cannot be read, was written under another zone, departs from the layout
// further on, or holds more than maxBytes.
Layout readLines(const std::filesystem::path& path, std::uint64_t maxBytes,
                 std::unordered_map<std::string, CacheEntry>& entries) {
    const auto stamp = FileStamp::of(path);
    if (!stamp || static_cast<std::uint64_t>(stamp->size) > maxBytes) {
        return Layout::Unreadable;
    }
    enum class Next { Opening, Entry, EntryOrClosing, Closing, Nothing };
    Next next = Next::Opening;
    bool other = false;
    bool bad = false;
    std::uint64_t bytes = 0;
    std::string doc;  // one entry as a JSON object of its own
    ReadScratch scratch;
    detail::ScratchSpace& space = scratch.space();
    const bool read = detail::forEachLineOfFile(path, space, [&](std::string_view line) {
        bytes += line.size() + 1;
        if (other || bad) {
            return;
        }
        if (bytes > maxBytes) {
            bad = true;
        } else if (next == Next::Opening) {
            const std::string ours = openingLine(ParseCache::currentVersion, TimeKit::zoneId());
            // Another zone's days and hours are wrong here: its files are read again.
            bad = line != ours && line.starts_with(zonedPrefix(ParseCache::currentVersion));
            other = !bad && line != ours && line != openingLine(ParseCache::currentVersion, {});
            next = Next::EntryOrClosing;
        } else if (line == closingLine && next != Next::Entry) {
            bad = next == Next::Nothing;
            next = Next::Nothing;
        } else if (next == Next::Closing || next == Next::Nothing) {
            bad = true;
        } else {
            const bool more = line.ends_with(',');
            doc.assign("{");
            doc.append(more ? line.substr(0, line.size() - 1) : line);
            doc.append("}");
            simdjson::dom::element root;
            simdjson::dom::object obj;
            bad = space.parser.parse(doc).get(root) || root.get_object().get(obj)
                  || !detail::readMembers(obj, entries);
            next = more ? Next::Entry : Next::Closing;
        }
    });
    if (other) {
        return Layout::Other;
    }
    return read && !bad && next == Next::Nothing ? Layout::Lines : Layout::Unreadable;
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
    ParseCache cache;
    switch (readLines(dir / fileName, maxBytes, cache.entries)) {
        case Layout::Lines:
            break;
        case Layout::Unreadable:
            return {};
        case Layout::Other: {
            // Written in one line by earlier versions: read as one document.
            const auto text = readWholeFile(dir / fileName, maxBytes);
            auto whole = text ? detail::readJson<ParseCache>(*text) : std::nullopt;
            if (!whole || whole->version != currentVersion) {
                return {};
            }
            cache = std::move(*whole);
        }
    }
    std::erase_if(cache.entries, [](const auto& e) { return !couldComeFromItsFile(e.second); });
    return cache;
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
    AtomicFile file(url(dir, fileName));
    if (!file.write(openingLine(cache.version, TimeKit::zoneId())) || !file.write("\n")) {
        return false;
    }
    std::size_t left = cache.entries.size();
    for (const auto& [path, entry] : cache.entries) {
        JsonWriter w;
        w.beginObject();
        detail::putText(path, [&](std::string_view text) { w.key(text); });
        detail::writeValue(w, entry);
        w.endObject();
        const auto json = w.result();
        // The member alone, without the braces of its one-member object.
        if (!json || !file.write(std::string_view(*json).substr(1, json->size() - 2))
            || !file.write(--left > 0 ? ",\n" : "\n")) {
            return false;
        }
    }
    return file.write(closingLine) && file.write("\n") && file.commit();
}

std::optional<FileStamp> FileStamp::of(const std::filesystem::path& path) {
    return at(AT_FDCWD, path.c_str());
}

std::optional<FileStamp> FileStamp::at(int dirFd, const char* name) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, 0) != 0) {
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
    AtomicFile file(path);
    return file.write(text) && file.commit();
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
