#include "account/AuthManager.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik::test {
namespace {

const std::string userA = "6f1c2a34-0000-4000-8000-00000000abcd";

using Auth = AccountTest;

// --- requests ---

TEST_F(Auth, EachOperationPostsItsBodyWithTheKeyAndNoAuthorization) {
    struct Case {
        const char* target;
        const char* body;
        std::function<void(AuthManager&)> call;
    };
    storeSession(now + 30);  // close to expiry: asking for a token refreshes
    auto m = makeManager();
    const Case cases[] = {
        {"/auth/v1/otp", R"({"email":"a\"b\\c@example.org","create_user":true})",
         [this](AuthManager& a) { sendOTP(a, "a\"b\\c@example.org"); }},
        {"/auth/v1/verify", R"({"type":"email","email":"ada@example.org","token":"123456"})",
         [this](AuthManager& a) { verifyOTP(a, "ada@example.org", "123456"); }},
        {"/auth/v1/token?grant_type=refresh_token", R"({"refresh_token":"refresh-old"})",
         [this](AuthManager& a) { token(a); }},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].target);
        server.enqueue(ScriptedResponse::json(400, "{}"));
        cases[i].call(*m);
        ASSERT_EQ(server.requests().size(), i + 1);
        const auto& r = server.requests()[i];
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.target, cases[i].target);
        EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
        EXPECT_EQ(r.header("Content-Type"), "application/json");
        EXPECT_FALSE(r.header("Authorization"));
        EXPECT_EQ(r.body, cases[i].body);
    }
}

// --- answers and error texts ---

TEST_F(Auth, RejectionsCarryTheBackendsFirstStringOrRequestFailed) {
    struct Case {
        ScriptedResponse answer;
        AuthError expected;
    };
    const Case cases[] = {
        {ScriptedResponse::json(403, R"({"code":403,"msg":"Token has expired"})"),
         AuthError::server(403, "Token has expired")},
        {ScriptedResponse::text(500, "<html>upstream exploded</html>"),
         AuthError::server(500, "Request failed (500)")},
        {ScriptedResponse::json(
             400, R"({"error":"invalid_grant","error_description":"Invalid login","msg":"x"})"),
         AuthError::server(400, "Invalid login")},
        {ScriptedResponse::json(422, R"({"msg":7,"message":null,"error":"weak"})"),
         AuthError::server(422, "weak")},
        {ScriptedResponse::json(429, R"(["msg","not an object"])"),
         AuthError::server(429, "Request failed (429)")},
    };
    auto m = makeManager();
    for (const Case& c : cases) {
        server.enqueue(c.answer);
        const auto r = sendOTP(*m, "ada@example.org");
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), c.expected);
    }
    EXPECT_FALSE(m->pendingEmail());
    EXPECT_EQ(changes, 0);
}

TEST_F(Auth, TransportFailuresAreNetworkErrors) {
    AuthManager refused(BackendConfig{unreachableUrl(), testKey}, store);
    const auto r = sendOTP(refused, "ada@example.org");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().kind, AuthError::Kind::Network);
    EXPECT_FALSE(r.error().message.empty());

    auto silent = makeManager(store, 300);
    server.enqueue(ScriptedResponse::silence());
    EXPECT_EQ(sendOTP(*silent, "ada@example.org").error(),
              AuthError::network("The request timed out."));

    AuthManager invalid(BackendConfig{"http://", testKey}, store);
    EXPECT_EQ(sendOTP(invalid, "ada@example.org").error(), AuthError::network("Invalid URL"));
    EXPECT_EQ(server.requests().size(), 1u);
}

// --- sign-in states ---

TEST_F(Auth, SendOtpRemembersTheLastAddressAndLeavesTheSessionAlone) {
    storeSession(now + 3600);
    auto m = makeManager();
    const auto before = m->session();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    server.enqueue(ScriptedResponse::json(200, "{}"));
    ASSERT_TRUE(sendOTP(*m, "first@example.org"));
    ASSERT_TRUE(sendOTP(*m, "second@example.org"));
    EXPECT_EQ(m->pendingEmail(), "second@example.org");
    EXPECT_EQ(m->session(), before);
    EXPECT_EQ(changes, 2);
}

TEST_F(Auth, VerifyStoresTheSessionWithItsExpiryAndAddress) {
    const std::string noEmail = R"({"access_token":"a1","refresh_token":"r1","user":{"id":")"
                                + userA + R"("},"expires_in":60})";
    const struct {
        QByteArray answer;
        AuthSession expected;
    } cases[] = {
        {sessionAnswer("a1", "r1", userA, R"(,"expires_at":1738350000,"expires_in":99)"),
         {"a1", "r1", 1738350000, userA, "ada@example.org"}},
        {sessionAnswer("a1", "r1", userA, R"(,"expires_in":120)"),
         {"a1", "r1", berlinEvening + 120, userA, "ada@example.org"}},
        {sessionAnswer("a1", "r1", userA, R"(,"expires_at":"soon")"),
         {"a1", "r1", berlinEvening + 3600, userA, "ada@example.org"}},
        {QByteArray::fromStdString(noEmail), {"a1", "r1", berlinEvening + 60, userA, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        auto m = makeManager();
        server.enqueue(ScriptedResponse::json(200, "{}"));
        ASSERT_TRUE(sendOTP(*m, "ada@example.org"));
        server.enqueue(ScriptedResponse::json(200, c.answer));
        ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
        EXPECT_EQ(m->session(), c.expected);
        EXPECT_EQ(store->load(), c.expected);
        EXPECT_FALSE(m->pendingEmail());
    }
    EXPECT_EQ(store->storedText()->find("email"), std::string::npos);
}

TEST_F(Auth, ASuccessWithoutTheSessionKeysIsADecodeError) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, R"({"access_token":"a1","refresh_token":"r1"})"));
    server.enqueue(ScriptedResponse::json(
        200, R"({"access_token":"a1","refresh_token":"r1","user":{"id":42}})"));
    server.enqueue(ScriptedResponse::text(200, "not json"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(verifyOTP(*m, "ada@example.org", "123456").error(), AuthError::decode());
    }
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
    EXPECT_EQ(changes, 0);
}

TEST_F(Auth, SignOutForgetsEverythingLocallyWithoutARequest) {
    storeSession(now + 3600);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    ASSERT_TRUE(sendOTP(*m, "other@example.org"));
    changes = 0;
    m->signOut();
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(m->pendingEmail());
    EXPECT_FALSE(store->storedText());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(Auth, ChangingTheServerSignsOutAndDropsTheOldServersAnswers) {
    storeSession(now + 3600);
    auto m = makeManager();
    m->setConfig(m->config());  // the same server: nothing changes
    ASSERT_TRUE(m->session());
    EXPECT_EQ(changes, 0);

    server.enqueue(ScriptedResponse::json(200, sessionAnswer("a1", "r1", userA)));
    std::optional<Result<Done>> late;
    m->verifyOTP("ada@example.org", "123456", [&late](Result<Done> r) { late.emplace(r); });
    m->setConfig(BackendConfig{server.baseUrl(), "another-key"});
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
    ASSERT_TRUE(waitUntil([&] { return late.has_value(); }));
    EXPECT_EQ(late->error(), AuthError::network(AuthManager::serverChangedText));
    EXPECT_FALSE(m->session()) << "an answer of the old server must not sign in";
}

// --- access token and refresh ---

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
    EXPECT_EQ(server.requests().size(), 1u);
    const AuthSession expected{"access-new", "refresh-new", now + 3600, userA, "ada@example.org"};
    EXPECT_EQ(m->session(), expected);
    EXPECT_EQ(store->load(), expected);
    EXPECT_EQ(changes, 1);
}

TEST_F(Auth, ARefreshRejectedWith400Or401SignsOut) {
    for (const int status : {400, 401}) {
        SCOPED_TRACE(status);
        storeSession(now - 5);
        auto m = makeManager();
        server.enqueue(ScriptedResponse::json(status, R"({"msg":"Invalid Refresh Token"})"));
        EXPECT_EQ(token(*m).error(), AuthError::server(status, "Invalid Refresh Token"));
        EXPECT_FALSE(m->session());
        EXPECT_FALSE(store->storedText());
    }
}

TEST_F(Auth, OtherRefreshFailuresKeepTheSession) {
    storeSession(now - 5);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(503, ""));
    server.enqueue(ScriptedResponse::json(200, R"({"access_token":"a"})"));
    EXPECT_EQ(token(*m).error(), AuthError::server(503, "Request failed (503)"));
    EXPECT_EQ(token(*m).error(), AuthError::decode());
    EXPECT_EQ(m->session()->accessToken, "access-old");
    EXPECT_TRUE(store->storedText());
    EXPECT_EQ(changes, 0);
}

TEST_F(Auth, OverlappingRefreshesShareOneRequest) {
    storeSession(now + 10);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "r2", userA)));
    std::vector<std::string> tokens;
    for (int i = 0; i < 3; ++i) {
        m->validAccessToken(
            [&tokens](Result<std::string> r) { tokens.push_back(r ? r.value() : "error"); });
    }
    ASSERT_TRUE(waitUntil([&] { return tokens.size() == 3; }));
    EXPECT_EQ(tokens, (std::vector<std::string>(3, "access-new")));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(Auth, ARefreshAnsweredAfterSignOutDoesNotSignBackIn) {
    storeSession(now + 10);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "r2", userA)));
    std::optional<Result<std::string>> result;
    m->validAccessToken([&result](Result<std::string> r) { result.emplace(std::move(r)); });
    m->signOut();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    drainEvents();
    EXPECT_EQ(result->error(), AuthError::notSignedIn());
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
}

}  // namespace
}  // namespace tavrik::test
