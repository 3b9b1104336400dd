#include "engine/JsonWriter.h"
#include "engine/Records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
    c.tokensOut = 1e20;
    c.linesAdded = 9;
    c.linesRemoved = 4;
    c.cost = 1.0 / 3;
    c.editedFiles = {"/a/b.cpp", "C:\\odd\npath"};
    c.minTs = 1741305600.123;
    c.maxTs = 1741392000;
    c.perDay["2025-03-07"] = {5, 0.25, 1000};
    return c;
}

TEST(RecordsJson, EmptyStatsRoundTripsWithOptionalKeysLeftOut) {
    const Stats empty;
    const auto json = toJson(empty);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->find("\"since\""), std::string::npos);
    EXPECT_EQ(json->find("\"until\""), std::string::npos);
    EXPECT_EQ(json->find("\"topModel\""), std::string::npos);
    EXPECT_NE(json->find("\"byHour\":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]"),
              std::string::npos);
    EXPECT_NE(json->find("\"models\":[]"), std::string::npos);
    EXPECT_NE(json->find("\"badges\":[]"), std::string::npos);
    const auto back = statsFromJson(*json);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, empty);
}

TEST(RecordsJson, ContributionRoundTripsExactly) {
    const FileContribution c = sampleContribution();
    const auto json = toJson(c);
    ASSERT_TRUE(json);
    const auto back = fileContributionFromJson(*json);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, c);
}

TEST(RecordsJson, FullStatsRoundTripsAndKeepsArrayOrder) {
    Stats s;
    s.since = "2025-01-01";
    s.until = "2025-02-01";
    s.topModel = "Opus 4.5";
    s.cost = 123.456;
    s.models = {{"b", "B", 1, 2, 3, 4, 5, 9}, {"a", "A", 1, 2, 3, 4, 5, 1}};
    s.badges = {{"first-blood", "\U0001FA78", "First Blood", "d", true}};
    const auto back = statsFromJson(*toJson(s));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, s);
    EXPECT_EQ(back->models[0].model, "b");
}

TEST(RecordsJson, KeysAreWrittenInDeclarationOrderAndCompactly) {
    const auto json = *toJson(FileContribution{});
    EXPECT_EQ(json.find(' '), std::string::npos);
    EXPECT_LT(json.find("\"models\""), json.find("\"activeDays\""));
    EXPECT_LT(json.find("\"editedFiles\""), json.find("\"perDay\""));
    EXPECT_EQ(json.rfind("{\"models\":{},\"activeDays\":[],", 0), 0u);
}

TEST(RecordsJson, MissingRequiredKeyFailsWholeDocument) {
    std::string json = *toJson(sampleContribution());
    const auto at = json.find(",\"perDay\"");
    ASSERT_NE(at, std::string::npos);
    json = json.substr(0, at) + "}";
    EXPECT_FALSE(fileContributionFromJson(json));
}

TEST(RecordsJson, MissingOrNullOptionalReadsAsAbsent) {
    FileContribution c;
    c.minTs = 5;
    std::string json = *toJson(c);
    const auto minAt = json.find("\"minTs\":5,");
    ASSERT_NE(minAt, std::string::npos);
    const std::string withoutMin = json.substr(0, minAt) + json.substr(minAt + 10);
    auto back = fileContributionFromJson(withoutMin);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->minTs);

    const std::string nullMin = json.substr(0, minAt) + "\"minTs\":null," + json.substr(minAt + 10);
    back = fileContributionFromJson(nullMin);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->minTs);
}

TEST(RecordsJson, SetsReadBackWhateverTheirOrder) {
    std::string json = *toJson(sampleContribution());
    const std::string sorted = "\"activeDays\":[\"2025-03-07\",\"2025-03-08\"]";
    const auto at = json.find(sorted);
    ASSERT_NE(at, std::string::npos);
    json.replace(at, sorted.size(), "\"activeDays\":[\"2025-03-08\",\"2025-03-07\"]");
    const auto back = fileContributionFromJson(json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->activeDays, sampleContribution().activeDays);
}

TEST(RecordsJson, WrongTypesFailTheDocument) {
    const std::string base = *toJson(FileContribution{});
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = base;
        const auto at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return s.replace(at, from.size(), to);
    };
    EXPECT_FALSE(fileContributionFromJson(replaced("\"prompts\":0", "\"prompts\":\"0\"")));
    EXPECT_FALSE(fileContributionFromJson(replaced("\"prompts\":0", "\"prompts\":1.5")));
    EXPECT_FALSE(fileContributionFromJson(replaced("\"cost\":0", "\"cost\":true")));
    EXPECT_FALSE(fileContributionFromJson(replaced("\"activeDays\":[]", "\"activeDays\":[1]")));
    EXPECT_FALSE(fileContributionFromJson(replaced("\"perDay\":{}", "\"perDay\":[]")));
    EXPECT_FALSE(
        fileContributionFromJson(replaced("\"prompts\":0", "\"prompts\":18446744073709551615")));
    // An hour profile must have exactly 24 entries.
    EXPECT_FALSE(fileContributionFromJson(
        replaced("[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]", "[0,0,0]")));
    // An integral number written with a fraction still names the integer.
    const auto integral = fileContributionFromJson(replaced("\"prompts\":0", "\"prompts\":7.0"));
    ASSERT_TRUE(integral);
    EXPECT_EQ(integral->prompts, 7);
    // Unknown keys are ignored.
    EXPECT_TRUE(fileContributionFromJson(replaced("{\"models\"", "{\"extra\":[1,{}],\"models\"")));
}

TEST(RecordsJson, NotJsonFails) {
    EXPECT_FALSE(statsFromJson(""));
    EXPECT_FALSE(statsFromJson("{"));
    EXPECT_FALSE(statsFromJson("[]"));
    EXPECT_FALSE(statsFromJson("\xff\xfe"));
}

TEST(RecordsJson, NonFiniteDoubleFailsTheWrite) {
    FileContribution c;
    c.cost = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(toJson(c));
    c.cost = 0;
    c.perDay["2025-01-01"].tokens = std::nan("");
    EXPECT_FALSE(toJson(c));
}

TEST(JsonWriter, EscapesWhatJsonRequires) {
    JsonWriter w;
    w.value(std::string_view("a\"b\\c\nd\x01\x7f\xc3\xa9", 11));
    EXPECT_EQ(*w.result(), "\"a\\\"b\\\\c\\nd\\u0001\x7f\xc3\xa9\"");
}

TEST(JsonWriter, DoublesUseTheShortestFormThatReadsBack) {
    JsonWriter w;
    w.beginArray();
    w.value(0.1);
    w.value(1e21);
    w.value(-0.0);
    w.value(std::int64_t{-42});
    w.endArray();
    EXPECT_EQ(*w.result(), "[0.1,1e+21,-0,-42]");
}

TEST(JsonWriter, PrettyStyleIndentsByTwo) {
    JsonWriter w(JsonWriter::Style::Pretty);
    w.beginObject();
    w.key("a");
    w.value(std::int64_t{1});
    w.key("b");
    w.beginArray();
    w.null();
    w.endArray();
    w.key("c");
    w.beginObject();
    w.endObject();
    w.endObject();
    EXPECT_EQ(*w.result(), "{\n  \"a\" : 1,\n  \"b\" : [\n    null\n  ],\n  \"c\" : {}\n}");
}

}  // namespace
}  // namespace tavrik
