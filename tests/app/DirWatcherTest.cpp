// The directory watcher: which changes count, and the debounce.

#include "app/DirWatcher.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

class DirWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        fs::create_directories(root / "sub");
        std::ofstream(root / "existing.jsonl") << "{}\n";
    }
    std::unique_ptr<DirWatcher> watch() {
        clock.start();
        return DirWatcher::create(root, [this] { calls.push_back(clock.elapsed()); });
    }

    test::TempDir tmp;
    fs::path root = tmp.path() / "projects";
    QElapsedTimer clock;
    std::vector<qint64> calls;  // ms since the watcher was made, one per handler call
};

TEST_F(DirWatcherTest,
       EntriesCreatedDeletedOrRenamedAndAMoveOfTheDirectoryCountChangesInsideDoNot) {
    EXPECT_TRUE(DirWatcher::isEntryChange(IN_Q_OVERFLOW));  // lost events may be anything
    EXPECT_FALSE(DirWatcher::isEntryChange(IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_OPEN));
    const std::vector<std::pair<std::function<void()>, bool>> changes = {
        {[&] { std::ofstream(root / "existing.jsonl", std::ios::app) << "{}\n"; }, false},
        {[&] { std::ofstream(root / "sub/inside.jsonl") << "{}\n"; }, false},
        {[&] { std::ofstream(root / "a.jsonl") << "{}\n"; }, true},
        {[&] { fs::create_directory(root / "newdir"); }, true},
        {[&] { fs::rename(root / "existing.jsonl", root / "renamed.jsonl"); }, true},
        {[&] { fs::remove(root / "existing.jsonl"); }, true},
        {[&] { fs::rename(root, tmp.path() / "elsewhere"); }, true},
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        fs::remove_all(tmp.path());
        SetUp();
        auto watcher = watch();
        ASSERT_NE(watcher, nullptr);
        changes[i].first();
        test::spin(30);
        EXPECT_EQ(watcher->isPending(), changes[i].second) << "change " << i;
    }
}

TEST_F(DirWatcherTest, ABurstGivesOneCallAQuietPeriodAfterTheLastEventAndDebouncedRestartsIt) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    qint64 lastEvent = 0;
    for (int i = 0; i < 10; ++i) {
        std::ofstream(root / ("burst-" + std::to_string(i) + ".jsonl")) << "{}\n";
        lastEvent = clock.elapsed();
        test::spin(100);
    }
    ASSERT_TRUE(test::waitUntil([&] { return !calls.empty(); }));
    EXPECT_GE(calls[0] - lastEvent, DirWatcher::debounceMs);

    watcher->debounced();
    test::spin(1000);
    watcher->debounced();
    const qint64 restarted = clock.elapsed();
    ASSERT_TRUE(test::waitUntil([&] { return calls.size() == 2; }));
    EXPECT_GE(calls[1] - restarted, DirWatcher::debounceMs);
    test::spin(500);
    EXPECT_EQ(calls.size(), 2u);
}

}  // namespace
}  // namespace tavrik
