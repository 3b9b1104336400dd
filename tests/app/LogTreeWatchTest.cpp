// Knowing that the log trees did not change: every kind of change anywhere in them, and the
// cases where nothing can be known.

#include "app/LogTreeWatch.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

class LogTreeWatchTest : public ::testing::Test {
protected:
    // A fresh tree: one Claude project and one dated Codex folder, one log in each.
    void SetUp() override {
        fs::remove_all(tmp.path());
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
    LogTreeWatch watch{{claude, codex}};
};

TEST_F(LogTreeWatchTest, EveryKindOfChangeAnywhereBreaksTheQuietUntilArmedAgain) {
    EXPECT_FALSE(watch.quiet());  // never armed
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"read", [&] { std::ifstream(claude / "-home-u-app/s1.jsonl").get(); }},
        {"append deep in codex", [&] { write(codex / "2025/03/07/rollout-a.jsonl"); }},
        {"new transcript", [&] { write(claude / "-home-u-app/s2.jsonl"); }},
        {"new day folder", [&] { fs::create_directories(codex / "2025/03/08"); }},
        {"rename", [&] { fs::rename(claude / "-home-u-app", claude / "-home-u-b"); }},
        {"delete", [&] { fs::remove(codex / "2025/03/07/rollout-a.jsonl"); }},
        {"truncate", [&] { fs::resize_file(claude / "-home-u-app/s1.jsonl", 0); }},
    };
    for (const auto& [what, change] : changes) {
        SetUp();
        ASSERT_TRUE(watch.arm()) << what;
        change();
        EXPECT_EQ(watch.quiet(), std::string(what) == "read") << what;
        EXPECT_EQ(watch.quiet(), std::string(what) == "read") << what << ", asked again";
        EXPECT_TRUE(watch.arm()) << what;
        EXPECT_TRUE(watch.quiet()) << what;
    }
}

TEST_F(LogTreeWatchTest, AMissingTreeIsWatchedWhereItWouldAppear) {
    fs::remove_all(tmp.path() / ".codex");
    ASSERT_TRUE(watch.arm());
    EXPECT_TRUE(watch.quiet());
    fs::create_directory(tmp.path() / ".codex");  // the first step towards .codex/sessions
    EXPECT_FALSE(watch.quiet());
    ASSERT_TRUE(watch.arm());  // now through .codex
    write(codex / "2025/03/09/rollout-c.jsonl");
    EXPECT_FALSE(watch.quiet());
}

TEST_F(LogTreeWatchTest, ALinkedLogMakesNothingKnownLinkedFoldersAndOtherLinksDoNot) {
    // The builder does not follow linked folders, and reads only logs.
    fs::create_directories(tmp.path() / "elsewhere");
    fs::create_directory_symlink(tmp.path() / "elsewhere", claude / "linked-project");
    fs::create_symlink(tmp.path() / "notes.txt", claude / "-home-u-app/notes.txt");
    ASSERT_TRUE(watch.arm());
    EXPECT_EQ(watch.folders(), 6);  // two roots, one project, three dated folders: not the link
    write(tmp.path() / "elsewhere/s.jsonl");
    EXPECT_TRUE(watch.quiet());

    // The target of a linked log may change where no watch sees it, and a broken link may get
    // a target at any time.
    fs::create_symlink(tmp.path() / "outside.jsonl", claude / "-home-u-app/linked.jsonl");
    EXPECT_FALSE(watch.arm());
    EXPECT_FALSE(watch.quiet());
}

}  // namespace
}  // namespace tavrik
