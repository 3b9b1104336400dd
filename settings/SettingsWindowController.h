#pragma once

// SettingsWindowController: the one settings window of the application. A dark, scrolling
// column of controls: the overlay's statistic, sprite and accent; the card style; the notch's
// shape and alignment; privacy; and the leaderboard account (sign-in by e-mailed code,
// sign-out, manual upload).
//
// Every control writes its "tavrik." preference and then calls the change callback, on which
// the application re-renders. The account controls drive the AuthManager given at
// construction and the score upload; their failures end as one amber line. The controls sit
// at fixed positions in a 460-point-wide content view (one point is one pixel), which scrolls
// when it is taller than 560. Closing the window only hides it.
//
// Main thread only. Completions and account changes that arrive on another thread are moved
// to the main thread before a control is touched; none reaches a destroyed controller.

#include "engine/Records.h"
#include "prefs/Prefs.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStyle;
class QWidget;

namespace tavrik {

class AuthManager;
struct AuthError;

class SettingsWindowController final : public QObject {
    Q_OBJECT

public:
    using StatsProvider = std::function<std::optional<Stats>()>;

    static constexpr int contentWidth = 460;      // points
    static constexpr int maxVisibleHeight = 560;  // taller content scrolls
    static constexpr int minWindowHeight = 300;

    // The user-facing texts of the account area that do not come from the backend.
    static constexpr const char* invalidEmailText = "Enter a valid email address";
    static constexpr const char* invalidCodeText = "Enter the 6-digit code from your email";
    static constexpr const char* noStatsText = "No stats available yet";
    static constexpr const char* privateModeText =
        "Private mode is on -- nothing leaves this computer";

    // The controls, for the application and for tests that click them like a user would.
    struct Controls {
        QComboBox* notchRightStatPopup = nullptr;
        QComboBox* notchSpritePopup = nullptr;
        QComboBox* accentPopup = nullptr;
        QComboBox* cardStylePopup = nullptr;
        QLabel* flareLabel = nullptr;
        QLabel* roundLabel = nullptr;
        QLabel* widthLabel = nullptr;
        QLabel* xOffsetLabel = nullptr;
        QLabel* heightLabel = nullptr;
        QPushButton* flareMinus = nullptr;
        QPushButton* flarePlus = nullptr;
        QPushButton* roundMinus = nullptr;
        QPushButton* roundPlus = nullptr;
        QPushButton* widthMinus = nullptr;
        QPushButton* widthPlus = nullptr;
        QPushButton* xMinus = nullptr;
        QPushButton* xPlus = nullptr;
        QPushButton* heightMinus = nullptr;
        QPushButton* heightPlus = nullptr;
        QPushButton* resetButton = nullptr;
        QCheckBox* leaderboardCheckbox = nullptr;
        QCheckBox* privateModeCheckbox = nullptr;
        QLabel* accountStatusLabel = nullptr;
        QLineEdit* emailField = nullptr;
        QPushButton* sendCodeButton = nullptr;
        QLineEdit* codeField = nullptr;
        QPushButton* verifyButton = nullptr;
        QPushButton* signOutButton = nullptr;
        QPushButton* syncNowButton = nullptr;
        QLabel* lastSyncLabel = nullptr;
        QLabel* accountErrorLabel = nullptr;
        std::vector<QWidget*> emailRowViews;  // "Email" label, field, "Send code"
        std::vector<QWidget*> codeRowViews;   // "Code" label, field, "Verify"
        std::vector<QLabel*> headers;         // section titles, top to bottom
    };

    // Builds the window (hidden) and its controls from the stored preferences, and follows
    // the account state of auth from now on. auth must outlive the controller.
    explicit SettingsWindowController(AuthManager& auth, std::function<void()> onChange = {},
                                      StatsProvider statsProvider = {}, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Sets the callback run after every preference the window writes.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // Sets the source of the statistics that "Sync now" uploads.
    void setStatsProvider(StatsProvider provider) { m_statsProvider = std::move(provider); }

    QWidget* window() const { return m_window.get(); }
    QWidget* contentView() const { return m_content; }
    QScrollArea* scrollArea() const { return m_scroll; }
    const Controls& controls() const { return m_c; }

    // Reloads the pop-ups, check boxes and shape labels from the preferences.
    void refreshControls();
    // Reloads the five values between the − and + buttons.
    void refreshShapeLabels();
    // Shows the account state (signed in, code sent, signed out) and clears the error line.
    void refreshAccountUI();
    // Reloads every control, then shows the window centred on the screen under the pointer,
    // in front and focused.
    void present();

private:
    void buildUI();
    QLabel* addHeader(const QString& title, int& y);
    void addRow(const QString& label, QWidget* control, int& y);
    QWidget* makeStepper(QLabel*& valueLabel, QPushButton*& minus, QPushButton*& plus);

    void rightStatChanged(int index);
    void spriteChanged(int index);
    void accentChanged(int index);
    void cardStyleChanged(int index);
    void flarePlus();
    void flareMinus();
    void roundPlus();
    void roundMinus();
    void widthPlus();
    void widthMinus();
    void xPlus();
    void xMinus();
    void heightPlus();
    void heightMinus();
    void step(Prefs::Key key, bool up);
    void resetShapeAndAlignment();
    void leaderboardChanged(bool on);
    void privateModeChanged(bool on);
    void sendCodeTapped();
    void verifyTapped();
    void signOutTapped();
    void syncNowTapped();

    void finishSync(const std::optional<AuthError>& error);
    void showError(const QString& text);
    void changed();

    AuthManager& m_auth;
    std::function<void()> m_onChange;
    StatsProvider m_statsProvider;

    std::unique_ptr<QWidget> m_window;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QStyle* m_style = nullptr;  // one style for every control, so the dark palette holds
    Controls m_c;
    int m_baseContentHeight = 0;  // without a wrapped error line
};

}  // namespace tavrik
