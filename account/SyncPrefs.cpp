#include "account/SyncPrefs.h"

#include "prefs/Prefs.h"

namespace tavrik::SyncPrefs {

StatsSync::SyncSettings read() {
    using Prefs::Key;
    return {Prefs::boolean(Key::privateMode), Prefs::boolean(Key::leaderboardOptIn),
            Prefs::text(Key::lastSyncDate)};
}

void markSynced(const std::string& dayKey) {
    // Best effort: when the file cannot be written the value still holds for this run.
    Prefs::setString(Prefs::Key::lastSyncDate, dayKey);
}

}  // namespace tavrik::SyncPrefs
