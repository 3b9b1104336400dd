#include "settings/SettingsWindowController.h"

#include "account/AuthError.h"
#include "account/AuthManager.h"
#include "account/StatsSync.h"
#include "account/SyncPrefs.h"
#include "prefs/Prefs.h"
#include "theme/Font.h"
#include "theme/Sprites.h"
#include "theme/Theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

namespace tavrik {
namespace {

// Fixed layout of the content view, in points from its top-left corner.
constexpr int leftMargin = 24;
constexpr int columnWidth = 412;
constexpr int firstHeaderY = 20;
constexpr int bottomMargin = 8;
constexpr int controlX = 246;
constexpr int controlWidth = 190;
constexpr int controlHeight = 24;
constexpr int errorLineHeight = 16;

constexpr QColor fieldBg{36, 37, 38};
constexpr QColor buttonBg{52, 53, 54};
constexpr QColor disabledText{98, 100, 96};

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dark appearance of the controls: Theme.bg behind everything, Theme.fg for text.
QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, Theme::bg);
    p.setColor(QPalette::WindowText, Theme::fg);
    p.setColor(QPalette::Base, fieldBg);
    p.setColor(QPalette::AlternateBase, QColor(38, 39, 39));
    p.setColor(QPalette::Text, Theme::fg);
    p.setColor(QPalette::PlaceholderText, Theme::muted);
    p.setColor(QPalette::Button, buttonBg);
    p.setColor(QPalette::ButtonText, Theme::fg);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, Theme::blue);
    p.setColor(QPalette::HighlightedText, Theme::fg);
    p.setColor(QPalette::ToolTipBase, buttonBg);
    p.setColor(QPalette::ToolTipText, Theme::fg);
    p.setColor(QPalette::Light, QColor(84, 85, 86));
    p.setColor(QPalette::Midlight, QColor(64, 65, 66));
    p.setColor(QPalette::Mid, QColor(40, 41, 41));
    p.setColor(QPalette::Dark, QColor(20, 21, 21));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Link, Theme::blue);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, disabledText);
    }
    p.setColor(QPalette::Disabled, QPalette::Button, QColor(30, 31, 31));
    return p;
}

void setTextColor(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    w->setPalette(p);
}

QFont systemFont(int px, QFont::Weight weight = QFont::Normal) {
    QFont f = QApplication::font();
    f.setPixelSize(px);
    f.setWeight(weight);
    return f;
}

QLabel* pixelLabel(QWidget* parent, const QString& text, int px, const QColor& color) {
    auto* label = new QLabel(text, parent);
    label->setFont(Font::pixel(px));
    setTextColor(label, color);
    return label;
}

// Runs f on the thread of ctx: at once when the caller is already there, else queued. Nothing
// runs once ctx is gone.
template <class F>
void onOwnerThread(const QPointer<SettingsWindowController>& ctx, F f) {
    if (!ctx) {
        return;
    }
    QMetaObject::invokeMethod(
        ctx.data(),
        [ctx, f = std::move(f)]() mutable {
            if (ctx) {
                f(*ctx);
            }
        },
        Qt::AutoConnection);
}

}  // namespace

SettingsWindowController::SettingsWindowController(AuthManager& auth,
                                                   std::function<void()> onChange,
                                                   StatsProvider statsProvider, QObject* parent)
    : QObject(parent),
      m_auth(auth),
      m_onChange(std::move(onChange)),
      m_statsProvider(std::move(statsProvider)) {
    m_window = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                     | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    m_window->setWindowTitle(QStringLiteral("Tavrik Settings"));
    m_window->setObjectName(QStringLiteral("tavrikSettingsWindow"));
    // Fusion draws every control from the palette, so the window stays dark whatever style
    // the desktop would pick.
    m_style = QStyleFactory::create(QStringLiteral("Fusion"));
    if (m_style != nullptr) {
        m_style->setParent(this);
    }
    m_window->setPalette(darkPalette());
    m_window->setAutoFillBackground(true);
    m_window->setFont(systemFont(13));

    buildUI();

    QPointer<SettingsWindowController> self(this);
    m_auth.setOnChange(
        [self] { onOwnerThread(self, [](SettingsWindowController& c) { c.refreshAccountUI(); }); });
}

SettingsWindowController::~SettingsWindowController() = default;

QLabel* SettingsWindowController::addHeader(const QString& title, int& y) {
    if (y != firstHeaderY) {
        y += 14;
    }
    auto* label = new QLabel(title.toUpper(), m_content);
    label->setFont(systemFont(11, QFont::DemiBold));
    setTextColor(label, Theme::muted);
    label->setGeometry(leftMargin, y, columnWidth, 16);
    m_c.headers.push_back(label);
    y += 24;
    return label;
}

void SettingsWindowController::addRow(const QString& text, QWidget* control, int& y) {
    auto* label = pixelLabel(m_content, text, 12, Theme::fg);
    label->setGeometry(leftMargin, y + 4, 210, 16);
    control->setParent(m_content);
    control->setGeometry(controlX, y, controlWidth, controlHeight);
    y += 34;
}

QWidget* SettingsWindowController::makeStepper(QLabel*& valueLabel, QPushButton*& minus,
                                               QPushButton*& plus) {
    auto* box = new QWidget(m_content);
    box->resize(controlWidth, controlHeight);
    minus = new QPushButton(QStringLiteral("\u2212"), box);
    minus->setGeometry(0, 0, 32, 24);
    valueLabel = pixelLabel(box, QString(), 12, Theme::fg);
    valueLabel->setAlignment(Qt::AlignCenter);
    valueLabel->setGeometry(36, 4, 118, 16);
    plus = new QPushButton(QStringLiteral("+"), box);
    plus->setGeometry(158, 0, 32, 24);
    return box;
}

void SettingsWindowController::buildUI() {
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("settingsContent"));
    m_content->setAutoFillBackground(true);

    auto* rightStat = new QComboBox;
    for (const auto label : Prefs::wingStatLabels) {
        rightStat->addItem(qs(label));
    }
    auto* sprite = new QComboBox;
    for (const SpriteDef& def : Sprites::all()) {
        sprite->addItem(qs(def.name));
    }
    auto* accent = new QComboBox;
    for (const AccentTheme& theme : Accent::all()) {
        accent->addItem(qs(theme.name));
    }
    auto* cardStyle = new QComboBox;
    for (const auto label : Theme::cardBackgroundLabels) {
        cardStyle->addItem(qs(label));
    }
    m_c.notchRightStatPopup = rightStat;
    m_c.notchSpritePopup = sprite;
    m_c.accentPopup = accent;
    m_c.cardStylePopup = cardStyle;
    // activated, not currentIndexChanged: only the user's choice writes a preference, never
    // refreshControls() selecting the stored one.
    connect(rightStat, &QComboBox::activated, this, &SettingsWindowController::rightStatChanged);
    connect(sprite, &QComboBox::activated, this, &SettingsWindowController::spriteChanged);
    connect(accent, &QComboBox::activated, this, &SettingsWindowController::accentChanged);
    connect(cardStyle, &QComboBox::activated, this, &SettingsWindowController::cardStyleChanged);

    int y = firstHeaderY;
    addHeader(QStringLiteral("Notch"), y);
    addRow(QStringLiteral("Right stat"), rightStat, y);
    addRow(QStringLiteral("Left sprite"), sprite, y);
    addRow(QStringLiteral("Accent color"), accent, y);

    addHeader(QStringLiteral("Card"), y);
    addRow(QStringLiteral("Card style"), cardStyle, y);

    addHeader(QStringLiteral("Notch shape & alignment"), y);
    struct StepperRow {
        const char* title;
        QLabel*& label;
        QPushButton*& minus;
        QPushButton*& plus;
        void (SettingsWindowController::*minusAction)();
        void (SettingsWindowController::*plusAction)();
    };
    const StepperRow steppers[] = {
        {"Flare (top corners)", m_c.flareLabel, m_c.flareMinus, m_c.flarePlus,
         &SettingsWindowController::flareMinus, &SettingsWindowController::flarePlus},
        {"Bottom radius", m_c.roundLabel, m_c.roundMinus, m_c.roundPlus,
         &SettingsWindowController::roundMinus, &SettingsWindowController::roundPlus},
        {"Width offset", m_c.widthLabel, m_c.widthMinus, m_c.widthPlus,
         &SettingsWindowController::widthMinus, &SettingsWindowController::widthPlus},
        {"X offset", m_c.xOffsetLabel, m_c.xMinus, m_c.xPlus, &SettingsWindowController::xMinus,
         &SettingsWindowController::xPlus},
        {"Height offset", m_c.heightLabel, m_c.heightMinus, m_c.heightPlus,
         &SettingsWindowController::heightMinus, &SettingsWindowController::heightPlus},
    };
    for (const StepperRow& row : steppers) {
        QWidget* box = makeStepper(row.label, row.minus, row.plus);
        connect(row.minus, &QPushButton::clicked, this, row.minusAction);
        connect(row.plus, &QPushButton::clicked, this, row.plusAction);
        addRow(QString::fromUtf8(row.title), box, y);
    }
    // "&&" shows one ampersand; a single one would mark the next letter as a shortcut.
    m_c.resetButton = new QPushButton(QStringLiteral("Reset shape && alignment"), m_content);
    m_c.resetButton->setGeometry(leftMargin, y, columnWidth, 24);
    connect(m_c.resetButton, &QPushButton::clicked, this,
            &SettingsWindowController::resetShapeAndAlignment);
    y += 34;

    addHeader(QStringLiteral("Privacy"), y);
    m_c.leaderboardCheckbox = new QCheckBox(QStringLiteral("Join the leaderboard"), m_content);
    m_c.leaderboardCheckbox->setGeometry(leftMargin, y, columnWidth, 20);
    y += 30;
    m_c.privateModeCheckbox =
        new QCheckBox(QStringLiteral("Private mode (nothing leaves this computer)"), m_content);
    m_c.privateModeCheckbox->setGeometry(leftMargin, y, columnWidth, 20);
    y += 30;
    // clicked, not toggled: refreshControls() setting the stored state writes nothing.
    for (QCheckBox* box : {m_c.leaderboardCheckbox, m_c.privateModeCheckbox}) {
        // The box's outline is drawn a shade darker than its window colour, which on the
        // near-black background would leave it invisible.
        QPalette p = box->palette();
        p.setColor(QPalette::Window, QColor(128, 130, 126));
        box->setPalette(p);
    }
    connect(m_c.leaderboardCheckbox, &QCheckBox::clicked, this,
            &SettingsWindowController::leaderboardChanged);
    connect(m_c.privateModeCheckbox, &QCheckBox::clicked, this,
            &SettingsWindowController::privateModeChanged);

    addHeader(QStringLiteral("Account"), y);
    m_c.accountStatusLabel = pixelLabel(m_content, QString(), 12, Theme::fg);
    m_c.accountStatusLabel->setGeometry(leftMargin, y, columnWidth, 18);
    y += 28;

    auto* emailLabel = pixelLabel(m_content, QStringLiteral("Email"), 12, Theme::fg);
    emailLabel->setGeometry(leftMargin, y + 3, 50, 16);
    m_c.emailField = new QLineEdit(m_content);
    m_c.emailField->setFont(Font::pixel(12));
    m_c.emailField->setPlaceholderText(QStringLiteral("you@example.com"));
    m_c.emailField->setGeometry(78, y, 262, 22);
    m_c.sendCodeButton = new QPushButton(QStringLiteral("Send code"), m_content);
    m_c.sendCodeButton->setGeometry(346, y, 90, 22);
    m_c.emailRowViews = {emailLabel, m_c.emailField, m_c.sendCodeButton};
    y += 32;

    auto* codeLabel = pixelLabel(m_content, QStringLiteral("Code"), 12, Theme::fg);
    codeLabel->setGeometry(leftMargin, y + 3, 50, 16);
    m_c.codeField = new QLineEdit(m_content);
    m_c.codeField->setFont(Font::pixel(12));
    m_c.codeField->setPlaceholderText(QStringLiteral("6-digit code"));
    m_c.codeField->setGeometry(78, y, 262, 22);
    m_c.verifyButton = new QPushButton(QStringLiteral("Verify"), m_content);
    m_c.verifyButton->setGeometry(346, y, 90, 22);
    m_c.codeRowViews = {codeLabel, m_c.codeField, m_c.verifyButton};
    y += 32;

    m_c.signOutButton = new QPushButton(QStringLiteral("Sign out"), m_content);
    m_c.signOutButton->setGeometry(leftMargin, y, columnWidth, 24);
    y += 34;
    m_c.syncNowButton = new QPushButton(QStringLiteral("Sync now"), m_content);
    m_c.syncNowButton->setGeometry(leftMargin, y, columnWidth, 24);
    y += 34;
    m_c.lastSyncLabel = pixelLabel(m_content, QString(), 11, Theme::muted);
    m_c.lastSyncLabel->setGeometry(leftMargin, y, columnWidth, 16);
    y += 26;
    m_c.accountErrorLabel = pixelLabel(m_content, QString(), 11, Theme::amber);
    m_c.accountErrorLabel->setWordWrap(true);
    m_c.accountErrorLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_c.accountErrorLabel->setGeometry(leftMargin, y, columnWidth, errorLineHeight);
    y += 26;

    connect(m_c.sendCodeButton, &QPushButton::clicked, this,
            &SettingsWindowController::sendCodeTapped);
    connect(m_c.emailField, &QLineEdit::returnPressed, this,
            &SettingsWindowController::sendCodeTapped);
    connect(m_c.verifyButton, &QPushButton::clicked, this, &SettingsWindowController::verifyTapped);
    connect(m_c.codeField, &QLineEdit::returnPressed, this,
            &SettingsWindowController::verifyTapped);
    connect(m_c.signOutButton, &QPushButton::clicked, this,
            &SettingsWindowController::signOutTapped);
    connect(m_c.syncNowButton, &QPushButton::clicked, this,
            &SettingsWindowController::syncNowTapped);

    m_baseContentHeight = y + bottomMargin;
    m_content->setFixedSize(contentWidth, m_baseContentHeight);
    if (m_style != nullptr) {
        m_content->setStyle(m_style);
        for (QWidget* child : m_content->findChildren<QWidget*>()) {
            child->setStyle(m_style);
        }
    }

    m_scroll = new QScrollArea(m_window.get());
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    m_scroll->setWidget(m_content);
    m_scroll->viewport()->setBackgroundRole(QPalette::Window);
    m_scroll->viewport()->setAutoFillBackground(true);
    if (m_style != nullptr) {
        m_scroll->setStyle(m_style);
        m_scroll->verticalScrollBar()->setStyle(m_style);
    }
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    const int visible = std::min(m_baseContentHeight, maxVisibleHeight);
    m_window->setMinimumSize(contentWidth, std::min(minWindowHeight, visible));
    m_window->setMaximumSize(contentWidth, m_baseContentHeight);
    m_window->resize(contentWidth, visible);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), m_window->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }

    refreshControls();
    refreshAccountUI();
}

void SettingsWindowController::refreshControls() {
    // Each pop-up shows the entry the overlay and the card actually use: the readers fall
    // back to the first entry or clamp to the list, so an out-of-range stored value shows
    // that entry instead of an empty pop-up.
    const std::int64_t wing = Prefs::wingStat();
    const auto wingCount = static_cast<std::int64_t>(Prefs::wingStatLabels.size());
    m_c.notchRightStatPopup->setCurrentIndex(wing >= 0 && wing < wingCount ? static_cast<int>(wing)
                                                                           : 0);
    m_c.notchSpritePopup->setCurrentIndex(
        static_cast<int>(Prefs::index(Prefs::Key::spriteKind, Sprites::all().size())));
    m_c.accentPopup->setCurrentIndex(
        static_cast<int>(Prefs::index(Prefs::Key::accentTheme, Accent::all().size())));
    m_c.cardStylePopup->setCurrentIndex(static_cast<int>(Theme::cardBackground()));
    m_c.leaderboardCheckbox->setChecked(Prefs::boolean(Prefs::Key::leaderboardOptIn));
    m_c.privateModeCheckbox->setChecked(Prefs::boolean(Prefs::Key::privateMode));
    refreshShapeLabels();
}

void SettingsWindowController::refreshShapeLabels() {
    const auto truncated = [](double v) { return QString::number(static_cast<std::int64_t>(v)); };
    m_c.flareLabel->setText(truncated(Prefs::real(Prefs::Key::notchFlare)));
    m_c.roundLabel->setText(truncated(Prefs::real(Prefs::Key::notchRound)));
    m_c.widthLabel->setText(QString::number(Prefs::integer(Prefs::Key::notchWidthOffset)));
    m_c.xOffsetLabel->setText(QString::number(Prefs::integer(Prefs::Key::notchXOffset)));
    m_c.heightLabel->setText(QString::number(Prefs::integer(Prefs::Key::notchHeightOffset)));
}

void SettingsWindowController::refreshAccountUI() {
    showError(QString());
    const auto& session = m_auth.session();
    const auto& pending = m_auth.pendingEmail();
    const bool signedIn = session.has_value();
    const bool codeSent = !signedIn && pending.has_value();

    if (signedIn) {
        m_c.accountStatusLabel->setText(QStringLiteral("Signed in as ")
                                        + (session->email ? QString::fromStdString(*session->email)
                                                          : QStringLiteral("unknown")));
        const auto last = Prefs::text(Prefs::Key::lastSyncDate);
        m_c.lastSyncLabel->setText(last ? QStringLiteral("Last synced ")
                                              + QString::fromStdString(*last)
                                        : QStringLiteral("Not synced yet"));
    } else if (codeSent) {
        m_c.accountStatusLabel->setText(QStringLiteral("Code sent to ")
                                        + QString::fromStdString(*pending));
    } else {
        m_c.accountStatusLabel->setText(QStringLiteral("Not signed in"));
        m_c.codeField->clear();
    }
    for (QWidget* w : m_c.emailRowViews) {
        w->setHidden(signedIn || codeSent);
    }
    for (QWidget* w : m_c.codeRowViews) {
        w->setHidden(!codeSent);
    }
    for (QWidget* w :
         {static_cast<QWidget*>(m_c.signOutButton), static_cast<QWidget*>(m_c.syncNowButton),
          static_cast<QWidget*>(m_c.lastSyncLabel)}) {
        w->setHidden(!signedIn);
    }
}

void SettingsWindowController::present() {
    refreshControls();
    refreshAccountUI();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    // A window left open on another virtual desktop is unmapped first, so that showing it
    // again places it on the desktop the user is looking at.
    if (m_window->isVisible() && !m_window->isActiveWindow()) {
        m_window->hide();
    }
    if (screen != nullptr) {
        QRect frame(QPoint(), m_window->frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

// --- preferences ---

void SettingsWindowController::changed() {
    if (m_onChange) {
        m_onChange();
    }
}

void SettingsWindowController::rightStatChanged(int index) {
    Prefs::setInteger(Prefs::Key::wingStat, index);
    changed();
}

void SettingsWindowController::spriteChanged(int index) {
    Prefs::setInteger(Prefs::Key::spriteKind, index);
    changed();
}

void SettingsWindowController::accentChanged(int index) {
    Prefs::setInteger(Prefs::Key::accentTheme, index);
    changed();
}

void SettingsWindowController::cardStyleChanged(int index) {
    Prefs::setInteger(Prefs::Key::cardBackground, index);
    changed();
}

// The bounds and the first press from an unset value come from the preference register.
void SettingsWindowController::step(Prefs::Key key, bool up) {
    if (up) {
        Prefs::stepUp(key);
    } else {
        Prefs::stepDown(key);
    }
    refreshShapeLabels();
    changed();
}

void SettingsWindowController::flarePlus() {
    step(Prefs::Key::notchFlare, true);
}

void SettingsWindowController::flareMinus() {
    step(Prefs::Key::notchFlare, false);
}

void SettingsWindowController::roundPlus() {
    step(Prefs::Key::notchRound, true);
}

void SettingsWindowController::roundMinus() {
    step(Prefs::Key::notchRound, false);
}

void SettingsWindowController::widthPlus() {
    step(Prefs::Key::notchWidthOffset, true);
}

void SettingsWindowController::widthMinus() {
    step(Prefs::Key::notchWidthOffset, false);
}

void SettingsWindowController::xPlus() {
    step(Prefs::Key::notchXOffset, true);
}

void SettingsWindowController::xMinus() {
    step(Prefs::Key::notchXOffset, false);
}

void SettingsWindowController::heightPlus() {
    step(Prefs::Key::notchHeightOffset, true);
}

void SettingsWindowController::heightMinus() {
    step(Prefs::Key::notchHeightOffset, false);
}

void SettingsWindowController::resetShapeAndAlignment() {
    Prefs::remove(Prefs::Key::notchFlare);
    Prefs::remove(Prefs::Key::notchRound);
    Prefs::resetNotchAlignment();
    refreshShapeLabels();
    changed();
}

void SettingsWindowController::leaderboardChanged(bool on) {
    Prefs::setBoolean(Prefs::Key::leaderboardOptIn, on);
    changed();
}

void SettingsWindowController::privateModeChanged(bool on) {
    Prefs::setBoolean(Prefs::Key::privateMode, on);
    changed();
}

// --- account ---

void SettingsWindowController::showError(const QString& text) {
    QLabel* label = m_c.accountErrorLabel;
    label->setText(text);
    // A long message wraps onto more lines instead of being cut; the content view grows to
    // keep it in reach of the scroll bar.
    const int height = text.isEmpty()
                           ? errorLineHeight
                           : std::max(errorLineHeight, label->heightForWidth(columnWidth));
    label->resize(columnWidth, height);
    const int contentHeight = m_baseContentHeight + (height - errorLineHeight);
    if (m_content->height() != contentHeight) {
        m_content->setFixedSize(contentWidth, contentHeight);
        m_window->setMaximumHeight(contentHeight);
    }
}

void SettingsWindowController::sendCodeTapped() {
    const QString address = m_c.emailField->text().trimmed();
    if (address.isEmpty() || !address.contains(QLatin1Char('@'))) {
        showError(QString::fromUtf8(invalidEmailText));
        return;
    }
    m_c.sendCodeButton->setEnabled(false);
    QPointer<SettingsWindowController> self(this);
    m_auth.sendOTP(address.toStdString(), [self](Result<Done> result) {
        onOwnerThread(self, [result](SettingsWindowController& c) {
            c.m_c.sendCodeButton->setEnabled(true);
            if (!result) {
                c.showError(QString::fromStdString(result.error().errorDescription()));
            } else {
                c.refreshAccountUI();
            }
        });
    });
}

void SettingsWindowController::verifyTapped() {
    const auto& pending = m_auth.pendingEmail();
    if (m_auth.session() || !pending) {
        return;
    }
    const QString code = m_c.codeField->text().trimmed();
    if (code.size() != 6) {
        showError(QString::fromUtf8(invalidCodeText));
        return;
    }
    m_c.verifyButton->setEnabled(false);
    QPointer<SettingsWindowController> self(this);
    m_auth.verifyOTP(*pending, code.toStdString(), [self](Result<Done> result) {
        onOwnerThread(self, [result](SettingsWindowController& c) {
            c.m_c.verifyButton->setEnabled(true);
            if (!result) {
                c.showError(QString::fromStdString(result.error().errorDescription()));
            } else {
                c.m_c.emailField->clear();
                c.m_c.codeField->clear();
                c.refreshAccountUI();
            }
        });
    });
}

void SettingsWindowController::signOutTapped() {
    m_auth.signOut();
    refreshAccountUI();
}

void SettingsWindowController::syncNowTapped() {
    const std::optional<Stats> stats = m_statsProvider ? m_statsProvider() : std::nullopt;
    if (!stats) {
        showError(QString::fromUtf8(noStatsText));
        return;
    }
    m_c.syncNowButton->setEnabled(false);
    if (Prefs::boolean(Prefs::Key::privateMode)) {
        finishSync(AuthError::server(0, privateModeText));
        return;
    }
    QPointer<SettingsWindowController> self(this);
    StatsSync::syncNow(
        *stats, &SyncPrefs::markSynced,
        [self](Result<Done> result) {
            std::optional<AuthError> error;
            if (!result) {
                error = result.error();
            }
            onOwnerThread(self, [error = std::move(error)](SettingsWindowController& c) {
                c.finishSync(error);
            });
        },
        m_auth);
}

void SettingsWindowController::finishSync(const std::optional<AuthError>& error) {
    m_c.syncNowButton->setEnabled(true);
    if (error) {
        showError(QStringLiteral("Sync failed: ")
                  + QString::fromStdString(error->errorDescription()));
    } else {
        refreshAccountUI();
    }
}

}  // namespace tavrik
