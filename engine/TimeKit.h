#pragma once

// TimeKit: instants, local calendar days and UTC time stamps; the one place that asks the C
// library for calendar fields.
//
// An instant is seconds since 1970-01-01T00:00:00Z as a double. A day key is a local calendar
// date "YYYY-MM-DD". Local time follows the process's time zone (TZ, else the system zone) as
// read by the C library the first time it is needed; later changes are not seen.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tavrik::TimeKit {

// Returns the instant an ISO-8601 date-time names: "YYYY-MM-DDTHH:MM:SS", optionally "." and
// one or more digits (all kept), then "Z" or "+HH:MM"/"-HH:MM". Upper-case "T" and "Z" only;
// every field is range-checked (a day that exists, hour <= 23, minute and second <= 59).
// Nothing for any other text.
std::optional<double> epoch(std::string_view text);

// The earliest and latest instants epoch() can return: years 0000 to 9999, any offset.
inline constexpr double earliestInstant = -62'167'305'540;
inline constexpr double latestInstant = 253'402'387'140;

// The local calendar date and hour of an instant.
struct LocalTime {
    std::chrono::year_month_day date;
    int hour = 0;

    bool operator==(const LocalTime&) const = default;
};

// Returns the local date and hour of t; nothing when t lies outside what the calendar can
// represent.
std::optional<LocalTime> local(double t);

// Returns "YYYY-MM-DD" of a date.
std::string dayKey(std::chrono::year_month_day date);

// Returns the local day key of t ("0000-00-00" when the calendar cannot place t).
std::string dateKey(double t);

// Returns t in UTC to the whole second, as its day key, separator, "HH:MM:SS" and zone:
// utcDateTime(t, 'T', "Z") is ISO 8601. Zeros when the calendar cannot place t.
std::string utcDateTime(double t, char separator, std::string_view zone);

// Returns 16 hex digits naming the local zone as this process reads it, the same in every
// process that reads the same zone: a digest of the TZ value when set, else of the system
// zone's rules (/etc/localtime). Day keys and hours made under one zone hold only under it.
std::string zoneId();

// Returns the date a day key names ("YYYY-MM-DD", exactly two digits for month and day),
// nothing when it is malformed or names no real date.
std::optional<std::chrono::year_month_day> parseDayKey(std::string_view key);

}  // namespace tavrik::TimeKit
