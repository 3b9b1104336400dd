#include "engine/StatsEngine.h"

#include "engine/CodexParser.h"
#include "engine/FoldCache.h"
#include "engine/History.h"
#include "engine/ParseCache.h"
#include "engine/Pricing.h"
#include "engine/ReadScratch.h"
#include "engine/Score.h"
#include "engine/TimeKit.h"
#include "engine/internal/Contribution.h"
#include "engine/internal/FileWalk.h"
#include "engine/internal/Threads.h"

#include <sched.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <unordered_set>

namespace tavrik::StatsEngine {

namespace {

using namespace std::chrono;

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

using StringSet = std::unordered_set<std::string, StringHash, std::equal_to<>>;

// Reads a piece of a day key as a decimal integer, 0 when it is not one.
std::int64_t pieceValue(std::string_view piece) {
    if (piece.starts_with('+')) {
        piece.remove_prefix(1);
    }
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), v);
    if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size() || v < 0) {
        return 0;
    }
    return v;
}

// Everything the fold keeps beyond the running contribution.
struct Fold {
    FileContribution total;  // perDay carries the per-day lines, cost and tokens
    StringSet edited;
    std::int64_t weekSessions = 0;
    std::int64_t weekFirst = 0;
    std::int64_t weekLast = 0;
    // The live files' days from weekFirst on, for the fold cache (see FoldSummary).
    std::vector<std::vector<std::int64_t>> recentDays;

    explicit Fold(std::int64_t today) : weekFirst(today - 6), weekLast(today) {}

    // Starts from a summary made on this day or before: the sessions of this week are those
    // of its files with a recent day in the week.
    explicit Fold(FoldSummary&& from, std::int64_t today) : Fold(today) {
        total = std::move(from.total);
        edited.insert(std::make_move_iterator(total.editedFiles.begin()),
                      std::make_move_iterator(total.editedFiles.end()));
        total.editedFiles.clear();
        recentDays = std::move(from.recentDays);
        for (const auto& days : recentDays) {
            weekSessions +=
                std::any_of(days.begin(), days.end(), [this](std::int64_t n) { return inWeek(n); });
        }
    }

    bool inWeek(std::int64_t day) const { return day >= weekFirst && day <= weekLast; }

    // Adds one file's contribution; a live file's recent days are kept for the summary.
    void add(const FileContribution& c, bool live) {
        detail::addContribution(total, c);
        for (const auto& [day, bucket] : c.perDay) {
            DayBucket& into = total.perDay[day];
            into.linesAdded = detail::addClamped(into.linesAdded, bucket.linesAdded);
            into.cost += bucket.cost;
            into.tokens += bucket.tokens;
        }
        for (const auto& path : c.editedFiles) {
            if (edited.find(std::string_view(path)) == edited.end()) {
                edited.insert(path);
            }
        }
        std::vector<std::int64_t> recent;
        for (const std::string& day : c.activeDays) {
            if (const std::int64_t n = dayNumber(day); n >= weekFirst) {
                recent.push_back(n);
            }
        }
        weekSessions +=
            std::any_of(recent.begin(), recent.end(), [this](std::int64_t n) { return inWeek(n); });
        if (live && !recent.empty()) {
            recentDays.push_back(std::move(recent));
        }
    }

    FoldSummary summary(std::string digest) const {
        FoldSummary s{.digest = std::move(digest),
                      .madeOn = weekLast,
                      .total = total,
                      .recentDays = recentDays};
        s.total.editedFiles = {edited.begin(), edited.end()};
        return s;
    }
};

std::int64_t longestStreak(const std::set<std::string>& days) {
    std::vector<std::int64_t> numbers;
    numbers.reserve(days.size());
    for (const auto& day : days) {
        numbers.push_back(dayNumber(day));
    }
    std::sort(numbers.begin(), numbers.end());
    std::int64_t best = 0;
    std::int64_t run = 0;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        run = i > 0 && numbers[i] == numbers[i - 1] + 1 ? run + 1 : 1;
        best = std::max(best, run);
    }
    return best;
}

// Counts back over calendar days (not 86400-second steps, which skip a day after a 23-hour
// daylight-saving day), starting yesterday when today has no activity yet.
std::int64_t currentStreak(const std::set<std::string>& days, double now) {
    const auto today = TimeKit::local(now);
    if (!today) {
        return 0;
    }
    sys_days day{today->date};
    if (!days.contains(TimeKit::dayKey(day))) {
        day -= std::chrono::days{1};
    }
    std::int64_t count = 0;
    while (days.contains(TimeKit::dayKey(day))) {
        ++count;
        day -= std::chrono::days{1};
    }
    return count;
}

std::vector<ModelStat> modelRows(const std::map<std::string, ModelAcc>& models) {
    std::vector<ModelStat> rows;
    rows.reserve(models.size());
    for (const auto& [id, acc] : models) {
        const double cost = Pricing::cost(Pricing::baseFor(id), acc.input, acc.output,
                                          acc.cacheRead, acc.cacheWrite);
        rows.push_back({id, Pricing::prettyModel(id), acc.messages, acc.input, acc.output,
                        acc.cacheRead, acc.cacheWrite, cost});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ModelStat& a, const ModelStat& b) { return a.cost > b.cost; });
    return rows;
}

// max(1, round((last - first) / 86400) + 1), halves away from zero.
std::int64_t daysSpan(double first, double last) {
    const double r = std::round((last - first) / 86400);
    // Bounded so a damaged cache cannot overflow the conversion.
    return static_cast<std::int64_t>(std::clamp(r + 1, 1.0, 1e15));
}

using FileReader = FileContribution (*)(const std::string& path, ReadScratch& scratch);

// A log file to read, with the reader for its kind.
struct LogFile {
    const std::string* path;
    std::optional<FileStamp> stamp;
    FileReader read;
};

struct FileId {
    std::uint64_t device;
    std::uint64_t inode;
    bool operator==(const FileId&) const = default;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>{}(id.inode * 31 + id.device);
    }
};

// The log files of one kind found below their roots, in walk order, each with its stamp.
struct Found {
    std::vector<std::string> paths;
    std::vector<std::optional<FileStamp>> stamps;
    FileReader read;
};

Found findLogs(const std::vector<std::filesystem::path>& roots,
               const std::function<bool(std::string_view)>& keep, FileReader read,
               unsigned threads) {
    Found found{.paths = {}, .stamps = {}, .read = read};
    for (const auto& root : roots) {
        auto paths = detail::walkFiles(root, keep, &found.stamps, threads);
        found.paths.insert(found.paths.end(), std::make_move_iterator(paths.begin()),
                           std::make_move_iterator(paths.end()));
    }
    return found;
}

// Returns the found files in order, with a file reached again through a symlink (or a hard
// link) left out: one transcript is one session however it is reached.
std::vector<LogFile> distinctFiles(std::initializer_list<const Found*> kinds) {
    std::vector<LogFile> files;
    std::unordered_set<FileId, FileIdHash> ids;
    for (const Found* found : kinds) {
        for (std::size_t i = 0; i < found->paths.size(); ++i) {
            const auto& stamp = found->stamps[i];
            if (stamp && !ids.insert({stamp->device, stamp->inode}).second) {
                continue;
            }
            files.push_back({&found->paths[i], stamp, found->read});
        }
    }
    return files;
}

// Returns the positions of the files the cache has no current entry for.
std::vector<std::size_t> uncachedFiles(const std::vector<LogFile>& files, const ParseCache& cache) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (cachedContribution(*files[i].path, files[i].stamp, cache) == nullptr) {
            positions.push_back(i);
        }
    }
    return positions;
}

// Reads the files at the given positions on up to `threads` threads, each with its own
// scratch, so at most one read buffer per thread. Returns their contributions in the order of
// the positions.
std::vector<FileContribution> readFiles(const std::vector<LogFile>& files,
                                        const std::vector<std::size_t>& positions,
                                        unsigned threads) {
    std::vector<FileContribution> read(positions.size());
    detail::forEachIndex<ReadScratch>(positions.size(), threads,
                                      [&](std::size_t k, ReadScratch& scratch) {
                                          const LogFile& f = files[positions[k]];
                                          read[k] = f.read(*f.path, scratch);
                                      });
    return read;
}

// Folds the files in order, each from the cache or read anew. The files the cache cannot
// answer for are read in parallel first, so the sums come out the same whatever the number of
// threads: the fold asks the cache again and meets the misses in the same order, as each path
// appears once.
void foldFiles(const std::vector<LogFile>& files, unsigned threads, ParseCache& cache, bool& dirty,
               Fold& fold) {
    std::vector<FileContribution> read = readFiles(files, uncachedFiles(files, cache), threads);
    std::size_t nextRead = 0;
    const Reader takeRead = [&](const std::string&) { return std::move(read[nextRead++]); };
    FileContribution fresh;
    for (const LogFile& f : files) {
        fold.add(loadOrParse(*f.path, f.stamp, cache, dirty, takeRead, fresh), true);
    }
}

// Returns the digest of what a fold is made from: the local zone, the readers' version and
// every file in walk order with its reader, size and modification time. Each step goes
// through splitmix64's finaliser, a bijection that spreads every bit, so 64 bits leave an
// accidental match out of reach.
std::string foldDigest(const std::vector<LogFile>& files) {
    std::uint64_t h = 0;
    const auto add = [&h](std::uint64_t v) {
        std::uint64_t z = h + 0x9e3779b97f4a7c15ULL + v;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        h = z ^ (z >> 31);
    };
    add(std::hash<std::string>{}(TimeKit::zoneId()));
    add(static_cast<std::uint64_t>(ParseCache::currentVersion));
    for (const LogFile& f : files) {
        add(std::hash<std::string>{}(*f.path));
        add(f.read == &parseClaudeFile ? 1 : 2);
        add(f.stamp ? static_cast<std::uint64_t>(f.stamp->size) : ~std::uint64_t{0});
        add(f.stamp ? static_cast<std::uint64_t>(f.stamp->mtimeNs) : 0);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

// Saves the cache when it changed: an entry pruned or a file parsed.
void pruneAndSave(ParseCache& cache, const std::unordered_set<std::string_view>& seen, bool dirty,
                  const std::filesystem::path& cacheDir) {
    const std::size_t removed = std::erase_if(
        cache.entries, [&](const auto& entry) { return !seen.contains(entry.first); });
    if (removed > 0 || dirty) {
        ParseCache::save(cache, cacheDir);
    }
}

}  // namespace

std::filesystem::path claudeRoot(const std::filesystem::path& home,
                                 const std::optional<std::filesystem::path>& dir) {
    if (dir) {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(*dir, ec);
        return (ec ? *dir : absolute).lexically_normal();
    }
    return home / ".claude" / "projects";
}

std::filesystem::path codexRoot(const std::filesystem::path& home) {
    return home / ".codex" / "sessions";
}

std::vector<std::string> findLogFiles(const std::filesystem::path& root) {
    return detail::walkFiles(root, detail::hasJsonlExtension);
}

std::int64_t dayNumber(std::string_view key) {
    std::int64_t parts[3] = {};
    int count = 0;
    std::size_t start = 0;
    while (start <= key.size()) {
        const std::size_t dash = key.find('-', start);
        const std::size_t end = dash == std::string_view::npos ? key.size() : dash;
        if (end > start) {
            if (count == 3) {
                return 0;
            }
            parts[count++] = pieceValue(key.substr(start, end - start));
        }
        start = end + 1;
    }
    if (count != 3 || parts[0] > 32767 || parts[1] > 12 || parts[2] > 31) {
        return 0;
    }
    // Day keys of years before 0 start with a minus sign ("-001-12-31").
    const std::int64_t y = key.starts_with('-') ? -parts[0] : parts[0];
    const year_month_day date{year{static_cast<int>(y)}, month{static_cast<unsigned>(parts[1])},
                              day{static_cast<unsigned>(parts[2])}};
    return date.ok() ? sys_days(date).time_since_epoch().count() : 0;
}

unsigned availableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) {
        return std::max(std::thread::hardware_concurrency(), 1U);
    }
    return static_cast<unsigned>(std::max(CPU_COUNT(&set), 1));
}

const FileContribution* cachedContribution(const std::string& file,
                                           const std::optional<FileStamp>& stamp,
                                           const ParseCache& cache) {
    if (!stamp) {
        return nullptr;
    }
    const auto it = cache.entries.find(file);
    return it != cache.entries.end() && it->second.mtime == stamp->mtime()
                   && it->second.size == stamp->size
               ? &it->second.contribution
               : nullptr;
}

const FileContribution& loadOrParse(const std::string& file, ParseCache& cache, bool& dirty,
                                    const Reader& parse, FileContribution& fresh) {
    return loadOrParse(file, FileStamp::of(file), cache, dirty, parse, fresh);
}

const FileContribution& loadOrParse(const std::string& file, const std::optional<FileStamp>& stamp,
                                    ParseCache& cache, bool& dirty, const Reader& parse,
                                    FileContribution& fresh) {
    if (const FileContribution* cached = cachedContribution(file, stamp, cache)) {
        return *cached;
    }
    fresh = parse(file);
    if (!stamp) {
        return fresh;
    }
    dirty = true;
    CacheEntry& entry = cache.entries[file];
    entry = {stamp->mtime(), stamp->size, std::move(fresh)};
    return entry.contribution;
}

Stats build(const BuildInputs& in, ParseCacheMemo* memo, std::map<std::string, DayBucket>* perDay) {
    const unsigned threads = in.threads == 0 ? availableCores() : in.threads;
    const Found claude =
        findLogs(in.claudeRoots, detail::hasJsonlExtension, &parseClaudeFile, threads);
    const Found codex =
        findLogs({in.codexRoot}, CodexParser::isRollout, &CodexParser::parseFile, threads);
    const std::vector<LogFile> files = distinctFiles({&claude, &codex});
    std::uint64_t logBytes = 0;
    std::unordered_set<std::string_view> seen;  // views into the two file lists
    seen.reserve(files.size());
    for (const LogFile& f : files) {
        logBytes +=
            f.stamp ? static_cast<std::uint64_t>(std::max<std::int64_t>(f.stamp->size, 0)) : 0;
        seen.insert(*f.path);
    }
    const std::string todayKey = TimeKit::dateKey(in.now);
    const std::int64_t todayNumber = dayNumber(todayKey);
    const std::string digest = foldDigest(files);

    auto summary = FoldCache::load(in.cacheDir, digest, todayNumber, logBytes, files.size());
    const bool unchanged = summary.has_value();
    Fold fold = unchanged ? Fold(std::move(*summary), todayNumber) : Fold(todayNumber);
    ParseCache cache;
    bool dirty = false;
    if (unchanged) {
        // Nothing to load: a process at rest holds no parse cache either.
        if (memo != nullptr) {
            *memo = {};
        }
    } else {
        cache = ParseCache::load(in.cacheDir, ParseCache::sizeBound(logBytes, files.size()), memo);
        foldFiles(files, threads, cache, dirty, fold);
        FoldCache::save(fold.summary(digest), in.cacheDir);
    }
    // Vanished files keep counting from the kept history (which takes them from the cache
    // before it is pruned); a file back at its path counts from the live file only. With the
    // fold from its cache, no cached file can have vanished: the files are those it was made of.
    std::size_t keptFiles = 0;
    if (in.historyDir) {
        const auto kept = History::update(*in.historyDir, cache, seen);
        for (const auto& [path, entry] : kept->sessions) {
            fold.add(entry.contribution, false);
        }
        keptFiles = kept->sessions.size();
    }
    if (!unchanged) {
        pruneAndSave(cache, seen, dirty, in.cacheDir);
        if (memo != nullptr) {
            memo->stamp = FileStamp::of(in.cacheDir / ParseCache::fileName);
            memo->cache = std::move(cache);
        }
    }

    const FileContribution& t = fold.total;
    Stats s;
    if (t.minTs) {
        s.since = TimeKit::dateKey(*t.minTs);
    }
    if (t.maxTs) {
        s.until = TimeKit::dateKey(*t.maxTs);
    }
    if (t.minTs && t.maxTs) {
        s.daysSpan = daysSpan(*t.minTs, *t.maxTs);
    }
    s.logFiles = static_cast<std::int64_t>(files.size() + keptFiles);
    s.sessions = s.logFiles;
    s.prompts = t.prompts;
    s.assistantMessages = t.assistantMessages;
    s.tokensIn = t.tokensIn;
    s.tokensOut = t.tokensOut;
    s.cacheRead = t.cacheRead;
    s.cacheWrite = t.cacheWrite;
    s.linesAdded = t.linesAdded;
    s.linesRemoved = t.linesRemoved;
    s.filesEdited = static_cast<std::int64_t>(fold.edited.size());
    s.cost = t.cost;

    for (const auto& [day, bucket] : t.perDay) {
        if (fold.inWeek(dayNumber(day))) {
            s.weekLinesAdded = detail::addClamped(s.weekLinesAdded, bucket.linesAdded);
            s.weekCost += bucket.cost;
            s.weekTokens += bucket.tokens;
        }
    }
    s.weekSessions = fold.weekSessions;
    if (const auto it = t.perDay.find(todayKey); it != t.perDay.end()) {
        s.todayLinesAdded = it->second.linesAdded;
        s.todayCost = it->second.cost;
        s.todayTokens = it->second.tokens;
    }
    s.codedToday = t.activeDays.contains(todayKey);
    s.activeDays = static_cast<std::int64_t>(t.activeDays.size());
    s.streakLongest = longestStreak(t.activeDays);
    s.streakCurrent = currentStreak(t.activeDays, in.now);
    s.byHour = t.byHour;
    s.models = modelRows(t.models);
    if (!s.models.empty()) {
        s.topModel = s.models.front().name;
    }

    const auto lines = static_cast<double>(detail::addClamped(s.linesAdded, s.linesRemoved));
    s.crackedScore = Score::crackedScore(lines, s.tokensOut, static_cast<double>(s.sessions),
                                         static_cast<double>(s.streakLongest),
                                         static_cast<double>(s.activeDays));
    s.percentile = Score::percentile(s.crackedScore);
    if (perDay != nullptr) {
        *perDay = t.perDay;
    }
    s.badges = Score::badgesFor(lines, s.streakLongest, s.byHour, s.cost, s.tokensOut,
                                static_cast<std::int64_t>(s.models.size()), s.sessions);
    return s;
}

std::map<std::string, DayBucket> daily(const BuildInputs& inputs) {
    std::map<std::string, DayBucket> days;
    build(inputs, nullptr, &days);
    return days;
}

}  // namespace tavrik::StatsEngine
