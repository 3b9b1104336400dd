// The account area of the settings window against a scripted backend on 127.0.0.1: the three
// states, the validation messages, the buttons held down during requests, the amber error
// line, and the whole flow from sending a code to signing out.

#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"
#include "theme/Theme.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik::test {
namespace {

using Prefs::Key;

QJsonObject bodyOf(const RecordedRequest& r) {
    return QJsonDocument::fromJson(r.body).object();
}

bool allHidden(const std::vector<QWidget*>& views, bool hidden) {
    for (const QWidget* w : views) {
        if (w->isHidden() != hidden) {
            return false;
        }
    }
    return true;
}

Stats someStats() {
    Stats s;
    s.crackedScore = 64;
    s.linesAdded = 900;
    s.linesRemoved = 100;
    return s;
}

class AccountArea : public SettingsWindowTest {
protected:
    bool signedOutShown() const {
        return allHidden(c().emailRowViews, false) && allHidden(c().codeRowViews, true)
               && c().signOutButton->isHidden() && c().syncNowButton->isHidden()
               && c().lastSyncLabel->isHidden();
    }
    bool codeSentShown() const {
        return allHidden(c().emailRowViews, true) && allHidden(c().codeRowViews, false)
               && c().signOutButton->isHidden() && c().syncNowButton->isHidden()
               && c().lastSyncLabel->isHidden();
    }
    bool signedInShown() const {
        return allHidden(c().emailRowViews, true) && allHidden(c().codeRowViews, true)
               && !c().signOutButton->isHidden() && !c().syncNowButton->isHidden()
               && !c().lastSyncLabel->isHidden();
    }

    // Sends a code to ada@example.org through the window.
    void reachCodeSent() {
        server.enqueue(ScriptedResponse::json(200, "{}"));
        c().emailField->setText("ada@example.org");
        c().sendCodeButton->click();
        ASSERT_TRUE(waitForRequests(1));
        ASSERT_TRUE(codeSentShown());
    }
};

// --- the three states ---

TEST_F(AccountArea, SignedOutShowsOnlyTheEmailRow) {
    open();
    EXPECT_EQ(c().accountStatusLabel->text(), "Not signed in");
    EXPECT_TRUE(signedOutShown());
    EXPECT_EQ(errorLine(), "");
}

TEST_F(AccountArea, AfterSendingACodeOnlyTheCodeRowShows) {
    open();
    reachCodeSent();
    EXPECT_EQ(c().accountStatusLabel->text(), "Code sent to ada@example.org");
}

TEST_F(AccountArea, SignedInShowsTheAddressAndTheSyncControls) {
    signInStored();
    open();
    EXPECT_EQ(c().accountStatusLabel->text(), "Signed in as ada@example.org");
    EXPECT_TRUE(signedInShown());
    EXPECT_EQ(c().lastSyncLabel->text(), "Not synced yet");
    Prefs::setString(Key::lastSyncDate, "2025-01-30");
    window->refreshAccountUI();
    EXPECT_EQ(c().lastSyncLabel->text(), "Last synced 2025-01-30");
}

TEST_F(AccountArea, ASessionWithoutAddressIsSignedInAsUnknown) {
    signInStored(std::nullopt);
    open();
    EXPECT_EQ(c().accountStatusLabel->text(), "Signed in as unknown");
    EXPECT_TRUE(signedInShown());
}

TEST_F(AccountArea, ChangesMadeElsewhereReachTheOpenWindow) {
    signInStored();
    open();
    ASSERT_TRUE(signedInShown());
    auth->signOut();  // as a refresh rejected by the backend would
    EXPECT_EQ(c().accountStatusLabel->text(), "Not signed in");
    EXPECT_TRUE(signedOutShown());
}

TEST_F(AccountArea, SigningOutClearsACodeTypedEarlier) {
    open();
    reachCodeSent();
    c().codeField->setText("12345");
    auth->signOut();
    EXPECT_TRUE(signedOutShown());
    EXPECT_EQ(c().codeField->text(), "");
}

// --- sending the code ---

TEST_F(AccountArea, TheAddressIsSentWithoutSurroundingWhiteSpace) {
    open();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText("  \tada@example.org \n");
    c().sendCodeButton->click();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(server.requests()[0].target, "/auth/v1/otp");
    EXPECT_EQ(bodyOf(server.requests()[0])["email"].toString(), "ada@example.org");
    EXPECT_EQ(auth->pendingEmail(), "ada@example.org");
    EXPECT_EQ(c().accountStatusLabel->text(), "Code sent to ada@example.org");
}

TEST_F(AccountArea, AddressesWithoutAnAtSignAreRefusedWithoutARequest) {
    open();
    for (const char* typed : {"", "   ", " \n\t ", "ada.example.org"}) {
        SCOPED_TRACE(typed);
        c().emailField->setText(typed);
        c().sendCodeButton->click();
        EXPECT_EQ(errorLine(), "Enter a valid email address");
        EXPECT_TRUE(c().sendCodeButton->isEnabled());
    }
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(changes, 0) << "the account controls are not settings";
}

TEST_F(AccountArea, SendCodeIsHeldDownUntilTheAnswerArrives) {
    open();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    EXPECT_FALSE(c().sendCodeButton->isEnabled());
    c().sendCodeButton->click();  // ignored while disabled
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_TRUE(c().sendCodeButton->isEnabled());
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(AccountArea, ARejectedAddressShowsTheBackendsTextInAmber) {
    open();
    server.enqueue(ScriptedResponse::json(429, R"({"msg":"Email rate limit exceeded"})"));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(errorLine(), "Email rate limit exceeded");
    EXPECT_EQ(c().accountErrorLabel->palette().color(QPalette::WindowText), Theme::amber);
    EXPECT_TRUE(c().sendCodeButton->isEnabled());
    EXPECT_TRUE(signedOutShown());
    EXPECT_EQ(c().emailField->text(), "ada@example.org") << "the typed address is kept";
}

TEST_F(AccountArea, AnUnreachableBackendReEnablesTheButton) {
    // A port that was free a moment ago: nobody listens there now.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    auth = std::make_unique<AuthManager>(
        BackendConfig{"http://127.0.0.1:" + std::to_string(closedPort), testKey}, store);
    window = std::make_unique<SettingsWindowController>(*auth);
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    EXPECT_FALSE(c().sendCodeButton->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return c().sendCodeButton->isEnabled(); }));
    EXPECT_NE(errorLine(), "");
    EXPECT_TRUE(signedOutShown());
}

// --- verifying ---

TEST_F(AccountArea, TheCodeIsSentWithoutSurroundingWhiteSpace) {
    open();
    reachCodeSent();
    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", "user-1", R"(,"expires_in":3600)")));
    c().codeField->setText("  123456 \n");
    c().verifyButton->click();
    EXPECT_FALSE(c().verifyButton->isEnabled());
    ASSERT_TRUE(waitForRequests(2));
    const QJsonObject body = bodyOf(server.requests()[1]);
    EXPECT_EQ(server.requests()[1].target, "/auth/v1/verify");
    EXPECT_EQ(body["token"].toString(), "123456");
    EXPECT_EQ(body["email"].toString(), "ada@example.org");
    EXPECT_TRUE(c().verifyButton->isEnabled());
    EXPECT_TRUE(signedInShown());
    EXPECT_EQ(c().codeField->text(), "");
    EXPECT_EQ(c().emailField->text(), "");
}

TEST_F(AccountArea, CodesThatAreNotSixCharactersAreRefusedWithoutARequest) {
    open();
    reachCodeSent();
    for (const char* typed : {"12345", " 12345 ", "1234567", ""}) {
        SCOPED_TRACE(typed);
        c().codeField->setText(typed);
        c().verifyButton->click();
        EXPECT_EQ(errorLine(), "Enter the 6-digit code from your email");
        EXPECT_TRUE(c().verifyButton->isEnabled());
    }
    drainEvents();
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(AccountArea, AWrongCodeShowsTheBackendsTextAndKeepsTheCodeRow) {
    open();
    reachCodeSent();
    server.enqueue(ScriptedResponse::json(403, R"({"msg":"Token has expired or is invalid"})"));
    c().codeField->setText("000000");
    c().verifyButton->click();
    ASSERT_TRUE(waitForRequests(2));
    EXPECT_EQ(errorLine(), "Token has expired or is invalid");
    EXPECT_TRUE(c().verifyButton->isEnabled());
    EXPECT_TRUE(codeSentShown());
}

TEST_F(AccountArea, VerifyWhileSignedInDoesNothing) {
    signInStored();
    open();
    c().codeField->setText("123456");
    c().verifyButton->click();
    c().codeField->setText("12");
    c().verifyButton->click();
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(errorLine(), "");
    EXPECT_TRUE(c().verifyButton->isEnabled());
    EXPECT_EQ(auth->session()->accessToken, "access-old");
}

TEST_F(AccountArea, VerifyWithoutASentCodeDoesNothing) {
    open();
    c().codeField->setText("12");
    c().verifyButton->click();
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(errorLine(), "");
}

TEST_F(AccountArea, TheErrorLineIsClearedByTheNextRefresh) {
    open();
    c().sendCodeButton->click();
    ASSERT_EQ(errorLine(), "Enter a valid email address");
    window->refreshAccountUI();
    EXPECT_EQ(errorLine(), "");
}

TEST_F(AccountArea, ALongErrorWrapsAndTheContentGrowsToShowIt) {
    open();
    const int baseHeight = window->contentView()->height();
    server.enqueue(ScriptedResponse::json(
        500, QByteArray::fromStdString(
                 R"({"msg":")"
                 + std::string(
                     "The service is temporarily unavailable because of scheduled maintenance of "
                     "the authentication cluster; please try again in a few minutes")
                 + "\"}")));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    ASSERT_TRUE(waitForRequests(1));
    QLabel* line = c().accountErrorLabel;
    EXPECT_GT(line->height(), 16);
    EXPECT_GE(line->height(), line->heightForWidth(line->width()));
    EXPECT_EQ(window->contentView()->height(), baseHeight + line->height() - 16);
    window->refreshAccountUI();
    EXPECT_EQ(line->height(), 16);
    EXPECT_EQ(window->contentView()->height(), baseHeight);
}

// --- sync now ---

TEST_F(AccountArea, SyncNowBeforeTheFirstStatisticsSaysSo) {
    signInStored();
    open();
    c().syncNowButton->click();
    EXPECT_EQ(errorLine(), "No stats available yet");
    EXPECT_TRUE(c().syncNowButton->isEnabled());
    window->setStatsProvider({});  // no provider at all
    window->refreshAccountUI();
    c().syncNowButton->click();
    EXPECT_EQ(errorLine(), "No stats available yet");
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AccountArea, SyncNowInPrivateModeSendsNothing) {
    signInStored();
    Prefs::setBoolean(Key::privateMode, true);
    stats = someStats();
    open();
    c().syncNowButton->click();
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(errorLine(), "Sync failed: Private mode is on -- nothing leaves this computer");
    EXPECT_TRUE(c().syncNowButton->isEnabled());
    EXPECT_FALSE(Prefs::isSet(Key::lastSyncDate));
}

TEST_F(AccountArea, ARejectedUploadShowsSyncFailedAndKeepsTheDate) {
    signInStored();
    stats = someStats();
    open();
    server.enqueue(ScriptedResponse::json(500, ""));
    c().syncNowButton->click();
    EXPECT_FALSE(c().syncNowButton->isEnabled());
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(errorLine(), "Sync failed: Sync failed (500)");
    EXPECT_TRUE(c().syncNowButton->isEnabled());
    EXPECT_FALSE(Prefs::isSet(Key::lastSyncDate));
    EXPECT_EQ(c().lastSyncLabel->text(), "Not synced yet");
}

TEST_F(AccountArea, ARefreshRejectedDuringSyncSignsOutAndStillShowsTheFailure) {
    store->save(AuthSession{"access-old", "refresh-old", now + 30, "user-1", "ada@example.org"});
    stats = someStats();
    open();
    server.enqueue(ScriptedResponse::json(401, R"({"msg":"Invalid Refresh Token"})"));
    c().syncNowButton->click();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(server.requests()[0].target, "/auth/v1/token?grant_type=refresh_token");
    EXPECT_TRUE(signedOutShown());
    EXPECT_EQ(errorLine(), "Sync failed: Invalid Refresh Token");
}

TEST_F(AccountArea, ACompletionAfterTheWindowIsGoneIsDropped) {
    open();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    window = nullptr;
    ASSERT_TRUE(waitUntil([&] { return auth->pendingEmail().has_value(); }));
    drainEvents();
    EXPECT_EQ(auth->pendingEmail(), "ada@example.org");  // the manager went on alone
    auth->signOut();  // its change callback must not reach the destroyed window
    EXPECT_FALSE(auth->pendingEmail().has_value());
}

// --- end to end ---

TEST_F(AccountArea, SendVerifySyncAndSignOutInTheRealWindow) {
    stats = someStats();
    open();
    window->present();
    ASSERT_TRUE(signedOutShown());

    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText(" ada@example.org ");
    c().sendCodeButton->click();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(c().accountStatusLabel->text(), "Code sent to ada@example.org");
    EXPECT_TRUE(codeSentShown());

    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", "6f1c2a34-0000-4000-8000-00000000abcd",
                           R"(,"expires_in":3600)")));
    c().codeField->setText("654321");
    c().verifyButton->click();
    ASSERT_TRUE(waitForRequests(2));
    EXPECT_EQ(c().accountStatusLabel->text(), "Signed in as ada@example.org");
    EXPECT_TRUE(signedInShown());
    EXPECT_EQ(c().lastSyncLabel->text(), "Not synced yet");
    ASSERT_TRUE(store->load().has_value()) << "the session is kept in the session store";

    server.enqueue(ScriptedResponse::json(201, ""));
    c().syncNowButton->click();
    ASSERT_TRUE(waitForRequests(3));
    const RecordedRequest& upload = server.requests()[2];
    EXPECT_EQ(upload.target, "/rest/v1/scores");
    EXPECT_EQ(upload.header("Authorization"), "Bearer access-1");
    const QJsonObject row = bodyOf(upload);
    EXPECT_EQ(row["user_id"].toString(), "6f1c2a34-0000-4000-8000-00000000abcd");
    EXPECT_EQ(row["tavrik_score"].toInt(), 64);
    EXPECT_EQ(row["lines_all"].toInt(), 1000);
    EXPECT_EQ(Prefs::text(Key::lastSyncDate), "2025-01-31");
    EXPECT_EQ(c().lastSyncLabel->text(), "Last synced 2025-01-31");
    EXPECT_EQ(errorLine(), "");
    EXPECT_TRUE(c().syncNowButton->isEnabled());

    c().signOutButton->click();
    EXPECT_EQ(c().accountStatusLabel->text(), "Not signed in");
    EXPECT_TRUE(signedOutShown());
    EXPECT_FALSE(store->load().has_value());
    EXPECT_EQ(server.requests().size(), 3u) << "signing out sends nothing";
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace tavrik::test
