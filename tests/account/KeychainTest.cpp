// Runs inside with-keyring.sh: a private session bus with a throwaway gnome-keyring.

#include "account/SessionKeychain.h"
#include "prefs/Prefs.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/TempDir.h"

#include <QSettings>

#include <gtest/gtest.h>
#include <libsecret/secret.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace tavrik::test {
namespace {

// Matches the service's items whatever schema name wrote them.
const SecretSchema anySchema = [] {
    SecretSchema schema{};
    schema.name = "dev.tavrik.Test";
    schema.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return schema;
}();

// Returns how many items of the service the Secret Service holds.
guint itemsInKeyring() {
    GList* found = secret_password_search_sync(&anySchema, SECRET_SEARCH_ALL, nullptr, nullptr,
                                               "service", SessionKeychain::serviceName, nullptr);
    const guint count = g_list_length(found);
    g_list_free_full(found, g_object_unref);
    return count;
}

const AuthSession sessionA{"access-A", "refresh-A", 1738350000, "user-A", "ada@example.org"};
const AuthSession sessionB{"access-B", "refresh-B", 1738353600, "user-B", std::nullopt};

// Never the user's own keyring: only inside the private one that with-keyring.sh starts.
class Keychain : public AccountTest {
protected:
    void SetUp() override {
        if (const char* reason = std::getenv("TAVRIK_KEYRING_UNAVAILABLE")) {
            GTEST_SKIP() << "no keyring for the test: " << reason;
        }
        if (std::getenv("TAVRIK_TEST_KEYRING") != std::string_view("1")) {
            GTEST_SKIP() << "run through with-keyring.sh (ctest does)";
        }
        AccountTest::SetUp();
        SessionKeychain::remove();
        ASSERT_EQ(itemsInKeyring(), 0u);
    }

    std::unique_ptr<AuthManager> restart() {
        return makeManager(std::make_shared<KeychainSessionStore>());
    }
};

// A saved session replaces any item of the service and loads back. A start for someone who never
// signed in must not wake the Secret Service: the store asks the keyring only once it has put a
// session there itself. The real program reads that session and the server from the same keyring
// and preferences; no token reaches a file or the output.
TEST_F(Keychain, OnlyASessionTheStorePutThereIsReadAndTheLatestLastsUntilSignOut) {
    ASSERT_TRUE(Prefs::setString(Prefs::Key::boardUrl, "http://127.0.0.1:9"));
    ASSERT_TRUE(Prefs::setString(Prefs::Key::boardKey, testKey));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    // A damaged item, written under another schema name, loads nothing.
    secret_password_store_sync(&anySchema, SECRET_COLLECTION_DEFAULT, "planted",
                               R"({"accessToken":"a"})", nullptr, nullptr, "service",
                               SessionKeychain::serviceName, nullptr);
    EXPECT_FALSE(SessionKeychain::load());
    for (const AuthSession& session : {sessionA, sessionB}) {
        SessionKeychain::save(session);
        EXPECT_EQ(SessionKeychain::load(), session);
        EXPECT_EQ(itemsInKeyring(), 1u);
    }
    EXPECT_FALSE(restart()->session()) << "an item the preferences know nothing of";
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", userA, R"(,"expires_in":3600)")));
    ASSERT_TRUE(verifyOTP(*restart(), "ada@example.org", "123456"));
    auto m = restart();
    EXPECT_EQ(m->session().value().accessToken, "access-1");
    now += 3600 - 30;  // half a minute before expiry: asking for a token refreshes
    server.enqueue(ScriptedResponse::json(200, sessionAnswer("access-2", "refresh-2", userA)));
    ASSERT_TRUE(token(*m));
    EXPECT_EQ(restart()->session().value().refreshToken, "refresh-2");
    TempDir home;
    const auto [ok, out] =
        shell("HOME=" + home.path().string() + " XDG_CACHE_HOME=" + home.path().string()
              + " '" TAVRIK_EXECUTABLE "' --sync-dry-run");
    EXPECT_TRUE(ok && out.find(R"("user_id" : ")" + userA + '"') != std::string::npos) << out;
    EXPECT_EQ(out.find(testKey), std::string::npos) << out;
    std::ifstream file(QSettings("Tavrik", "Tavrik").fileName().toStdString());
    const std::string written = testing::internal::GetCapturedStdout()
                                + testing::internal::GetCapturedStderr() + out
                                + std::string(std::istreambuf_iterator<char>(file), {});
    for (const char* secret : {"access-1", "refresh-1", "access-2", "refresh-2"}) {
        EXPECT_EQ(written.find(secret), std::string::npos) << secret;
    }
    m->signOut();
    EXPECT_FALSE(restart()->session());
    EXPECT_EQ(itemsInKeyring(), 0u);
    EXPECT_FALSE(Prefs::boolean(Prefs::Key::sessionStored));
}

}  // namespace
}  // namespace tavrik::test
