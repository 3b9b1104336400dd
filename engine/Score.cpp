#include "engine/Score.h"

#include "engine/internal/Contribution.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string_view>

namespace tavrik::Score {

namespace {

struct Band {
    std::array<double, 5> thresholds;
    double weight;
};

constexpr Band linesBand{{1'000, 10'000, 50'000, 200'000, 1'000'000}, 0.3};
constexpr Band tokensBand{{1e6, 1e7, 5e7, 2e8, 1e9}, 0.25};
constexpr Band sessionsBand{{10, 50, 200, 500, 1'500}, 0.2};
constexpr Band streakBand{{3, 7, 14, 30, 60}, 0.15};
constexpr Band daysBand{{5, 20, 50, 120, 300}, 0.1};

struct Anchor {
    double score;
    double percentile;
};

constexpr Anchor anchors[] = {{0, 99},  {15, 82}, {30, 63}, {45, 46}, {55, 33},
                              {65, 21}, {75, 12}, {85, 6},  {92, 3},  {99, 1}};

struct BadgeInputs {
    double lines;
    std::int64_t longestStreak;
    double nightShare;
    double cost;
    double tokensOut;
    std::int64_t modelCount;
    std::int64_t sessions;
};

struct BadgeRule {
    std::string_view id;
    std::string_view emoji;
    std::string_view label;
    std::string_view desc;
    bool (*earned)(const BadgeInputs&);
};

constexpr BadgeRule catalogue[] = {
    {"first-blood", "\U0001FA78", "First Blood", "Shipped your first lines",
     [](const BadgeInputs& in) { return in.lines > 0; }},
    {"ten-k", "\U0001F4C8", "10K Club", "10,000+ lines shipped",
     [](const BadgeInputs& in) { return in.lines >= 10'000; }},
    {"hundred-k", "\U0001F3DB\uFE0F", "100K Club", "100,000+ lines shipped",
     [](const BadgeInputs& in) { return in.lines >= 100'000; }},
    {"week-streak", "\U0001F525", "Week Streak", "7-day coding streak",
     [](const BadgeInputs& in) { return in.longestStreak >= 7; }},
    {"month-streak", "\U0001F5D3\uFE0F", "Month Streak", "30-day coding streak",
     [](const BadgeInputs& in) { return in.longestStreak >= 30; }},
    {"night-owl", "\U0001F989", "Night Owl", "A third of your work is 12am-5am",
     [](const BadgeInputs& in) { return in.nightShare >= 0.33; }},
    {"big-spender", "\U0001F4B8", "Big Spender", "$100+ of agent compute",
     [](const BadgeInputs& in) { return in.cost >= 100; }},
    {"token-lord", "\U0001FA99", "Token Lord", "100M+ output tokens",
     [](const BadgeInputs& in) { return in.tokensOut >= 100'000'000; }},
    {"polyglot", "\U0001F9E9", "Multi-Model", "Used 3+ models",
     [](const BadgeInputs& in) { return in.modelCount >= 3; }},
    {"centurion", "\U0001F4AF", "Centurion", "100+ sessions",
     [](const BadgeInputs& in) { return in.sessions >= 100; }},
};

// ln(1 + num) / ln(1 + den), with a zero denominator read as 1.
double logRatio(double num, double den) {
    double d = std::log1p(den);
    if (d == 0) {
        d = 1;
    }
    return std::log1p(num) / d;
}

}  // namespace

double band(double x, std::span<const double> t) {
    const std::size_t n = t.size();
    // k counts the thresholds passed, from the first on; a NaN passes none and so sits below
    // the first, where it earns nothing. The table is never read before its start.
    std::size_t k = 0;
    while (k < n && t[k] <= x) {
        ++k;
    }
    if (k == n) {
        return n == 0 ? 0 : 1;
    }
    const double step = 1.0 / static_cast<double>(n);
    if (k == 0) {
        return x > 0 ? std::min(step * logRatio(x, t[0]), 1.0) : 0;
    }
    const double lo = t[k - 1];
    const double hi = t[k];
    return std::min(step * static_cast<double>(k) + step * logRatio(x - lo, hi - lo), 1.0);
}

std::int64_t crackedScore(double lines, double tokensOut, double sessions, double longestStreak,
                          double activeDays) {
    const double s = band(lines, linesBand.thresholds) * linesBand.weight
                     + band(tokensOut, tokensBand.thresholds) * tokensBand.weight
                     + band(sessions, sessionsBand.thresholds) * sessionsBand.weight
                     + band(longestStreak, streakBand.thresholds) * streakBand.weight
                     + band(activeDays, daysBand.thresholds) * daysBand.weight;
    // Bands lie in [0, 1], so s does too; the test keeps the conversion defined regardless.
    return s > 0 ? static_cast<std::int64_t>(std::round(std::min(s * 100, 99.0))) : 0;
}

std::int64_t percentile(std::int64_t score) {
    const auto x = static_cast<double>(score);
    const Anchor* lo = nullptr;
    const Anchor* hi = nullptr;
    if (x <= anchors[1].score) {
        lo = &anchors[0];
        hi = &anchors[1];
    } else {
        for (std::size_t j = 2; j < std::size(anchors); ++j) {
            if (anchors[j].score >= x) {
                lo = &anchors[j - 1];
                hi = &anchors[j];
                break;
            }
        }
        if (hi == nullptr) {
            return 1;
        }
    }
    const double p =
        lo->percentile
        + (x - lo->score) / (hi->score - lo->score) * (hi->percentile - lo->percentile);
    // Clamp before converting: a very negative score extrapolates far beyond 99.
    return static_cast<std::int64_t>(std::clamp(std::round(p), 1.0, 99.0));
}

std::vector<Badge> badgesFor(double lines, std::int64_t longestStreak, const HourProfile& byHour,
                             double cost, double tokensOut, std::int64_t modelCount,
                             std::int64_t sessions) {
    const std::int64_t night =
        std::accumulate(byHour.begin(), byHour.begin() + 5, std::int64_t{0}, detail::addClamped);
    const std::int64_t all =
        std::accumulate(byHour.begin(), byHour.end(), std::int64_t{0}, detail::addClamped);
    const double nightShare =
        static_cast<double>(night) / static_cast<double>(std::max<std::int64_t>(all, 1));

    const BadgeInputs in{lines, longestStreak, nightShare, cost, tokensOut, modelCount, sessions};

    std::vector<Badge> badges;
    badges.reserve(std::size(catalogue));
    for (const auto& rule : catalogue) {
        badges.push_back({std::string(rule.id), std::string(rule.emoji), std::string(rule.label),
                          std::string(rule.desc), rule.earned(in)});
    }
    return badges;
}

}  // namespace tavrik::Score
