#include "account/Leaderboard.h"

#include "account/AuthManager.h"
#include "account/internal/Http.h"

#include <simdjson.h>

namespace tavrik::Leaderboard {
namespace {

constexpr const char* columns =
    "user_id,tavrik_score,streak,lines_all,cost_all,tokens_all,top_model";

std::optional<Row> readRow(simdjson::dom::element element) {
    simdjson::dom::object object;
    if (element.get_object().get(object) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    Row row;
    std::string_view userId;
    simdjson::dom::element model;
    if (object["user_id"].get_string().get(userId) != simdjson::SUCCESS
        || object["tavrik_score"].get_int64().get(row.score) != simdjson::SUCCESS
        || object["streak"].get_int64().get(row.streak) != simdjson::SUCCESS
        || object["lines_all"].get_int64().get(row.lines) != simdjson::SUCCESS
        || object["cost_all"].get_double().get(row.cost) != simdjson::SUCCESS
        || object["tokens_all"].get_double().get(row.tokens) != simdjson::SUCCESS
        || object["top_model"].get(model) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    row.userId = std::string(userId);
    if (!model.is_null()) {
        std::string_view name;
        if (model.get_string().get(name) != simdjson::SUCCESS) {
            return std::nullopt;
        }
        row.topModel = std::string(name);
    }
    return row;
}

}  // namespace

std::string requestTarget(int limit) {
    return std::string("/rest/v1/scores?select=") + columns
           + "&order=tavrik_score.desc&limit=" + std::to_string(limit);
}

Result<std::vector<Row>> parseRows(std::string_view body) {
    simdjson::dom::parser parser;
    simdjson::dom::array array;
    if (parser.parse(body.data(), body.size(), true).get_array().get(array) != simdjson::SUCCESS) {
        return AuthError::decode();
    }
    std::vector<Row> rows;
    for (simdjson::dom::element element : array) {
        auto row = readRow(element);
        if (!row) {
            return AuthError::decode();
        }
        rows.push_back(std::move(*row));
    }
    return rows;
}

void fetch(int limit, AuthManager& auth, Completion completion) {
    const BackendConfig& config = auth.config();
    if (!config.configured()) {
        completion(AuthError::noServer());
        return;
    }
    const auto url = detail::makeUrl(config.baseURL + requestTarget(limit));
    if (!url) {
        completion(AuthError::network("Invalid URL"));
        return;
    }
    const detail::HeaderList headers = {
        {"apikey", QByteArray::fromStdString(config.publishableKey)},
        {"Accept", "application/json"},
    };
    detail::getJson(
        auth.network(), *url, headers, auth.timeoutMs(), &auth,
        [completion = std::move(completion)](detail::HttpAnswer answer) {
            if (!answer.succeeded()) {
                completion(detail::failure(answer, {"message", "error"}, "Request failed"));
                return;
            }
            completion(
                parseRows(std::string_view(answer.body.constData(), size_t(answer.body.size()))));
        });
}

}  // namespace tavrik::Leaderboard
