#include "card/CardRenderer.h"
#include "prefs/Prefs.h"
#include "tests/support/GuiApp.h"
#include "tests/support/IsolatedSettings.h"
#include "theme/Font.h"
#include "theme/Theme.h"

#include <QFontMetricsF>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace tavrik;
using CardRenderer::H;
using CardRenderer::W;

tavrik::test::IsolatedSettings isolated;

constexpr QRgb bg = qRgb(6, 7, 7);
constexpr QRgb panel = qRgb(11, 13, 18);
constexpr QRgb cobalt = qRgb(61, 123, 240);

Badge badge(std::string id, std::string label, bool earned = true) {
    return Badge{std::move(id), "", std::move(label), "", earned};
}

Stats sampleStats(std::int64_t score = 64) {
    Stats s;
    s.since = "2025-01-05";
    s.until = "2025-03-09";
    s.daysSpan = 64;
    s.linesAdded = 10'000;
    s.linesRemoved = 2'345;
    s.cost = 321.5;
    s.tokensOut = 1'234'567;
    s.streakLongest = 12;
    s.crackedScore = score;
    s.percentile = 7;
    s.badges = {badge("first-blood", "First Blood"), badge("ten-k", "10K Club", false),
                badge("week-streak", "On Fire")};
    return s;
}

QRgb pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0x00ffffffU;
}

::testing::AssertionResult isColour(const QImage& image, int x, int y, QRgb expected,
                                    int tolerance = 0) {
    const QRgb got = image.pixel(x, y);
    const bool close = std::abs(qRed(got) - qRed(expected)) <= tolerance
                       && std::abs(qGreen(got) - qGreen(expected)) <= tolerance
                       && std::abs(qBlue(got) - qBlue(expected)) <= tolerance;
    if (close && qAlpha(got) == 255) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << x << ", " << y << ") is " << qRed(got) << " " << qGreen(got) << " "
           << qBlue(got) << " alpha " << qAlpha(got) << ", expected " << qRed(expected) << " "
           << qGreen(expected) << " " << qBlue(expected);
}

// Counts pixels in the rectangle whose colour differs from background.
int ink(const QImage& image, const QRect& area, QRgb background) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += pixel(image, x, y) != (background & 0x00ffffffU) ? 1 : 0;
        }
    }
    return n;
}

// Returns the lowest row in the rectangle that holds a pixel other than background.
int lowestInkRow(const QImage& image, const QRect& area, QRgb background) {
    for (int y = area.bottom(); y >= area.top(); --y) {
        if (ink(image, QRect(area.left(), y, area.width(), 1), background) > 0) {
            return y;
        }
    }
    return -1;
}

class CardTest : public ::testing::Test {
protected:
    void SetUp() override {
        tavrik::test::guiApp();
        Prefs::remove(Prefs::Key::accentTheme);
        Prefs::remove(Prefs::Key::cardBackground);
    }

    static QImage card(const Stats& s) {
        QImage image = CardRenderer::render(s);
        EXPECT_FALSE(image.isNull());
        return image;
    }
};

// --- Rules ----------------------------------------------------------------------------------

TEST(CardRules, MeterRoundsToTheNearestSegment) {
    EXPECT_EQ(CardRenderer::meterSegments(0), 0);
    EXPECT_EQ(CardRenderer::meterSegments(2), 0);  // 0.4
    EXPECT_EQ(CardRenderer::meterSegments(3), 1);  // 0.6
    EXPECT_EQ(CardRenderer::meterSegments(42), 8);
    EXPECT_EQ(CardRenderer::meterSegments(43), 9);
    EXPECT_EQ(CardRenderer::meterSegments(99), 20);  // 19.8
    EXPECT_EQ(CardRenderer::meterSegments(100), 20);
    EXPECT_EQ(CardRenderer::meterSegments(150), 20);
    EXPECT_EQ(CardRenderer::meterSegments(-5), 0);
}

TEST(CardRules, TierWordsChangeAtTheBoundaries) {
    const std::pair<int, const char*> expected[] = {
        {0, "NEW HERE"},   {14, "NEW HERE"},  {15, "WARMING UP"}, {34, "WARMING UP"},
        {35, "COOKING"},   {54, "COOKING"},   {55, "SHIPPING"},   {74, "SHIPPING"},
        {75, "LOCKED IN"}, {89, "LOCKED IN"}, {90, "CRACKED"},    {150, "CRACKED"},
    };
    for (const auto& [score, word] : expected) {
        EXPECT_EQ(CardRenderer::tierWord(score), word) << score;
    }
}

TEST(CardRules, CellsShowTheFourHeadlineFigures) {
    const auto cells = CardRenderer::cells(sampleStats());
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0], (CardRenderer::Cell{"12k", "LINES SHIPPED", false, false}));
    EXPECT_EQ(cells[1], (CardRenderer::Cell{"$322", "AGENT COMPUTE", true, false}));
    EXPECT_EQ(cells[2], (CardRenderer::Cell{"1.2M", "OUTPUT TOKENS", false, false}));
    EXPECT_EQ(cells[3], (CardRenderer::Cell{"12d", "BEST STREAK", false, true}));
}

TEST(CardRules, ZeroStatsShowZeros) {
    const auto cells = CardRenderer::cells(Stats{});
    EXPECT_EQ(cells[0].v, "0");
    EXPECT_EQ(cells[1].v, "$0.00");
    EXPECT_EQ(cells[3].v, "0d");
    EXPECT_EQ(CardRenderer::tierWord(Stats{}.crackedScore), "NEW HERE");
}

TEST(CardRules, DateLineJoinsTheRangeAndTheSpanWithYearsOnlyAcrossOne) {
    Stats across = sampleStats();
    across.since = "2025-11-03";
    across.until = "2026-12-07";
    across.daysSpan = 400;
    Stats endOfYear = sampleStats();
    endOfYear.since = "2024-01-01";
    endOfYear.until = "2024-12-31";
    const std::pair<Stats, const char*> cases[] = {
        {sampleStats(), "Jan 5 - Mar 9  64d"},
        {across, "Nov 3 2025 - Dec 7 2026  400d"},
        {endOfYear, "Jan 1 - Dec 31  64d"},
        {Stats{}, ""},  // no activity: no range at all
    };
    for (const auto& [stats, line] : cases) {
        EXPECT_EQ(CardRenderer::dateLine(stats), line);
    }
}

TEST(CardRules, AtMostSixEarnedBadgesInListOrder) {
    Stats s;
    for (int i = 0; i < 9; ++i) {
        s.badges.push_back(badge("b" + std::to_string(i), "B" + std::to_string(i), i != 2));
    }
    const auto chips = CardRenderer::chipBadges(s);
    ASSERT_EQ(chips.size(), 6u);
    EXPECT_EQ(chips[0].id, "b0");
    EXPECT_EQ(chips[2].id, "b3");  // b2 is not earned
    EXPECT_EQ(chips[5].id, "b6");
}

// --- The picture ----------------------------------------------------------------------------

TEST_F(CardTest, ImageIsTwelveHundredBySixThirtyAtScaleOne) {
    const QImage image = card(sampleStats());
    EXPECT_EQ(image.size(), QSize(1200, 630));
    EXPECT_EQ(image.devicePixelRatio(), 1.0);
    EXPECT_EQ(W, 1200);
    EXPECT_EQ(H, 630);
}

TEST_F(CardTest, PngDecodesToTheCardSize) {
    const auto png = CardRenderer::pngData(sampleStats());
    ASSERT_TRUE(png.has_value());
    EXPECT_TRUE(png->startsWith("\x89PNG\r\n\x1a\n"));
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(*png, "PNG"));
    EXPECT_EQ(decoded.size(), QSize(1200, 630));
    EXPECT_EQ(pixel(decoded, 600, 24), cobalt & 0x00ffffffU);
}

TEST_F(CardTest, FrameColoursAtKnownPoints) {
    const QImage image = card(sampleStats());
    EXPECT_TRUE(isColour(image, 5, 6, bg));                   // margin, between scan lines
    EXPECT_TRUE(isColour(image, 30, 100, panel));             // main panel
    EXPECT_TRUE(isColour(image, 21, 300, qRgb(32, 35, 46)));  // its border, 2 points wide
    EXPECT_TRUE(isColour(image, 23, 300, panel));
    EXPECT_TRUE(isColour(image, 600, 20, cobalt));  // accent strip, 8 points
    EXPECT_TRUE(isColour(image, 600, 27, cobalt));
    EXPECT_TRUE(isColour(image, 600, 28, panel));
}

TEST_F(CardTest, LogoMarkIsFourAccentBars) {
    const QImage image = card(sampleStats());
    EXPECT_TRUE(isColour(image, 62, 62, cobalt));
    EXPECT_TRUE(isColour(image, 62, 61, panel));   // first bar starts at 62
    EXPECT_TRUE(isColour(image, 70, 52, cobalt));  // second is the tallest
    EXPECT_TRUE(isColour(image, 78, 65, panel));   // third starts at 66
    EXPECT_TRUE(isColour(image, 78, 73, cobalt));
    EXPECT_TRUE(isColour(image, 86, 56, cobalt));
    EXPECT_TRUE(isColour(image, 66, 70, panel));  // gaps between bars
    EXPECT_TRUE(isColour(image, 89, 70, panel));
}

TEST_F(CardTest, ScanlinesDarkenEveryOtherPairOfRows) {
    const QImage image = card(sampleStats());
    // Black at 0.22 over the background.
    EXPECT_TRUE(isColour(image, 5, 4, qRgb(5, 5, 5)));
    EXPECT_TRUE(isColour(image, 5, 5, qRgb(5, 5, 5)));
    EXPECT_TRUE(isColour(image, 5, 6, bg));
    EXPECT_TRUE(isColour(image, 5, 7, bg));
    EXPECT_TRUE(isColour(image, 5, 624, qRgb(5, 5, 5)));
}

TEST_F(CardTest, UnknownBackgroundStyleDrawsScanlines) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 7));
    const QImage image = card(sampleStats());
    EXPECT_TRUE(isColour(image, 5, 4, qRgb(5, 5, 5)));
    EXPECT_TRUE(isColour(image, 5, 6, bg));
}

TEST_F(CardTest, SolidBackgroundDrawsNoPattern) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 1));
    const QImage image = card(sampleStats());
    EXPECT_TRUE(isColour(image, 5, 4, bg));
    EXPECT_TRUE(isColour(image, 5, 6, bg));
    EXPECT_TRUE(isColour(image, 120, 5, bg));
}

TEST_F(CardTest, LightStreaksAreSlantedWhiteBands) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 2));
    const QImage image = card(sampleStats());
    // The band starting at x = 90 covers 95 … 155 on row 5 and 105 … 165 on row 15.
    const QRgb streak = qRgb(18, 19, 19);  // white at 0.05 over the background
    EXPECT_TRUE(isColour(image, 120, 5, streak, 1));
    EXPECT_TRUE(isColour(image, 160, 15, streak, 1));
    EXPECT_TRUE(isColour(image, 100, 15, bg));
    EXPECT_TRUE(isColour(image, 60, 5, bg));  // between bands
    EXPECT_TRUE(isColour(image, 5, 4, bg));   // and no scan lines
    // Bottom margin: the band from x = -450 reaches 180 … 240 at the bottom row.
    EXPECT_TRUE(isColour(image, 200, 625, streak, 1));
}

TEST_F(CardTest, GlowTintsTheTopRightMarginOnly) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 1));
    const QImage image = card(sampleStats());
    // Just outside the inner circle (radius 60 round (1032, -40)) the glow is strongest.
    const QRgb near = image.pixel(1100, 10);
    EXPECT_GT(qBlue(near), 35);
    EXPECT_GT(qBlue(near), qRed(near) + 20);
    // Inside the inner circle the glow keeps its first colour: no dark disc on the top edge.
    // (1032, 15) lies 55 points from the centre, (1075, 5) 62 points.
    EXPECT_TRUE(isColour(image, 1032, 15, image.pixel(1075, 5), 1));
    EXPECT_GT(qBlue(image.pixel(1032, 15)), qBlue(bg) + 20);
    // Far from the centre (beyond radius 760) the margin is plain background.
    EXPECT_TRUE(isColour(image, 5, 300, bg));
    // Fading with distance.
    EXPECT_GT(qBlue(image.pixel(1190, 100)), qBlue(image.pixel(1190, 500)));
}

// The widest figures, and one beyond any real log, stay inside their cells' frames.
TEST_F(CardTest, FiguresNeverLeaveTheirCells) {
    Stats s = sampleStats();
    s.linesAdded = 999'900'000'000;
    s.linesRemoved = 0;
    s.cost = 999.9e9;
    s.tokensOut = 1e15;  // "1000000.0B"
    s.streakLongest = 99'999;
    const QImage image = card(s);
    constexpr QRgb blockFill = qRgb(14, 16, 23);
    for (int cell = 0; cell < 4; ++cell) {
        const int x = 60 + 340 * (cell % 2);
        const int y = 150 + 152 * (cell / 2);
        EXPECT_GT(ink(image, QRect(x + 28, y + 20, 100, 55), blockFill), 0) << cell;
        EXPECT_EQ(ink(image, QRect(x + 306, y + 10, 12, 70), blockFill), 0) << cell;
    }
}

TEST_F(CardTest, ScorePanelAndNumber) {
    const QImage image = card(sampleStats(64));
    EXPECT_TRUE(isColour(image, 800, 150, qRgb(40, 48, 74)));
    EXPECT_TRUE(isColour(image, 801, 300, qRgb(40, 48, 74)));
    EXPECT_TRUE(isColour(image, 802, 160, qRgb(9, 11, 17)));
    EXPECT_TRUE(isColour(image, 1139, 300, qRgb(40, 48, 74)));
    // The score sits on baseline 308, centred on x 970.
    const QRect number(802, 200, 336, 120);
    EXPECT_EQ(lowestInkRow(image, number, qRgb(9, 11, 17)), 307);
}

TEST_F(CardTest, MeterLightsEightSegmentsForFortyTwoAndNineForFortyThree) {
    const QRgb off = qRgb(25, 28, 20);  // (35, 40, 22) at 0.6 over the score panel
    auto segmentX = [](int i) { return static_cast<int>(830 + 14.2 * i + 5); };
    const QImage at42 = card(sampleStats(42));
    EXPECT_TRUE(isColour(at42, segmentX(7), 347, cobalt));
    EXPECT_TRUE(isColour(at42, segmentX(8), 347, off));
    const QImage at43 = card(sampleStats(43));
    EXPECT_TRUE(isColour(at43, segmentX(8), 347, cobalt));
    EXPECT_TRUE(isColour(at43, segmentX(9), 347, off));
    // Gaps between segments show the panel.
    EXPECT_TRUE(isColour(at43, 842, 347, qRgb(9, 11, 17)));
}

TEST_F(CardTest, MeterIsFullAtOneHundredAndEmptyAtZero) {
    const QRgb off = qRgb(25, 28, 20);
    const QImage full = card(sampleStats(150));
    const QImage empty = card(sampleStats(0));
    for (int i = 0; i < 20; ++i) {
        const int x = static_cast<int>(830 + 14.2 * i + 5);
        EXPECT_TRUE(isColour(full, x, 340, cobalt)) << i;
        EXPECT_TRUE(isColour(empty, x, 340, off)) << i;
    }
}

TEST_F(CardTest, TierWordChangesExactlyAtTheBoundaries) {
    const QRect tier(802, 360, 336, 40);
    const int boundaries[] = {15, 35, 55, 75, 90};
    for (int b : boundaries) {
        const QImage below = card(sampleStats(b - 1)).copy(tier);
        const QImage at = card(sampleStats(b)).copy(tier);
        EXPECT_NE(below, at) << b;
    }
    // Within a tier the word, and so the picture, stays the same.
    EXPECT_EQ(card(sampleStats(35)).copy(tier), card(sampleStats(54)).copy(tier));
    EXPECT_EQ(card(sampleStats(0)).copy(tier), card(sampleStats(14)).copy(tier));
    // The word is drawn in the accent on baseline 394.
    const QImage image = card(sampleStats(90));
    EXPECT_EQ(lowestInkRow(image, tier, qRgb(9, 11, 17)), 393);
}

TEST_F(CardTest, PercentilePillSitsUnderTheTierWord) {
    const QImage image = card(sampleStats());
    EXPECT_TRUE(isColour(image, 970, 413, cobalt));         // pill from y 412, above its text
    EXPECT_TRUE(isColour(image, 970, 447, qRgb(0, 0, 0)));  // 3-point hard shadow below
    EXPECT_TRUE(isColour(image, 970, 411, qRgb(9, 11, 17)));
}

TEST_F(CardTest, PillTextTakesTheAccentsTextColour) {
    const Stats s = sampleStats();
    const QRect pillText(900, 420, 140, 17);
    const QImage onCobalt = card(s);
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 1));  // Lime: dark text
    const QImage onLime = card(s);
    int light = 0;
    int dark = 0;
    for (int y = pillText.top(); y <= pillText.bottom(); ++y) {
        for (int x = pillText.left(); x <= pillText.right(); ++x) {
            light += pixel(onCobalt, x, y) == (qRgb(244, 245, 242) & 0x00ffffffU) ? 1 : 0;
            dark += pixel(onLime, x, y) == (qRgb(10, 13, 2) & 0x00ffffffU) ? 1 : 0;
        }
    }
    EXPECT_GT(light, 20);
    EXPECT_GT(dark, 20);
}

TEST_F(CardTest, AccentIsReadAtEveryDraw) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 2));
    EXPECT_TRUE(isColour(card(sampleStats()), 600, 24, qRgb(255, 77, 166)));
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 99));
    EXPECT_TRUE(isColour(card(sampleStats()), 600, 24, qRgb(139, 92, 246)));
}

TEST_F(CardTest, FourCellsInATwoByTwoGrid) {
    const QImage image = card(sampleStats());
    const int xs[] = {60, 400};
    const int ys[] = {150, 302};
    for (int x : xs) {
        for (int y : ys) {
            EXPECT_TRUE(isColour(image, x + 4, y + 60, cobalt)) << x << "," << y;  // bar
            EXPECT_TRUE(isColour(image, x + 8, y + 1, qRgb(35, 40, 56)));          // border
            EXPECT_TRUE(isColour(image, x + 200, y + 10, qRgb(14, 16, 23)));       // fill
            EXPECT_TRUE(isColour(image, x + 322, y + 60, qRgb(0, 0, 0)));          // shadow
            EXPECT_TRUE(isColour(image, x + 60, y + 134, qRgb(0, 0, 0)));
            EXPECT_TRUE(isColour(image, x + 2, y + 134, panel));  // shadow starts 5 in
            // Value on baseline y + 70 (descenders aside), caption on y + 104.
            EXPECT_EQ(lowestInkRow(image, QRect(x + 28, y + 80, 280, 30), qRgb(14, 16, 23)),
                      y + 103);
        }
    }
}

TEST_F(CardTest, ComputeValueIsInTheAccentOthersInTheForeground) {
    const QImage image = card(sampleStats());
    auto count = [&](const QRect& area, QRgb colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                n += pixel(image, x, y) == (colour & 0x00ffffffU) ? 1 : 0;
            }
        }
        return n;
    };
    const QRect lines(88, 180, 280, 42);
    const QRect compute(428, 180, 280, 42);
    EXPECT_GT(count(compute, cobalt), 100);
    EXPECT_EQ(count(lines, cobalt), 0);
    EXPECT_GT(count(lines, qRgb(244, 245, 242)), 100);
}

TEST_F(CardTest, FlameFollowsTheBestStreak) {
    const Stats s = sampleStats();
    const QImage image = card(s);
    const double valueWidth =
        QFontMetricsF(Font::pixel(52), &image).horizontalAdvance(QStringLiteral("12d"));
    const double left = 400 + 28 + valueWidth + 12;  // 34 x 34 square, 4.25-point pixels
    // Row 5 of the flame is full: y 336 + 5 x 4.25 … + 4.25.
    const int y = 336 + 23;
    EXPECT_TRUE(isColour(image, static_cast<int>(left + 1), y, cobalt));
    EXPECT_TRUE(isColour(image, static_cast<int>(left + 33), y, cobalt));
    EXPECT_TRUE(isColour(image, static_cast<int>(left + 36), y, qRgb(14, 16, 23)));
    // Row 0 has one pixel, column 3.
    EXPECT_TRUE(isColour(image, static_cast<int>(left + 3 * 4.25 + 2), 338, cobalt));
    EXPECT_TRUE(isColour(image, static_cast<int>(left + 1), 338, qRgb(14, 16, 23)));
    // No flame after the other values: the same spot in the cell to the left stays empty.
    EXPECT_EQ(ink(image, QRect(250, 336, 120, 34), qRgb(14, 16, 23)), 0);
}

TEST_F(CardTest, UnlockedIsDrawnEvenWithoutBadges) {
    Stats s = sampleStats();
    s.badges.clear();
    const QImage image = card(s);
    EXPECT_EQ(lowestInkRow(image, QRect(60, 470, 200, 26), panel), 491);
    EXPECT_EQ(ink(image, QRect(40, 497, 1100, 45), panel), 0);  // no chip
}

TEST_F(CardTest, EightEarnedBadgesDrawSixChips) {
    Stats s = sampleStats();
    s.badges.clear();
    for (char c = 'A'; c < 'A' + 8; ++c) {
        s.badges.push_back(badge("polyglot", std::string(1, c)));
    }
    const QImage image = card(s);
    // Count chips by their top border runs along y 500.
    int runs = 0;
    bool inRun = false;
    for (int x = 40; x < 1180; ++x) {
        const bool border = pixel(image, x, 500) == (qRgb(42, 48, 80) & 0x00ffffffU);
        runs += border && !inRun ? 1 : 0;
        inRun = border;
    }
    EXPECT_EQ(runs, 6);
}

TEST_F(CardTest, ChipHoldsIconAndLabel) {
    Stats s = sampleStats();
    s.badges = {badge("unknown-badge", "Hidden")};
    const QImage image = card(s);
    const QRgb chipFill = qRgb(18, 20, 28);
    EXPECT_TRUE(isColour(image, 60, 500, qRgb(42, 48, 80)));
    EXPECT_TRUE(isColour(image, 63, 503, chipFill));
    EXPECT_TRUE(isColour(image, 64, 535, qRgb(0, 0, 0)));  // 3-point shadow
    // Fallback glyph at (71, 507), 2.5-point pixels: a hollow square outline.
    EXPECT_TRUE(isColour(image, 72, 508, cobalt));
    EXPECT_TRUE(isColour(image, 75, 511, chipFill));  // the gap ring
    EXPECT_TRUE(isColour(image, 80, 516, cobalt));    // the inner block
    // Label from x 99 on baseline 523.
    EXPECT_EQ(lowestInkRow(image, QRect(99, 505, 50, 21), chipFill), 522);
    const double w = QFontMetricsF(Font::pixel(16), &image).horizontalAdvance("Hidden") + 50;
    EXPECT_TRUE(isColour(image, static_cast<int>(60 + w) - 1, 515, qRgb(42, 48, 80)));
    EXPECT_TRUE(isColour(image, static_cast<int>(60 + w) + 1, 515, qRgb(0, 0, 0)));
}

TEST_F(CardTest, FooterAddressLeftAndLocalNoteRight) {
    const QImage image = card(sampleStats());
    EXPECT_EQ(lowestInkRow(image, QRect(60, 560, 300, 27), panel), 585);
    int accentPixels = 0;
    for (int y = 568; y < 587; ++y) {
        for (int x = 60; x < 260; ++x) {
            accentPixels += pixel(image, x, y) == (cobalt & 0x00ffffffU) ? 1 : 0;
        }
    }
    EXPECT_GT(accentPixels, 30);
    // The note is right-aligned on x 1140, white at 0.4 over the panel.
    const QRect note(700, 566, 450, 21);
    EXPECT_EQ(lowestInkRow(image, note, panel), 585);
    int rightmost = -1;
    int brightest = 0;
    for (int y = note.top(); y <= note.bottom(); ++y) {
        for (int x = note.left(); x <= note.right(); ++x) {
            if (pixel(image, x, y) != (panel & 0x00ffffffU)) {
                rightmost = std::max(rightmost, x);
                brightest = std::max(brightest, qRed(image.pixel(x, y)));
            }
        }
    }
    EXPECT_LT(rightmost, 1140);
    EXPECT_GE(rightmost, 1130);
    EXPECT_NEAR(brightest, 109, 2);
}

TEST_F(CardTest, TitleAndDateLineBaselines) {
    const QImage image = card(sampleStats());
    EXPECT_EQ(lowestInkRow(image, QRect(106, 40, 150, 47), panel), 85);
    const QRect date(700, 55, 460, 31);
    EXPECT_EQ(lowestInkRow(image, date, panel), 83);
    int rightmost = -1;
    for (int x = date.right(); x >= date.left() && rightmost < 0; --x) {
        if (ink(image, QRect(x, date.top(), 1, date.height()), panel) > 0) {
            rightmost = x;
        }
    }
    EXPECT_LT(rightmost, 1140);
    EXPECT_GE(rightmost, 1130);
}

TEST_F(CardTest, ZeroStatsStillRenderEveryPart) {
    const QImage image = card(Stats{});
    EXPECT_TRUE(isColour(image, 600, 24, cobalt));
    EXPECT_GT(ink(image, QRect(802, 200, 336, 110), qRgb(9, 11, 17)), 100);  // "0"
    EXPECT_GT(ink(image, QRect(802, 364, 336, 32), qRgb(9, 11, 17)), 50);    // "NEW HERE"
    EXPECT_TRUE(isColour(image, 970, 413, cobalt));                          // "TOP 0%"
}

}  // namespace
