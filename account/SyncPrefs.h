#pragma once

// SyncPrefs: the upload's link to the user-defaults store, for the application to hand to
// StatsSync. Reads "tavrik.privateMode", "tavrik.leaderboardOptIn" and "tavrik.lastSyncDate";
// writes only "tavrik.lastSyncDate". Nothing else of the account (never a token) is stored
// there. Safe from any thread, like Prefs.

#include "account/StatsSync.h"

#include <string>

namespace tavrik::SyncPrefs {

// Returns the preference values the daily upload looks at, as stored now.
StatsSync::SyncSettings read();

// Stores the day key of a successful upload as "tavrik.lastSyncDate".
void markSynced(const std::string& dayKey);

}  // namespace tavrik::SyncPrefs
