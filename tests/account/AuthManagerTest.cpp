// The sign-in client against a scripted backend on 127.0.0.1, and the session's stored form.

#include "account/AuthManager.h"
#include "account/AuthSession.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavrik::test {
namespace {

using Auth = AccountTest;

TEST(StoredSession, RoundTripsAndRefusesAMissingOrMistypedKey) {
    const AuthSession full{"a", "r", 1738350000.5, "u", "ada@example.org"};
    const std::string json = sessionToJson(full).value();
    EXPECT_EQ(json, R"({"accessToken":"a","refreshToken":"r","expiresAt":1738350000.5,)"
                    R"("userId":"u","email":"ada@example.org"})");
    EXPECT_EQ(sessionFromJson(json), full);
    EXPECT_EQ(sessionFromJson(R"({"userId":"u","x":[1],"expiresAt":1,"refreshToken":"r",)"
                              R"("accessToken":"a","email":null})"),
              (AuthSession{"a", "r", 1, "u", std::nullopt}));
    for (const std::string key : {"accessToken", "refreshToken", "expiresAt", "userId", "email"}) {
        const auto at = json.find('"' + key + '"');
        // A first copy of the key with a value of the wrong type, or the key renamed.
        EXPECT_FALSE(
            sessionFromJson(json.substr(0, at) + '"' + key + "\":true," + json.substr(at)));
        EXPECT_EQ(sessionFromJson(json.substr(0, at + 1) + "_" + json.substr(at + 1)).has_value(),
                  key == "email")
            << key;
    }
    // A session that cannot be written leaves the stored one alone.
    MemorySessionStore store;
    store.save(full);
    store.save({"a", "r", std::numeric_limits<double>::infinity(), "u", std::nullopt});
    EXPECT_EQ(store.load(), full);
}

TEST_F(Auth, EachOperationPostsItsBodyWithTheKeyAndNoAuthorization) {
    storeSession(now + 30);  // close to expiry: asking for a token refreshes
    auto m = makeManager();
    const std::tuple<const char*, const char*, std::function<void()>> cases[] = {
        {"/auth/v1/otp", R"({"email":"a\"b\\c@example.org","create_user":true})",
         [&] { sendOTP(*m, "a\"b\\c@example.org"); }},
        {"/auth/v1/verify", R"({"type":"email","email":"ada@example.org","token":"123456"})",
         [&] { verifyOTP(*m, "ada@example.org", "123456"); }},
        {"/auth/v1/token?grant_type=refresh_token", R"({"refresh_token":"refresh-old"})",
         [&] { token(*m); }},
    };
    for (const auto& [target, body, call] : cases) {
        server.enqueue(ScriptedResponse::json(400, "{}"));
        call();
        const auto& r = server.requests().back();
        EXPECT_EQ(r.method + " " + r.target, QByteArray("POST ") + target);
        EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
        EXPECT_EQ(r.header("Content-Type"), "application/json");
        EXPECT_FALSE(r.header("Authorization"));
        EXPECT_EQ(r.body, body);
    }
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(Auth, FailuresCarryTheBackendsFirstStringOrSayWhatWentWrong) {
    const std::pair<ScriptedResponse, AuthError> cases[] = {
        {ScriptedResponse::json(403, R"({"code":403,"msg":"Token has expired"})"),
         AuthError::server(403, "Token has expired")},
        {ScriptedResponse::text(500, "<html>upstream exploded</html>"),
         AuthError::server(500, "Request failed (500)")},
        {ScriptedResponse::json(
             400, R"({"error":"invalid_grant","error_description":"Invalid login","msg":"x"})"),
         AuthError::server(400, "Invalid login")},
        {ScriptedResponse::json(422, R"({"msg":7,"message":null,"error":"weak"})"),
         AuthError::server(422, "weak")},
        {ScriptedResponse::silence(), AuthError::network("The request timed out.")},
    };
    auto m = makeManager(store, 300);
    for (const auto& [answer, expected] : cases) {
        server.enqueue(answer);
        EXPECT_EQ(sendOTP(*m, "ada@example.org").error(), expected);
    }
    EXPECT_FALSE(m->pendingEmail());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(server.requests().size(), std::size(cases));
}

TEST_F(Auth, VerifyStoresTheSessionWithItsExpiryOrRefusesAnAnswerWithout) {
    const std::pair<QByteArray, std::optional<AuthSession>> cases[] = {
        {sessionAnswer("a1", "r1", userA, R"(,"expires_at":1738350000,"expires_in":99)"),
         AuthSession{"a1", "r1", 1738350000, userA, "ada@example.org"}},
        {sessionAnswer("a1", "r1", userA, R"(,"expires_in":120)"),
         AuthSession{"a1", "r1", berlinEvening + 120, userA, "ada@example.org"}},
        {sessionAnswer("a1", "r1", userA, R"(,"expires_at":"soon")"),
         AuthSession{"a1", "r1", berlinEvening + 3600, userA, "ada@example.org"}},
        {R"({"access_token":"a1","refresh_token":"r1","user":{"id":"u"},"expires_in":60})",
         AuthSession{"a1", "r1", berlinEvening + 60, "u", std::nullopt}},
        {R"({"access_token":"a1","refresh_token":"r1","user":{"id":42}})", std::nullopt},
        {"not json", std::nullopt},
    };
    for (const auto& [answer, expected] : cases) {
        SCOPED_TRACE(answer.toStdString());
        store->remove();
        auto m = makeManager();
        server.enqueue(ScriptedResponse::json(200, "{}"));
        ASSERT_TRUE(sendOTP(*m, "ada@example.org"));
        server.enqueue(ScriptedResponse::json(200, answer));
        const auto r = verifyOTP(*m, "ada@example.org", "123456");
        EXPECT_EQ(r ? std::optional<AuthError>() : r.error(),
                  expected ? std::nullopt : std::optional(AuthError::decode()));
        EXPECT_EQ(m->session(), expected);
        EXPECT_EQ(store->load(), expected);
        EXPECT_EQ(m->pendingEmail().has_value(), !expected);
    }
}

TEST_F(Auth, ChangingTheServerSignsOutAndDropsTheOldServersAnswers) {
    storeSession(now + 3600);
    auto m = makeManager();
    m->setConfig(m->config());  // the same server: nothing changes
    ASSERT_TRUE(m->session());
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("a1", "r1", userA)));
    std::optional<Result<Done>> late;
    m->verifyOTP("ada@example.org", "123456", [&late](Result<Done> r) { late.emplace(r); });
    m->setConfig(BackendConfig{server.baseUrl(), "another-key"});
    EXPECT_FALSE(m->session() || store->storedText());
    ASSERT_TRUE(waitUntil([&] { return late.has_value(); }));
    EXPECT_EQ(late->error(), AuthError::network(AuthManager::serverChangedText));
    EXPECT_FALSE(m->session()) << "an answer of the old server must not sign in";
}

TEST_F(Auth, ASessionIsRefreshedOnlyWithin60SecondsOfExpiry) {
    EXPECT_EQ(token(*makeManager()).error().errorDescription(), "Not signed in");
    storeSession(now + 61);
    auto m = makeManager();
    EXPECT_EQ(token(*m).value(), "access-old");
    EXPECT_TRUE(server.requests().empty());
    now += 1;  // 60 seconds left
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-new", "refresh-new", userA, R"(,"expires_in":3600)")));
    EXPECT_EQ(token(*m).value(), "access-new");
    const AuthSession expected{"access-new", "refresh-new", now + 3600, userA, "ada@example.org"};
    EXPECT_EQ(m->session(), expected);
    EXPECT_EQ(store->load(), expected);
    EXPECT_EQ(changes, 1);
}

TEST_F(Auth, ARefreshRejectedWith400Or401SignsOutOtherFailuresKeepTheSession) {
    for (const int status : {400, 401, 403, 503}) {
        storeSession(now - 5);
        auto m = makeManager();
        server.enqueue(ScriptedResponse::json(status, R"({"msg":"No"})"));
        EXPECT_EQ(token(*m).error(), AuthError::server(status, "No"));
        const bool signsOut = status == 400 || status == 401;
        EXPECT_EQ(m->session().has_value(), !signsOut) << status;
        EXPECT_EQ(store->storedText().has_value(), !signsOut) << status;
    }
}

TEST_F(Auth, OverlappingRefreshesShareOneRequestAndSignOutWinsOverTheirAnswer) {
    storeSession(now + 10);
    auto m = makeManager();
    std::vector<std::string> tokens;
    const auto ask = [&] {
        m->validAccessToken([&](Result<std::string> r) { tokens.push_back(r ? r.value() : "-"); });
    };
    for (const bool signOut : {false, true}) {
        server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "r2", userA)));
        tokens.clear();
        ask();
        ask();
        if (signOut) {
            m->signOut();
        }
        ASSERT_TRUE(waitUntil([&] { return tokens.size() == 2; }));
        drainEvents();
        EXPECT_EQ(tokens, std::vector<std::string>(2, signOut ? "-" : "access-new"));
        EXPECT_EQ(m->session().has_value(), !signOut);
        now += 3600;  // the new session, too, is about to expire
    }
    EXPECT_EQ(server.requests().size(), 2u);
}

}  // namespace
}  // namespace tavrik::test
