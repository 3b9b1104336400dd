#include "tests/support/GuiApp.h"
#include "tests/support/TempDir.h"
#include "theme/Font.h"
#include "theme/Resources.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tavrik;
namespace fs = std::filesystem;

using tavrik::test::TempDir;

// This test program sits in the build tree, away from the configured prefix, so all three
// folders are searched: the bundle, the installation it would be part of, the prefix's.
TEST(Resources, BundleComesFirstThenTheInstallationAroundTheExecutableThenThePrefix) {
    const fs::path exeDir = fs::read_symlink("/proc/self/exe").parent_path();
    const auto dirs = Resources::searchDirs();
    ASSERT_EQ(dirs.size(), 3u);
    EXPECT_EQ(dirs[0], exeDir / "Tavrik_Tavrik.bundle");
    EXPECT_EQ(dirs[1], (exeDir / "../share/tavrik").lexically_normal());
    EXPECT_EQ(dirs[2].filename(), "tavrik");
    EXPECT_EQ(dirs[2].parent_path().filename(), "share");
    EXPECT_TRUE(dirs[2].is_absolute());
}

TEST(Resources, FirstFolderHoldingTheFileWinsAndNamesStayInside) {
    TempDir a;
    TempDir b;
    b.write("fonts/x.otf", "x");
    EXPECT_EQ(Resources::find("fonts/x.otf", {a.path(), b.path()}), b.path() / "fonts/x.otf");
    a.write("fonts/x.otf", "x");
    EXPECT_EQ(Resources::find("fonts/x.otf", {a.path(), b.path()}), a.path() / "fonts/x.otf");
    fs::create_directories(a.path() / "fonts/dir.otf");
    a.write("inside/secret", "x");
    for (const std::string& name :
         std::vector<std::string>{"fonts/dir.otf", "fonts/y.otf", "",
                                  "../" + a.path().filename().string() + "/inside/secret",
                                  (a.path() / "inside/secret").string()}) {
        EXPECT_EQ(Resources::find(name, {a.path() / "inside", a.path()}), std::nullopt) << name;
    }
}

TEST(PixelFont, RegisteringTwiceMakesOneAttempt) {
    tavrik::test::guiApp();
    Font::registerFont();
    Font::registerFont();
    Font::pixel(12);
    EXPECT_EQ(Font::registrationAttempts(), 1);
}

TEST(PixelFont, BundledFontLoadsAsDepartureMono) {
    tavrik::test::guiApp();
    if (!Resources::bundledFile(Font::bundledFile)) {
        GTEST_SKIP() << "Departure Mono is not in the resource folder; run scripts/setup.sh";
    }
    ASSERT_TRUE(Font::available());
    const QFont font = Font::pixel(42);
    EXPECT_EQ(QFontInfo(font).family(), "Departure Mono");
    EXPECT_EQ(font.pixelSize(), 42);
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
}

TEST(PixelFont, LargeSizesDrawWithHardEdges) {
    tavrik::test::guiApp();
    if (!Font::available()) {
        GTEST_SKIP() << "Departure Mono is not in the resource folder; run scripts/setup.sh";
    }
    EXPECT_TRUE(Font::pixel(22).styleStrategy() & QFont::NoAntialias);
    EXPECT_TRUE(Font::pixel(118).styleStrategy() & QFont::NoAntialias);
    EXPECT_FALSE(Font::pixel(21).styleStrategy() & QFont::NoAntialias);
    EXPECT_FALSE(Font::pixel(16).styleStrategy() & QFont::NoAntialias);
}

TEST(PixelFont, FixedSystemFontIsMonospaced) {
    tavrik::test::guiApp();
    const QFont font = Font::fixedSystem(16);
    EXPECT_EQ(font.pixelSize(), 16);
    const QFontMetricsF m(font);
    EXPECT_DOUBLE_EQ(m.horizontalAdvance("iiii"), m.horizontalAdvance("MMMM"));
}

}  // namespace
