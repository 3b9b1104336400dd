#include "account/AuthManager.h"
#include "account/internal/JsonObject.h"
#include "tests/account/AccountTestSupport.h"

#include <QTcpServer>

#include <gtest/gtest.h>

namespace tavrik::test {
namespace {

using Kind = AuthError::Kind;

const std::string userA = "6f1c2a34-0000-4000-8000-00000000abcd";

// --- requests ---

using AuthRequests = AccountTest;

TEST_F(AuthRequests, SendOtpPostsTheAddressWithTheKeyAndNoAuthorization) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    ASSERT_TRUE(sendOTP(*m, "ada@example.org"));
    ASSERT_EQ(server.requests().size(), 1u);
    const auto& r = server.requests()[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/auth/v1/otp");
    EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
    EXPECT_EQ(r.header("Content-Type"), "application/json");
    EXPECT_FALSE(r.header("Authorization"));
    EXPECT_EQ(r.body, R"({"email":"ada@example.org","create_user":true})");
}

TEST_F(AuthRequests, VerifyPostsTypeAddressAndCode) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("a1", "r1", userA)));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    const auto& r = server.requests().at(0);
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/auth/v1/verify");
    EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
    EXPECT_EQ(r.header("Content-Type"), "application/json");
    EXPECT_FALSE(r.header("Authorization"));
    EXPECT_EQ(r.body, R"({"type":"email","email":"ada@example.org","token":"123456"})");
}

TEST_F(AuthRequests, RefreshPostsTheRefreshTokenWithTheGrantInTheQuery) {
    storeSession(now + 30);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("a2", "r2", userA)));
    ASSERT_TRUE(token(*m));
    const auto& r = server.requests().at(0);
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/auth/v1/token?grant_type=refresh_token");
    EXPECT_FALSE(r.header("Authorization"));
    EXPECT_EQ(r.header("apikey"), QByteArray::fromStdString(testKey));
    EXPECT_EQ(r.body, R"({"refresh_token":"refresh-old"})");
}

TEST_F(AuthRequests, AddressesWithQuotesAreEscapedInTheBody) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    ASSERT_TRUE(sendOTP(*m, "a\"b\\c@example.org"));
    EXPECT_EQ(server.requests().at(0).body,
              R"({"email":"a\"b\\c@example.org","create_user":true})");
}

TEST_F(AuthRequests, AnInvalidBaseUrlFailsWithoutARequest) {
    auto m = std::make_unique<AuthManager>(BackendConfig{"not a url", testKey}, store,
                                           AuthManager::Options{60'000, [this] { return now; }});
    const auto r = awaitResult<Done>([&](auto done) { m->sendOTP("ada@example.org", done); });
    ASSERT_TRUE(r);
    ASSERT_FALSE(*r);
    EXPECT_EQ(r->error(), AuthError::network("Invalid URL"));
    EXPECT_TRUE(server.requests().empty());
}

// --- answers and error texts ---

using AuthErrors = AccountTest;

TEST_F(AuthErrors, MsgWithStatus403BecomesTheServerMessage) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(403, R"({"code":403,"msg":"Token has expired"})"));
    const auto r = verifyOTP(*m, "ada@example.org", "000000");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), AuthError::server(403, "Token has expired"));
    EXPECT_EQ(r.error().errorDescription(), "Token has expired");
    EXPECT_FALSE(m->session());
    EXPECT_EQ(changes, 0);
}

TEST_F(AuthErrors, ANonJsonBodyWithStatus500SaysRequestFailed) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(500, "<html>upstream exploded</html>"));
    const auto r = sendOTP(*m, "ada@example.org");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), AuthError::server(500, "Request failed (500)"));
    EXPECT_FALSE(m->pendingEmail());
}

TEST_F(AuthErrors, TheFirstStringAmongTheKnownKeysWins) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(
        400, R"({"error":"invalid_grant","error_description":"Invalid login","msg":"x"})"));
    server.enqueue(ScriptedResponse::json(422, R"({"msg":7,"message":null,"error":"weak"})"));
    server.enqueue(ScriptedResponse::json(429, R"(["msg","not an object"])"));
    EXPECT_EQ(sendOTP(*m, "a@b.c").error(), AuthError::server(400, "Invalid login"));
    EXPECT_EQ(sendOTP(*m, "a@b.c").error(), AuthError::server(422, "weak"));
    EXPECT_EQ(sendOTP(*m, "a@b.c").error(), AuthError::server(429, "Request failed (429)"));
}

TEST_F(AuthErrors, ARefusedConnectionIsANetworkErrorWithAMessage) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const auto port = closed.serverPort();
    closed.close();
    auto m = std::make_unique<AuthManager>(
        BackendConfig{"http://127.0.0.1:" + std::to_string(port), testKey}, store,
        AuthManager::Options{60'000, [this] { return now; }});
    const auto r = awaitResult<Done>([&](auto done) { m->sendOTP("ada@example.org", done); });
    ASSERT_TRUE(r);
    ASSERT_FALSE(*r);
    EXPECT_EQ(r->error().kind, Kind::Network);
    EXPECT_FALSE(r->error().message.empty());
    EXPECT_FALSE(m->pendingEmail());
}

TEST_F(AuthErrors, ASilentServerTimesOut) {
    auto m = makeManager(store, 300);
    server.enqueue(ScriptedResponse::silence());
    const auto r = sendOTP(*m, "ada@example.org");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), AuthError::network("The request timed out."));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(AuthErrorText, FixedCasesHaveTheirSentences) {
    EXPECT_EQ(AuthError::decode().errorDescription(), "Unexpected response from server");
    EXPECT_EQ(AuthError::notSignedIn().errorDescription(), "Not signed in");
    EXPECT_EQ(AuthError::network("offline").errorDescription(), "offline");
    EXPECT_EQ(AuthError::server(409, "taken").errorDescription(), "taken");
}

// --- sign-in states ---

using AuthSignIn = AccountTest;

TEST_F(AuthSignIn, SendOtpRemembersTheAddressAndLeavesTheSessionAlone) {
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

TEST_F(AuthSignIn, VerifyWithExpiresAtStoresExactlyThatSession) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    ASSERT_TRUE(sendOTP(*m, "ada@example.org"));
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("a1", "r1", userA, R"(,"expires_at":1738350000,"expires_in":99)")));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    const AuthSession expected{"a1", "r1", 1738350000, userA, "ada@example.org"};
    EXPECT_EQ(m->session(), expected);
    EXPECT_FALSE(m->pendingEmail());
    EXPECT_EQ(store->load(), expected);
    EXPECT_EQ(changes, 2);
}

TEST_F(AuthSignIn, ExpiresInCountsFromWhenTheAnswerWasHandled) {
    auto m = makeManager();
    server.enqueue(
        ScriptedResponse::json(200, sessionAnswer("a1", "r1", userA, R"(,"expires_in":3600)")));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    EXPECT_EQ(m->session()->expiresAt, now + 3600);

    server.enqueue(
        ScriptedResponse::json(200, sessionAnswer("a2", "r2", userA, R"(,"expires_in":120)")));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    EXPECT_EQ(m->session()->expiresAt, now + 120);
}

TEST_F(AuthSignIn, WithoutAnyExpiryTheSessionLastsAnHour) {
    auto m = makeManager();
    server.enqueue(
        ScriptedResponse::json(200, sessionAnswer("a1", "r1", userA, R"(,"expires_at":"soon")")));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    EXPECT_EQ(m->session()->expiresAt, now + 3600);
}

TEST_F(AuthSignIn, AUserWithoutEmailGivesASessionWithoutEmail) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(
        200, R"({"access_token":"a1","refresh_token":"r1","user":{"id":"u-1"}})"));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    ASSERT_TRUE(m->session());
    EXPECT_FALSE(m->session()->email);
    ASSERT_TRUE(store->storedText());
    EXPECT_EQ(store->storedText()->find("email"), std::string::npos);
}

TEST_F(AuthSignIn, ASuccessWithoutTheSessionKeysIsADecodeError) {
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, R"({"access_token":"a1","refresh_token":"r1"})"));
    server.enqueue(ScriptedResponse::json(
        200, R"({"access_token":"a1","refresh_token":"r1","user":{"id":42}})"));
    server.enqueue(ScriptedResponse::text(200, "not json"));
    for (int i = 0; i < 3; ++i) {
        const auto r = verifyOTP(*m, "ada@example.org", "123456");
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), AuthError::decode());
    }
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
    EXPECT_EQ(changes, 0);
}

TEST_F(AuthSignIn, SignOutForgetsEverythingLocallyWithoutARequest) {
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

TEST_F(AuthSignIn, ANewManagerStartsFromTheStoredSession) {
    storeSession(now + 3600, std::nullopt);
    auto m = makeManager();
    ASSERT_TRUE(m->session());
    EXPECT_EQ(m->session()->userId, userA);
    EXPECT_FALSE(m->session()->email);
    EXPECT_FALSE(m->pendingEmail());
}

TEST_F(AuthSignIn, ADamagedStoredSessionReadsAsSignedOutAndIsReplacedOnSignIn) {
    store->setStoredText(R"({"accessToken":"a","refreshToken":"r","userId":"u"})");
    auto m = makeManager();
    EXPECT_FALSE(m->session());
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("a1", "r1", userA)));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    EXPECT_EQ(store->load(), m->session());
}

// --- access token and refresh ---

using AuthToken = AccountTest;

TEST_F(AuthToken, SignedOutFailsWithNotSignedInAndNoRequest) {
    auto m = makeManager();
    const auto r = token(*m);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().errorDescription(), "Not signed in");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AuthToken, ASessionWith61SecondsLeftIsUsedAsIs) {
    storeSession(now + 61);
    auto m = makeManager();
    const auto r = token(*m);
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value(), "access-old");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AuthToken, ASessionWith60SecondsLeftIsRefreshedFirst) {
    storeSession(now + 60);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-new", "refresh-new", userA, R"(,"expires_in":3600)")));
    const auto r = token(*m);
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value(), "access-new");
    EXPECT_EQ(server.requests().size(), 1u);
    const AuthSession expected{"access-new", "refresh-new", now + 3600, userA, "ada@example.org"};
    EXPECT_EQ(m->session(), expected);
    EXPECT_EQ(store->load(), expected);
    EXPECT_EQ(changes, 1);
}

TEST_F(AuthToken, A401OnRefreshSignsOutAndDeletesTheStoredSession) {
    storeSession(now - 5);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(401, R"({"msg":"Invalid Refresh Token"})"));
    const auto r = token(*m);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), AuthError::server(401, "Invalid Refresh Token"));
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
    EXPECT_EQ(changes, 1);
}

TEST_F(AuthToken, A400OnRefreshAlsoSignsOut) {
    storeSession(now - 5);
    auto m = makeManager();
    server.enqueue(
        ScriptedResponse::json(400, R"({"error_description":"Refresh Token Not Found"})"));
    EXPECT_EQ(token(*m).error(), AuthError::server(400, "Refresh Token Not Found"));
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
}

TEST_F(AuthToken, OtherRefreshFailuresKeepTheSession) {
    storeSession(now - 5);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::text(503, ""));
    server.enqueue(ScriptedResponse::json(200, R"({"access_token":"a"})"));
    EXPECT_EQ(token(*m).error(), AuthError::server(503, "Request failed (503)"));
    EXPECT_EQ(token(*m).error(), AuthError::decode());
    ASSERT_TRUE(m->session());
    EXPECT_EQ(m->session()->accessToken, "access-old");
    EXPECT_TRUE(store->storedText());
    EXPECT_EQ(changes, 0);
}

TEST_F(AuthToken, OverlappingRefreshesShareOneRequest) {
    storeSession(now + 10);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "r2", userA)));
    std::vector<std::string> tokens;
    for (int i = 0; i < 3; ++i) {
        m->validAccessToken(
            [&tokens](Result<std::string> r) { tokens.push_back(r ? r.value() : "error"); });
    }
    ASSERT_TRUE(waitUntil([&] { return tokens.size() == 3; }));
    drainEvents();
    EXPECT_EQ(tokens, (std::vector<std::string>{"access-new", "access-new", "access-new"}));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(AuthToken, ARefreshAnsweredAfterSignOutDoesNotSignBackIn) {
    storeSession(now + 10);
    auto m = makeManager();
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "r2", userA)));
    std::optional<Result<std::string>> result;
    m->validAccessToken([&result](Result<std::string> r) { result.emplace(std::move(r)); });
    m->signOut();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    drainEvents();
    ASSERT_FALSE(*result);
    EXPECT_EQ(result->error(), AuthError::notSignedIn());
    EXPECT_FALSE(m->session());
    EXPECT_FALSE(store->storedText());
}

}  // namespace
}  // namespace tavrik::test
