// The sign-in client against a scripted backend on 127.0.0.1, and the choice of its server.

#include "account/AuthManager.h"
#include "account/BoardServer.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <tuple>

namespace tavrik::test {
namespace {

using Auth = AccountTest;

// One conversation with the backend, from the first refused code to the refreshes: each step's
// request (target, body, headers), its result, and the session it leaves in memory and store.
TEST_F(Auth, EveryAnswerOfOneConversationLeavesTheRightSession) {
    auto m = makeManager(store, 300);
    const std::string email = "a\"b\\c@example.org";
    const std::map<QByteArray, QByteArray> bodies = {
        {"/auth/v1/otp", R"({"email":"a\"b\\c@example.org","create_user":true})"},
        {"/auth/v1/verify", R"({"type":"email","email":"a\"b\\c@example.org","token":"123456"})"},
        {"/auth/v1/token?grant_type=refresh_token", R"({"refresh_token":"r1"})"},
    };
    const auto answer = [](const char* extra, const char* mail = R"(,"email":"ada")") {
        return R"({"access_token":"a1","refresh_token":"r1","user":{"id":"u")" + QByteArray(mail)
               + "}" + extra + "}";
    };
    // The session held, as its seconds to expiry and its e-mail address; "" when signed out.
    const auto held = [](const std::optional<AuthSession>& s) -> std::string {
        if (!s) {
            return "";
        }
        EXPECT_EQ(s->accessToken + s->refreshToken + s->userId, "a1r1u");
        return std::to_string(std::lround(s->expiresAt - berlinEvening)) + " "
               + s->email.value_or("-");
    };
    const QByteArray no = R"({"msg":"No"})";
    const std::string decode = AuthError::decode().errorDescription();
    const struct {
        char call;   // s(end a code), v(erify it), t(oken, refreshed when due)
        int status;  // of the answer; 0: nothing may be sent, -1: no answer
        QByteArray answer;
        std::string result;  // the error's text; "" for success
        std::string after;
    } steps[] = {
        {'t', 0, "", "Not signed in", ""},
        {'s', 403, R"({"code":403,"msg":"Token has expired"})", "Token has expired", ""},
        {'s', 500, "<html>upstream exploded</html>", "Request failed (500)", ""},
        {'s', 400, R"({"error":"x","error_description":"No","msg":"y"})", "No", ""},
        {'s', 422, R"({"msg":7,"message":null,"error":"weak"})", "weak", ""},
        {'s', -1, "", "The request timed out.", ""},
        {'s', 200, "{}", "", ""},
        {'v', 200, "not json", decode, ""},
        {'v', 200, R"({"access_token":"a","refresh_token":"r","user":{"id":42}})", decode, ""},
        {'v', 200, answer(R"(,"expires_at":"soon")"), "", "3600 ada"},
        {'v', 200, answer(R"(,"expires_in":99,"expires_at":1738346461)"), "", "61 ada"},
        {'t', 0, "", "", "61 ada"},
        {'v', 200, answer(R"(,"expires_in":60)", ""), "", "60 -"},
        {'t', 503, no, "No", "60 -"},
        {'t', 403, no, "No", "60 -"},
        {'t', 401, no, "No", ""},
        {'v', 200, answer(R"(,"expires_in":60)"), "", "60 ada"},
        {'t', 400, no, "No", ""},
        {'v', 200, answer(R"(,"expires_in":60)"), "", "60 ada"},
        {'t', 200, answer(R"(,"expires_in":120)"), "", "120 ada"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        const std::size_t before = server.requests().size();
        if (step.status != 0) {
            server.enqueue(step.status < 0 ? ScriptedResponse::silence()
                                           : ScriptedResponse::json(step.status, step.answer));
        }
        const Result<Done> r =
            step.call == 's'   ? await<Done>([&](auto done) { m->sendOTP(email, done); })
            : step.call == 'v' ? verifyOTP(*m, email, "123456")
                               : await<Done>([&](auto done) {
                                     m->validAccessToken([done](auto t) {
                                         done(t ? Result<Done>(Done{}) : t.error());
                                     });
                                 });
        EXPECT_EQ(r ? "" : r.error().errorDescription(), step.result);
        EXPECT_EQ(held(m->session()), step.after);
        EXPECT_EQ(held(store->load()), step.after);
        ASSERT_EQ(server.requests().size(), before + (step.status != 0));
        if (step.status != 0) {
            const auto& q = server.requests().back();
            EXPECT_EQ(q.method + " " + q.body, "POST " + bodies.at(q.target));
            EXPECT_EQ(q.header("apikey"), QByteArray::fromStdString(testKey));
            EXPECT_EQ(q.header("Content-Type"), "application/json");
            EXPECT_FALSE(q.header("Authorization"));
        }
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

TEST_F(Auth, OverlappingRefreshesShareOneRequestAndSignOutWinsOverTheirAnswer) {
    storeSession(now + 10);
    auto m = makeManager();
    for (const bool signOut : {false, true}) {
        server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-new", "r2", userA)));
        std::vector<std::string> tokens;
        for (int i = 0; i < 2; ++i) {
            m->validAccessToken([&](auto r) { tokens.push_back(r ? r.value() : "-"); });
        }
        if (signOut) {
            m->signOut();
        }
        ASSERT_TRUE(waitUntil([&] { return tokens.size() == 2; }));
        drainEvents();
        EXPECT_EQ(tokens, std::vector<std::string>(2, signOut ? "-" : "access-new"));
        EXPECT_EQ(m->session().has_value(), !signOut);
        now += 3600;  // the new session, too, is about to expire
    }
    // A second refresh would reach the server on its own connection, perhaps only now.
    waitUntil([&] { return server.requests().size() > 2; }, 300);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST(BoardServer, UrlsAndKeysFollowTheBuildsRule) {
    const std::pair<const char*, std::optional<std::string>> urls[] = {
        {"http://127.0.0.1:54321//", "http://127.0.0.1:54321"},
        {"https://example.org/team-a/", "https://example.org/team-a"},
        {"board.example.org", std::nullopt},
        {"https://board.example.org?x=1", std::nullopt},
        {"https://board.example.org/#top", std::nullopt},
    };
    for (const auto& [text, expected] : urls) {
        EXPECT_EQ(BoardServer::normalizedUrl(text), expected) << text;
    }
    EXPECT_TRUE(BoardServer::validKey("sb_publishable_Ab-9.x"));
    for (const char* bad : {"", "key with space", "k\xC3\xA9y", "key\n"}) {
        EXPECT_FALSE(BoardServer::validKey(bad)) << bad;
    }
}

TEST(BoardServer, ThePreferencesWinAsAPairOverTheCompiledServer) {
    const BackendConfig compiled{"https://compiled.example.org", "compiled-key"};
    const BackendConfig mine{"https://mine.example.org", "my-key"};
    using Pref = std::optional<std::string>;
    const std::tuple<BackendConfig, Pref, Pref, BackendConfig> cases[] = {
        {compiled, {}, {}, compiled},
        {compiled, "https://mine.example.org/", "my-key", mine},
        {{}, "https://mine.example.org", "my-key", mine},
        // Half a pair is no server: the compiled key never goes to the user's host.
        {compiled, "https://mine.example.org", {}, {}},
        {compiled, {}, "my-key", {}},
        {{"https://compiled.example.org", ""}, {}, {}, {}},
    };
    for (const auto& [compiledPair, url, key, expected] : cases) {
        EXPECT_EQ(BoardServer::choose(compiledPair, url, key), expected)
            << url.value_or("<unset>") << " " << key.value_or("<unset>");
    }
}

}  // namespace
}  // namespace tavrik::test
