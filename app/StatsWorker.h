#pragma once

// The serial work queue "tavrik.stats": one thread that runs every statistics build and the
// save of the stats cache, one build at a time, and the repeating timer that asks it for a
// build every refreshIntervalMs. Builds therefore never overlap; a requested build and a
// timer build may run back to back.
//
// A build's Stats crosses to the main thread by value and is handed to the delivery callback
// there. The worker keeps the parse cache of the previous build in memory (a ParseCacheMemo)
// and passes it to every build, so that while the logs change the cache file is not read
// again; a build that finds nothing changed lets it go, and its memory goes back to the
// system. Nothing else crosses threads.

#include "engine/ParseCache.h"
#include "engine/Records.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace tavrik {

// What one refresh does on the work queue. Both functions run on "tavrik.stats".
struct StatsJob {
    // Builds the statistics; memo is the same object at every call of one worker.
    std::function<Stats(ParseCacheMemo& memo)> build;
    // Stores the statistics just built.
    std::function<void(const Stats& stats)> save;
    // Returns whether the statistics built last are still exact, so that a timer build may
    // hand them on instead of building (optional: without it every timer build builds).
    std::function<bool()> unchanged;
};

// Returns the job over the user's own logs: StatsEngine::build over the default locations
// with the current time and the parse cache in cacheDir, then StatsCache::save into cacheDir.
// Its timer builds are skipped while the log trees are provably untouched (LogTreeWatch) and
// the local day is the same, but never more than reuseLimit times in a row.
StatsJob userLogsJob(const std::filesystem::path& cacheDir);

// How many timer builds in a row may hand on the last statistics: a full build at least every
// two minutes, whatever the watch says. It only guards against a change the watch missed;
// over 50,000 files it costs about 0.15 s of CPU, which once a minute would be half of what
// the application may spend at rest (0.5 % of a core).
inline constexpr int reuseLimit = 23;

// How many timer builds in a row may hand on the last statistics before the memo of the parse
// cache is let go (a minute at rest). While logs change it saves reading the cache file at
// every build; at rest it is most of what the process holds (about 45 MiB for 50,000 files).
inline constexpr int memoRestTicks = 12;

// The object that lives on "tavrik.stats". Its functions run on that thread.
class StatsWorker final : public QObject {
    Q_OBJECT

public:
    using Deliver = std::function<void(Stats stats)>;

    StatsWorker(StatsJob job, Deliver deliver);
    ~StatsWorker() override;

    // Builds, saves and delivers the statistics.
    void performRefresh();

    // Creates the repeating timer on this thread: first after firstMs, then every
    // intervalMs. A second call does nothing.
    void startTimer(int firstMs, int intervalMs);

    // What the timer does when it fires: a build, not coalesced with requested ones; or, when
    // the job says nothing changed since the last build, that build's statistics again.
    void onTimerFired();

    // Makes every later build request do nothing; any thread may call it.
    void stop() { m_stopping = true; }

    // Returns the timer, once started (for inspection).
    const QTimer* timer() const { return m_timer; }

private:
    StatsJob m_job;
    Deliver m_deliver;
    ParseCacheMemo m_memo;
    std::optional<Stats> m_last;  // the statistics built last
    int m_restTicks = 0;          // timer builds handed on since the last build
    QTimer* m_timer = nullptr;    // child of this, made on this thread
    std::atomic<bool> m_stopping{false};
};

// Owns the thread "tavrik.stats" and its worker. Lives on the main thread.
class StatsThread final : public QObject {
    Q_OBJECT

public:
    // Receives every built Stats, on the main thread, in build order.
    using Built = std::function<void(const Stats& stats)>;

    static constexpr int refreshIntervalMs = 5000;

    StatsThread(StatsJob job, Built built, QObject* parent = nullptr);
    // Stops the timer and waits for the build in progress, if any; results not yet delivered
    // are dropped.
    ~StatsThread() override;

    // Queues one build behind those already queued.
    void queueBuild();

    // Starts the repeating timer on the work thread (first after firstMs).
    void startTimer(int firstMs = refreshIntervalMs, int intervalMs = refreshIntervalMs);

    // Returns how many builds have finished on the work thread (any thread may ask).
    int buildsFinished() const { return m_buildsFinished.load(); }

    const QThread& thread() const { return m_thread; }
    StatsWorker& worker() { return *m_worker; }

private:
    QThread m_thread;
    StatsWorker* m_worker = nullptr;  // lives on m_thread; deleted there when it finishes
    Built m_built;
    std::atomic<int> m_buildsFinished{0};
};

}  // namespace tavrik
