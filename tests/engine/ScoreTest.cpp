#include "engine/Score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavrik {
namespace {

TEST(ScoreBand, PassedThresholdsAreWorthAFifthEachAndTheWayToTheNextALogCurve) {
    constexpr double lines[] = {1'000, 10'000, 50'000, 200'000, 1'000'000};
    const std::pair<double, double> cases[] = {
        {0, 0},
        {-5, 0},
        {1'000, 0.2},
        {10'000, 0.4},
        {1'000'000, 1},
        {5e9, 1},
        {std::nan(""), 0},
        {INFINITY, 1},
        {-INFINITY, 0},
        {500, 0.2 * std::log(501) / std::log(1001)},
        {5'500, 0.2 + 0.2 * std::log1p(4'500) / std::log1p(9'000)}};
    for (const auto& [x, expected] : cases) {
        EXPECT_DOUBLE_EQ(Score::band(x, lines), expected) << x;
    }
    EXPECT_EQ(Score::band(5, {}), 0);
    constexpr double flat[] = {0, 0, 5, 6, 7};  // equal thresholds are passed together
    EXPECT_DOUBLE_EQ(Score::band(0, flat), 0.4);
}

TEST(ScoreCrackedAndPercentile, TypicalPointsGiveTheDocumentedFigures) {
    EXPECT_EQ(Score::crackedScore(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(Score::crackedScore(500, 0, 0, 0, 0), 5);
    EXPECT_EQ(Score::crackedScore(10'000, 10'000'000, 50, 7, 20), 40);
    EXPECT_EQ(Score::crackedScore(1'000'000, 1e9, 1'500, 60, 300), 99);
    // The percentile interpolates between anchors.
    // 50 gives 39.5, which rounds away from zero.
    const std::pair<std::int64_t, std::int64_t> cases[] = {{0, 99},  {15, 82}, {16, 81},
                                                           {40, 52}, {50, 40}, {99, 1},
                                                           {100, 1}, {-1, 99}, {-1'000'000, 99}};
    for (const auto& [score, expected] : cases) {
        EXPECT_EQ(Score::percentile(score), expected) << score;
    }
}

TEST(ScoreBadges, ThresholdsAreInclusive) {
    using Ids = std::vector<std::string>;
    const auto earned = [](double lines, std::int64_t streak, const HourProfile& hours, double cost,
                           double tokens, std::int64_t models, std::int64_t sessions) {
        const auto badges = Score::badgesFor(lines, streak, hours, cost, tokens, models, sessions);
        EXPECT_EQ(badges.size(), 10u);  // always the whole catalogue, earned or not
        Ids ids;
        for (const auto& b : badges) {
            if (b.earned) {
                ids.push_back(b.id);
            }
        }
        return ids;
    };
    EXPECT_EQ(earned(0, 0, {}, 0, 0, 0, 0), Ids{});
    EXPECT_EQ(earned(9'999, 0, {}, 0, 0, 0, 0), Ids{"first-blood"});
    EXPECT_EQ(earned(10'000, 0, {}, 0, 0, 0, 0), (Ids{"first-blood", "ten-k"}));
    EXPECT_EQ(earned(100'000, 0, {}, 0, 0, 0, 0), (Ids{"first-blood", "ten-k", "hundred-k"}));
    EXPECT_EQ(earned(0, 6, {}, 99.99, 99'999'999, 2, 99), Ids{});
    EXPECT_EQ(earned(0, 7, {}, 100, 1e8, 3, 100),
              (Ids{"week-streak", "big-spender", "token-lord", "polyglot", "centurion"}));
    EXPECT_EQ(earned(0, 30, {}, 0, 0, 0, 0), (Ids{"week-streak", "month-streak"}));
    // Night owl: hours 0 to 4 hold at least 0.33 of all activity.
    EXPECT_EQ(earned(0, 0, {0, 0, 0, 0, 33, 67}, 0, 0, 0, 0), Ids{"night-owl"});
    EXPECT_EQ(earned(0, 0, {0, 0, 0, 0, 32, 68}, 0, 0, 0, 0), Ids{});
    EXPECT_EQ(earned(0, 0, {1, 0, 0, 0, 0, 2}, 0, 0, 0, 0), Ids{"night-owl"});  // 0.333...
    // A sum that would overflow holds at the largest count instead of wrapping below zero.
    const auto most = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(earned(0, 0, {1, 0, 0, 0, 0, most}, 0, 0, 0, 0), Ids{});
}

}  // namespace
}  // namespace tavrik
