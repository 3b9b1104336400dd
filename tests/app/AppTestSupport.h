#pragma once

// Helpers of the application tests: their own settings, and a build job whose builds the test
// can hold back and count.

#include "app/StatsWorker.h"
#include "tests/support/EventLoop.h"
#include "tests/support/TempDir.h"
#include "tests/support/WidgetApp.h"

#include <QThread>

#include <atomic>
#include <climits>

namespace tavrik::test {

// The test process's own settings and runtime folders, set before main().
inline const IsolatedSettings isolatedSettings;

// Runs the event loop for ms milliseconds.
inline void spin(int ms) {
    waitUntil([] { return false; }, ms);
}

// A build job the test controls: a build ends only while fewer than `ends` builds have ended;
// builds started and finished and saves are counted. Shared between the test and the work
// thread, which reads stats only while the test leaves it alone.
struct FakeJob {
    Stats stats;
    std::atomic<int> ends = INT_MAX;
    std::atomic<int> started = 0, finished = 0, saved = 0;
    std::atomic<std::size_t> memoSeen = 0;  // entries the memo held when the last build began

    StatsJob job() {
        return {.build =
                    [this](ParseCacheMemo& memo) {
                        memoSeen = memo.cache.entries.size();
                        memo.cache.entries["/log"] = {};
                        ++started;
                        while (finished >= ends) {
                            QThread::msleep(1);
                        }
                        ++finished;
                        return stats;
                    },
                .save = [this](const Stats&) { ++saved; },
                .unchanged = {}};
    }
};

}  // namespace tavrik::test
