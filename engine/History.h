#pragma once

// History: what counted log files contributed after they vanished (deleted by their agent's
// clean-up, or moved out of the folders read), kept while the user asks for it so that the
// figures do not shrink with the logs.
//
// The history is the user's data, not a cache: "history.json" in $XDG_DATA_HOME/Tavrik (else
// ~/.local/share/Tavrik), written atomically with mode 0600. It is never overwritten while it
// cannot be read: a file that does not decode is moved aside ("history.json.bad-<time>") with a
// warning on standard error, and an unreadable one is left alone; either way the build goes on
// without it. The file is read once per process and again only when another process replaced
// it. Every function may be called from any thread.

#include "engine/ParseCache.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tavrik {

struct KeptHistory {
    static constexpr std::int64_t currentVersion = 1;
    static constexpr std::string_view fileName = "history.json";

    std::int64_t version = currentVersion;
    // The last cache entry of each vanished file, keyed by the path it was read at.
    std::map<std::string, CacheEntry> sessions;

    bool operator==(const KeptHistory&) const = default;
};

namespace History {

// Returns the history folder: $XDG_DATA_HOME/Tavrik, else <home>/.local/share/Tavrik (only
// absolute values count). Nothing is created.
std::filesystem::path directory(const char* xdgDataHome, const char* home);

// Returns the history kept in dir after moving into it the entry of every cached file that is
// no longer live and no longer exists at its path, and dropping from it every file that is
// live again; saves it when that changed anything.
std::shared_ptr<const KeptHistory> update(const std::filesystem::path& dir, const ParseCache& cache,
                                          const std::unordered_set<std::string_view>& live);

// How much the history in dir holds: sessions and distinct local days with activity.
struct Summary {
    std::int64_t sessions = 0;
    std::int64_t days = 0;
};
Summary summary(const std::filesystem::path& dir);

// Deletes the history in dir; returns false when a file is left.
bool forget(const std::filesystem::path& dir);

}  // namespace History
}  // namespace tavrik
