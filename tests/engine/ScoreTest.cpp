#include "engine/Score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavrik {
namespace {

constexpr double lines[] = {1'000, 10'000, 50'000, 200'000, 1'000'000};

TEST(ScoreBand, PassedThresholdsAreWorthAFifthEach) {
    EXPECT_EQ(Score::band(0, lines), 0);
    EXPECT_EQ(Score::band(-5, lines), 0);
    EXPECT_DOUBLE_EQ(Score::band(1'000, lines), 0.2);
    EXPECT_DOUBLE_EQ(Score::band(10'000, lines), 0.4);
    EXPECT_EQ(Score::band(1'000'000, lines), 1);
    EXPECT_EQ(Score::band(5e9, lines), 1);
    EXPECT_EQ(Score::band(5, {}), 0);
    // Whatever it is given, band stays inside its table and in [0, 1].
    EXPECT_EQ(Score::band(std::nan(""), lines), 0);
    EXPECT_EQ(Score::band(INFINITY, lines), 1);
    EXPECT_EQ(Score::band(-INFINITY, lines), 0);
}

TEST(ScoreBand, FillsTheWayToTheNextThresholdOnALogCurve) {
    EXPECT_DOUBLE_EQ(Score::band(500, lines), 0.2 * std::log(501) / std::log(1001));
    EXPECT_NEAR(Score::band(500, lines), 0.17996, 1e-5);
    EXPECT_DOUBLE_EQ(Score::band(5'500, lines), 0.2 + 0.2 * std::log1p(4'500) / std::log1p(9'000));
    // Equal thresholds would divide by ln(1) = 0; that is read as 1.
    constexpr double flat[] = {0, 0, 5, 6, 7};
    EXPECT_DOUBLE_EQ(Score::band(0, flat), 0.4);
}

TEST(ScoreCracked, TypicalPointsGiveTheDocumentedScores) {
    EXPECT_EQ(Score::crackedScore(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(Score::crackedScore(10'000, 10'000'000, 50, 7, 20), 40);
    EXPECT_EQ(Score::crackedScore(1'000'000, 1e9, 1'500, 60, 300), 99);
    EXPECT_EQ(Score::crackedScore(500, 0, 0, 0, 0), 5);
}

TEST(ScorePercentile, InterpolatesBetweenAnchors) {
    EXPECT_EQ(Score::percentile(0), 99);
    EXPECT_EQ(Score::percentile(15), 82);
    EXPECT_EQ(Score::percentile(16), 81);
    EXPECT_EQ(Score::percentile(40), 52);
    EXPECT_EQ(Score::percentile(50), 40);  // 39.5 rounds away from zero
    EXPECT_EQ(Score::percentile(99), 1);
    EXPECT_EQ(Score::percentile(100), 1);
    EXPECT_EQ(Score::percentile(-1), 99);
    EXPECT_EQ(Score::percentile(-1'000'000), 99);
}

std::vector<std::string> earned(const std::vector<Badge>& badges) {
    std::vector<std::string> ids;
    for (const auto& b : badges) {
        if (b.earned) {
            ids.push_back(b.id);
        }
    }
    return ids;
}

using Ids = std::vector<std::string>;

TEST(ScoreBadges, AlwaysTheTenInCatalogueOrder) {
    const auto badges = Score::badgesFor(0, 0, {}, 0, 0, 0, 0);
    ASSERT_EQ(badges.size(), 10u);
    EXPECT_EQ(badges[0].id, "first-blood");
    EXPECT_EQ(badges[2].emoji, "\U0001F3DB\uFE0F");
    EXPECT_EQ(badges[8].label, "Multi-Model");
    EXPECT_EQ(badges[9].desc, "100+ sessions");
    EXPECT_TRUE(earned(badges).empty());
}

TEST(ScoreBadges, ThresholdsAreInclusive) {
    EXPECT_EQ(earned(Score::badgesFor(9'999, 0, {}, 0, 0, 0, 0)), Ids{"first-blood"});
    EXPECT_EQ(earned(Score::badgesFor(10'000, 0, {}, 0, 0, 0, 0)), (Ids{"first-blood", "ten-k"}));
    EXPECT_EQ(earned(Score::badgesFor(100'000, 0, {}, 0, 0, 0, 0)).size(), 3u);
    EXPECT_TRUE(earned(Score::badgesFor(0, 6, {}, 0, 0, 0, 0)).empty());
    EXPECT_EQ(earned(Score::badgesFor(0, 7, {}, 0, 0, 0, 0)), Ids{"week-streak"});
    EXPECT_EQ(earned(Score::badgesFor(0, 30, {}, 0, 0, 0, 0)),
              (Ids{"week-streak", "month-streak"}));
    EXPECT_EQ(earned(Score::badgesFor(0, 0, {}, 100, 0, 0, 0)), Ids{"big-spender"});
    EXPECT_TRUE(earned(Score::badgesFor(0, 0, {}, 99.99, 0, 0, 0)).empty());
    EXPECT_EQ(earned(Score::badgesFor(0, 0, {}, 0, 1e8, 0, 0)), Ids{"token-lord"});
    EXPECT_EQ(earned(Score::badgesFor(0, 0, {}, 0, 0, 3, 0)), Ids{"polyglot"});
    EXPECT_TRUE(earned(Score::badgesFor(0, 0, {}, 0, 0, 2, 99)).empty());
    EXPECT_EQ(earned(Score::badgesFor(0, 0, {}, 0, 0, 0, 100)), Ids{"centurion"});
}

TEST(ScoreBadges, NightOwlComparesHoursZeroToFourWithPointThreeThree) {
    HourProfile hours{};
    hours[4] = 33;
    hours[5] = 67;
    EXPECT_EQ(earned(Score::badgesFor(0, 0, hours, 0, 0, 0, 0)), Ids{"night-owl"});
    hours[4] = 32;
    hours[5] = 68;
    EXPECT_TRUE(earned(Score::badgesFor(0, 0, hours, 0, 0, 0, 0)).empty());
    hours = {};
    hours[0] = 1;
    hours[23] = 2;  // one third is 0.333... >= 0.33
    EXPECT_EQ(earned(Score::badgesFor(0, 0, hours, 0, 0, 0, 0)), Ids{"night-owl"});
    // A sum that would overflow holds at the largest count instead of wrapping below zero.
    hours = {};
    hours[0] = 1;
    hours[5] = std::numeric_limits<std::int64_t>::max();
    EXPECT_TRUE(earned(Score::badgesFor(0, 0, hours, 0, 0, 0, 0)).empty());
}

}  // namespace
}  // namespace tavrik
