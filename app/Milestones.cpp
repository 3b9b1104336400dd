#include "app/Milestones.h"

#include "prefs/Prefs.h"

#include <algorithm>

namespace tavrik::Milestones {

Outcome detect(const std::optional<Stats>& prev, const Stats& next, const Memory& stored) {
    Outcome out;

    const std::int64_t total = next.linesAdded + next.linesRemoved;
    if (stored.lines > 0 && stored.lines / linesStep < total / linesStep) {
        out.celebrate = true;
    }
    // Follows the total down too, so that logs deleted and written again celebrate the
    // crossing once more.
    out.memory.lines = total;

    if (stored.streak > 0 && stored.streak < next.streakLongest) {
        out.celebrate = true;
    }
    out.memory.streak = std::max(stored.streak, next.streakLongest);

    if (prev && earnedBadges(next) > earnedBadges(*prev)) {
        out.celebrate = true;
    }
    return out;
}

std::int64_t earnedBadges(const Stats& stats) {
    return std::count_if(stats.badges.begin(), stats.badges.end(),
                         [](const Badge& b) { return b.earned; });
}

bool streakAtRisk(const Stats& stats, bool protection) {
    return protection && !stats.codedToday && stats.streakCurrent > 0;
}

Memory load() {
    return {Prefs::integer(Prefs::Key::msLines), Prefs::integer(Prefs::Key::msStreak)};
}

bool store(const Memory& memory) {
    const bool lines = Prefs::setInteger(Prefs::Key::msLines, memory.lines);
    const bool streak = Prefs::setInteger(Prefs::Key::msStreak, memory.streak);
    return lines && streak;
}

}  // namespace tavrik::Milestones
