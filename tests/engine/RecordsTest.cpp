#include "engine/JsonWriter.h"
#include "engine/Records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace tavrik {
namespace {

FileContribution sampleContribution() {
    FileContribution c;
    c.models["claude-\"quoted\"\\model"] = {3, 10.5, 20, 30, 40};
    c.activeDays = {"2025-03-07", "2025-03-08"};
    c.byHour[0] = 1;
    c.byHour[23] = 7;
    c.prompts = 2;
    c.assistantMessages = 3;
    c.tokensIn = 0.1;
    c.tokensOut = 0x1p64;  // beyond what a JSON integer may hold
    c.linesAdded = 9;
    c.linesRemoved = 4;
    c.cost = 1.0 / 3;
    // Bytes that are not UTF-8, and text that starts with a NUL, must come back as they were.
    c.editedFiles = {"/a/b.cpp", "C:\\odd\npath", "name-\xff\xfe", std::string("\0x", 2)};
    c.minTs = 1741305600.123;
    c.maxTs = 1741392000;
    c.perDay["2025-03-07"] = {5, 0.25, 1000};
    c.perDay["\xc3"] = {};
    return c;
}

TEST(RecordsJson, RecordsRoundTripExactly) {
    const FileContribution c = sampleContribution();
    EXPECT_EQ(fileContributionFromJson(*toJson(c)), c);
    EXPECT_EQ(fileContributionFromJson(*toJson(FileContribution{})), FileContribution{});
    Stats s;
    s.since = "2025-01-01";
    s.topModel = "Opus 4.5";
    s.tokensOut = 2e19;
    s.models = {{"b", "B", 1, 2, 3, 4, 5, 9}, {"a\xff", "A", 1, 2, 3, 4, 5, 1}};
    s.badges = {{"first-blood", "\U0001FA78", "First Blood", "d", true}};
    EXPECT_EQ(statsFromJson(*toJson(s)), s);
    EXPECT_EQ(statsFromJson(*toJson(Stats{})), Stats{});
    // The writer escapes what JSON requires, and writes doubles in their shortest form that
    // reads back, with an exponent from 2^53 on.
    JsonWriter w;
    w.beginArray();
    w.value(std::string_view("a\"b\\c\nd\x01\x7f\xc3\xa9", 11));
    for (const double x : {0.1, 1e21, -0.0, 0x1p53 - 1, 0x1p53, -0x1p64, 1e16}) {
        w.value(x);
    }
    w.value(std::int64_t{-42});
    w.endArray();
    EXPECT_EQ(*w.result(),
              "[\"a\\\"b\\\\c\\nd\\u0001\x7f\xc3\xa9\",0.1,1e+21,-0,9007199254740991,"
              "9.007199254740992e+15,-1.8446744073709552e+19,1e+16,-42]");
    // Written compactly, optional keys left out while empty.
    const auto json = *toJson(Stats{});
    for (const char* key : {"\"since\"", "\"until\"", "\"topModel\"", " "}) {
        EXPECT_EQ(json.find(key), std::string::npos) << key;
    }
}

TEST(RecordsJson, ReadingFollowsTheKeyAndTypeRules) {
    const std::string base = *toJson(sampleContribution());
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"\"prompts\":2", "\"prompts\":\"2\"", false},
        {"\"prompts\":2", "\"prompts\":1.5", false},
        {"\"prompts\":2", "\"prompts\":18446744073709551615", false},
        {"\"prompts\":2", "\"prompts\":7.0", true},  // an integral number names the integer
        {"\"cost\":0.3333333333333333", "\"cost\":true", false},
        {"\"activeDays\":[", "\"activeDays\":[1,", false},
        {",\"perDay\":{", ",\"x\":{", false},  // a required key missing
        {"\"minTs\":1741305600.123", "\"minTs\":null", true},
        {"\"minTs\":1741305600.123,", "", true},
        {"\"byHour\":[1,", "\"byHour\":[", false},      // 23 entries
        {"\"byHour\":[1,", "\"byHour\":[1,1,", false},  // 25 entries
        {"\"2025-03-07\",\"2025-03-08\"", "\"2025-03-08\",\"2025-03-07\"", true},
        {"{\"models\"", "{\"extra\":[1,{}],\"models\"", true},
        {"\"\\u0000", "\"\\u0000z", false},  // a hex-coded text with a bad digit
    };
    for (const auto& [from, to, reads] : cases) {
        std::string json = base;
        const auto at = json.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        const auto back = fileContributionFromJson(json.replace(at, strlen(from), to));
        EXPECT_EQ(back.has_value(), reads) << to;
        EXPECT_TRUE(!back || !std::string_view(from).starts_with("\"minTs\"") || !back->minTs);
    }
    for (const char* bad : {"", "{", "[]", "\xff\xfe"}) {
        EXPECT_FALSE(statsFromJson(bad)) << bad;
    }
    // A figure JSON cannot hold fails the write, however deep.
    FileContribution c;
    c.perDay["2025-01-01"].tokens = std::nan("");
    EXPECT_FALSE(toJson(c));
}

}  // namespace
}  // namespace tavrik
