// Runs inside with-keyring.sh: a private session bus with a throwaway gnome-keyring.

#include "account/SessionKeychain.h"
#include "prefs/Prefs.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>
#include <libsecret/secret.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrik::test {
namespace {

const SecretSchema& anySchema() {
    static const SecretSchema s = {
        "dev.tavrik.Test",
        SECRET_SCHEMA_DONT_MATCH_NAME,
        {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return s;
}

struct Item {
    std::string secret;
    std::string service;
};

// Returns every item of the service, straight from the Secret Service.
std::vector<Item> itemsInKeyring() {
    GError* error = nullptr;
    GList* found = secret_password_search_sync(
        &anySchema(),
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
        nullptr, &error, "service", SessionKeychain::serviceName, nullptr);
    EXPECT_EQ(error, nullptr) << (error ? error->message : "");
    g_clear_error(&error);
    std::vector<Item> items;
    for (GList* l = found; l; l = l->next) {
        auto* retrievable = SECRET_RETRIEVABLE(l->data);
        Item item;
        if (SecretValue* value =
                secret_retrievable_retrieve_secret_sync(retrievable, nullptr, nullptr)) {
            item.secret = secret_value_get_text(value);
            secret_value_unref(value);
        }
        GHashTable* attributes = secret_retrievable_get_attributes(retrievable);
        if (const auto* service =
                static_cast<const char*>(g_hash_table_lookup(attributes, "service"))) {
            item.service = service;
        }
        g_hash_table_unref(attributes);
        items.push_back(item);
    }
    g_list_free_full(found, g_object_unref);
    return items;
}

void plantItem(const char* text) {
    GError* error = nullptr;
    secret_password_store_sync(&anySchema(), SECRET_COLLECTION_DEFAULT, "planted", text, nullptr,
                               &error, "service", SessionKeychain::serviceName, nullptr);
    ASSERT_EQ(error, nullptr) << (error ? error->message : "");
}

bool insidePrivateKeyring(std::string& why) {
    if (const char* reason = std::getenv("TAVRIK_KEYRING_UNAVAILABLE")) {
        why = std::string("no keyring for the test: ") + reason;
        return false;
    }
    const char* marker = std::getenv("TAVRIK_TEST_KEYRING");
    if (!marker || std::string(marker) != "1") {
        why = "run through with-keyring.sh (ctest does), never against the user's own keyring";
        return false;
    }
    return true;
}

const AuthSession sessionA{"access-A", "refresh-A", 1738350000, "user-A", "ada@example.org"};
const AuthSession sessionB{"access-B", "refresh-B", 1738353600, "user-B", std::nullopt};
const std::string boardKey = "test-board-key-4711";

class Keychain : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!insidePrivateKeyring(why)) {
            GTEST_SKIP() << why;
        }
        SessionKeychain::remove();
        ASSERT_TRUE(itemsInKeyring().empty());
    }
};

TEST_F(Keychain, ASavedSessionLoadsBackFromOneItemOfTheService) {
    EXPECT_FALSE(SessionKeychain::load());
    SessionKeychain::save(sessionA);
    EXPECT_EQ(SessionKeychain::load(), sessionA);
    auto items = itemsInKeyring();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].service, "dev.tavrik.session");
    EXPECT_EQ(sessionFromJson(items[0].secret), sessionA);

    // Saving again replaces the item; a session without e-mail is stored without the key.
    SessionKeychain::save(sessionB);
    items = itemsInKeyring();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].secret.find("email"), std::string::npos);
    EXPECT_EQ(SessionKeychain::load(), sessionB);

    SessionKeychain::remove();
    EXPECT_TRUE(itemsInKeyring().empty());
    SessionKeychain::remove();  // nothing left to delete: still fine
}

TEST_F(Keychain, ADamagedItemLoadsNothingAndTheNextSaveReplacesIt) {
    plantItem(R"({"accessToken":"a","refreshToken":"r","expiresAt":1})");
    EXPECT_FALSE(SessionKeychain::load());
    SessionKeychain::save(sessionA);
    EXPECT_EQ(itemsInKeyring().size(), 1u);
    EXPECT_EQ(SessionKeychain::load(), sessionA);
}

// Runs the real program's dry run against the private keyring; returns its standard output.
std::string runDryRun(int& status) {
    const auto home = std::filesystem::temp_directory_path() / "tavrik-dry-run-home";
    std::filesystem::create_directories(home);
    const std::string command = "HOME='" + home.string() + "' XDG_CACHE_HOME='" + home.string()
                                + "/cache' '" TAVRIK_EXECUTABLE "' --sync-dry-run 2>&1";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
            out.append(buffer, n);
        }
        status = pclose(pipe);
    }
    std::filesystem::remove_all(home);
    return out;
}

TEST_F(Keychain, TheDryRunShowsTheUserFromTheKeyringAndNeitherTokenNorKey) {
    // The program reads its server from the same preferences folder (XDG_CONFIG_HOME).
    ASSERT_TRUE(Prefs::setString(Prefs::Key::boardUrl, "http://127.0.0.1:9"));
    ASSERT_TRUE(Prefs::setString(Prefs::Key::boardKey, boardKey));
    int status = -1;
    std::string out = runDryRun(status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find(R"(  "user_id" : "00000000-0000-0000-0000-000000000000")"),
              std::string::npos)
        << out;
    SessionKeychain::save(sessionA);
    out = runDryRun(status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("would POST http://127.0.0.1:9/rest/v1/scores"), std::string::npos) << out;
    EXPECT_NE(out.find(R"(  "user_id" : "user-A")"), std::string::npos) << out;
    for (const std::string& secret :
         {std::string("access-A"), std::string("refresh-A"), boardKey}) {
        EXPECT_EQ(out.find(secret), std::string::npos) << out;
    }
    EXPECT_EQ(SessionKeychain::load(), sessionA);  // read, not changed
}

// --- the account across restarts, with the real keychain ---

class KeychainCycle : public AccountTest {
protected:
    void SetUp() override {
        std::string why;
        if (!insidePrivateKeyring(why)) {
            GTEST_SKIP() << why;
        }
        AccountTest::SetUp();
        SessionKeychain::remove();
    }

    std::unique_ptr<AuthManager> restart() {
        return makeManager(std::make_shared<KeychainSessionStore>());
    }
};

TEST_F(KeychainCycle, TheLatestSessionSurvivesRestartsUntilSignOut) {
    const std::string user = "6f1c2a34-0000-4000-8000-00000000abcd";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", user, R"(,"expires_in":3600)")));
    ASSERT_TRUE(verifyOTP(*restart(), "ada@example.org", "123456"));

    auto m = restart();
    ASSERT_TRUE(m->session());
    EXPECT_EQ(m->session()->accessToken, "access-1");
    now += 3600 - 30;  // half a minute before expiry: asking for a token refreshes
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-2", "refresh-2", user, R"(,"expires_in":3600)")));
    ASSERT_TRUE(token(*m));
    EXPECT_EQ(server.requests()[1].body, R"({"refresh_token":"refresh-1"})");

    m = restart();
    ASSERT_TRUE(m->session());
    EXPECT_EQ(m->session()->refreshToken, "refresh-2");
    m->signOut();
    EXPECT_FALSE(restart()->session());
    EXPECT_TRUE(itemsInKeyring().empty());
    const std::string printed =
        testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    for (const char* secret : {"access-1", "refresh-1", "access-2", "refresh-2"}) {
        EXPECT_EQ(printed.find(secret), std::string::npos) << secret;
    }
}

}  // namespace
}  // namespace tavrik::test
