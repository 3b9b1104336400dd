#include "cli/ReportFormat.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavrik::cli {
namespace {

// The shortest text that reads back as the same double, with a fraction from 1e-4 up to 1e16
// and an exponent outside; one decimal rounds as printf does. The golden reports show the rest.
TEST(ReportDouble, ShortestRoundTripWithFractionOrExponent) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {1e16, "1e+16"},
        {1e-05, "1e-05"},
        {0.0001, "0.0001"},
        {9999999999999998.0, "9999999999999998.0"},
        {0.1 + 0.2, "0.30000000000000004"},
        {std::numeric_limits<double>::infinity(), "inf"}};
    for (const auto& [v, text] : cases) {
        EXPECT_EQ(reportDouble(v), text) << text;
    }
    EXPECT_EQ(oneDecimal(12.25), "12.2");  // exact tie, half to even
    EXPECT_EQ(oneDecimal(12.35), "12.3");  // 12.35 is slightly below the tie as a double
}

}  // namespace
}  // namespace tavrik::cli
