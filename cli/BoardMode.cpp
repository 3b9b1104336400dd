#include "account/AuthManager.h"
#include "cli/Board.h"
#include "cli/Modes.h"
#include "engine/Fmt.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <charconv>
#include <iostream>
#include <sstream>

namespace tavrik::cli {
namespace {

std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Returns the row count given after "--board": the default when none is given (the end of
// the arguments or another option follows), nothing when it is not a count from 1 to the most.
std::optional<int> rowCount(const Args& args) {
    const auto next = args.after("--board");
    if (!next || next->starts_with("--")) {
        return defaultBoardRows;
    }
    int n = 0;
    const auto [end, ec] = std::from_chars(next->data(), next->data() + next->size(), n);
    if (ec != std::errc() || end != next->data() + next->size() || n < 1 || n > maxBoardRows) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

std::string boardTable(const std::vector<Leaderboard::Row>& rows,
                       const std::optional<std::string>& userId) {
    if (rows.empty()) {
        return "The leaderboard is empty\n";
    }
    std::ostringstream out;
    out << "Rank  Score  Streak    Lines     Cost   Tokens  Top model\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Leaderboard::Row& row = rows[i];
        out << padLeft(std::to_string(i + 1), 4) << padLeft(std::to_string(row.score), 7)
            << padLeft(std::to_string(row.streak), 8)
            << padLeft(Fmt::num(static_cast<double>(row.lines)), 9)
            << padLeft(Fmt::money(row.cost), 9) << padLeft(Fmt::num(row.tokens), 9) << "  "
            << row.topModel.value_or("-");
        if (userId && row.userId == *userId) {
            out << "  <- you";
        }
        out << '\n';
    }
    return out.str();
}

int printBoard(AuthManager& auth, int limit, std::ostream& out, std::ostream& err) {
    std::optional<Result<std::vector<Leaderboard::Row>>> answer;
    QEventLoop loop;
    Leaderboard::fetch(limit, auth, [&answer, &loop](Result<std::vector<Leaderboard::Row>> r) {
        answer.emplace(std::move(r));
        loop.quit();
    });
    if (!answer) {
        loop.exec();
    }
    if (!*answer) {
        const AuthError& error = answer->error();
        err << (error.kind == AuthError::Kind::NoServer ? "" : "Could not read the leaderboard: ")
            << error.errorDescription() << '\n';
        return 1;
    }
    std::optional<std::string> userId;
    if (auth.session()) {
        userId = auth.session()->userId;
    }
    out << boardTable(answer->value(), userId);
    out.flush();
    return 0;
}

int runBoard(const Args& args) {
    const auto limit = rowCount(args);
    if (!limit) {
        std::cerr << "tavrik: --board takes a number of rows from 1 to " << maxBoardRows << '\n';
        return 2;
    }
    static int argc = 1;
    static char name[] = "tavrik";
    static char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    return printBoard(AuthManager::shared(), *limit, std::cout, std::cerr);
}

}  // namespace tavrik::cli
