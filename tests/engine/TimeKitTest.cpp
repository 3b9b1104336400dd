#include "engine/TimeKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrik {
namespace {

using test::ScopedTimeZone;

TEST(TimeKitEpoch, AcceptsWholeAndFractionalSecondsWithZOrOffset) {
    EXPECT_EQ(TimeKit::epoch("1970-01-01T00:00:00Z"), 0.0);
    EXPECT_EQ(TimeKit::epoch("2025-03-07T12:34:56Z"), 1741350896.0);
    EXPECT_EQ(TimeKit::epoch("2025-03-07T12:34:56.789Z"), 1741350896.789);
    EXPECT_EQ(TimeKit::epoch("2025-03-07T14:34:56+02:00"), 1741350896.0);
    EXPECT_EQ(TimeKit::epoch("2025-03-07T07:04:56-05:30"), 1741350896.0);
    // Every digit of the fraction is kept.
    EXPECT_EQ(TimeKit::epoch("2025-03-07T12:34:56.123456789Z"), 1741350896.123456789);
    EXPECT_EQ(TimeKit::epoch("1969-12-31T23:59:59.5Z"), -0.5);
}

TEST(TimeKitEpoch, RejectsAnythingElse) {
    for (const char* bad : {
             "",
             "1741350896",
             "2025-03-07",
             "2025-03-07T12:34:56",
             "2025-03-07 12:34:56Z",
             "2025-03-07t12:34:56Z",
             "2025-03-07T12:34:56z",
             "2025-03-07T12:34Z",
             "2025-03-07T12:34:56.Z",
             "2025-03-07T12:34:56+0200",
             "2025-03-07T12:34:56+02",
             "2025-13-07T12:34:56Z",
             "2025-02-29T12:34:56Z",
             "2025-04-31T00:00:00Z",
             "2025-03-07T24:00:00Z",
             "2025-03-07T12:60:00Z",
             "2025-03-07T12:34:60Z",
             "2025-03-07T12:34:56Zjunk",
             " 2025-03-07T12:34:56Z",
             "2025-3-07T12:34:56Z",
             "2025-03-07T12:34:56+24:00",
             "2025-03-07T12:34:56+02:60",
             "+025-03-07T12:34:56Z",
         }) {
        EXPECT_FALSE(TimeKit::epoch(bad)) << bad;
    }
    EXPECT_TRUE(TimeKit::epoch("2024-02-29T12:34:56Z"));
}

TEST(TimeKitDateKey, UsesTheLocalCalendarDayAndHour) {
    const struct {
        const char* zone;
        const char* instant;
        const char* day;
        int hour;
    } cases[] = {
        {"Europe/Berlin", "2025-03-07T23:30:00Z", "2025-03-08", 0},  // after local midnight
        {"Europe/Berlin", "2025-03-07T22:59:59.999Z", "2025-03-07", 23},
        {"America/New_York", "2025-07-01T03:30:00Z", "2025-06-30", 23},  // EDT, UTC-4
        {"America/New_York", "2025-01-01T03:30:00Z", "2024-12-31", 22},  // EST, UTC-5
        {"UTC", "1969-12-31T23:59:59.5Z", "1969-12-31", 23},
        {"UTC", "0042-01-02T00:00:00Z", "0042-01-02", 0},
        {"UTC", "0000-01-01T04:58:20.5+09:30", "-001-12-31", 19},  // a year before 0
    };
    for (const auto& c : cases) {
        const ScopedTimeZone zone(c.zone);
        const double t = *TimeKit::epoch(c.instant);
        EXPECT_EQ(TimeKit::dateKey(t), c.day) << c.instant;
        EXPECT_EQ(TimeKit::local(t)->hour, c.hour) << c.instant;
    }
    EXPECT_EQ(TimeKit::dateKey(1e300), "0000-00-00");
    EXPECT_FALSE(TimeKit::local(std::nan("")));
}

TEST(TimeKitDayKey, ParsesOnlyWellFormedRealDates) {
    EXPECT_TRUE(TimeKit::parseDayKey("2024-02-29"));
    EXPECT_FALSE(TimeKit::parseDayKey("2025-02-29"));
    EXPECT_FALSE(TimeKit::parseDayKey("2025-1-05"));
    EXPECT_FALSE(TimeKit::parseDayKey("2025-01-05x"));
    EXPECT_FALSE(TimeKit::parseDayKey("2025/01/05"));
}

}  // namespace
}  // namespace tavrik
