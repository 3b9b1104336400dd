// Knowing that the log trees did not change: every kind of change anywhere in them, and the
// cases where nothing can be known.

#include "app/LogTreeWatch.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

class LogTreeWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        claude = tmp.path() / ".claude/projects";
        codex = tmp.path() / ".codex/sessions";
        fs::create_directories(claude / "-home-u-app");
        fs::create_directories(codex / "2025/03/07");
        write(claude / "-home-u-app/s1.jsonl", "{}\n");
        write(codex / "2025/03/07/rollout-a.jsonl", "{}\n");
    }

    static void write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::app) << text;
    }

    LogTreeWatch make() { return LogTreeWatch({claude, codex}); }

    test::TempDir tmp;
    fs::path claude;
    fs::path codex;
};

TEST_F(LogTreeWatchTest, AnUntouchedTreeIsQuiet) {
    LogTreeWatch watch = make();
    EXPECT_FALSE(watch.quiet());  // never armed
    ASSERT_TRUE(watch.arm());
    EXPECT_EQ(watch.folders(), 6);  // two roots, one project, three dated folders
    EXPECT_TRUE(watch.quiet());
    // Reading the logs is no change.
    std::ifstream(claude / "-home-u-app/s1.jsonl").get();
    EXPECT_TRUE(watch.quiet());
}

TEST_F(LogTreeWatchTest, EveryKindOfChangeAnywhereBreaksTheQuiet) {
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"append deep in codex", [&] { write(codex / "2025/03/07/rollout-a.jsonl", "{}\n"); }},
        {"append in a project", [&] { write(claude / "-home-u-app/s1.jsonl", "{}\n"); }},
        {"new transcript", [&] { write(claude / "-home-u-app/s2.jsonl", "{}\n"); }},
        {"new project", [&] { fs::create_directory(claude / "-home-u-new"); }},
        {"new day folder", [&] { fs::create_directories(codex / "2025/03/08"); }},
        {"rename",
         [&] { fs::rename(claude / "-home-u-app/s1.jsonl", claude / "-home-u-app/s9.jsonl"); }},
        {"delete", [&] { fs::remove(codex / "2025/03/07/rollout-a.jsonl"); }},
        {"touch",
         [&] {
             const timeval times[2] = {{1, 0}, {1, 0}};
             utimes((claude / "-home-u-app/s1.jsonl").c_str(), times);
         }},
        {"truncate", [&] { fs::resize_file(claude / "-home-u-app/s1.jsonl", 0); }},
        {"project moved away",
         [&] { fs::rename(claude / "-home-u-app", tmp.path() / "elsewhere"); }},
    };
    for (const auto& [what, change] : changes) {
        SetUp();  // a fresh tree for each change
        LogTreeWatch watch = make();
        ASSERT_TRUE(watch.arm()) << what;
        change();
        EXPECT_FALSE(watch.quiet()) << what;
        EXPECT_FALSE(watch.quiet()) << what << ": stays broken until armed again";
        EXPECT_TRUE(watch.arm()) << what;
        EXPECT_TRUE(watch.quiet()) << what;
        fs::remove_all(tmp.path() / ".claude");
        fs::remove_all(tmp.path() / ".codex");
        fs::remove_all(tmp.path() / "elsewhere");
    }
}

TEST_F(LogTreeWatchTest, AFolderCreatedSinceTheLastArmingIsWatchedAfterTheNext) {
    LogTreeWatch watch = make();
    ASSERT_TRUE(watch.arm());
    fs::create_directories(codex / "2025/03/08");
    EXPECT_FALSE(watch.quiet());
    ASSERT_TRUE(watch.arm());
    EXPECT_EQ(watch.folders(), 7);
    write(codex / "2025/03/08/rollout-b.jsonl", "{}\n");
    EXPECT_FALSE(watch.quiet());
}

TEST_F(LogTreeWatchTest, AMissingTreeIsWatchedWhereItWouldAppear) {
    fs::remove_all(tmp.path() / ".codex");
    LogTreeWatch watch = make();
    ASSERT_TRUE(watch.arm());
    EXPECT_TRUE(watch.quiet());
    fs::create_directory(tmp.path() / ".codex");  // the first step towards .codex/sessions
    EXPECT_FALSE(watch.quiet());

    ASSERT_TRUE(watch.arm());  // now through .codex
    EXPECT_TRUE(watch.quiet());
    fs::create_directories(codex / "2025/03/09");
    EXPECT_FALSE(watch.quiet());
    ASSERT_TRUE(watch.arm());
    write(codex / "2025/03/09/rollout-c.jsonl", "{}\n");
    EXPECT_FALSE(watch.quiet());
}

TEST_F(LogTreeWatchTest, NothingIsKnownWhenATreeHoldsALinkedLog) {
    // The target of a linked transcript may change where no watch sees it.
    write(tmp.path() / "outside.jsonl", "{}\n");
    fs::create_symlink(tmp.path() / "outside.jsonl", claude / "-home-u-app/linked.jsonl");
    LogTreeWatch watch = make();
    EXPECT_FALSE(watch.arm());
    EXPECT_FALSE(watch.quiet());
    // A broken one may get a target at any time.
    fs::remove(tmp.path() / "outside.jsonl");
    EXPECT_FALSE(watch.arm());
}

TEST_F(LogTreeWatchTest, LinkedFoldersAndOtherLinksAreNoObstacle) {
    // The builder does not follow linked folders, and reads only logs.
    fs::create_directories(tmp.path() / "elsewhere");
    fs::create_directory_symlink(tmp.path() / "elsewhere", claude / "linked-project");
    fs::create_symlink(tmp.path() / "notes.txt", claude / "-home-u-app/notes.txt");
    LogTreeWatch watch = make();
    ASSERT_TRUE(watch.arm());
    EXPECT_EQ(watch.folders(), 6);  // the linked folder is not entered
    write(tmp.path() / "elsewhere" / "s.jsonl", "{}\n");
    EXPECT_TRUE(watch.quiet());
}

}  // namespace
}  // namespace tavrik
