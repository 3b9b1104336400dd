// The work thread: timer builds that hand on the last statistics, stopping, and the job over
// the user's logs that knows when nothing changed.

#include "app/StatsWorker.h"
#include "engine/Environment.h"
#include "engine/History.h"
#include "engine/StatsCache.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tavrik {
namespace {

// Timer builds hand on the last statistics while the job says nothing changed; stopping waits
// for the running build and drops its result and the queued builds.
TEST(StatsWorker, TimerBuildsHandOnTheLastStatisticsAndStoppingDropsTheBuildsStillToCome) {
    test::widgetApp();
    test::FakeJob fake;
    fake.stats.crackedScore = 5;
    StatsJob job = fake.job();
    std::atomic<bool> unchanged = true;
    job.unchanged = [&] { return unchanged.load(); };
    std::vector<std::int64_t> delivered;
    auto thread = std::make_unique<StatsThread>(
        job, [&](const Stats& s) { delivered.push_back(s.crackedScore); });
    const auto timerFires = [&](size_t deliveries) {
        QMetaObject::invokeMethod(&thread->worker(), &StatsWorker::onTimerFired,
                                  Qt::QueuedConnection);
        return test::waitUntil([&] { return delivered.size() == deliveries; });
    };
    ASSERT_TRUE(timerFires(1));  // nothing built yet: build
    fake.stats.crackedScore = 6;
    ASSERT_TRUE(timerFires(2));
    EXPECT_EQ(delivered, (std::vector<std::int64_t>{5, 5}));
    EXPECT_EQ(fake.saved, 1);  // handed on, not saved again
    thread->queueBuild();      // a requested build always builds
    ASSERT_TRUE(test::waitUntil([&] { return delivered.size() == 3; }));
    unchanged = false;
    fake.stats.crackedScore = 7;
    ASSERT_TRUE(timerFires(4));
    EXPECT_EQ(delivered, (std::vector<std::int64_t>{5, 5, 6, 7}));

    // Two builds queued behind a held one: the first of them runs when stopping begins.
    fake.ends = 3;
    thread->queueBuild();
    EXPECT_TRUE(test::waitUntil([&] { return fake.started == 4; }));  // no return with one held
    thread->queueBuild();
    thread->queueBuild();
    fake.ends = 4;
    EXPECT_TRUE(test::waitUntil([&] { return fake.started == 5 && delivered.size() == 5; }));
    const std::jthread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        fake.ends = INT_MAX;
    });
    thread.reset();  // returns only once the running build has ended
    EXPECT_EQ(fake.finished, 5);
    test::spin(50);
    EXPECT_EQ(delivered.size(), 5u);
    EXPECT_EQ(fake.started, 5);
}

TEST(StatsWorker, AMinuteAtRestLetsTheParseCacheMemoGo) {
    test::FakeJob fake;
    StatsJob job = fake.job();
    job.unchanged = [] { return true; };
    StatsWorker worker(job, {});
    for (const int rest : {memoRestTicks - 1, memoRestTicks - 1, memoRestTicks}) {
        worker.performRefresh();
        for (int i = 0; i < rest; ++i) {
            worker.onTimerFired();
        }
        worker.performRefresh();
        EXPECT_EQ(fake.memoSeen, rest < memoRestTicks ? 1u : 0u) << rest;
    }
}

TEST(StatsWorker, TheUserLogsJobSavesTheCacheAndKnowsWhenTheTreesAreUntouched) {
    test::TempDir home;
    const std::string transcript = home.write(
        ".claude/projects/p/s.jsonl",
        R"({"timestamp":"2025-03-07T10:00:00Z","toolUseResult":{"filePath":"/a.cpp","content":"a"}})"
        "\n");
    home.write(".codex/sessions/2025/03/07/rollout-x.jsonl", "{}\n");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));

    StatsJob job = userLogsJob(home.path() / "cache");
    ParseCacheMemo memo;
    const Stats first = job.build(memo);
    job.save(first);
    EXPECT_EQ(StatsCache::load(home.path() / "cache"), first);
    std::ofstream(transcript, std::ios::app) << "{}\n";
    EXPECT_FALSE(job.unchanged());

    job.build(memo);
    // Trusted a limited number of times in a row: then a build, whatever the watch says.
    for (int i = 0; i < reuseLimit; ++i) {
        EXPECT_TRUE(job.unchanged()) << i;
    }
    EXPECT_FALSE(job.unchanged());

    // The kept history counts too: turned on, and forgotten from the settings window.
    ASSERT_TRUE(Prefs::setBoolean(Prefs::Key::keepHistory, true));
    EXPECT_FALSE(job.unchanged());
    std::filesystem::remove(transcript);
    EXPECT_EQ(job.build(memo).linesAdded, 1);
    EXPECT_TRUE(job.unchanged());
    ASSERT_TRUE(History::forget(Environment::historyDir()));
    EXPECT_FALSE(job.unchanged());
    EXPECT_EQ(job.build(memo).linesAdded, 0);
    Prefs::remove(Prefs::Key::keepHistory);
    qputenv("HOME", oldHome);
}

}  // namespace
}  // namespace tavrik
