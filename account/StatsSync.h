#pragma once

// StatsSync: uploads one row of headline figures per user to the backend's "scores" table
// (a PostgREST upsert merging on "user_id"), at most once per local day from 19:00 on, or on
// demand; and prints what such an upload would send (the dry run).
//
// StatsSync keeps no state and reads no preferences: the caller passes the values of
// "tavrik.privateMode", "tavrik.leaderboardOptIn" and "tavrik.lastSyncDate", and is told,
// through markSynced, the day key to store as "tavrik.lastSyncDate" after a successful upload
// (SyncPrefs.h does both against the user-defaults store).
// Local days and hours follow the process's time zone (TZ). Main thread only; completions run
// on the main thread. No token or key is ever printed or logged.

#include "account/AuthError.h"
#include "engine/Records.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace tavrik {

class AuthManager;

namespace StatsSync {

// One value of the score row: JSON null, integer, number or string.
using PayloadValue = std::variant<std::nullptr_t, std::int64_t, double, std::string>;
// The score row; a std::map, so its keys come out sorted.
using Payload = std::map<std::string, PayloadValue>;

// The preference values the daily upload looks at.
struct SyncSettings {
    bool privateMode = false;
    bool leaderboardOptIn = false;
    std::optional<std::string> lastSyncDate;  // a day key
};

// Receives the day key of a successful upload, to be stored as "tavrik.lastSyncDate".
using MarkSynced = std::function<void(const std::string& dayKey)>;
using Completion = std::function<void(Result<Done>)>;

// Local hour from which the daily upload may run.
inline constexpr int dailySyncHour = 19;

// Returns the score row of stats for userId; "last_synced" is now (seconds since 1970, UTC),
// written as an ISO 8601 date-time in UTC with whole seconds. Today's and the week's cost and
// tokens are capped by the week's and the all-time figure, as the board requires.
Payload payload(const Stats& stats, const std::string& userId, double now);

// Returns the JSON text of a payload (compact, or pretty with sorted keys), or nothing when a
// number is not finite.
std::optional<std::string> payloadJson(const Payload& payload, bool pretty);

// Starts the daily upload when every gate passes, in this order: a server configured, signed
// in, private mode off, leaderboard joined, local hour 19 or later, not yet uploaded today.
// The result of the upload is discarded. Returns whether an upload was started.
bool maybeSyncDaily(const Stats& stats, const SyncSettings& settings, MarkSynced markSynced,
                    AuthManager& auth);

// Uploads now, whatever the hour, the date and the opt-in (the caller has checked private
// mode). Completes with Done, or with AuthError::noServer() (nothing sent), or with the
// AuthError of the token step or of the upload.
void syncNow(const Stats& stats, MarkSynced markSynced, Completion completion, AuthManager& auth);

// Sends one upsert of body with token; on success reports today's day key to markSynced.
void upsert(const Payload& body, const std::string& token, MarkSynced markSynced,
            Completion completion, AuthManager& auth);

// Prints the request a sync would send: the URL, the header names with placeholders instead
// of the key and the token, and the pretty-printed row with sorted keys. Sends nothing,
// refreshes nothing, stores nothing; only the signed-in user's id is read. Without a server
// prints nothing and returns AuthError::noServer().
Result<Done> dryRunPrint(const Stats& stats, AuthManager& auth, std::ostream& out);

}  // namespace StatsSync
}  // namespace tavrik
