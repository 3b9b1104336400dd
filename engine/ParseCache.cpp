#include "engine/ParseCache.h"

#include "engine/internal/RecordFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tavrik {

template <detail::RecordOf<CacheEntry> Self, class F>
void forEachField(Self& r, F&& f) {
    f("mtime", r.mtime);
    f("size", r.size);
    f("contribution", r.contribution);
}

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

ParseCache ParseCache::load(const std::filesystem::path& dir, ParseCacheMemo* memo) {
    if (memo != nullptr && memo->stamp && memo->stamp == FileStamp::of(dir / fileName)) {
        return std::move(memo->cache);
    }
    const auto text = readWholeFile(dir / fileName);
    if (!text) {
        return {};
    }
    auto cache = detail::readJson<ParseCache>(*text);
    if (!cache || cache->version != currentVersion) {
        return {};
    }
    return std::move(*cache);
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

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    std::optional<std::string> text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.emplace();
        text->reserve(static_cast<std::size_t>(st.st_size));
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                text->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                text.reset();
                break;
            }
        }
    }
    ::close(fd);
    return text;
}

}  // namespace tavrik
