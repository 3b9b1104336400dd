#pragma once

// Score: the achievement figures of a Stats. crackedScore rates overall agent use from 0 to
// 99, percentile reads it as "top N percent" (1 to 99, lower is better), badgesFor marks the
// ten badges earned or not. Pure functions.

#include "engine/Records.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tavrik::Score {

// Returns 0 to 1: a fifth per threshold passed, the way to the next one on a log curve.
double band(double x, std::span<const double> thresholds);

// Returns the weighted score of the five inputs, 0 to 99.
std::int64_t crackedScore(double lines, double tokensOut, double sessions, double longestStreak,
                          double activeDays);

// Returns the percentile of a score by interpolating between fixed anchors, 1 to 99.
std::int64_t percentile(std::int64_t score);

// Returns the ten badges, in catalogue order, each marked earned or not.
std::vector<Badge> badgesFor(double lines, std::int64_t longestStreak, const HourProfile& byHour,
                             double cost, double tokensOut, std::int64_t modelCount,
                             std::int64_t sessions);

}  // namespace tavrik::Score
