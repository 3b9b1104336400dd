#pragma once

// Helpers of the application tests: a fresh installation, and a build job whose builds the
// test can hold back and count.

#include "app/AppDelegate.h"
#include "app/StatsWorker.h"
#include "prefs/Prefs.h"
#include "tests/support/EventLoop.h"
#include "tests/support/TempDir.h"
#include "tests/support/WidgetApp.h"

#include <QThread>

#include <atomic>
#include <filesystem>

namespace tavrik::test {

// The test process's own settings and runtime folders, set before main().
inline const IsolatedSettings isolatedSettings;

// Runs the event loop for ms milliseconds.
inline void spin(int ms) {
    waitUntil([] { return false; }, ms);
}

// Removes every "tavrik." key, so each test starts from a fresh installation.
inline void resetPrefs() {
    for (const Prefs::KeyInfo& info : Prefs::all()) {
        Prefs::remove(info.key);
    }
}

// A build job the test controls: builds wait while the gate is closed; builds started and
// finished and saves are counted. Shared between the test and the work thread, which reads
// stats only while the test leaves it alone.
struct FakeJob {
    Stats stats;
    std::atomic<bool> open = true;
    std::atomic<int> started = 0, finished = 0, saved = 0;

    StatsJob job() {
        return {.build =
                    [this](ParseCacheMemo&) {
                        ++started;
                        while (!open) {
                            QThread::msleep(1);
                        }
                        ++finished;
                        return stats;
                    },
                .save = [this](const Stats&) { ++saved; },
                .unchanged = {}};
    }
};

// Returns options for a delegate over the fake job, with its folders under root and a timer
// that stays quiet: a test starts the builds it needs by hand.
inline AppOptions quietOptions(FakeJob& fake, const std::filesystem::path& root) {
    AppOptions o;
    o.job = fake.job();
    o.cacheDir = root / "cache";
    o.watchDir = root / "projects";
    o.desktopDir = root / "Desktop";
    o.firstRefreshMs = o.refreshIntervalMs = 3'600'000;
    o.statusNotifier = false;  // a tray host on the developer's desktop is not the test's
    return o;
}

}  // namespace tavrik::test
