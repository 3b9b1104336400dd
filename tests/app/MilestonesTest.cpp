// Milestone detection and the streak-at-risk flag, as pure rules and through the settings.

#include "app/Milestones.h"
#include "prefs/Prefs.h"
#include "tests/app/AppTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

Stats withLines(std::int64_t added, std::int64_t removed = 0) {
    Stats s;
    s.linesAdded = added;
    s.linesRemoved = removed;
    return s;
}

Stats withStreak(std::int64_t longest) {
    Stats s;
    s.streakLongest = longest;
    return s;
}

Stats withBadges(int earned, int total = 10) {
    Stats s;
    for (int i = 0; i < total; ++i) {
        s.badges.push_back({"b" + std::to_string(i), "", "badge", "", i < earned});
    }
    return s;
}

TEST(MilestoneLines, CrossingAMultipleOfOneHundredThousandCelebrates) {
    const auto out = Milestones::detect(std::nullopt, withLines(200'000, 10), {199'990, 0});
    EXPECT_TRUE(out.celebrate);
    EXPECT_EQ(out.memory.lines, 200'010);
}

TEST(MilestoneLines, AddedAndRemovedLinesBothCount) {
    EXPECT_TRUE(Milestones::detect(std::nullopt, withLines(50'000, 50'000), {99'999, 0}).celebrate);
    EXPECT_FALSE(
        Milestones::detect(std::nullopt, withLines(50'000, 49'999), {99'000, 0}).celebrate);
}

TEST(MilestoneLines, TheFirstStatisticsOnlyRecord) {
    const auto out = Milestones::detect(std::nullopt, withLines(500'000), {0, 0});
    EXPECT_FALSE(out.celebrate);
    EXPECT_EQ(out.memory.lines, 500'000);
}

TEST(MilestoneLines, ClimbingWithinOneHundredThousandDoesNotCelebrate) {
    EXPECT_FALSE(Milestones::detect(std::nullopt, withLines(199'999), {100'000, 0}).celebrate);
    EXPECT_FALSE(Milestones::detect(std::nullopt, withLines(150'000), {150'000, 0}).celebrate);
}

TEST(MilestoneLines, FallingTotalsAreFollowedSoTheNextCrossingCelebratesOnce) {
    auto out = Milestones::detect(std::nullopt, withLines(240'000), {250'000, 0});
    EXPECT_FALSE(out.celebrate);
    EXPECT_EQ(out.memory.lines, 240'000);

    out = Milestones::detect(std::nullopt, withLines(300'500), out.memory);
    EXPECT_TRUE(out.celebrate);
    out = Milestones::detect(std::nullopt, withLines(300'600), out.memory);
    EXPECT_FALSE(out.celebrate);
}

TEST(MilestoneLines, JumpingSeveralMultiplesCelebratesOnce) {
    const auto out = Milestones::detect(std::nullopt, withLines(450'000), {120'000, 0});
    EXPECT_TRUE(out.celebrate);
}

TEST(MilestoneStreak, ANewLongestStreakCelebrates) {
    const auto out = Milestones::detect(std::nullopt, withStreak(8), {0, 7});
    EXPECT_TRUE(out.celebrate);
    EXPECT_EQ(out.memory.streak, 8);
}

TEST(MilestoneStreak, AShorterStreakKeepsTheBestStored) {
    const auto out = Milestones::detect(std::nullopt, withStreak(5), {0, 7});
    EXPECT_FALSE(out.celebrate);
    EXPECT_EQ(out.memory.streak, 7);
    EXPECT_FALSE(Milestones::detect(std::nullopt, withStreak(7), {0, 7}).celebrate);
}

TEST(MilestoneStreak, TheFirstStreakSeenOnlyRecords) {
    const auto out = Milestones::detect(std::nullopt, withStreak(12), {0, 0});
    EXPECT_FALSE(out.celebrate);
    EXPECT_EQ(out.memory.streak, 12);
}

TEST(MilestoneBadges, OneMoreEarnedBadgeCelebrates) {
    EXPECT_TRUE(Milestones::detect(withBadges(3), withBadges(4), {}).celebrate);
}

TEST(MilestoneBadges, LosingABadgeOrKeepingTheCountDoesNot) {
    EXPECT_FALSE(Milestones::detect(withBadges(4), withBadges(3), {}).celebrate);
    EXPECT_FALSE(Milestones::detect(withBadges(4), withBadges(4), {}).celebrate);
}

TEST(MilestoneBadges, WithoutPreviousStatisticsTheCheckIsSkipped) {
    EXPECT_FALSE(Milestones::detect(std::nullopt, withBadges(10), {}).celebrate);
}

TEST(MilestoneBadges, OnlyEarnedBadgesAreCounted) {
    EXPECT_EQ(Milestones::earnedBadges(withBadges(0)), 0);
    EXPECT_EQ(Milestones::earnedBadges(withBadges(6)), 6);
    EXPECT_EQ(Milestones::earnedBadges(Stats{}), 0);
}

TEST(Milestones, SeveralChecksPassingStillMakeOneOutcome) {
    Stats next = withBadges(5);
    next.linesAdded = 300'000;
    next.streakLongest = 9;
    const auto out = Milestones::detect(withBadges(4), next, {250'000, 8});
    EXPECT_TRUE(out.celebrate);
    EXPECT_EQ(out.memory, (Milestones::Memory{300'000, 9}));
}

TEST(StreakAtRisk, NeedsProtectionARunningStreakAndNothingCodedToday) {
    Stats s;
    s.codedToday = false;
    s.streakCurrent = 0;
    EXPECT_FALSE(Milestones::streakAtRisk(s, true));
    s.streakCurrent = 3;
    s.codedToday = true;
    EXPECT_FALSE(Milestones::streakAtRisk(s, true));
    s.codedToday = false;
    EXPECT_TRUE(Milestones::streakAtRisk(s, true));
    EXPECT_FALSE(Milestones::streakAtRisk(s, false));
}

class MilestoneMemory : public ::testing::Test {
protected:
    void SetUp() override { test::resetPrefs(); }
};

TEST_F(MilestoneMemory, AFreshInstallationRemembersNothing) {
    EXPECT_EQ(Milestones::load(), (Milestones::Memory{0, 0}));
}

TEST_F(MilestoneMemory, IsStoredUnderTheTwoKeys) {
    ASSERT_TRUE(Milestones::store({240'000, 7}));
    EXPECT_EQ(Prefs::integer(Prefs::Key::msLines), 240'000);
    EXPECT_EQ(Prefs::integer(Prefs::Key::msStreak), 7);
    EXPECT_EQ(Milestones::load(), (Milestones::Memory{240'000, 7}));
}

}  // namespace
}  // namespace tavrik
