// Milestone detection and the streak-at-risk flag.

#include "app/Milestones.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

Stats make(std::int64_t added, std::int64_t removed, std::int64_t longest, int badges) {
    Stats s;
    s.linesAdded = added;
    s.linesRemoved = removed;
    s.streakLongest = longest;
    s.badges.resize(10);
    for (int i = 0; i < badges; ++i) {
        s.badges[i].earned = true;
    }
    return s;
}

TEST(Milestones, LinesStreakAndBadgeRules) {
    const struct {
        const char* rule;
        std::optional<Stats> prev;
        Stats next;
        Milestones::Memory stored;
        Milestones::Outcome outcome;  // whether to celebrate, and what to remember
    } table[] = {
        {"crossing 100k", {}, make(200'000, 10, 0, 0), {199'990, 0}, {true, {200'010, 0}}},
        {"removed lines count", {}, make(50'000, 50'000, 0, 0), {99'999, 0}, {true, {100'000, 0}}},
        {"one short", {}, make(50'000, 49'999, 0, 0), {99'000, 0}, {false, {99'999, 0}}},
        {"first only records", {}, make(500'000, 0, 12, 10), {0, 0}, {false, {500'000, 12}}},
        {"falling is followed", {}, make(240'000, 0, 0, 0), {250'000, 0}, {false, {240'000, 0}}},
        {"several multiples", {}, make(450'000, 0, 0, 0), {120'000, 0}, {true, {450'000, 0}}},
        {"longer streak", {}, make(0, 0, 8, 0), {0, 7}, {true, {0, 8}}},
        {"equal streak", {}, make(0, 0, 7, 0), {0, 7}, {false, {0, 7}}},
        {"shorter streak", {}, make(0, 0, 5, 0), {0, 7}, {false, {0, 7}}},
        {"one more badge", make(0, 0, 0, 3), make(0, 0, 0, 4), {}, {true, {}}},
        {"badge lost", make(0, 0, 0, 4), make(0, 0, 0, 3), {}, {false, {}}},
        {"all three", make(0, 0, 0, 4), make(300'000, 0, 9, 5), {250'000, 8}, {true, {300'000, 9}}},
    };
    for (const auto& t : table) {
        EXPECT_EQ(Milestones::detect(t.prev, t.next, t.stored), t.outcome) << t.rule;
    }
}

TEST(Milestones, StreakAtRiskNeedsProtectionARunningStreakAndNothingCodedToday) {
    Stats s;
    EXPECT_FALSE(Milestones::streakAtRisk(s, true));  // no streak
    s.streakCurrent = 3;
    EXPECT_TRUE(Milestones::streakAtRisk(s, true));
    EXPECT_FALSE(Milestones::streakAtRisk(s, false));
    s.codedToday = true;
    EXPECT_FALSE(Milestones::streakAtRisk(s, true));
}

}  // namespace
}  // namespace tavrik
