// Runs inside with-keyring.sh: a private session bus with a throwaway gnome-keyring.

#include "account/SessionKeychain.h"
#include "account/StatsSync.h"
#include "prefs/Prefs.h"
#include "tests/account/AccountTestSupport.h"

#include <gtest/gtest.h>
#include <libsecret/secret.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// --- the whole account cycle against the local server, with the real keychain ---

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

    std::unique_ptr<AuthManager> keychainManager() {
        return makeManager(std::make_shared<KeychainSessionStore>());
    }

    Result<Done> syncNow(AuthManager& m, std::vector<std::string>& marked) {
        auto r = awaitResult<Done>([&](auto done) {
            StatsSync::syncNow(
                Stats{}, [&marked](const std::string& key) { marked.push_back(key); }, done, m);
        });
        return r ? *r : Result<Done>(AuthError::network("no completion"));
    }
};

// Returns whether any file below dir contains text.
bool anyFileContains(const std::filesystem::path& dir, const std::string& text) {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file()) {
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), {});
        if (content.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(KeychainCycle, SignInUploadRefreshSignOutAcrossRestarts) {
    const std::string user = "6f1c2a34-0000-4000-8000-00000000abcd";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::vector<std::string> marked;
    {
        auto m = keychainManager();
        EXPECT_FALSE(m->session());
        server.enqueue(ScriptedResponse::json(200, "{}"));
        ASSERT_TRUE(sendOTP(*m, "ada@example.org"));
        server.enqueue(ScriptedResponse::json(
            200, sessionAnswer("access-1", "refresh-1", user, R"(,"expires_in":3600)")));
        ASSERT_TRUE(verifyOTP(*m, "ada@example.org", "123456"));
        server.enqueue(ScriptedResponse::text(201, ""));
        ASSERT_TRUE(syncNow(*m, marked));
        EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer access-1");
    }
    {
        // A restart: the session comes back from the keyring.
        auto m = keychainManager();
        ASSERT_TRUE(m->session());
        EXPECT_EQ(m->session()->accessToken, "access-1");
        EXPECT_EQ(m->session()->userId, user);

        now += 3600 - 30;  // half a minute before expiry: the next upload refreshes first
        server.enqueue(ScriptedResponse::json(
            200, sessionAnswer("access-2", "refresh-2", user, R"(,"expires_in":3600)")));
        server.enqueue(ScriptedResponse::text(201, ""));
        ASSERT_TRUE(syncNow(*m, marked));
        const auto& requests = server.requests();
        ASSERT_EQ(requests.size(), 5u);
        EXPECT_EQ(requests[3].body, R"({"refresh_token":"refresh-1"})");
        EXPECT_EQ(requests[4].header("Authorization"), "Bearer access-2");
    }
    {
        // The refreshed session is the one that survives the next restart.
        auto m = keychainManager();
        ASSERT_TRUE(m->session());
        EXPECT_EQ(m->session()->refreshToken, "refresh-2");
        m->signOut();
    }
    {
        auto m = keychainManager();
        EXPECT_FALSE(m->session());
        EXPECT_TRUE(itemsInKeyring().empty());
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(marked.size(), 2u);
    for (const char* secret : {"access-1", "refresh-1", "access-2", "refresh-2"}) {
        EXPECT_EQ(out.find(secret), std::string::npos) << secret;
        EXPECT_EQ(err.find(secret), std::string::npos) << secret;
        // The preferences live below XDG_CONFIG_HOME; no token may end up there.
        if (const char* config = std::getenv("XDG_CONFIG_HOME")) {
            EXPECT_FALSE(anyFileContains(config, secret)) << secret;
        }
        if (const char* home = std::getenv("HOME")) {
            EXPECT_FALSE(anyFileContains(home, secret)) << secret;
        }
    }
}

}  // namespace
}  // namespace tavrik::test
