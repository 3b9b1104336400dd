#include "engine/Pricing.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(Pricing, TableNamesThenSubstringsInOrderThenTheDefault) {
    EXPECT_EQ(Pricing::baseFor("claude-opus-4-5"), (Rate{5, 25}));
    EXPECT_EQ(Pricing::baseFor("Claude-OPUS-x"), (Rate{5, 25}));
    EXPECT_EQ(Pricing::baseFor("claude-3-5-haiku"), (Rate{1, 5}));
    EXPECT_EQ(Pricing::baseFor("my-fable-model"), (Rate{10, 50}));
    // "gpt" is tested before "opus".
    EXPECT_EQ(Pricing::baseFor("gpt-opus"), (Rate{1.25, 10}));
    // A dated Sonnet name is not in the table and gets the default.
    EXPECT_EQ(Pricing::baseFor("claude-sonnet-4-5-20250929"), (Rate{3, 15}));
    EXPECT_EQ(Pricing::baseFor(""), (Rate{3, 15}));
}

TEST(Pricing, CostRulePricesCacheFromTheInputRate) {
    const Rate r{3, 15};
    EXPECT_DOUBLE_EQ(Pricing::cost(r, 1e6, 0, 0, 0), 3);
    EXPECT_DOUBLE_EQ(Pricing::cost(r, 0, 1e6, 0, 0), 15);
    EXPECT_DOUBLE_EQ(Pricing::cost(r, 0, 0, 1e6, 0), 0.3);
    EXPECT_DOUBLE_EQ(Pricing::cost(r, 0, 0, 0, 1e6), 3.75);
    // The exact order of operations: the rate is divided first, then multiplied.
    const double in = 200, out = 50, cr = 800;
    const Rate g{1.25, 10};
    EXPECT_EQ(Pricing::cost(g, in, out, cr, 0),
              in * (1.25 / 1e6) + out * (10 / 1e6) + cr * ((1.25 * 0.1) / 1e6) + 0.0);
}

TEST(Pricing, DisplayNamesDropAnEightDigitDateSuffixAndUpperCaseGpt) {
    EXPECT_EQ(Pricing::prettyModel("claude-sonnet-4-5-20250929"), "Sonnet 4.5");
    EXPECT_EQ(Pricing::prettyModel("claude-opus-4-5-2025110"), "claude-opus-4-5-2025110");
    EXPECT_EQ(Pricing::prettyModel("claude-opus-4-5-202511011"), "claude-opus-4-5-202511011");
    EXPECT_EQ(Pricing::prettyModel("claude-opus-4-5-2025110x"), "claude-opus-4-5-2025110x");
    EXPECT_EQ(Pricing::prettyModel("x-20250101"), "x");
    // GPT names are upper-cased.
    EXPECT_EQ(Pricing::prettyModel("gpt-4o"), "GPT-4o");
    EXPECT_EQ(Pricing::prettyModel("gPt-x-gpt"), "GPT-x-GPT");
    EXPECT_EQ(Pricing::prettyModel("my-gpt"), "my-gpt");
}

}  // namespace
}  // namespace tavrik
