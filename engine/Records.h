#pragma once

// The value records that carry usage statistics through Tavrik, and their JSON form.
//
// A log reader turns one file into a FileContribution; the builder folds every contribution
// into one Stats. Counts are 64-bit integers; token counts, dollars and instants (seconds
// since 1970-01-01 UTC) are doubles. A day key is a local calendar date "YYYY-MM-DD".
//
// JSON form: an object whose keys are the field names, written in declaration order, compact,
// with absent optionals left out. Reading requires every non-optional key with the right
// JSON type (a missing key or a wrong type fails the whole document); optional keys may be
// missing or null; unknown keys are ignored. Writing fails when a double is not finite.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// Activity per local hour of day; index 0 covers 00:00 to 00:59.
using HourProfile = std::array<std::int64_t, 24>;

// Token accounting for one model within one file, or across all files in the builder.
struct ModelAcc {
    std::int64_t messages = 0;
    double input = 0;
    double output = 0;
    double cacheRead = 0;
    double cacheWrite = 0;

    bool operator==(const ModelAcc&) const = default;
};

// What one file did on one day.
struct DayBucket {
    std::int64_t linesAdded = 0;
    double cost = 0;
    double tokens = 0;

    bool operator==(const DayBucket&) const = default;
};

// Everything one log file contributes. Default-constructed, it is the empty contribution.
struct FileContribution {
    std::map<std::string, ModelAcc> models;
    std::set<std::string> activeDays;
    HourProfile byHour{};
    std::int64_t prompts = 0;
    std::int64_t assistantMessages = 0;
    double tokensIn = 0;
    double tokensOut = 0;
    double cacheRead = 0;
    double cacheWrite = 0;
    std::int64_t linesAdded = 0;
    std::int64_t linesRemoved = 0;
    double cost = 0;
    std::set<std::string> editedFiles;
    std::optional<double> minTs;
    std::optional<double> maxTs;
    std::map<std::string, DayBucket> perDay;

    bool operator==(const FileContribution&) const = default;
};

// One row of the per-model table.
struct ModelStat {
    std::string model;
    std::string name;
    std::int64_t messages = 0;
    double tokensIn = 0;
    double tokensOut = 0;
    double cacheRead = 0;
    double cacheWrite = 0;
    double cost = 0;

    bool operator==(const ModelStat&) const = default;
};

// One achievement, earned or not.
struct Badge {
    std::string id;
    std::string emoji;
    std::string label;
    std::string desc;
    bool earned = false;

    bool operator==(const Badge&) const = default;
};

// The complete statistics over all log files.
struct Stats {
    std::optional<std::string> since;
    std::optional<std::string> until;
    std::int64_t daysSpan = 0;
    std::int64_t logFiles = 0;
    std::int64_t prompts = 0;
    std::int64_t assistantMessages = 0;
    double tokensIn = 0;
    double tokensOut = 0;
    double cacheRead = 0;
    double cacheWrite = 0;
    std::int64_t linesAdded = 0;
    std::int64_t linesRemoved = 0;
    std::int64_t filesEdited = 0;
    double cost = 0;
    std::int64_t sessions = 0;
    std::int64_t weekLinesAdded = 0;
    double weekCost = 0;
    std::int64_t weekSessions = 0;
    std::int64_t todayLinesAdded = 0;
    double todayCost = 0;
    bool codedToday = false;
    double weekTokens = 0;
    double todayTokens = 0;
    std::int64_t activeDays = 0;
    std::int64_t streakLongest = 0;
    std::int64_t streakCurrent = 0;
    HourProfile byHour{};
    std::vector<ModelStat> models;
    std::optional<std::string> topModel;
    std::int64_t crackedScore = 0;
    std::int64_t percentile = 0;
    std::vector<Badge> badges;

    bool operator==(const Stats&) const = default;
};

// Returns the compact JSON text of a record, or nothing when a double is not finite.
std::optional<std::string> toJson(const FileContribution& c);
std::optional<std::string> toJson(const Stats& s);

// Returns the record a JSON text holds, or nothing when the text is not valid JSON or breaks
// the rules above.
std::optional<FileContribution> fileContributionFromJson(std::string_view json);
std::optional<Stats> statsFromJson(std::string_view json);

}  // namespace tavrik
