#include "tests/support/GuiApp.h"
#include "tests/support/TempDir.h"
#include "theme/Font.h"
#include "theme/Resources.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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

// From 22 device pixels on, the pixel font has hard edges: on a surface at twice the scale the
// overlay's 13-pixel number is 26 device pixels and holds only its colour and the background.
TEST(PixelFont, HardEdgesFromTwentyTwoDevicePixels) {
    tavrik::test::guiApp();
    if (!Font::available()) {
        GTEST_SKIP() << "Departure Mono is not in the resource folder; run scripts/setup.sh";
    }
    const struct {
        int px;
        double ratio;
        bool hard;
    } cases[] = {{22, 1, true}, {118, 1, true}, {21, 1, false},  {16, 1, false},  {13, 2, true},
                 {11, 2, true}, {10, 2, false}, {15, 1.5, true}, {14, 1.5, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(bool(Font::pixel(c.px, c.ratio).styleStrategy() & QFont::NoAntialias), c.hard)
            << c.px << " at " << c.ratio;
    }
    QImage image(120, 40, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(Font::pixel(13, image.devicePixelRatioF()));
    painter.setPen(Qt::white);
    painter.drawText(QPointF(4, 16), QStringLiteral("+509"));
    painter.end();
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
}

TEST(PixelFont, FixedSystemFontIsMonospaced) {
    tavrik::test::guiApp();
    const QFont font = Font::fixedSystem(16);
    EXPECT_EQ(font.pixelSize(), 16);
    const QFontMetricsF m(font);
    EXPECT_DOUBLE_EQ(m.horizontalAdvance("iiii"), m.horizontalAdvance("MMMM"));
}

}  // namespace
