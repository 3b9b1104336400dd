#include "engine/FoldCache.h"

#include "engine/ParseCache.h"
#include "engine/internal/RecordFields.h"

#include <algorithm>

namespace tavrik {

template <detail::RecordOf<FoldSummary> Self, class F>
void forEachField(Self& r, F&& f) {
    f("version", r.version);
    f("digest", r.digest);
    f("madeOn", r.madeOn);
    f("total", r.total);
    f("recentDays", r.recentDays);
}

namespace FoldCache {

std::optional<FoldSummary> load(const std::filesystem::path& dir, std::string_view digest,
                                std::int64_t today, std::uint64_t logBytes, std::size_t files) {
    const auto text =
        readWholeFile(dir / FoldSummary::fileName, ParseCache::sizeBound(logBytes, files));
    auto summary = text ? detail::readJson<FoldSummary>(*text) : std::nullopt;
    // Days before madeOn - 6 are not kept, so a clock set back cannot use it; and the same
    // bounds hold for the total of all files as for one file's entry.
    const auto bytes = static_cast<std::int64_t>(std::min<std::uint64_t>(logBytes, INT64_MAX));
    if (!summary || summary->version != FoldSummary::currentVersion || summary->digest != digest
        || summary->madeOn > today || summary->recentDays.size() > files
        || !couldComeFromItsFile({0, bytes, summary->total})) {
        return std::nullopt;
    }
    return summary;
}

bool save(const FoldSummary& summary, const std::filesystem::path& dir) {
    const auto json = detail::writeJson(summary);
    return json && writeFileAtomically(ParseCache::url(dir, FoldSummary::fileName), *json);
}

}  // namespace FoldCache
}  // namespace tavrik
