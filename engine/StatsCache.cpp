#include "engine/StatsCache.h"

#include "engine/ParseCache.h"

namespace tavrik::StatsCache {

std::filesystem::path url(const std::filesystem::path& dir) {
    return ParseCache::url(dir, "stats-cache.json");
}

bool save(const Stats& stats, const std::filesystem::path& dir) {
    const auto json = toJson(stats);
    return json && writeFileAtomically(url(dir), *json);
}

std::optional<Stats> load(const std::filesystem::path& dir) {
    // A Stats is a few kilobytes, more only with thousands of models; a file far larger is
    // not one this program wrote.
    constexpr std::uint64_t maxBytes = 16 << 20;
    const auto text = readWholeFile(url(dir), maxBytes);
    return text ? statsFromJson(*text) : std::nullopt;
}

}  // namespace tavrik::StatsCache
