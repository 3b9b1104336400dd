// The account area of the settings window against a scripted backend on 127.0.0.1: the
// states, the validation messages, the amber error line, the server's address and key, and
// the whole flow from sending a code to signing out.

#include "account/BoardServer.h"
#include "account/SyncPrefs.h"
#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"

#include <QJsonDocument>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tavrik::test {
namespace {

using Prefs::Key;

class AccountArea : public SettingsWindowTest {
protected:
    // Returns which rows show: e(mail), c(ode), s(ign out and sync), b(oard server); a row
    // shown only in part shows as '?'.
    std::string shown() const {
        std::string rows;
        for (const auto& [name, views] :
             {std::pair{'e', c().emailRowViews},
              {'c', c().codeRowViews},
              {'b', c().boardRowViews},
              {'s', {c().signOutButton, c().syncNowButton, c().lastSyncLabel}}}) {
            const auto n = std::ranges::count_if(views, [](QWidget* w) { return !w->isHidden(); });
            rows += n == 0 ? "" : std::size_t(n) == views.size() ? std::string(1, name) : "?";
        }
        return rows;
    }
    std::string status() const { return c().accountStatusLabel->text().toStdString(); }
    std::string state() const { return status() + " / " + shown(); }

    void sendCode(const char* typed, ScriptedResponse answer = ScriptedResponse::json(200, "{}")) {
        const std::size_t sent = server.requests().size();
        server.enqueue(std::move(answer));
        c().emailField->setText(typed);
        c().sendCodeButton->click();
        EXPECT_FALSE(c().sendCodeButton->isEnabled()) << "held down during the request";
        ASSERT_TRUE(waitForRequests(sent + 1));
    }
    QJsonValue sent(std::size_t request, const char* key) const {
        return QJsonDocument::fromJson(server.requests().at(request).body)[key];
    }
};

// The whole flow, with what is refused on the way: an address or a code that cannot be right
// (no request; the bad address first, while the line is still empty), the backend's refusal
// (its text shown, what was typed kept), an upload without statistics or in private mode
// (nothing sent).
TEST_F(AccountArea, SendVerifySyncAndSignOutInTheRealWindow) {
    open();
    window->present();
    EXPECT_EQ(state(), "Not signed in / eb");
    for (const char* typed : {"ada.example.org", "", " \n\t "}) {
        c().emailField->setText(typed);
        c().sendCodeButton->click();
        EXPECT_EQ(errorLine(), "Enter a valid email address") << typed;
    }
    sendCode("ada@example.org",
             ScriptedResponse::json(429, R"({"msg":"Email rate limit exceeded"})"));
    EXPECT_EQ(errorLine(), "Email rate limit exceeded");
    EXPECT_EQ(c().emailField->text() + QString::fromStdString(shown()), "ada@example.orgeb");
    sendCode("  \tada@example.org \n");
    EXPECT_EQ(sent(1, "email"), "ada@example.org");
    EXPECT_EQ(state(), "Code sent to ada@example.org / cb");

    for (const char* typed : {"12345", " 12345 ", "1234567", ""}) {
        c().codeField->setText(typed);
        c().verifyButton->click();
        EXPECT_EQ(errorLine(), "Enter the 6-digit code from your email") << typed;
    }
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", userA, R"(,"expires_in":3600)")));
    c().codeField->setText("  654321 \n");
    c().verifyButton->click();
    ASSERT_TRUE(waitForRequests(3));
    EXPECT_EQ(sent(2, "token"), "654321");
    EXPECT_EQ(state(), "Signed in as ada@example.org / s");

    c().syncNowButton->click();
    EXPECT_EQ(errorLine(), "No stats available yet");
    stats = Stats{};
    stats->crackedScore = 64;
    Prefs::setBoolean(Key::privateMode, true);
    c().syncNowButton->click();
    EXPECT_EQ(errorLine(), "Sync failed: Private mode is on -- nothing leaves this computer");
    EXPECT_TRUE(SyncPrefs::read().privateMode && !SyncPrefs::read().leaderboardOptIn);
    Prefs::setBoolean(Key::privateMode, false);
    server.enqueue(ScriptedResponse::json(201, ""));
    c().syncNowButton->click();
    ASSERT_TRUE(waitForRequests(4));
    EXPECT_EQ(sent(3, "tavrik_score"), 64);
    EXPECT_EQ(SyncPrefs::read().lastSyncDate, "2025-01-31") << "what the daily upload reads";

    c().signOutButton->click();
    EXPECT_EQ(status(), "Not signed in");
    EXPECT_FALSE(store->load().has_value());
    EXPECT_EQ(server.requests().size(), 4u) << "signing out sends nothing";
    EXPECT_EQ(changes, 0) << "the account controls are not settings";
    // An answer that arrives after the window is gone is dropped.
    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    window = nullptr;
    ASSERT_TRUE(waitUntil([&] { return auth->pendingEmail().has_value(); }));
    drainEvents();
    auth->signOut();  // its change callback must not reach the destroyed window
}

// A refresh rejected during an upload signs out and still shows the failure; a sign-out
// elsewhere shows at once. The server's address and key are stored only when valid.
TEST_F(AccountArea, FollowsChangesMadeElsewhereAndStoresOnlyAValidServer) {
    storeSession(now + 30, std::nullopt);
    stats = Stats{};
    open();
    EXPECT_EQ(status(), "Signed in as unknown");
    server.enqueue(ScriptedResponse::json(401, R"({"msg":"Invalid Refresh Token"})"));
    c().syncNowButton->click();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(errorLine(), "Sync failed: Invalid Refresh Token");
    EXPECT_EQ(shown(), "eb");
    sendCode("ada@example.org");
    c().codeField->setText("12345");
    auth->signOut();
    EXPECT_EQ(state(), "Not signed in / eb");
    EXPECT_EQ(c().codeField->text(), "") << "a code typed earlier is cleared";

    // Which addresses are refused is the board server's rule; here, that the line shows.
    c().boardUrlField->setText("board.example.org");
    c().boardKeyField->setText("key");
    c().boardSaveButton->click();
    EXPECT_EQ(errorLine(), SettingsWindowController::invalidBoardUrlText);
    EXPECT_FALSE(Prefs::isSet(Key::boardUrl));
    c().boardUrlField->setText(QString::fromStdString(" " + server.baseUrl() + "/ "));
    c().boardKeyField->setText("sb_publishable_another");
    c().boardSaveButton->click();
    EXPECT_EQ(auth->config(), (BackendConfig{server.baseUrl(), "sb_publishable_another"}));
    EXPECT_EQ(c().boardUrlField->text().toStdString(), server.baseUrl());
    c().boardUrlField->clear();
    c().boardKeyField->clear();
    c().boardSaveButton->click();
    EXPECT_FALSE(Prefs::isSet(Key::boardUrl) || Prefs::isSet(Key::boardKey));
    EXPECT_EQ(state(), std::string(BoardServer::noServerText) + " / b");
    EXPECT_EQ(server.requests().size(), 2u) << "storing a server sends nothing";
}

}  // namespace
}  // namespace tavrik::test
