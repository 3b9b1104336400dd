#include "app/StatsWorker.h"

#include "app/LogTreeWatch.h"
#include "engine/Environment.h"
#include "engine/History.h"
#include "engine/StatsCache.h"
#include "engine/StatsEngine.h"
#include "engine/TimeKit.h"
#include "prefs/Prefs.h"

#include <QLoggingCategory>
#include <QTimer>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tavrik {
namespace {

Q_LOGGING_CATEGORY(lcStats, "tavrik.app.stats")

// Background work yields to everything interactive: on Linux a nice value set with the
// thread's own id applies to that thread only, and to the threads it starts afterwards (the
// build's log readers), which inherit it.
constexpr int workNice = 10;

void lowerThreadPriority() {
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    if (setpriority(PRIO_PROCESS, tid, workNice) != 0) {
        qCDebug(lcStats, "could not lower the priority of the work thread");
    }
}

// What the kept history adds to a build: nothing while it is off, else its file as it is now
// (forgotten, or written by another process).
std::optional<std::optional<FileStamp>> keptHistoryState() {
    if (!Prefs::boolean(Prefs::Key::keepHistory)) {
        return std::nullopt;
    }
    return FileStamp::of(Environment::historyDir() / KeptHistory::fileName);
}

}  // namespace

StatsJob userLogsJob(const std::filesystem::path& cacheDir) {
    struct Trees {
        explicit Trees(std::vector<std::filesystem::path> roots) : watch(std::move(roots)) {}
        LogTreeWatch watch;
        std::string day;                                  // local day of the last build
        std::optional<std::optional<FileStamp>> history;  // after the last build
        int reuses = 0;
    };
    StatsEngine::BuildInputs where = Environment::buildInputs();
    where.claudeRoots.push_back(where.codexRoot);
    auto trees = std::make_shared<Trees>(std::move(where.claudeRoots));

    StatsJob job;
    job.build = [cacheDir, trees](ParseCacheMemo& memo) {
        StatsEngine::BuildInputs inputs = Environment::buildInputs();
        inputs.cacheDir = cacheDir;
        if (Prefs::boolean(Prefs::Key::keepHistory)) {
            inputs.historyDir = Environment::historyDir();
        }
        // Armed before the trees are read: a change made during the build is seen next time.
        // A watch that has seen nothing since it was armed still covers the trees as they are.
        if (!trees->watch.quiet()) {
            trees->watch.arm();
        }
        trees->day = TimeKit::dateKey(inputs.now);
        trees->reuses = 0;
        Stats stats = StatsEngine::build(inputs, &memo);
        trees->history = keptHistoryState();  // the build may have written it
        return stats;
    };
    // The statistics depend on the files' list, sizes and modification times, and on the
    // local day (today, the week, the current streak), and on the kept history.
    job.unchanged = [trees] {
        if (trees->reuses >= reuseLimit || TimeKit::dateKey(Environment::now()) != trees->day
            || keptHistoryState() != trees->history || !trees->watch.quiet()) {
            return false;
        }
        ++trees->reuses;
        return true;
    };
    job.save = [cacheDir](const Stats& stats) {
        if (!StatsCache::save(stats, cacheDir)) {
            qCInfo(lcStats, "could not write the stats cache in %s", cacheDir.c_str());
        }
    };
    return job;
}

StatsWorker::StatsWorker(StatsJob job, Deliver deliver)
    : m_job(std::move(job)), m_deliver(std::move(deliver)) {}

StatsWorker::~StatsWorker() = default;

void StatsWorker::performRefresh() {
    if (!m_job.build || m_stopping) {
        return;
    }
    m_restTicks = 0;
    Stats stats = m_job.build(m_memo);
    // What a build frees (the lists of every log file, a parse cache let go) is megabytes in
    // small pieces, which the allocator would otherwise keep for the process at rest.
    malloc_trim(0);
    if (m_job.save) {
        m_job.save(stats);
    }
    m_last = stats;
    if (m_deliver) {
        m_deliver(std::move(stats));
    }
}

void StatsWorker::startTimer(int firstMs, int intervalMs) {
    if (m_timer != nullptr) {
        return;
    }
    m_timer = new QTimer(this);
    // No leeway: the figures are promised within one period of a change.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(firstMs);
    connect(m_timer, &QTimer::timeout, this, [this, intervalMs] {
        if (m_timer->interval() != intervalMs) {
            m_timer->setInterval(intervalMs);
        }
        onTimerFired();
    });
    m_timer->start();
}

void StatsWorker::onTimerFired() {
    if (m_last && m_job.unchanged && !m_stopping && m_job.unchanged()) {
        if (++m_restTicks == memoRestTicks) {
            m_memo = {};
            malloc_trim(0);
        }
        if (m_deliver) {
            m_deliver(*m_last);  // already saved when it was built
        }
        return;
    }
    performRefresh();
}

StatsThread::StatsThread(StatsJob job, Built built, QObject* parent)
    : QObject(parent), m_built(std::move(built)) {
    m_thread.setObjectName(QStringLiteral("tavrik.stats"));
    m_worker = new StatsWorker(std::move(job), [this](Stats stats) {
        ++m_buildsFinished;
        // Queued to this object: dropped if it is gone by the time the main thread gets to it.
        QMetaObject::invokeMethod(
            this,
            [this, stats = std::move(stats)] {
                if (m_built) {
                    m_built(stats);
                }
            },
            Qt::QueuedConnection);
    });
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &lowerThreadPriority);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

StatsThread::~StatsThread() {
    // Builds still queued are skipped: quitting waits for the one in progress only. The worker
    // and its timer are deleted on their own thread once its event loop ends.
    m_worker->stop();
    m_thread.quit();
    m_thread.wait();
}

void StatsThread::queueBuild() {
    QMetaObject::invokeMethod(m_worker, &StatsWorker::performRefresh, Qt::QueuedConnection);
}

void StatsThread::startTimer(int firstMs, int intervalMs) {
    StatsWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, firstMs, intervalMs] { worker->startTimer(firstMs, intervalMs); },
        Qt::QueuedConnection);
}

}  // namespace tavrik
