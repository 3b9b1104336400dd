#include "account/StatsSync.h"

#include "account/AuthManager.h"
#include "account/internal/Http.h"
#include "account/internal/JsonObject.h"
#include "engine/JsonWriter.h"
#include "engine/TimeKit.h"

#include <algorithm>
#include <ostream>

namespace tavrik::StatsSync {
namespace {

constexpr const char* signedOutUserId = "00000000-0000-0000-0000-000000000000";

struct Ordered {
    double today, week, all;
};

// Returns the three figures with today and the week capped by the period that contains them.
Ordered ordered(double today, double week, double all) {
    week = std::min(week, all);
    return {std::min(today, week), week, all};
}

}  // namespace

Payload payload(const Stats& stats, const std::string& userId, double now) {
    Payload row;
    row["user_id"] = userId;
    row["tavrik_score"] = stats.crackedScore;
    row["streak"] = stats.streakCurrent;
    row["top_model"] = stats.topModel ? PayloadValue(*stats.topModel) : PayloadValue(nullptr);
    // Lines today and this week count added lines; all-time counts added plus removed.
    row["lines_today"] = stats.todayLinesAdded;
    row["lines_week"] = stats.weekLinesAdded;
    row["lines_all"] = stats.linesAdded + stats.linesRemoved;
    // The board holds today <= week <= all-time. The three are sums of the same costs and
    // token counts taken in different orders, which can differ in the last bit; such a
    // difference is dropped rather than sent as an impossible row.
    const auto [costToday, costWeek, costAll] =
        ordered(stats.todayCost, stats.weekCost, stats.cost);
    row["cost_today"] = costToday;
    row["cost_week"] = costWeek;
    row["cost_all"] = costAll;
    // Cache reads and writes are left out of the all-time token figure.
    const auto [tokensToday, tokensWeek, tokensAll] =
        ordered(stats.todayTokens, stats.weekTokens, stats.tokensIn + stats.tokensOut);
    row["tokens_today"] = tokensToday;
    row["tokens_week"] = tokensWeek;
    row["tokens_all"] = tokensAll;
    row["last_synced"] = TimeKit::utcDateTime(now, 'T', "Z");
    return row;
}

std::optional<std::string> payloadJson(const Payload& payload, bool pretty) {
    JsonWriter w(pretty ? JsonWriter::Style::Pretty : JsonWriter::Style::Compact);
    w.beginObject();
    for (const auto& [key, value] : payload) {
        w.key(key);
        std::visit(
            [&w](const auto& v) {
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, std::nullptr_t>) {
                    w.null();
                } else if constexpr (std::is_same_v<V, std::string>) {
                    w.value(std::string_view(v));
                } else {
                    w.value(v);
                }
            },
            value);
    }
    w.endObject();
    return w.result();
}

bool maybeSyncDaily(const Stats& stats, const SyncSettings& settings, MarkSynced markSynced,
                    AuthManager& auth) {
    if (!auth.config().configured() || !auth.session() || settings.privateMode
        || !settings.leaderboardOptIn) {
        return false;
    }
    const double now = auth.now();
    if (const auto local = TimeKit::local(now); !local || local->hour < dailySyncHour) {
        return false;
    }
    if (settings.lastSyncDate && *settings.lastSyncDate == TimeKit::dateKey(now)) {
        return false;
    }
    syncNow(
        stats, std::move(markSynced), [](const Result<Done>&) {}, auth);
    return true;
}

void syncNow(const Stats& stats, MarkSynced markSynced, Completion completion, AuthManager& auth) {
    if (!auth.config().configured()) {
        // Checked before the token step, which could otherwise send a refresh.
        completion(AuthError::noServer());
        return;
    }
    auth.validAccessToken([stats, &auth, markSynced = std::move(markSynced),
                           completion = std::move(completion)](Result<std::string> token) {
        if (!token) {
            completion(token.error());
            return;
        }
        if (!auth.session()) {
            completion(AuthError::notSignedIn());
            return;
        }
        upsert(payload(stats, auth.session()->userId, auth.now()), token.value(), markSynced,
               completion, auth);
    });
}

void upsert(const Payload& body, const std::string& token, MarkSynced markSynced,
            Completion completion, AuthManager& auth) {
    const auto url = detail::makeUrl(auth.config().baseURL + "/rest/v1/scores");
    if (!url) {
        completion(AuthError::network("Invalid URL"));
        return;
    }
    const auto json = payloadJson(body, false);
    if (!json) {
        // An empty upsert could be taken as a success and mark the day as synced.
        completion(AuthError::network("Could not encode the score row"));
        return;
    }
    const detail::HeaderList headers = {
        {"apikey", QByteArray::fromStdString(auth.config().publishableKey)},
        {"Authorization", "Bearer " + QByteArray::fromStdString(token)},
        {"Content-Type", "application/json"},
        {"Prefer", "resolution=merge-duplicates,return=minimal"},
    };
    detail::postJson(
        auth.network(), *url, headers, json, auth.timeoutMs(), &auth,
        [&auth, markSynced = std::move(markSynced),
         completion = std::move(completion)](detail::HttpAnswer answer) {
            if (!answer.succeeded()) {
                completion(detail::failure(answer, {"message", "error"}, "Sync failed"));
                return;
            }
            if (markSynced) {
                markSynced(TimeKit::dateKey(auth.now()));
            }
            completion(Done{});
        });
}

Result<Done> dryRunPrint(const Stats& stats, AuthManager& auth, std::ostream& out) {
    if (!auth.config().configured()) {
        return AuthError::noServer();
    }
    const std::string userId = auth.session() ? auth.session()->userId : signedOutUserId;
    out << "[tavrik --sync-dry-run] would POST " << auth.config().baseURL << "/rest/v1/scores\n";
    out << "Headers: apikey=<anon key>, Authorization=Bearer <access_token>, "
           "Content-Type=application/json, Prefer=resolution=merge-duplicates,return=minimal\n";
    if (const auto json = payloadJson(payload(stats, userId, auth.now()), true)) {
        out << *json << '\n';
    }
    out.flush();
    return Done{};
}

}  // namespace tavrik::StatsSync
