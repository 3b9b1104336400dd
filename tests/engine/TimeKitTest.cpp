#include "engine/TimeKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ranges>

namespace tavrik {
namespace {

TEST(TimeKitEpoch, AcceptsWholeAndFractionalSecondsWithZOrOffset) {
    const std::pair<const char*, double> cases[] = {
        {"1970-01-01T00:00:00Z", 0.0},
        {"2025-03-07T12:34:56Z", 1741350896.0},
        {"2025-03-07T12:34:56.789Z", 1741350896.789},
        {"2025-03-07T14:34:56+02:00", 1741350896.0},
        {"2025-03-07T07:04:56-05:30", 1741350896.0},
        {"2025-03-07T12:34:56.123456789Z", 1741350896.123456789},  // every digit is kept
        {"1969-12-31T23:59:59.5Z", -0.5},
        {"2024-02-29T12:34:56Z", 1709210096.0},
    };
    for (const auto& [text, t] : cases) {
        EXPECT_EQ(TimeKit::epoch(text), t) << text;
    }
}

TEST(TimeKitEpoch, RejectsAnythingElse) {
    // One bad text between each pair of bars.
    const std::string_view bad =
        "|1741350896|2025-03-07|2025-03-07T12:34:56|2025-03-07 12:34:56Z|2025-03-07t12:34:56Z"
        "|2025-03-07T12:34:56z|2025-03-07T12:34Z|2025-03-07T12:34:56.Z|2025-03-07T12:34:56+0200"
        "|2025-03-07T12:34:56+02|2025-13-07T12:34:56Z|2025-02-29T12:34:56Z|2025-04-31T00:00:00Z"
        "|2025-03-07T24:00:00Z|2025-03-07T12:60:00Z|2025-03-07T12:34:60Z|2025-03-07T12:34:56Zjunk"
        "| 2025-03-07T12:34:56Z|2025-3-07T12:34:56Z|2025-03-07T12:34:56+24:00"
        "|2025-03-07T12:34:56+02:60|+025-03-07T12:34:56Z";
    for (const auto piece : std::views::split(bad, '|')) {
        const std::string_view text(piece.begin(), piece.end());
        EXPECT_FALSE(TimeKit::epoch(text)) << '"' << text << '"';
    }
}

TEST(TimeKitDayKey, UsesTheLocalCalendarDayAndHourAndParsesBackOnlyRealDates) {
    const std::tuple<const char*, const char*, const char*, int> cases[] = {
        {"Europe/Berlin", "2025-03-07T23:30:00Z", "2025-03-08", 0},  // after local midnight
        {"Europe/Berlin", "2025-03-07T22:59:59.999Z", "2025-03-07", 23},
        {"America/New_York", "2025-07-01T03:30:00Z", "2025-06-30", 23},  // EDT, UTC-4
        {"America/New_York", "2025-01-01T03:30:00Z", "2024-12-31", 22},  // EST, UTC-5
        {"UTC", "1969-12-31T23:59:59.5Z", "1969-12-31", 23},
        {"UTC", "0042-01-02T00:00:00Z", "0042-01-02", 0},
        {"UTC", "0000-01-01T04:58:20.5+09:30", "-001-12-31", 19},  // a year before 0
    };
    for (const auto& [zone, instant, day, hour] : cases) {
        const test::ScopedTimeZone scoped(zone);
        const double t = *TimeKit::epoch(instant);
        EXPECT_EQ(TimeKit::dateKey(t), day) << instant;
        EXPECT_EQ(TimeKit::local(t)->hour, hour) << instant;
    }
    EXPECT_EQ(TimeKit::dateKey(1e300), "0000-00-00");
    EXPECT_FALSE(TimeKit::local(std::nan("")));
    // Day keys parse back only when well formed and real.
    EXPECT_TRUE(TimeKit::parseDayKey("2024-02-29"));
    for (const char* bad : {"2025-02-29", "2025-1-05", "2025-01-05x", "2025/01/05"}) {
        EXPECT_FALSE(TimeKit::parseDayKey(bad)) << bad;
    }
}

}  // namespace
}  // namespace tavrik
