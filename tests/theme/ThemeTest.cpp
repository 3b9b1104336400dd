#include "tests/support/GuiApp.h"
#include "tests/support/TempDir.h"
#include "theme/Font.h"
#include "theme/PixelArt.h"
#include "theme/PixelIcon.h"
#include "theme/Resources.h"
#include "theme/Sprites.h"
#include "theme/Theme.h"

#include <QFontInfo>
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

// The colours of an image's pixels: a crisp drawing holds only those it was drawn with.
std::set<QRgb> colours(const QImage& image) {
    std::set<QRgb> found;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        found.insert(image.pixel(i % image.width(), i / image.width()));
    }
    return found;
}

TEST(Theme, CardBackgroundsAccentsTextAndDimColours) {
    using enum Theme::CardBackground;
    const Theme::CardBackground from[] = {Scanlines, Scanlines, Solid, LightStreaks, Scanlines};
    for (int stored = -1; stored <= 3; ++stored) {
        EXPECT_EQ(Theme::cardBackgroundFor(stored), from[stored + 1]) << stored;
    }
    // Dark text on the light accents: the split lies at luminance 0.6, between 152 grey
    // (0.596) and 154 grey (0.604).
    EXPECT_EQ((AccentTheme{"", QColor(152, 152, 152), {}}.textOn()), Theme::fg);
    EXPECT_EQ((AccentTheme{"", QColor(154, 154, 154), {}}.textOn()), QColor(10, 13, 2));
    // Dimming scales red and green by 0.45 and blue by 0.5, after converting to RGB.
    EXPECT_EQ(AccentTheme({"", QColor::fromHsv(0, 0, 255), {}}).dim().rgb(), qRgb(115, 115, 128));
}

// The frame as it looks on screen: "P" primary, "S" secondary, "." empty.
std::vector<std::string> picture(const SpriteDef& s, int frame) {
    std::vector<std::string> rows(static_cast<std::size_t>(s.rows),
                                  std::string(static_cast<std::size_t>(s.cols), '.'));
    for (const SpriteCell& c : s.cells(frame)) {
        if (c.row >= 0 && c.row < s.rows && c.col >= 0 && c.col < s.cols) {
            rows[static_cast<std::size_t>(c.row)][static_cast<std::size_t>(c.col)] =
                c.secondary ? 'S' : 'P';
        }
    }
    return rows;
}

// A counter picks the frame by its remainder, a negative one counting back from the last frame.
// Later cells cover earlier ones: the lowered hull is covered by the water it meets.
TEST(Sprites, FramesTheCounterAndColours) {
    const int frames[][3] = {{4, 3, 3}, {3, 1, 2}, {4, 3, 3}, {3, 1, 2}, {2, 1, 1}, {4, 3, 3}};
    ASSERT_EQ(Sprites::all().size(), std::size(frames));
    for (std::size_t i = 0; i < std::size(frames); ++i) {
        const SpriteDef& s = Sprites::all()[i];
        EXPECT_EQ(s.frames, frames[i][0]) << s.name;
        EXPECT_EQ(Sprites::frameFor(s, 7), frames[i][1]) << s.name;
        EXPECT_EQ(s.cells(-1), s.cells(frames[i][2])) << s.name;
    }
    EXPECT_EQ(Sprites::at(99).name, "Anchor");
    const std::vector<std::string> ship1{
        "..........", "....P.....", "....PP....", "....PPP...",
        "....PPPP..", ".PPPPPPPP.", "S.PSSPPSS.", ".SS..SS..S",
    };
    EXPECT_EQ(picture(Sprites::all()[0], 1), ship1);
    EXPECT_EQ(picture(Sprites::all()[0], 2)[5], ".PPPPPPPP.");  // still lowered
    EXPECT_EQ(picture(Sprites::all()[1], 1)[6], "...SSSS...");  // the rocket's sparks
    EXPECT_EQ(picture(Sprites::all()[3], 1)[2], "..SS....");    // the bolt flickers
    EXPECT_EQ(picture(Sprites::all()[4], 1)[6], ".P.P.P.P..");  // the invader's legs
    // The second colour: the accent's dim one, dark amber, or in a celebration the accent or amber.
    const AccentTheme& lime = Accent::all()[1];
    EXPECT_EQ(Sprites::colors(false, false, lime).secondary, lime.dim());
    EXPECT_NEAR(Sprites::colors(false, true, lime).secondary.greenF() * 255, 180 * 0.45, 0.01);
    EXPECT_EQ(Sprites::colors(true, false, lime).secondary, lime.color);
    EXPECT_EQ(Sprites::colors(true, true, lime).secondary, Theme::amber);
}

TEST(PixelIcon, EveryBadgeHasItsGlyphAndUnknownOnesTheHollowSquare) {
    for (const char* id : {"first-blood", "ten-k", "hundred-k", "week-streak", "month-streak",
                           "night-owl", "big-spender", "token-lord", "polyglot", "centurion"}) {
        EXPECT_NE(&PixelIcon::glyph(id), &PixelIcon::fallback()) << id;
    }
    EXPECT_FALSE(PixelIcon::has(""));
    EXPECT_EQ(&PixelIcon::glyph("no-such-badge"), &PixelIcon::fallback());
    // Square cells an eighth of the shorter side, centred, row by row from the top left.
    EXPECT_EQ(PixelIcon::cellRects("ten-k", {100, 40, 34, 20}).front(),
              QRectF(114.5, 40, 2.5, 2.5));
    EXPECT_EQ(PixelIcon::cellRects("ten-k", {0, 0, 16, 40}).back(), QRectF(8, 26, 2, 2));
}

std::vector<SpriteCell> strayCells(int) {
    return {{-1, 0, false}, {0, 2, false}, {2, 1, false}, {1, 1, true}};
}

// Half-pixel glyphs, cells and sprites are snapped, so neighbouring cells meet without a seam
// and no pixel is blended; sprite cells outside the grid (here all yellow) are skipped.
TEST(PixelArt, DrawingIsCrispAtHalfPixels) {
    test::guiApp();
    QImage image(40, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    PixelIcon::draw(p, "big-spender", QRectF(1.5, 2, 34, 20), Qt::white);
    PixelArt::fillSnapped(p, QRectF(0.5, 22, 2.5, 2.5), Qt::red);
    PixelArt::fillSnapped(p, QRectF(3, 22, 2.5, 2.5), Qt::red);
    Sprites::draw(p, {"stray", 2, 2, 1, strayCells}, 0, QPointF(30, 50), 2,
                  {Qt::yellow, Qt::green});
    Sprites::draw(p, Sprites::all()[0], 0, QPointF(3.5, 26), Sprites::cellPt,
                  {Qt::magenta, Qt::blue});
    p.end();
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255), red = qRgb(255, 0, 0);
    EXPECT_EQ(colours(image), (std::set<QRgb>{black, white, red, qRgb(0, 255, 0), qRgb(255, 0, 255),
                                              qRgb(0, 0, 255)}));
    // The glyph is 20 points wide from x 8.5: its full rows cover pixels 9 … 28.
    const std::tuple<int, int, QRgb> probes[] = {
        {8, 12, black}, {9, 12, white}, {28, 12, white},          {29, 12, black}, {1, 22, red},
        {3, 22, red},   {5, 22, red},   {4, 41, qRgb(0, 0, 255)}, {3, 41, black}};
    for (const auto& [x, y, colour] : probes) {
        EXPECT_EQ(image.pixel(x, y), colour) << x << "," << y;  // the water from 3.5 at pixel 4
    }
}

// This test program sits in the build tree, away from the configured prefix, so all three
// folders are searched: the bundle, the installation it would be part of, the prefix's. The
// first folder holding the file wins, and names never lead out of the folders.
TEST(Resources, SearchOrderAndNamesStayInside) {
    const fs::path exeDir = fs::read_symlink("/proc/self/exe").parent_path();
    const auto dirs = Resources::searchDirs();
    ASSERT_EQ(dirs.size(), 3u);
    EXPECT_EQ(dirs[0], exeDir / "Tavrik_Tavrik.bundle");
    EXPECT_EQ(dirs[1], (exeDir / "../share/tavrik").lexically_normal());
    EXPECT_TRUE(dirs[2].is_absolute() && dirs[2].parent_path().filename() == "share");

    test::TempDir a, b;
    b.write("fonts/x.otf", "x");
    EXPECT_EQ(Resources::find("fonts/x.otf", {a.path(), b.path()}), b.path() / "fonts/x.otf");
    a.write("fonts/x.otf", "x");
    EXPECT_EQ(Resources::find("fonts/x.otf", {a.path(), b.path()}), a.path() / "fonts/x.otf");
    fs::create_directories(a.path() / "fonts/dir.otf");
    a.write("inside/secret", "x");
    for (const std::string& name :
         {std::string("fonts/dir.otf"), std::string("fonts/y.otf"), std::string(),
          "../" + a.path().filename().string() + "/inside/secret",
          (a.path() / "inside/secret").string()}) {
        EXPECT_EQ(Resources::find(name, {a.path() / "inside", a.path()}), std::nullopt) << name;
    }
}

// From 22 device pixels on, the pixel font has hard edges: on a surface at twice the scale the
// overlay's 13-pixel number is 26 device pixels and holds only its colour and the background.
TEST(PixelFont, LoadsOnceAndHasHardEdgesFromTwentyTwoDevicePixels) {
    test::guiApp();
    if (!Resources::bundledFile(Font::bundledFile)) {
        GTEST_SKIP() << "Departure Mono is not in the resource folder; run scripts/setup.sh";
    }
    Font::registerFont();
    Font::registerFont();
    ASSERT_TRUE(Font::available());
    EXPECT_EQ(Font::registrationAttempts(), 1);
    EXPECT_EQ(QFontInfo(Font::pixel(42)).family(), "Departure Mono");
    const std::tuple<int, double, bool> cases[] = {{22, 1, true},   {21, 1, false},
                                                   {11, 2, true},   {10, 2, false},
                                                   {15, 1.5, true}, {14, 1.5, false}};
    for (const auto& [px, ratio, hard] : cases) {
        EXPECT_EQ(bool(Font::pixel(px, ratio).styleStrategy() & QFont::NoAntialias), hard)
            << px << " at " << ratio;
    }
    QImage image(120, 40, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(Font::pixel(13, image.devicePixelRatioF()));
    painter.setPen(Qt::white);
    painter.drawText(QPointF(4, 16), QStringLiteral("+509"));
    painter.end();
    EXPECT_EQ(colours(image), (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
}

}  // namespace
