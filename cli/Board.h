#pragma once

// "--board [N]": the top N rows (20 when N is not given) of the configured leaderboard, one
// line each: rank, score, streak, lines, cost, tokens and top model, the signed-in user's row
// marked with "<- you".

#include "account/Leaderboard.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {
class AuthManager;
}

namespace tavrik::cli {

inline constexpr int defaultBoardRows = 20;
inline constexpr int maxBoardRows = 1000;

// Returns the table of rows, ranked from 1; the row of userId (when given) is marked.
std::string boardTable(const std::vector<Leaderboard::Row>& rows,
                       const std::optional<std::string>& userId);

// Fetches the top limit rows through auth and prints them to out, or a one-line reason to
// err. Runs the thread's event loop until the answer is in (a Qt application must exist).
// Returns the exit status: 0, or 1 when the board could not be read.
int printBoard(AuthManager& auth, int limit, std::ostream& out, std::ostream& err);

}  // namespace tavrik::cli
