// Watching the logs: the directory watcher, which counts entries made, removed or renamed in the
// projects folder and debounces them, and the tree watch, which knows that nothing changed
// anywhere in the log trees, or that nothing can be known.

#include "app/DirWatcher.h"
#include "app/LogTreeWatch.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

class Watch : public ::testing::Test {
protected:
    // A fresh tree: a log and a project in the Claude folder, a dated Codex folder.
    void SetUp() override {
        test::widgetApp();
        fs::remove_all(tmp.path());
        write(claude / "s0.jsonl");
        write(claude / "-home-u-app/s1.jsonl");
        write(codex / "2025/03/07/rollout-a.jsonl");
    }
    static void write(const fs::path& file) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::app) << "{}\n";
    }

    test::TempDir tmp;
    fs::path claude = tmp.path() / ".claude/projects";
    fs::path codex = tmp.path() / ".codex/sessions";
    LogTreeWatch tree{{claude, codex}};
};

// Every change anywhere breaks the tree's quiet until it is armed again; only entries of the
// watched folder, or the folder moving, count for the directory watcher.
TEST_F(Watch, EveryChangeBreaksTheTreesQuietEntryChangesAndAMoveAlsoWakeTheDirectoryWatcher) {
    EXPECT_FALSE(tree.quiet());                             // never armed
    EXPECT_TRUE(DirWatcher::isEntryChange(IN_Q_OVERFLOW));  // lost events may be anything
    EXPECT_FALSE(DirWatcher::isEntryChange(IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_OPEN));
    const struct {
        std::string what;
        std::function<void()> change;
        bool entry;  // the directory watcher wakes
    } changes[] = {
        {"read", [&] { std::ifstream(claude / "s0.jsonl").get(); }, false},
        {"append", [&] { write(claude / "s0.jsonl"); }, false},
        {"append deep in codex", [&] { write(codex / "2025/03/07/rollout-a.jsonl"); }, false},
        {"truncate", [&] { fs::resize_file(claude / "-home-u-app/s1.jsonl", 0); }, false},
        {"new transcript in a project", [&] { write(claude / "-home-u-app/s2.jsonl"); }, false},
        {"new day folder", [&] { fs::create_directories(codex / "2025/03/08"); }, false},
        {"new transcript", [&] { write(claude / "s2.jsonl"); }, true},
        {"new project", [&] { fs::create_directory(claude / "-home-u-b"); }, true},
        {"rename", [&] { fs::rename(claude / "-home-u-app", claude / "-home-u-b"); }, true},
        {"delete", [&] { fs::remove(claude / "s0.jsonl"); }, true},
        {"folder moved", [&] { fs::rename(claude, tmp.path() / "elsewhere"); }, true},
    };
    for (const auto& [what, change, entry] : changes) {
        SetUp();
        const auto dir = DirWatcher::create(claude, [] {});
        ASSERT_TRUE(dir && tree.arm()) << what;
        change();
        test::spin(30);
        EXPECT_EQ(dir->isPending(), entry) << what;
        EXPECT_EQ(tree.quiet(), what == "read") << what;
        EXPECT_TRUE(tree.arm() && tree.quiet()) << what;
    }
}

TEST_F(Watch, ABurstGivesOneCallAQuietPeriodAfterTheLastEventAndDebouncedRestartsIt) {
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> calls;  // ms since the start, one per handler call
    const auto dir = DirWatcher::create(claude, [&] { calls.push_back(clock.elapsed()); });
    ASSERT_NE(dir, nullptr);
    qint64 lastEvent = 0;
    for (int i = 0; i < 10; ++i) {
        write(claude / ("burst-" + std::to_string(i) + ".jsonl"));
        lastEvent = clock.elapsed();
        test::spin(100);
    }
    ASSERT_TRUE(test::waitUntil([&] { return !calls.empty(); }));
    EXPECT_GE(calls[0] - lastEvent, DirWatcher::debounceMs);

    dir->debounced();
    test::spin(1000);
    dir->debounced();
    const qint64 restarted = clock.elapsed();
    ASSERT_TRUE(test::waitUntil([&] { return calls.size() == 2; }));
    EXPECT_GE(calls[1] - restarted, DirWatcher::debounceMs);
    test::spin(500);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(Watch, AMissingTreeIsWatchedWhereItWouldAppear) {
    fs::remove_all(tmp.path() / ".codex");
    ASSERT_TRUE(tree.arm());
    EXPECT_TRUE(tree.quiet());
    fs::create_directory(tmp.path() / ".codex");  // the first step towards .codex/sessions
    EXPECT_FALSE(tree.quiet());
    ASSERT_TRUE(tree.arm());  // now through .codex
    write(codex / "2025/03/09/rollout-c.jsonl");
    EXPECT_FALSE(tree.quiet());
}

TEST_F(Watch, ALinkedLogMakesNothingKnownLinkedFoldersAndOtherLinksDoNot) {
    // The builder does not follow linked folders, and reads only logs.
    fs::create_directories(tmp.path() / "elsewhere");
    fs::create_directory_symlink(tmp.path() / "elsewhere", claude / "linked-project");
    fs::create_symlink(tmp.path() / "notes.txt", claude / "-home-u-app/notes.txt");
    ASSERT_TRUE(tree.arm());
    EXPECT_EQ(tree.folders(), 6);  // two roots, one project, three dated folders: not the link
    write(tmp.path() / "elsewhere/s.jsonl");
    EXPECT_TRUE(tree.quiet());

    // The target of a linked log may change where no watch sees it, and a broken link may get
    // a target at any time.
    fs::create_symlink(tmp.path() / "outside.jsonl", claude / "-home-u-app/linked.jsonl");
    EXPECT_FALSE(tree.arm());
    EXPECT_FALSE(tree.quiet());
}

}  // namespace
}  // namespace tavrik
