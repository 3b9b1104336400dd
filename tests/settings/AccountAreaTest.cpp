// The account area of the settings window against a scripted backend on 127.0.0.1: the
// states, the validation messages, the amber error line, the server's address and key, and
// the whole flow from sending a code to signing out.

#include "account/BoardServer.h"
#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"
#include "theme/Theme.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace tavrik::test {
namespace {

using Prefs::Key;

class AccountArea : public SettingsWindowTest {
protected:
    // Returns which parts show: e(mail row), c(ode row), s(ign out and sync), b(oard server).
    std::string shown() const {
        std::string parts;
        const auto add = [&parts](char name, const std::vector<QWidget*>& views) {
            const bool hidden = views.front()->isHidden();
            if (std::any_of(views.begin(), views.end(),
                            [hidden](const QWidget* w) { return w->isHidden() != hidden; })) {
                parts.push_back('?');  // a row half shown
            } else if (!hidden) {
                parts.push_back(name);
            }
        };
        add('e', c().emailRowViews);
        add('c', c().codeRowViews);
        add('s', {c().signOutButton, c().syncNowButton, c().lastSyncLabel});
        add('b', c().boardRowViews);
        return parts;
    }
    std::string status() const { return c().accountStatusLabel->text().toStdString(); }

    void sendCode(const char* typed, ScriptedResponse answer = ScriptedResponse::json(200, "{}")) {
        const std::size_t sent = server.requests().size();
        server.enqueue(std::move(answer));
        c().emailField->setText(typed);
        c().sendCodeButton->click();
        EXPECT_FALSE(c().sendCodeButton->isEnabled()) << "held down during the request";
        ASSERT_TRUE(waitForRequests(sent + 1));
    }
};

TEST_F(AccountArea, ShowsTheStateOfTheAccount) {
    signInStored(std::nullopt);
    open();
    EXPECT_EQ(status(), "Signed in as unknown");
    EXPECT_EQ(shown(), "s");
    EXPECT_EQ(c().lastSyncLabel->text(), "Not synced yet");
    Prefs::setString(Key::lastSyncDate, "2025-01-30");
    window->refreshAccountUI();
    EXPECT_EQ(c().lastSyncLabel->text(), "Last synced 2025-01-30");

    auth->signOut();  // elsewhere, as a refresh rejected by the backend would
    EXPECT_EQ(status(), "Not signed in");
    EXPECT_EQ(shown(), "eb");
    sendCode("ada@example.org");
    EXPECT_EQ(status(), "Code sent to ada@example.org");
    EXPECT_EQ(shown(), "cb");
    c().codeField->setText("12345");
    auth->signOut();
    EXPECT_EQ(c().codeField->text(), "") << "a code typed earlier is cleared";

    auth->setConfig({});
    EXPECT_EQ(status(), "No leaderboard server is configured");
    EXPECT_EQ(shown(), "b");
    EXPECT_EQ(changes, 0) << "the account controls are not settings";
}

TEST_F(AccountArea, RefusesWhatCannotBeRightWithoutARequest) {
    open();
    for (const char* typed : {"", " \n\t ", "ada.example.org"}) {
        c().emailField->setText(typed);
        c().sendCodeButton->click();
        EXPECT_EQ(errorLine(), "Enter a valid email address") << typed;
    }
    c().verifyButton->click();  // no code sent yet: nothing happens
    EXPECT_EQ(errorLine(), "Enter a valid email address");
    window->refreshAccountUI();
    EXPECT_EQ(errorLine(), "") << "the next refresh clears the line";

    sendCode("ada@example.org");
    for (const char* typed : {"12345", " 12345 ", "1234567", ""}) {
        c().codeField->setText(typed);
        c().verifyButton->click();
        EXPECT_EQ(errorLine(), "Enter the 6-digit code from your email") << typed;
    }
    drainEvents();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(c().sendCodeButton->isEnabled() && c().verifyButton->isEnabled());
}

TEST_F(AccountArea, ShowsTheBackendsTextInAmberAndKeepsWhatWasTyped) {
    open();
    sendCode("ada@example.org",
             ScriptedResponse::json(429, R"({"msg":"Email rate limit exceeded"})"));
    EXPECT_EQ(errorLine(), "Email rate limit exceeded");
    EXPECT_EQ(c().accountErrorLabel->palette().color(QPalette::WindowText), Theme::amber);
    EXPECT_EQ(shown(), "eb");
    EXPECT_EQ(c().emailField->text(), "ada@example.org");

    sendCode("ada@example.org");
    server.enqueue(ScriptedResponse::json(403, R"({"msg":"Token has expired or is invalid"})"));
    c().codeField->setText("000000");
    c().verifyButton->click();
    ASSERT_TRUE(waitForRequests(3));
    EXPECT_EQ(errorLine(), "Token has expired or is invalid");
    EXPECT_EQ(shown(), "cb");

    // A long message wraps, and the content grows to keep it in reach.
    const int baseHeight = window->contentView()->height();
    sendCode("ada@example.org",
             ScriptedResponse::json(500, R"({"msg":"The service is temporarily unavailable )"
                                         R"(because of scheduled maintenance of the )"
                                         R"(authentication cluster; try again later"})"));
    QLabel* line = c().accountErrorLabel;
    EXPECT_GE(line->height(), line->heightForWidth(line->width()));
    EXPECT_EQ(window->contentView()->height(), baseHeight + line->height() - 16);
}

TEST_F(AccountArea, SyncNowSaysWhyNothingWasUploaded) {
    store->save(AuthSession{"access-old", "refresh-old", now + 30, "user-1", "ada@example.org"});
    open();
    c().syncNowButton->click();
    EXPECT_EQ(errorLine(), "No stats available yet");

    stats = Stats{};
    Prefs::setBoolean(Key::privateMode, true);
    c().syncNowButton->click();
    EXPECT_EQ(errorLine(), "Sync failed: Private mode is on -- nothing leaves this computer");
    drainEvents();
    EXPECT_TRUE(server.requests().empty());

    // A refresh rejected during the upload signs out and still shows the failure.
    Prefs::setBoolean(Key::privateMode, false);
    server.enqueue(ScriptedResponse::json(401, R"({"msg":"Invalid Refresh Token"})"));
    c().syncNowButton->click();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(errorLine(), "Sync failed: Invalid Refresh Token");
    EXPECT_EQ(shown(), "eb");
    EXPECT_FALSE(Prefs::isSet(Key::lastSyncDate));
}

TEST_F(AccountArea, TheServerIsStoredOnlyWhenValidAndChangingItSignsOut) {
    signInStored();
    auth = std::make_unique<AuthManager>(BackendConfig{}, store);
    window = std::make_unique<SettingsWindowController>(*auth);
    ASSERT_EQ(shown(), "b") << "a stored session is of no use without a server";
    // Which addresses and keys are refused is the board server's rule; here, which line shows.
    for (const auto& [url, key, error] :
         {std::tuple{"board.example.org", "key", SettingsWindowController::invalidBoardUrlText},
          {"https://board.example.org", "", SettingsWindowController::invalidBoardKeyText}}) {
        c().boardUrlField->setText(url);
        c().boardKeyField->setText(key);
        c().boardSaveButton->click();
        EXPECT_EQ(errorLine(), error) << url;
        EXPECT_FALSE(Prefs::isSet(Key::boardUrl));
    }
    c().boardUrlField->setText(QString::fromStdString(" " + server.baseUrl() + "/ "));
    c().boardKeyField->setText(QString::fromStdString(testKey));
    c().boardSaveButton->click();
    EXPECT_EQ(auth->config(), (BackendConfig{server.baseUrl(), testKey}));
    EXPECT_EQ(c().boardUrlField->text().toStdString(), server.baseUrl());
    EXPECT_FALSE(auth->session());
    EXPECT_FALSE(store->load()) << "the old server's session is gone";
    EXPECT_EQ(shown(), "eb");

    c().boardUrlField->clear();
    c().boardKeyField->clear();
    c().boardSaveButton->click();
    EXPECT_FALSE(Prefs::isSet(Key::boardUrl) || Prefs::isSet(Key::boardKey));
    EXPECT_EQ(status(), BoardServer::noServerText);
    drainEvents();
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AccountArea, ACompletionAfterTheWindowIsGoneIsDropped) {
    open();
    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    window = nullptr;
    ASSERT_TRUE(waitUntil([&] { return auth->pendingEmail().has_value(); }));
    drainEvents();
    auth->signOut();  // its change callback must not reach the destroyed window
    EXPECT_FALSE(auth->pendingEmail().has_value());
}

TEST_F(AccountArea, SendVerifySyncAndSignOutInTheRealWindow) {
    stats = Stats{};
    stats->crackedScore = 64;
    open();
    window->present();
    sendCode("  \tada@example.org \n");
    EXPECT_EQ(QJsonDocument::fromJson(server.requests()[0].body)["email"].toString(),
              "ada@example.org");

    server.enqueue(ScriptedResponse::json(
        200, sessionAnswer("access-1", "refresh-1", "6f1c2a34-0000-4000-8000-00000000abcd",
                           R"(,"expires_in":3600)")));
    c().codeField->setText("  654321 \n");
    c().verifyButton->click();
    EXPECT_FALSE(c().verifyButton->isEnabled());
    ASSERT_TRUE(waitForRequests(2));
    EXPECT_EQ(QJsonDocument::fromJson(server.requests()[1].body)["token"].toString(), "654321");
    EXPECT_EQ(status(), "Signed in as ada@example.org");
    EXPECT_EQ(shown(), "s");
    EXPECT_EQ(c().emailField->text(), "");
    EXPECT_EQ(c().codeField->text(), "");

    server.enqueue(ScriptedResponse::json(201, ""));
    c().syncNowButton->click();
    EXPECT_FALSE(c().syncNowButton->isEnabled());
    ASSERT_TRUE(waitForRequests(3));
    EXPECT_EQ(QJsonDocument::fromJson(server.requests()[2].body)["tavrik_score"].toInt(), 64);
    EXPECT_EQ(c().lastSyncLabel->text(), "Last synced 2025-01-31");
    EXPECT_EQ(errorLine(), "");

    c().signOutButton->click();
    EXPECT_EQ(status(), "Not signed in");
    EXPECT_FALSE(store->load().has_value());
    EXPECT_EQ(server.requests().size(), 3u) << "signing out sends nothing";
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace tavrik::test
