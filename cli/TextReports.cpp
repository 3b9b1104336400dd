// The text modes: "--bench", "--stats" (with "--stats-dir") and "--codex".

#include "cli/Modes.h"
#include "cli/ReportFormat.h"
#include "engine/CodexParser.h"
#include "engine/Environment.h"
#include "engine/Pricing.h"
#include "engine/StatsEngine.h"

#include <chrono>
#include <initializer_list>
#include <iostream>
#include <string>

namespace tavrik::cli {

namespace {

struct TimedBuild {
    Stats stats;
    double elapsedMs;
    StatsEngine::BuildInputs inputs;
};

TimedBuild timedBuild(const std::optional<std::filesystem::path>& dir) {
    const auto inputs = Environment::buildInputs(dir);
    const auto start = std::chrono::steady_clock::now();
    Stats stats = StatsEngine::build(inputs);
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return {std::move(stats), elapsed.count(), inputs};
}

// A report of zeros is easy to mistake for a fault: say on standard error where we looked, so
// scripts reading standard output see the same lines as ever.
void hintNoLogs(std::string_view what, std::initializer_list<std::filesystem::path> folders) {
    std::cerr << "tavrik: no " << what << " found in";
    const char* sep = " ";
    for (const auto& folder : folders) {
        std::cerr << sep << folder.string();
        sep = " or ";
    }
    std::cerr << '\n';
}

std::string earnedLabels(const Stats& s) {
    std::string out;
    for (const auto& badge : s.badges) {
        if (badge.earned) {
            out += out.empty() ? "" : ", ";
            out += badge.label;
        }
    }
    return out;
}

}  // namespace

int runBench(const Args&) {
    const auto [s, ms, inputs] = timedBuild(std::nullopt);
    std::cout << "elapsedMs " << oneDecimal(ms) << '\n'
              << "score " << s.crackedScore << " cost " << reportDouble(s.cost) << " lines "
              << s.linesAdded + s.linesRemoved << " sessions " << s.sessions << '\n';
    return 0;
}

int runStats(const Args& args) {
    std::optional<std::filesystem::path> dir;
    if (const auto after = args.after("--stats-dir")) {
        dir = *after;
    }
    const auto [s, ms, inputs] = timedBuild(dir);
    if (s.logFiles == 0) {
        hintNoLogs("Claude Code or Codex logs", {inputs.claudeRoot, inputs.codexRoot});
    }
    std::cout << "elapsedMs " << oneDecimal(ms) << '\n'
              << "score " << s.crackedScore << '\n'
              << "cost " << reportDouble(s.cost) << '\n'
              << "linesAdded " << s.linesAdded << " linesRemoved " << s.linesRemoved << " total "
              << s.linesAdded + s.linesRemoved << '\n'
              << "sessions " << s.sessions << '\n'
              << "streakLongest " << s.streakLongest << " current " << s.streakCurrent
              << " activeDays " << s.activeDays << '\n'
              << "tokensOut " << reportDouble(s.tokensOut) << '\n'
              << "topModel " << orDash(s.topModel) << '\n'
              << "percentile " << s.percentile << '\n'
              << "since " << orDash(s.since) << " until " << orDash(s.until) << " daysSpan "
              << s.daysSpan << '\n'
              << "prompts " << s.prompts << '\n'
              << "todayLines " << s.todayLinesAdded << " todayCost " << reportDouble(s.todayCost)
              << " codedToday " << (s.codedToday ? "true" : "false") << '\n'
              << "todayTokens " << reportDouble(s.todayTokens) << " weekTokens "
              << reportDouble(s.weekTokens) << '\n'
              << "badges " << earnedLabels(s) << '\n';
    return 0;
}

int runCodex(const Args&) {
    const auto root = StatsEngine::codexRoot(Environment::home());
    const auto [c, files] = CodexParser::aggregateAll(root);
    if (files == 0) {
        hintNoLogs("Codex sessions", {root});
    }
    std::string models;
    for (const auto& [id, acc] : c.models) {
        models += models.empty() ? "" : ", ";
        models += id + "=" + Pricing::prettyModel(id);
    }
    std::string days = "[";
    for (const auto& day : c.activeDays) {  // a std::set iterates in ascending order
        days += days.size() > 1 ? ", " : "";
        days += "\"" + day + "\"";
    }
    days += "]";
    std::cout << "codex sessions " << files << '\n'
              << "codex tokensIn " << reportDouble(c.tokensIn) << " tokensOut "
              << reportDouble(c.tokensOut) << " cacheRead " << reportDouble(c.cacheRead) << '\n'
              << "codex cost " << reportDouble(c.cost) << '\n'
              << "codex linesAdded " << c.linesAdded << " linesRemoved " << c.linesRemoved << '\n'
              << "codex prompts " << c.prompts << " assistantMessages " << c.assistantMessages
              << '\n'
              << "codex models " << models << '\n'
              << "codex activeDays " << days << '\n';
    return 0;
}

}  // namespace tavrik::cli
