#include "account/AuthSession.h"
#include "account/SessionStore.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

const AuthSession full{"acc", "ref", 1738350000.5, "6f1c2a34-0000-4000-8000-00000000abcd",
                       "ada@example.org"};

TEST(StoredSession, IsCompactJsonWithTheFiveKeys) {
    EXPECT_EQ(sessionToJson(full),
              R"({"accessToken":"acc","refreshToken":"ref","expiresAt":1738350000.5,)"
              R"("userId":"6f1c2a34-0000-4000-8000-00000000abcd","email":"ada@example.org"})");
}

TEST(StoredSession, RoundTripsWithAndWithoutEmail) {
    EXPECT_EQ(sessionFromJson(*sessionToJson(full)), full);
    AuthSession noEmail = full;
    noEmail.email.reset();
    const auto json = sessionToJson(noEmail);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->find("email"), std::string::npos);
    EXPECT_EQ(sessionFromJson(*json), noEmail);
}

TEST(StoredSession, KeyOrderUnknownKeysAndANullEmailDoNotMatter) {
    EXPECT_EQ(sessionFromJson(R"({"userId":"u","extra":[1],"expiresAt":12,"refreshToken":"r",)"
                              R"("accessToken":"a","email":null})"),
              (AuthSession{"a", "r", 12, "u", std::nullopt}));
}

TEST(StoredSession, MissingOrMistypedKeysGiveNothing) {
    for (const char* bad : {
             "",
             "not json",
             "[]",
             R"({"refreshToken":"r","expiresAt":1,"userId":"u"})",
             R"({"accessToken":"a","expiresAt":1,"userId":"u"})",
             R"({"accessToken":"a","refreshToken":"r","userId":"u"})",
             R"({"accessToken":"a","refreshToken":"r","expiresAt":1})",
             R"({"accessToken":"a","refreshToken":"r","expiresAt":"1","userId":"u"})",
             R"({"accessToken":1,"refreshToken":"r","expiresAt":1,"userId":"u"})",
             R"({"accessToken":"a","refreshToken":"r","expiresAt":1,"userId":"u","email":5})",
             R"({"accessToken":"a","refreshToken":"r","expiresAt":1,"userId":"u"} trailing)",
         }) {
        EXPECT_FALSE(sessionFromJson(bad)) << bad;
    }
}

TEST(StoredSession, ANonFiniteExpiryCannotBeStored) {
    AuthSession s = full;
    s.expiresAt = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(sessionToJson(s));
    MemorySessionStore store;
    store.save(full);
    store.save(s);
    EXPECT_EQ(store.load(), full);  // the failed save changed nothing
}

}  // namespace
}  // namespace tavrik
