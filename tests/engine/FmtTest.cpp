#include "engine/Fmt.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(FmtNum, PicksTheUnitByTheUnroundedValue) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},          {999.4, "999"},    {999.5, "1000"},   {1000, "1.0k"},
        {1234, "1.2k"},    {9999, "10.0k"},   {10000, "10k"},    {12345, "12k"},
        {999999, "1000k"}, {1000000, "1.0M"}, {1234567, "1.2M"}, {2500000000, "2.5B"},
        {-42.6, "-43"},    {-5000, "-5000"},  {-0.4, "0"},       {0.5, "1"},
        {-0.5, "-1"},
    };
    for (const auto& [v, text] : cases) {
        EXPECT_EQ(Fmt::num(v), text) << v;
    }
}

TEST(FmtMoney, TwoDecimalsBelowTenThenWholeDollarsThenThousandsMillionsBillions) {
    // The double 0.125 is an exact tie: rounded half to even, as printf does.
    const std::pair<double, const char*> cases[] = {
        {0, "$0.00"},           {3.456, "$3.46"},     {9.999, "$10.00"},    {10, "$10"},
        {999.4, "$999"},        {999.6, "$1000"},     {1000, "$1.0k"},      {12345, "$12.3k"},
        {999999.9, "$1000.0k"}, {1000000, "$1.0M"},   {25005000, "$25.0M"}, {999999999, "$1000.0M"},
        {1e9, "$1.0B"},         {999.9e9, "$999.9B"}, {0.125, "$0.12"}};
    for (const auto& [v, text] : cases) {
        EXPECT_EQ(Fmt::money(v), text) << v;
    }
}

TEST(FmtHumanDate, WritesShortEnglishMonthAndDay) {
    EXPECT_EQ(Fmt::humanDate(std::string("2025-01-05")), "Jan 5");
    EXPECT_EQ(Fmt::humanDate(std::string("1999-12-31")), "Dec 31");
    EXPECT_EQ(Fmt::humanDate(std::nullopt), "");
    EXPECT_EQ(Fmt::humanDate(std::string("2025-02-30")), "");
    EXPECT_EQ(Fmt::humanDate(std::string("yesterday")), "");
}

}  // namespace
}  // namespace tavrik
