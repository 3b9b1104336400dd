#pragma once

// Helpers of the application tests: the widget application on the offscreen platform
// (WidgetApp.h), an overlay that records what the delegate asks of it, a build job whose builds the
// test can hold back and count, and waiting for the event loop.

#include "app/AppDelegate.h"
#include "app/Overlay.h"
#include "app/SettingsSurface.h"
#include "app/StatsWorker.h"
#include "engine/Records.h"
#include "prefs/Prefs.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/WidgetApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tavrik::test {

// The test process's own settings and runtime folders, set before main().
inline const IsolatedSettings isolatedSettings;

// Runs the event loop until done() holds or timeoutMs passes; returns done().
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 10'000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return done();
}

// Runs the event loop for ms milliseconds.
inline void spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// Removes every "tavrik." key, so each test starts from a fresh installation.
inline void resetPrefs() {
    for (const Prefs::KeyInfo& info : Prefs::all()) {
        Prefs::remove(info.key);
    }
}

class RecordingOverlay final : public Overlay {
public:
    struct Log {
        Actions actions;
        std::vector<std::string> calls;
        std::optional<Stats> stats;
        std::optional<bool> amber;
        std::optional<bool> hidden;
        std::optional<Look> look;  // not in calls: the order of the rest is what tests check
        int celebrations = 0;
    };

    explicit RecordingOverlay(std::shared_ptr<Log> log) : m_log(std::move(log)) {}

    void setActions(Actions actions) override {
        m_log->actions = std::move(actions);
        m_log->calls.push_back("setActions");
    }
    void setLook(const Look& look) override { m_log->look = look; }
    void showStats(const Stats& stats, bool amber) override {
        m_log->stats = stats;
        m_log->amber = amber;
        m_log->calls.push_back(amber ? "showStats amber" : "showStats");
    }
    void relayout() override { m_log->calls.push_back("relayout"); }
    void setHidden(bool hidden) override {
        m_log->hidden = hidden;
        m_log->calls.push_back(hidden ? "setHidden true" : "setHidden false");
    }
    void bringToFront() override { m_log->calls.push_back("bringToFront"); }
    void celebrate() override {
        ++m_log->celebrations;
        m_log->calls.push_back("celebrate");
    }

private:
    std::shared_ptr<Log> m_log;
};

class RecordingSettings final : public SettingsSurface {
public:
    struct Log {
        std::function<void()> onChange;
        int opened = 0;
    };
    explicit RecordingSettings(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    void setOnChange(std::function<void()> onChange) override {
        m_log->onChange = std::move(onChange);
    }
    void setStatsProvider(StatsProvider) override {}
    void open() override { ++m_log->opened; }

private:
    std::shared_ptr<Log> m_log;
};

// A build job the test controls: builds wait while the gate is closed, and every build,
// save and memo seen is counted. Shared between the test and the work thread.
class FakeJob {
public:
    explicit FakeJob(Stats stats = {}) : m_stats(std::move(stats)) {}

    StatsJob job() {
        StatsJob job;
        job.build = [this](ParseCacheMemo& memo) {
            std::unique_lock lock(m_mutex);
            ++m_started;
            m_memos.push_back(&memo);
            m_threadNames.push_back(QThread::currentThread()->objectName().toStdString());
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
            ++m_finished;
            return m_stats;
        };
        job.save = [this](const Stats& stats) {
            std::lock_guard lock(m_mutex);
            m_saved.push_back(stats);
        };
        return job;
    }

    void close() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void setStats(Stats stats) {
        std::lock_guard lock(m_mutex);
        m_stats = std::move(stats);
    }
    // Blocks until at least n builds have started (or 10 s passed); returns whether they did.
    bool waitStarted(int n) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_started >= n; });
    }
    int started() {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    int finished() {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }
    std::vector<Stats> saved() {
        std::lock_guard lock(m_mutex);
        return m_saved;
    }
    std::vector<const ParseCacheMemo*> memos() {
        std::lock_guard lock(m_mutex);
        return m_memos;
    }
    std::vector<std::string> threadNames() {
        std::lock_guard lock(m_mutex);
        return m_threadNames;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_started = 0;
    int m_finished = 0;
    Stats m_stats;
    std::vector<Stats> m_saved;
    std::vector<const ParseCacheMemo*> m_memos;
    std::vector<std::string> m_threadNames;
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
