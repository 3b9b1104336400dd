#include "card/CardRenderer.h"
#include "tests/support/GuiApp.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

using namespace tavrik;

constexpr QRgb bg = qRgb(6, 7, 7), cobalt = qRgb(61, 123, 240), meterOff = qRgb(25, 28, 20);

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
    for (int i = 0; i < 9; ++i) {
        s.badges.push_back(Badge{"b" + std::to_string(i), "", "B", "", i != 2});
    }
    return s;
}

Look look(std::size_t accent, Theme::CardBackground background = Theme::CardBackground::Scanlines) {
    return {.accent = Accent::all()[accent], .background = background, .shape = {}};
}

// Counts the pixels of a colour in an area.
int count(const QImage& image, const QRect& area, QRgb colour) {
    const QImage part = image.copy(area).convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(part.constBits());
    return static_cast<int>(
        std::count(pixels, pixels + part.width() * part.height(), colour | 0xff000000U));
}

TEST(CardRules, MeterTierCellsDatesAndChips) {
    const struct {
        std::int64_t score;
        int lit;
        const char* tier;
    } scores[] = {{-5, 0, "NEW HERE"},   {2, 0, "NEW HERE"},    {3, 1, "NEW HERE"},
                  {14, 3, "NEW HERE"},   {15, 3, "WARMING UP"}, {34, 7, "WARMING UP"},
                  {35, 7, "COOKING"},    {43, 9, "COOKING"},    {54, 11, "COOKING"},
                  {55, 11, "SHIPPING"},  {74, 15, "SHIPPING"},  {75, 15, "LOCKED IN"},
                  {89, 18, "LOCKED IN"}, {90, 18, "CRACKED"},   {100, 20, "CRACKED"}};
    for (const auto& [score, lit, tier] : scores) {
        EXPECT_EQ(CardRenderer::meterSegments(score), lit) << score;
        EXPECT_EQ(CardRenderer::tierWord(score), tier) << score;
    }
    const Stats s = sampleStats();
    EXPECT_EQ(CardRenderer::cells(s),
              (std::vector<CardRenderer::Cell>{{"12k", "LINES SHIPPED", false, false},
                                               {"$322", "AGENT COMPUTE", true, false},
                                               {"1.2M", "OUTPUT TOKENS", false, false},
                                               {"12d", "BEST STREAK", false, true}}));
    // Years only across one; no activity, no range.
    Stats r = s;
    r.since = "2025-11-03";
    r.until = "2026-12-07";
    EXPECT_EQ(CardRenderer::dateLine(s), "Jan 5 - Mar 9  64d");
    EXPECT_EQ(CardRenderer::dateLine(r), "Nov 3 2025 - Dec 7 2026  64d");
    EXPECT_EQ(CardRenderer::dateLine(Stats{}), "");
    const std::vector<Badge> chips = CardRenderer::chipBadges(s);  // the first six earned
    ASSERT_EQ(chips.size(), 6u);
    EXPECT_EQ(chips[2].id + chips[5].id, "b3b6");
}

// Pixels where a wrong pattern, accent, strip, meter, glow or figure would show.
TEST(CardPicture, ProbesFollowTheLookTheScoreAndTheFigures) {
    test::guiApp();
    // The scan lines are black at 0.22, the streaks white at 0.05.
    const QRgb dark = qRgb(5, 5, 5), streak = qRgb(19, 20, 20), pink = qRgb(255, 77, 166);
    const QRgb panel = qRgb(11, 13, 18);
    const int seg = [](int i) { return static_cast<int>(830 + 14.2 * i + 5); }(8);
    using enum Theme::CardBackground;
    const Look looks[] = {Look{}, look(2, Solid), look(0, LightStreaks)};  // cobalt, pink, blue
    const std::tuple<std::size_t, std::int64_t, int, int, QRgb> probes[] = {
        {0, 64, 5, 5, dark},         {0, 64, 5, 6, bg},         {0, 64, 600, 27, cobalt},
        {0, 64, 600, 28, panel},     {1, 64, 5, 5, bg},         {1, 64, 600, 24, pink},
        {2, 64, 120, 5, streak},     {2, 64, 60, 5, bg},        {0, 42, seg - 14, 347, cobalt},
        {0, 42, seg, 347, meterOff}, {0, 43, seg, 347, cobalt}, {0, 0, 835, 340, meterOff}};
    for (const auto& [which, score, x, y, colour] : probes) {
        const QImage image = CardRenderer::render(sampleStats(score), looks[which]);
        EXPECT_EQ(image.pixel(x, y), colour | 0xff000000U) << x << "," << y;
    }
    // The compute figure takes the accent, the others the foreground; a light accent puts
    // dark text on the percentile pill.
    const QImage image = CardRenderer::render(sampleStats(), {});
    EXPECT_GT(count(image, QRect(428, 180, 280, 42), cobalt), 100);
    EXPECT_EQ(count(image, QRect(88, 180, 280, 42), cobalt), 0);
    // The glow keeps its first colour inside its inner circle: no dark disc on the top edge.
    // (1032, 15) lies 55 points from its centre, (1075, 5) 62 points.
    const QImage glow = CardRenderer::render(sampleStats(), look(0, Solid));
    EXPECT_LE(std::abs(qBlue(glow.pixel(1032, 15)) - qBlue(glow.pixel(1075, 5))), 1);
    EXPECT_GT(qBlue(glow.pixel(1032, 15)), qBlue(bg) + 20);
    const QImage lime = CardRenderer::render(sampleStats(), look(1));
    EXPECT_GT(count(lime, QRect(900, 420, 140, 17), qRgb(10, 13, 2)), 20);
    // The widest figures, and one beyond any real log, stay inside their cells' frames.
    Stats wide = sampleStats();
    wide.linesAdded = 999'900'000'000;
    wide.cost = 999.9e9;
    wide.tokensOut = 1e15;  // "1000000.0B"
    wide.streakLongest = 99'999;
    const QImage figures = CardRenderer::render(wide, {});
    constexpr QRgb blockFill = qRgb(14, 16, 23);
    for (int cell = 0; cell < 4; ++cell) {
        const QPoint at(60 + 340 * (cell % 2), 150 + 152 * (cell / 2));
        EXPECT_LT(count(figures, QRect(at + QPoint(28, 20), QSize(100, 55)), blockFill), 100 * 55);
        EXPECT_EQ(count(figures, QRect(at + QPoint(306, 10), QSize(12, 70)), blockFill), 12 * 70);
    }
}

}  // namespace
