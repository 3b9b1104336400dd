#include "account/StatsSync.h"

#include "account/AuthManager.h"
#include "account/internal/HttpPost.h"
#include "account/internal/JsonObject.h"
#include "engine/JsonWriter.h"
#include "engine/TimeKit.h"

#include <ostream>

namespace tavrik::StatsSync {
namespace {

constexpr const char* signedOutUserId = "00000000-0000-0000-0000-000000000000";

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
    row["cost_today"] = stats.todayCost;
    row["cost_week"] = stats.weekCost;
    row["cost_all"] = stats.cost;
    row["tokens_today"] = stats.todayTokens;
    row["tokens_week"] = stats.weekTokens;
    // Cache reads and writes are left out of the all-time token figure.
    row["tokens_all"] = stats.tokensIn + stats.tokensOut;
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

std::string dayKey(double now) {
    return TimeKit::dateKey(now);
}

bool maybeSyncDaily(const Stats& stats, const SyncSettings& settings, MarkSynced markSynced,
                    AuthManager& auth) {
    if (!auth.session() || settings.privateMode || !settings.leaderboardOptIn) {
        return false;
    }
    const double now = auth.now();
    if (const auto local = TimeKit::local(now); !local || local->hour < dailySyncHour) {
        return false;
    }
    if (settings.lastSyncDate && *settings.lastSyncDate == dayKey(now)) {
        return false;
    }
    syncNow(
        stats, std::move(markSynced), [](const Result<Done>&) {}, auth);
    return true;
}

void syncNow(const Stats& stats, MarkSynced markSynced, Completion completion, AuthManager& auth) {
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
            if (answer.transportError) {
                completion(AuthError::network(*answer.transportError));
                return;
            }
            if (answer.status >= 200 && answer.status <= 299) {
                if (markSynced) {
                    markSynced(dayKey(auth.now()));
                }
                completion(Done{});
                return;
            }
            const auto reply = detail::JsonObject::parseOrEmpty(
                std::string_view(answer.body.constData(), size_t(answer.body.size())));
            for (const char* key : {"message", "error"}) {
                if (const auto message = reply.string(key)) {
                    completion(AuthError::server(answer.status, std::string(*message)));
                    return;
                }
            }
            completion(AuthError::server(answer.status,
                                         "Sync failed (" + std::to_string(answer.status) + ")"));
        });
}

void dryRunPrint(const Stats& stats, AuthManager& auth, std::ostream& out) {
    const std::string userId = auth.session() ? auth.session()->userId : signedOutUserId;
    out << "[tavrik --sync-dry-run] would POST " << auth.config().baseURL << "/rest/v1/scores\n";
    out << "Headers: apikey=<anon key>, Authorization=Bearer <access_token>, "
           "Content-Type=application/json, Prefer=resolution=merge-duplicates,return=minimal\n";
    if (const auto json = payloadJson(payload(stats, userId, auth.now()), true)) {
        out << *json << '\n';
    }
    out.flush();
}

}  // namespace tavrik::StatsSync
