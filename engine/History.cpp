#include "engine/History.h"

#include "engine/TimeKit.h"
#include "engine/internal/RecordFields.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <set>

namespace tavrik {

template <detail::RecordOf<KeptHistory> Self, class F>
void forEachField(Self& r, F&& f) {
    f("version", r.version);
    f("sessions", r.sessions);
}

namespace History {
namespace {

// The history as last read or written by this process, with the stamp of its file.
struct Memo {
    std::filesystem::path file;
    std::optional<FileStamp> stamp;
    std::shared_ptr<const KeptHistory> history;
    bool writable = true;  // false while a file we could not read sits there
};

std::mutex memoMutex;
Memo memo;

void warn(const std::string& text) {
    std::fprintf(stderr, "tavrik: %s\n", text.c_str());
}

// Reads the history file. One that does not decode, or holds an entry its file could not have
// given, is moved aside; one that exists but cannot be read is left for the user.
Memo read(const std::filesystem::path& file) {
    Memo m{file, FileStamp::of(file), std::make_shared<const KeptHistory>()};
    if (!m.stamp) {
        return m;
    }
    const auto text = readWholeFile(file, std::numeric_limits<std::uint64_t>::max());
    if (!text) {
        warn("cannot read the kept history " + file.string() + "; leaving it alone");
        m.writable = false;
        return m;
    }
    auto history = detail::readJson<KeptHistory>(*text);
    if (history && history->version == KeptHistory::currentVersion
        && std::all_of(history->sessions.begin(), history->sessions.end(),
                       [](const auto& s) { return couldComeFromItsFile(s.second); })) {
        m.history = std::make_shared<const KeptHistory>(std::move(*history));
        return m;
    }
    const auto aside =
        file.string() + ".bad-" + std::to_string(static_cast<std::int64_t>(std::time(nullptr)));
    if (std::rename(file.c_str(), aside.c_str()) != 0) {
        warn("the kept history " + file.string() + " is damaged and cannot be moved aside");
        m.writable = false;
        return m;
    }
    warn("the kept history " + file.string() + " is damaged; moved it to " + aside);
    m.stamp.reset();
    return m;
}

// Returns the memo of the file in dir, read again when another process replaced the file.
Memo& current(const std::filesystem::path& dir) {
    const auto file = dir / KeptHistory::fileName;
    if (!memo.history || memo.file != file || memo.stamp != FileStamp::of(file)) {
        memo = read(file);
    }
    return memo;
}

}  // namespace

std::filesystem::path directory(const char* xdgDataHome, const char* home) {
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        return std::filesystem::path(xdgDataHome) / "Tavrik";
    }
    const std::filesystem::path base = home != nullptr && home[0] == '/' ? home : "/";
    return base / ".local" / "share" / "Tavrik";
}

std::shared_ptr<const KeptHistory> update(const std::filesystem::path& dir, const ParseCache& cache,
                                          const std::unordered_set<std::string_view>& live) {
    const std::lock_guard lock(memoMutex);
    Memo& m = current(dir);
    if (!m.writable) {
        return m.history;
    }
    std::optional<KeptHistory> next;
    const auto edit = [&]() -> KeptHistory& {
        if (!next) {
            next = *m.history;
        }
        return *next;
    };
    // A file that is still there but not read this time (another process reading other
    // folders, a second path to the same file) has not vanished.
    for (const auto& [path, entry] : cache.entries) {
        std::error_code ec;
        if (!live.contains(path) && !std::filesystem::exists(path, ec) && !ec) {
            edit().sessions.insert_or_assign(path, entry);
        }
    }
    for (const auto& [path, entry] : m.history->sessions) {
        if (live.contains(path)) {
            edit().sessions.erase(path);
        }
    }
    if (!next) {
        return m.history;
    }
    m.history = std::make_shared<const KeptHistory>(std::move(*next));
    const auto json = detail::writeJson(*m.history);
    if (!json || !writeFileAtomically(ParseCache::url(dir, KeptHistory::fileName), *json)) {
        warn("could not write the kept history " + m.file.string());
    }
    m.stamp = FileStamp::of(m.file);
    return m.history;
}

Summary summary(const std::filesystem::path& dir) {
    const std::lock_guard lock(memoMutex);
    const KeptHistory& h = *current(dir).history;
    std::set<std::string_view> days;
    for (const auto& [path, entry] : h.sessions) {
        days.insert(entry.contribution.activeDays.begin(), entry.contribution.activeDays.end());
    }
    return {static_cast<std::int64_t>(h.sessions.size()), static_cast<std::int64_t>(days.size())};
}

bool forget(const std::filesystem::path& dir) {
    const std::lock_guard lock(memoMutex);
    memo = {};
    std::error_code ec;
    std::filesystem::remove(dir / KeptHistory::fileName, ec);
    return !ec;
}

}  // namespace History
}  // namespace tavrik
