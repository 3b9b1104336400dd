// "--daily": one row per local day with activity, oldest first, as an aligned table with a total
// row or, with "--json", as an array of day objects.

#include "cli/Inputs.h"
#include "cli/Modes.h"
#include "cli/ReportFormat.h"
#include "engine/Fmt.h"
#include "engine/JsonWriter.h"
#include "engine/StatsEngine.h"
#include "engine/TimeKit.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

namespace tavrik::cli {

namespace {

using Days = std::map<std::string, DayBucket>;

constexpr std::int64_t defaultTableDays = 30;

// Returns the value of "--days" as a count of days, nothing when it is not a positive integer.
std::optional<std::int64_t> dayCount(const std::string& text) {
    std::int64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n <= 0) {
        return std::nullopt;
    }
    return n;
}

// Keeps the days of the last count calendar days, today included.
Days lastDays(const Days& days, double now, std::int64_t count) {
    const std::int64_t first = StatsEngine::dayNumber(TimeKit::dateKey(now)) - count + 1;
    Days kept;
    for (const auto& [day, bucket] : days) {
        if (StatsEngine::dayNumber(day) >= first) {
            kept.emplace(day, bucket);
        }
    }
    return kept;
}

std::string table(const Days& days) {
    using Row = std::array<std::string, 4>;
    std::vector<Row> rows{{"date", "lines", "tokens", "cost"}};
    DayBucket total;
    for (const auto& [day, b] : days) {
        rows.push_back({day, std::to_string(b.linesAdded), Fmt::num(b.tokens), Fmt::money(b.cost)});
        total.linesAdded += b.linesAdded;
        total.tokens += b.tokens;
        total.cost += b.cost;
    }
    rows.push_back({"total", std::to_string(total.linesAdded), Fmt::num(total.tokens),
                    Fmt::money(total.cost)});
    std::array<std::size_t, 4> width{};
    for (const Row& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            width[i] = std::max(width[i], row[i].size());
        }
    }
    // The date left-aligned, the figures right-aligned, two spaces between columns.
    std::string out;
    for (const Row& row : rows) {
        out += row[0] + std::string(width[0] - row[0].size(), ' ');
        for (std::size_t i = 1; i < row.size(); ++i) {
            out += std::string(width[i] - row[i].size() + 2, ' ') + row[i];
        }
        out += '\n';
    }
    return out;
}

std::optional<std::string> json(const Days& days) {
    JsonWriter w;
    w.beginArray();
    for (const auto& [day, b] : days) {
        w.beginObject();
        w.key("date");
        w.value(day);
        w.key("linesAdded");
        w.value(b.linesAdded);
        w.key("tokens");
        w.value(b.tokens);
        w.key("cost");
        w.value(b.cost);
        w.endObject();
    }
    w.endArray();
    return w.result();
}

}  // namespace

int runDaily(const Args& args) {
    std::optional<std::int64_t> count;
    if (args.has("--days")) {
        count = dayCount(args.after("--days").value_or(""));
        if (!count) {
            std::cerr << "tavrik: --days takes a whole number of days, 1 or more\n";
            return 2;
        }
    }
    const bool asJson = args.has("--json");
    if (!asJson && !count) {
        count = defaultTableDays;
    }
    const auto inputs = userInputs();
    Days days = StatsEngine::daily(inputs);
    if (count) {
        days = lastDays(days, inputs.now, *count);
    }
    if (!asJson) {
        std::cout << table(days);
        return 0;
    }
    return printJson(json(days));
}

}  // namespace tavrik::cli
