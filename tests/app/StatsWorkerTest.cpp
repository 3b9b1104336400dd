// The work thread "tavrik.stats": where builds run, the parse-cache memo, the save after every
// build, the delivery on the main thread, the repeating timer, and stopping.

#include "app/StatsWorker.h"
#include "engine/Environment.h"
#include "engine/History.h"
#include "engine/StatsCache.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tavrik {
namespace {

using test::FakeJob;
using test::waitFor;

Stats scored(std::int64_t score) {
    Stats s;
    s.crackedScore = score;
    return s;
}

class StatsWorkerTest : public ::testing::Test {
protected:
    void SetUp() override { test::widgetApp(); }
};

TEST_F(StatsWorkerTest, BuildsAndSavesOnTheThreadNamedTavrikStatsAndDeliversOnTheMainThread) {
    FakeJob fake(scored(42));
    std::vector<Stats> delivered;
    std::vector<QThread*> deliveredOn;
    StatsThread thread(fake.job(), [&](const Stats& s) {
        delivered.push_back(s);
        deliveredOn.push_back(QThread::currentThread());
    });
    EXPECT_EQ(thread.thread().objectName(), "tavrik.stats");

    thread.queueBuild();
    thread.queueBuild();
    ASSERT_TRUE(waitFor([&] { return delivered.size() == 2; }));
    EXPECT_EQ(delivered[0].crackedScore, 42);
    EXPECT_EQ(deliveredOn[0], QCoreApplication::instance()->thread());
    EXPECT_EQ(fake.threadNames(), (std::vector<std::string>{"tavrik.stats", "tavrik.stats"}));
    ASSERT_EQ(fake.saved().size(), 2u);
    EXPECT_EQ(fake.saved()[0], delivered[0]);
    const auto memos = fake.memos();  // every build gets the same parse-cache memo
    EXPECT_EQ(memos[0], memos[1]);
}

TEST_F(StatsWorkerTest, TheTimerLivesOnTheWorkThreadAndKeepsBuildingAtItsInterval) {
    FakeJob fake;
    int delivered = 0;
    StatsThread thread(fake.job(), [&](const Stats&) { ++delivered; });
    thread.startTimer(10, 20);
    ASSERT_TRUE(waitFor([&] { return delivered >= 3; }));
    // A call that waits for the work thread to have run everything queued before it.
    QMetaObject::invokeMethod(
        &thread.worker(), [] {}, Qt::BlockingQueuedConnection);
    EXPECT_EQ(thread.worker().timer()->thread(), &thread.thread());
    EXPECT_EQ(thread.worker().timer()->interval(), 20);
}

TEST_F(StatsWorkerTest, StoppingWaitsForTheRunningBuildAndDropsItsResult) {
    FakeJob fake;
    fake.close();
    int delivered = 0;
    auto thread = std::make_unique<StatsThread>(fake.job(), [&](const Stats&) { ++delivered; });
    thread->queueBuild();
    thread->queueBuild();
    ASSERT_TRUE(fake.waitStarted(1));
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        fake.open();
    });
    thread.reset();  // returns only once the running build has ended
    opener.join();
    EXPECT_EQ(fake.finished(), 1);
    test::spin(50);
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(fake.started(), 1);  // the queued build never ran
}

TEST_F(StatsWorkerTest, TimerBuildsHandOnTheLastStatisticsWhileTheJobSaysNothingChanged) {
    FakeJob fake(scored(5));
    StatsJob job = fake.job();
    int asked = 0;
    bool unchanged = true;
    job.unchanged = [&] {
        ++asked;
        return unchanged;
    };
    std::vector<std::int64_t> delivered;
    StatsThread thread(job, [&](const Stats& s) { delivered.push_back(s.crackedScore); });
    const auto timerFires = [&] {
        QMetaObject::invokeMethod(&thread.worker(), &StatsWorker::onTimerFired,
                                  Qt::BlockingQueuedConnection);
    };

    timerFires();  // nothing built yet: build
    ASSERT_TRUE(waitFor([&] { return delivered.size() == 1; }));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(fake.started(), 1);

    fake.setStats(scored(6));
    timerFires();
    timerFires();
    ASSERT_TRUE(waitFor([&] { return delivered.size() == 3; }));
    EXPECT_EQ(fake.started(), 1);  // the first build's statistics, twice, unsaved
    EXPECT_EQ(fake.saved().size(), 1u);
    EXPECT_EQ(delivered, (std::vector<std::int64_t>{5, 5, 5}));

    thread.queueBuild();  // a requested build always builds
    ASSERT_TRUE(waitFor([&] { return delivered.size() == 4; }));
    EXPECT_EQ(fake.started(), 2);
    EXPECT_EQ(delivered.back(), 6);

    unchanged = false;
    fake.setStats(scored(7));
    timerFires();
    ASSERT_TRUE(waitFor([&] { return delivered.size() == 5; }));
    EXPECT_EQ(fake.started(), 3);
    EXPECT_EQ(delivered.back(), 7);
}

TEST_F(StatsWorkerTest, TheUserLogsJobSavesTheCacheAndKnowsWhenTheTreesAreUntouched) {
    test::TempDir home;
    const std::string transcript = home.write(
        ".claude/projects/p/s.jsonl",
        R"({"timestamp":"2025-03-07T10:00:00Z","toolUseResult":{"filePath":"/a.cpp","content":"a"}})"
        "\n");
    home.write(".codex/sessions/2025/03/07/rollout-x.jsonl", "{}\n");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));

    const auto cacheDir = home.path() / "cache";
    StatsJob job = userLogsJob(cacheDir);
    ASSERT_TRUE(job.unchanged);
    ParseCacheMemo memo;
    const Stats first = job.build(memo);
    EXPECT_EQ(first.linesAdded, 1);
    job.save(first);
    EXPECT_EQ(StatsCache::load(cacheDir), first);
    EXPECT_FALSE(memo.cache.entries.empty());  // the next build needs no cache file read
    EXPECT_TRUE(job.unchanged());
    std::ofstream(transcript, std::ios::app) << "{}\n";
    EXPECT_FALSE(job.unchanged());

    job.build(memo);
    // Trusted a limited number of times in a row: then a build, whatever the watch says.
    for (int i = 0; i < reuseLimit; ++i) {
        EXPECT_TRUE(job.unchanged()) << i;
    }
    EXPECT_FALSE(job.unchanged());
    job.build(memo);
    EXPECT_TRUE(job.unchanged());

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
