// The directory watcher: which changes count, the debounce, and construction failures.

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
using test::spin;
using test::waitFor;

class DirWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        root = tmp.path() / "projects";
        fs::create_directories(root / "sub");
        append(root / "existing.jsonl", "{}\n");
        append(root / "sub" / "inner.jsonl", "{}\n");
    }

    std::unique_ptr<DirWatcher> watch() {
        clock.start();
        return DirWatcher::create(root, [this] { calls.push_back(clock.elapsed()); });
    }

    static void append(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::app) << text;
    }

    // Lets the watcher read what the kernel has queued (inotify events are queued by the
    // system call itself, so one pass of the event loop sees them).
    static void deliver() { spin(30); }

    test::TempDir tmp;
    fs::path root;
    QElapsedTimer clock;
    std::vector<qint64> calls;  // ms since the watcher was made, one per handler call
};

TEST_F(DirWatcherTest, CountsEntriesCreatedDeletedOrRenamedAndAMoveOfTheDirectory) {
    for (std::uint32_t mask : {IN_CREATE, IN_DELETE, IN_MOVED_FROM, IN_MOVED_TO, IN_MOVE_SELF,
                               IN_CREATE | IN_ISDIR, IN_Q_OVERFLOW}) {
        EXPECT_TRUE(DirWatcher::isEntryChange(mask)) << mask;
    }
    for (std::uint32_t mask : {IN_MODIFY, IN_ATTRIB, IN_CLOSE_WRITE, IN_OPEN, IN_IGNORED}) {
        EXPECT_FALSE(DirWatcher::isEntryChange(mask)) << mask;
    }
}

TEST_F(DirWatcherTest, AppendsAndChangesInsideSubdirectoriesAreNotEvents) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    for (int i = 0; i < 5; ++i) {
        append(root / "existing.jsonl", "{\"more\":1}\n");
        append(root / "sub" / "inner.jsonl", "{\"more\":1}\n");
    }
    append(root / "sub" / "new-inside-sub.jsonl", "{}\n");
    fs::remove(root / "sub" / "inner.jsonl");
    fs::permissions(root / "existing.jsonl", fs::perms::owner_read | fs::perms::owner_write);
    deliver();
    EXPECT_FALSE(watcher->isPending());

    // The watcher is live: a file created directly inside does count.
    append(root / "fresh.jsonl", "{}\n");
    deliver();
    EXPECT_TRUE(watcher->isPending());
}

TEST_F(DirWatcherTest, EachKindOfEntryChangeStartsTheQuietPeriod) {
    const std::vector<std::function<void()>> changes = {
        [&] { append(root / "a.jsonl", "{}\n"); },
        [&] { fs::create_directory(root / "newdir"); },
        [&] { fs::rename(root / "existing.jsonl", root / "renamed.jsonl"); },
        [&] { fs::remove(root / "renamed.jsonl"); },
        [&] { fs::rename(root / "sub", tmp.path() / "moved-out"); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        auto watcher = watch();
        ASSERT_NE(watcher, nullptr);
        changes[i]();
        deliver();
        EXPECT_TRUE(watcher->isPending()) << "change " << i;
    }
}

TEST_F(DirWatcherTest, FollowsTheDirectoryWhenItIsMoved) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    fs::rename(root, tmp.path() / "elsewhere");
    deliver();
    EXPECT_TRUE(watcher->isPending());
    ASSERT_TRUE(waitFor([&] { return calls.size() == 1; }));

    // Still the same directory object under its new name, not a new one at the old path.
    fs::create_directories(root);
    append(root / "new.jsonl", "{}\n");
    deliver();
    EXPECT_FALSE(watcher->isPending());
    append(tmp.path() / "elsewhere" / "later.jsonl", "{}\n");
    deliver();
    EXPECT_TRUE(watcher->isPending());
}

TEST_F(DirWatcherTest, TenEventsWithinASecondGiveOneCallOneAndAHalfSecondsAfterTheLast) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    qint64 lastEvent = 0;
    for (int i = 0; i < 10; ++i) {
        append(root / ("burst-" + std::to_string(i) + ".jsonl"), "{}\n");
        lastEvent = clock.elapsed();
        spin(100);
    }
    ASSERT_TRUE(waitFor([&] { return !calls.empty(); }));
    // Never before the quiet period has passed since the last event.
    EXPECT_GE(calls[0] - lastEvent, DirWatcher::debounceMs);
    spin(DirWatcher::debounceMs + 500);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(DirWatcherTest, TwoEventsTwoSecondsApartGiveTwoCalls) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    append(root / "one.jsonl", "{}\n");
    const qint64 first = clock.elapsed();
    spin(2000);
    append(root / "two.jsonl", "{}\n");
    const qint64 second = clock.elapsed();
    ASSERT_TRUE(waitFor([&] { return calls.size() == 2; }));
    EXPECT_GE(calls[0] - first, DirWatcher::debounceMs);
    EXPECT_LT(calls[0], second);  // the first call did not wait for the second event
    EXPECT_GE(calls[1] - second, DirWatcher::debounceMs);
    spin(DirWatcher::debounceMs + 500);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(DirWatcherTest, CallingDebouncedRestartsTheQuietPeriod) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    watcher->debounced();
    spin(1000);
    watcher->debounced();
    const qint64 restarted = clock.elapsed();
    ASSERT_TRUE(waitFor([&] { return !calls.empty(); }));
    EXPECT_GE(calls[0] - restarted, DirWatcher::debounceMs);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(DirWatcherTest, APendingCallNeverRunsOnceTheWatcherIsGone) {
    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    append(root / "x.jsonl", "{}\n");
    deliver();
    ASSERT_TRUE(watcher->isPending());
    watcher.reset();
    spin(DirWatcher::debounceMs + 500);
    EXPECT_TRUE(calls.empty());
}

TEST_F(DirWatcherTest, WhatIsNotAnOpenableDirectoryIsRefusedWithoutLeakingADescriptor) {
    const auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    };
    const auto before = openDescriptors();
    for (const fs::path& bad : {tmp.path() / "missing", root / "existing.jsonl", fs::path()}) {
        EXPECT_EQ(DirWatcher::create(bad, [] {}), nullptr) << bad;
    }
    EXPECT_EQ(openDescriptors(), before);

    auto watcher = watch();
    ASSERT_NE(watcher, nullptr);
    EXPECT_EQ(openDescriptors(), before + 1);
    watcher.reset();
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
}  // namespace tavrik
