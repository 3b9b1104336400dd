#pragma once

// Milestones and streak protection: the two small behaviours that reward and nudge the user
// through the overlay.
//
// A milestone is passed when the lines changed cross a multiple of 100,000, when the longest
// streak beats the best one seen, or when more badges are earned than in the previous
// statistics. What was seen survives restarts in "tavrik.msLines" (the total at the last
// applied statistics, following it up and down) and "tavrik.msStreak" (the best longest
// streak, never decreasing). A stored 0 means "nothing seen yet": the first statistics only
// record. Several milestones passed at once still make one celebration.
//
// The streak is at risk while protection is on, a streak is running and nothing was coded
// today; the overlay then turns amber. That flag is derived, never stored.

#include "engine/Records.h"

#include <cstdint>
#include <optional>

namespace tavrik::Milestones {

// Lines changed between two lines milestones.
inline constexpr std::int64_t linesStep = 100'000;

// What the milestone checks remember between statistics.
struct Memory {
    std::int64_t lines = 0;   // "tavrik.msLines"
    std::int64_t streak = 0;  // "tavrik.msStreak"

    bool operator==(const Memory&) const = default;
};

struct Outcome {
    bool celebrate = false;
    Memory memory;  // what to store after these statistics

    bool operator==(const Outcome&) const = default;
};

// Runs the lines, streak and badge checks of next against what was stored and the previous
// statistics (the badge check is skipped without them).
Outcome detect(const std::optional<Stats>& prev, const Stats& next, const Memory& stored);

// Returns how many badges are earned.
std::int64_t earnedBadges(const Stats& stats);

// Returns whether the running streak is at risk: protection on, a streak running, nothing
// coded today.
bool streakAtRisk(const Stats& stats, bool protection);

// Returns the memory stored in the user's settings; an absent key reads as 0.
Memory load();

// Stores the memory in the user's settings; returns false when it could not be written.
bool store(const Memory& memory);

}  // namespace tavrik::Milestones
