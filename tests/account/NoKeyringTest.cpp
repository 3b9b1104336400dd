// Runs with a session bus address that leads nowhere: the keychain must fail at once and
// silently, and the account must work as signed out, keeping a new session for this run.

#include "account/SessionKeychain.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik::test {
namespace {

using NoKeyring = AccountTest;

TEST_F(NoKeyring, EveryCallFailsSilentlyAndASessionLastsForThisRun) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    auto m = makeManager(std::make_shared<KeychainSessionStore>());
    EXPECT_FALSE(m->session());
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-1", "refresh-1", userA)));
    ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
    EXPECT_EQ(token(*m).value(), "access-1");
    SessionKeychain::save(*m->session());
    EXPECT_FALSE(SessionKeychain::load());
    SessionKeychain::remove();
    EXPECT_EQ(testing::internal::GetCapturedStderr() + testing::internal::GetCapturedStdout(), "");
    // Nothing was kept: the next run starts signed out.
    EXPECT_FALSE(makeManager(std::make_shared<KeychainSessionStore>())->session());
}

}  // namespace
}  // namespace tavrik::test
