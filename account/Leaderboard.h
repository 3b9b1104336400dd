#pragma once

// Leaderboard: reads the top rows of the board's "scores" table with the publishable key
// (GET /rest/v1/scores, highest score first). Main thread only; the completion runs on the
// main thread, with AuthError::noServer() at once and nothing sent when no server is set.

#include "account/AuthError.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

class AuthManager;

namespace Leaderboard {

struct Row {
    std::string userId;
    std::int64_t score = 0;
    std::int64_t streak = 0;
    std::int64_t lines = 0;  // all-time lines added and removed
    double cost = 0;         // all-time dollars
    double tokens = 0;       // all-time tokens in and out
    std::optional<std::string> topModel;

    bool operator==(const Row&) const = default;
};

using Completion = std::function<void(Result<std::vector<Row>>)>;

// Returns the path and query of the request for the top limit rows.
std::string requestTarget(int limit);

// Returns the rows of an answer body: a JSON array of objects carrying the selected columns
// with their types (top_model may be null). Anything else is a decode error.
Result<std::vector<Row>> parseRows(std::string_view body);

// Fetches the top limit rows of the configured board.
void fetch(int limit, AuthManager& auth, Completion completion);

}  // namespace Leaderboard
}  // namespace tavrik
