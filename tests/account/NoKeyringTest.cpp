// Runs with a session bus address that leads nowhere: the keychain must fail at once and
// silently, and the account must work as signed out, keeping a new session for this run.

#include "account/SessionKeychain.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik::test {
namespace {

const AuthSession session{"access-A", "refresh-A", 1738350000, "user-A", "ada@example.org"};

using NoKeyring = AccountTest;

TEST_F(NoKeyring, EveryCallFailsSilently) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    SessionKeychain::save(session);
    const auto loaded = SessionKeychain::load();
    SessionKeychain::remove();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "");
}

TEST_F(NoKeyring, TheManagerStartsSignedOutAndKeepsASessionForThisRun) {
    auto m = makeManager(std::make_shared<KeychainSessionStore>());
    EXPECT_FALSE(m->session());
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", "user-1", R"(,"expires_in":3600)")));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    ASSERT_TRUE(m->session());
    const auto t = token(*m);
    ASSERT_TRUE(t);
    EXPECT_EQ(t.value(), "access-1");
    // Nothing was kept: the next run starts signed out.
    EXPECT_FALSE(makeManager(std::make_shared<KeychainSessionStore>())->session());
}

}  // namespace
}  // namespace tavrik::test
