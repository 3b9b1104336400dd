#include "engine/Records.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(RecordsJson, EmptyStatsRoundTripsWithOptionalKeysLeftOut) {
    const Stats empty;
    const auto json = toJson(empty);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->find("\"since\""), std::string::npos);
    EXPECT_EQ(json->find("\"until\""), std::string::npos);
    EXPECT_EQ(json->find("\"topModel\""), std::string::npos);
    EXPECT_NE(json->find("\"byHour\":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]"),
              std::string::npos);
    const auto back = statsFromJson(*json);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, empty);
}

}  // namespace
}  // namespace tavrik
