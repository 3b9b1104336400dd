// tavrik_app_latency --home DIR: shows that a build never blocks the main thread. Starts the
// application's delegate (with the notch overlay, animating) over the log tree in DIR with an
// empty parse cache, so the first build reads every file, and measures how late a 10 ms timer
// on the main thread fires while that build runs on "tavrik.stats". Prints the build's wall
// time and the main thread's largest and 99th-percentile gaps between timer ticks.
//
// Runs on the platform Qt picks (offscreen when QT_QPA_PLATFORM says so, an X server with
// DISPLAY).

#include "app/AppDelegate.h"
#include "app/NotchOverlay.h"
#include "engine/StatsEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "--home") {
        std::fputs("usage: tavrik_app_latency --home DIR\n", stderr);
        return 2;
    }
    const fs::path home = fs::absolute(argv[2]);
    const fs::path cache =
        fs::temp_directory_path() / ("tavrik-latency-" + std::to_string(getpid()));
    fs::remove_all(cache);

    QApplication app(argc, argv);
    tavrik::AppOptions options;
    options.cacheDir = cache;
    options.job.build = [home, cache](tavrik::ParseCacheMemo& memo) {
        using namespace std::chrono;
        const double now = duration<double>(system_clock::now().time_since_epoch()).count();
        return tavrik::StatsEngine::build({{tavrik::StatsEngine::claudeRoot(home, std::nullopt)},
                                           tavrik::StatsEngine::codexRoot(home),
                                           cache,
                                           now},
                                          &memo);
    };
    options.watchDir = cache / "not-watched";
    options.firstRefreshMs = options.refreshIntervalMs = 3'600'000;
    options.overlay = std::make_unique<tavrik::NotchOverlay>();

    tavrik::AppDelegate delegate(std::move(options));
    std::vector<qint64> gaps;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        gaps.push_back(now - last);
        last = now;
    });
    qint64 builtAt = -1;
    QObject::connect(&delegate, &tavrik::AppDelegate::statsApplied, [&] {
        builtAt = clock.elapsed();
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        probe.start();
        delegate.applicationDidFinishLaunching();
    });
    QApplication::exec();
    fs::remove_all(cache);

    if (builtAt < 0 || gaps.empty()) {
        std::fputs("tavrik_app_latency: no build was applied\n", stderr);
        return 1;
    }
    std::vector<qint64> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const qint64 p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    std::printf(
        "cold build applied after %lld ms; main thread: %zu ticks of a 10 ms timer, largest gap "
        "%lld ms, 99th percentile %lld ms\n",
        static_cast<long long>(builtAt), gaps.size(), static_cast<long long>(sorted.back()),
        static_cast<long long>(p99));
    return 0;
}
