#include "card/CardRenderer.h"
#include "tests/support/GuiApp.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace tavrik;

constexpr QRgb bg = qRgb(6, 7, 7);
constexpr QRgb panel = qRgb(11, 13, 18);
constexpr QRgb cobalt = qRgb(61, 123, 240);
constexpr QRgb meterOff = qRgb(25, 28, 20);

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
    Look l;
    l.accent = Accent::all()[accent];
    l.background = background;
    return l;
}

// Counts the pixels of a colour in an area.
int count(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += (image.pixel(x, y) & 0xffffffU) == (colour & 0xffffffU) ? 1 : 0;
        }
    }
    return n;
}

TEST(CardRules, MeterTierCellsDatesAndChips) {
    const struct {
        std::int64_t score;
        int lit;
        const char* tier;
    } scores[] = {{-5, 0, "NEW HERE"},   {2, 0, "NEW HERE"},    {3, 1, "NEW HERE"},
                  {14, 3, "NEW HERE"},   {15, 3, "WARMING UP"}, {34, 7, "WARMING UP"},
                  {35, 7, "COOKING"},    {42, 8, "COOKING"},    {43, 9, "COOKING"},
                  {54, 11, "COOKING"},   {55, 11, "SHIPPING"},  {74, 15, "SHIPPING"},
                  {75, 15, "LOCKED IN"}, {89, 18, "LOCKED IN"}, {90, 18, "CRACKED"},
                  {99, 20, "CRACKED"},   {100, 20, "CRACKED"},  {150, 20, "CRACKED"}};
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
    const auto range = [s](const char* since, const char* until) {
        Stats r = s;
        r.since = since;
        r.until = until;
        return CardRenderer::dateLine(r);
    };
    EXPECT_EQ(range("2025-01-05", "2025-03-09"), "Jan 5 - Mar 9  64d");
    EXPECT_EQ(range("2025-11-03", "2026-12-07"), "Nov 3 2025 - Dec 7 2026  64d");
    EXPECT_EQ(range("2024-01-01", "2024-12-31"), "Jan 1 - Dec 31  64d");
    EXPECT_EQ(CardRenderer::dateLine(Stats{}), "");
    const std::vector<Badge> chips = CardRenderer::chipBadges(s);  // the first six earned
    ASSERT_EQ(chips.size(), 6u);
    EXPECT_EQ(chips[2].id + chips[5].id, "b3b6");
}

// Pixels where a wrong pattern, accent, strip, meter, glow or figure would show.
TEST(CardPicture, ProbesFollowTheLookTheScoreAndTheFigures) {
    test::guiApp();
    const QRgb dark = qRgb(5, 5, 5);       // the scan lines: black at 0.22
    const QRgb streak = qRgb(19, 20, 20);  // white at 0.05
    const int seg = [](int i) { return static_cast<int>(830 + 14.2 * i + 5); }(8);
    const struct {
        Look look;
        std::int64_t score;
        int x, y;
        QRgb colour;
    } probes[] = {{{}, 64, 5, 5, dark},
                  {{}, 64, 5, 6, bg},
                  {{}, 64, 600, 27, cobalt},
                  {{}, 64, 600, 28, panel},
                  {look(2, Theme::CardBackground::Solid), 64, 5, 5, bg},
                  {look(2, Theme::CardBackground::Solid), 64, 600, 24, qRgb(255, 77, 166)},
                  {look(0, Theme::CardBackground::LightStreaks), 64, 120, 5, streak},
                  {look(0, Theme::CardBackground::LightStreaks), 64, 60, 5, bg},
                  {{}, 42, seg - 14, 347, cobalt},
                  {{}, 42, seg, 347, meterOff},
                  {{}, 43, seg, 347, cobalt},
                  {{}, 0, 835, 340, meterOff}};
    for (const auto& p : probes) {
        const QImage image = CardRenderer::render(sampleStats(p.score), p.look);
        EXPECT_EQ(image.pixel(p.x, p.y), p.colour | 0xff000000U) << p.x << "," << p.y;
    }
    // The compute figure takes the accent, the others the foreground; a light accent puts
    // dark text on the percentile pill.
    const QImage image = CardRenderer::render(sampleStats(), {});
    EXPECT_GT(count(image, QRect(428, 180, 280, 42), cobalt), 100);
    EXPECT_EQ(count(image, QRect(88, 180, 280, 42), cobalt), 0);
    // The glow keeps its first colour inside its inner circle: no dark disc on the top edge.
    // (1032, 15) lies 55 points from its centre, (1075, 5) 62 points.
    const QImage glow = CardRenderer::render(sampleStats(), look(0, Theme::CardBackground::Solid));
    EXPECT_LE(std::abs(qBlue(glow.pixel(1032, 15)) - qBlue(glow.pixel(1075, 5))), 1);
    EXPECT_GT(qBlue(glow.pixel(1032, 15)), qBlue(bg) + 20);
    EXPECT_GT(count(CardRenderer::render(sampleStats(), look(1)), QRect(900, 420, 140, 17),
                    qRgb(10, 13, 2)),
              20);
    // The widest figures, and one beyond any real log, stay inside their cells' frames.
    Stats wide = sampleStats();
    wide.linesAdded = 999'900'000'000;
    wide.cost = 999.9e9;
    wide.tokensOut = 1e15;  // "1000000.0B"
    wide.streakLongest = 99'999;
    const QImage figures = CardRenderer::render(wide, {});
    constexpr QRgb blockFill = qRgb(14, 16, 23);
    for (int cell = 0; cell < 4; ++cell) {
        const int x = 60 + 340 * (cell % 2);
        const int y = 150 + 152 * (cell / 2);
        EXPECT_LT(count(figures, QRect(x + 28, y + 20, 100, 55), blockFill), 100 * 55) << cell;
        EXPECT_EQ(count(figures, QRect(x + 306, y + 10, 12, 70), blockFill), 12 * 70) << cell;
    }
}

}  // namespace
