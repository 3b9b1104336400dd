#include "settings/SettingsWindowController.h"

#include "account/AuthError.h"
#include "account/AuthManager.h"
#include "account/BoardServer.h"
#include "account/StatsSync.h"
#include "account/SyncPrefs.h"
#include "engine/Environment.h"
#include "engine/History.h"
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
#include <QMessageBox>
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
#include <functional>
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

// The shape and alignment rows, top to bottom. Their limits, first presses and resets come
// from the preference register.
struct StepperRow {
    Prefs::Key key;
    const char* label;
};
// clang-format off
constexpr StepperRow stepperRows[] = {
    {Prefs::Key::notchFlare, "Flare (top corners)"},
    {Prefs::Key::notchRound, "Bottom radius"},
    {Prefs::Key::notchWidthOffset, "Width offset"},
    {Prefs::Key::notchXOffset, "X offset"},
    {Prefs::Key::notchHeightOffset, "Height offset"},
};
// clang-format on

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

// Returns the text of each entry of a list, as name gives it.
template <class List, class Name>
std::vector<QString> names(const List& list, Name name) {
    std::vector<QString> out;
    for (const auto& entry : list) {
        out.push_back(qs(name(entry)));
    }
    return out;
}

QLabel* pixelLabel(QWidget* parent, const QString& text, int px, const QColor& color) {
    auto* label = new QLabel(text, parent);
    label->setFont(Font::pixel(px));
    setTextColor(label, color);
    return label;
}

// A labelled text field of the account area, with a button beside it when buttonTitle is
// not empty.
struct FieldRow {
    QLineEdit* field = nullptr;
    QPushButton* button = nullptr;
    std::vector<QWidget*> views;  // label, field and button
};

FieldRow fieldRow(QWidget* parent, int y, const QString& label, const QString& placeholder,
                  const QString& buttonTitle = {}) {
    auto* title = pixelLabel(parent, label, 12, Theme::fg);
    title->setGeometry(leftMargin, y + 3, 50, 16);
    FieldRow row{new QLineEdit(parent), nullptr, {title}};
    row.field->setFont(Font::pixel(12));
    row.field->setPlaceholderText(placeholder);
    row.field->setGeometry(78, y, buttonTitle.isEmpty() ? 358 : 262, 22);
    row.views.push_back(row.field);
    if (!buttonTitle.isEmpty()) {
        row.button = new QPushButton(buttonTitle, parent);
        row.button->setGeometry(346, y, 90, 22);
        row.views.push_back(row.button);
    }
    return row;
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

QComboBox* SettingsWindowController::addPopUpRow(const QString& label,
                                                 const std::vector<QString>& items, Prefs::Key key,
                                                 int& y) {
    auto* popUp = new QComboBox;
    for (const QString& item : items) {
        popUp->addItem(item);
    }
    // activated, not currentIndexChanged: only the user's choice writes a preference, never
    // refreshControls() selecting the stored one.
    connect(popUp, &QComboBox::activated, this, [this, key](int index) {
        Prefs::setInteger(key, index);
        changed();
    });
    addRow(label, popUp, y);
    return popUp;
}

// A 190-point box: − at its left, the value in the middle, + at its right.
void SettingsWindowController::addStepperRow(const QString& label, Prefs::Key key, int& y) {
    auto* box = new QWidget(m_content);
    box->resize(controlWidth, controlHeight);
    Stepper stepper{key};
    stepper.minus = new QPushButton(QStringLiteral("\u2212"), box);
    stepper.minus->setGeometry(0, 0, 32, 24);
    stepper.value = pixelLabel(box, QString(), 12, Theme::fg);
    stepper.value->setAlignment(Qt::AlignCenter);
    stepper.value->setGeometry(36, 4, 118, 16);
    stepper.plus = new QPushButton(QStringLiteral("+"), box);
    stepper.plus->setGeometry(158, 0, 32, 24);
    connect(stepper.minus, &QPushButton::clicked, this, [this, key] { step(key, false); });
    connect(stepper.plus, &QPushButton::clicked, this, [this, key] { step(key, true); });
    m_c.steppers.push_back(stepper);
    addRow(label, box, y);
}

QCheckBox* SettingsWindowController::addCheckBox(const QString& text, Prefs::Key key, int& y) {
    auto* box = new QCheckBox(text, m_content);
    box->setGeometry(leftMargin, y, columnWidth, 20);
    // The box's outline is drawn a shade darker than its window colour, which on the
    // near-black background would leave it invisible.
    QPalette p = box->palette();
    p.setColor(QPalette::Window, QColor(128, 130, 126));
    box->setPalette(p);
    // clicked, not toggled: refreshControls() setting the stored state writes nothing.
    connect(box, &QCheckBox::clicked, this, [this, key](bool on) {
        Prefs::setBoolean(key, on);
        changed();
    });
    y += 30;
    return box;
}

// The server's address and key share the places of "Sign out" and "Sync now": they show
// only while signed out, and those two only while signed in.
void SettingsWindowController::addBoardRows(int y) {
    const FieldRow url =
        fieldRow(m_content, y, QStringLiteral("Server"), QStringLiteral("https://..."));
    const FieldRow key = fieldRow(m_content, y + 34, QStringLiteral("Key"),
                                  QStringLiteral("publishable key"), QStringLiteral("Save"));
    m_c.boardUrlField = url.field;
    m_c.boardKeyField = key.field;
    m_c.boardSaveButton = key.button;
    m_c.boardRowViews = url.views;
    m_c.boardRowViews.insert(m_c.boardRowViews.end(), key.views.begin(), key.views.end());
    connect(m_c.boardSaveButton, &QPushButton::clicked, this,
            &SettingsWindowController::boardSaveTapped);
    connect(m_c.boardKeyField, &QLineEdit::returnPressed, this,
            &SettingsWindowController::boardSaveTapped);
}

void SettingsWindowController::buildUI() {
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("settingsContent"));
    m_content->setAutoFillBackground(true);

    int y = firstHeaderY;
    addAppearanceSections(y);
    addShapeSection(y);
    addPrivacySection(y);
    addAccountSection(y);
    m_baseContentHeight = y + bottomMargin;
    placeInScrollingWindow();

    refreshControls();
    refreshAccountUI();
}

void SettingsWindowController::addAppearanceSections(int& y) {
    addHeader(QStringLiteral("Notch"), y);
    m_c.notchRightStatPopup =
        addPopUpRow(QStringLiteral("Right stat"), names(Prefs::wingStatLabels, std::identity{}),
                    Prefs::Key::wingStat, y);
    m_c.notchSpritePopup =
        addPopUpRow(QStringLiteral("Left sprite"),
                    names(Sprites::all(), [](const SpriteDef& def) { return def.name; }),
                    Prefs::Key::spriteKind, y);
    m_c.accentPopup =
        addPopUpRow(QStringLiteral("Accent color"),
                    names(Accent::all(), [](const AccentTheme& theme) { return theme.name; }),
                    Prefs::Key::accentTheme, y);

    addHeader(QStringLiteral("Card"), y);
    m_c.cardStylePopup = addPopUpRow(QStringLiteral("Card style"),
                                     names(Theme::cardBackgroundLabels, std::identity{}),
                                     Prefs::Key::cardBackground, y);
}

void SettingsWindowController::addShapeSection(int& y) {
    addHeader(QStringLiteral("Notch shape & alignment"), y);
    for (const StepperRow& row : stepperRows) {
        addStepperRow(QString::fromUtf8(row.label), row.key, y);
    }
    // "&&" shows one ampersand; a single one would mark the next letter as a shortcut.
    m_c.resetButton = new QPushButton(QStringLiteral("Reset shape && alignment"), m_content);
    m_c.resetButton->setGeometry(leftMargin, y, columnWidth, 24);
    connect(m_c.resetButton, &QPushButton::clicked, this,
            &SettingsWindowController::resetShapeAndAlignment);
    y += 34;
}

void SettingsWindowController::addPrivacySection(int& y) {
    addHeader(QStringLiteral("Privacy"), y);
    m_c.leaderboardCheckbox =
        addCheckBox(QStringLiteral("Join the leaderboard"), Prefs::Key::leaderboardOptIn, y);
    m_c.privateModeCheckbox = addCheckBox(
        QStringLiteral("Private mode (nothing leaves this computer)"), Prefs::Key::privateMode, y);
    m_c.keepHistoryCheckbox =
        addCheckBox(QStringLiteral("Keep the figures of deleted logs"), Prefs::Key::keepHistory, y);
    constexpr int forgetWidth = 90;
    m_c.keptHistoryLabel = pixelLabel(m_content, QString(), 12, Theme::fg);
    m_c.keptHistoryLabel->setGeometry(leftMargin, y + 3, columnWidth - forgetWidth - 8, 16);
    m_c.forgetHistoryButton = new QPushButton(QStringLiteral("Forget…"), m_content);
    m_c.forgetHistoryButton->setGeometry(leftMargin + columnWidth - forgetWidth, y, forgetWidth,
                                         22);
    connect(m_c.forgetHistoryButton, &QPushButton::clicked, this,
            &SettingsWindowController::forgetHistoryTapped);
    y += 32;
}

void SettingsWindowController::refreshKeptHistory() {
    const auto kept = History::summary(Environment::historyDir());
    m_c.keptHistoryLabel->setText(
        kept.sessions == 0
            ? QStringLiteral("No deleted logs kept")
            : QStringLiteral("Kept: %1 sessions over %2 days").arg(kept.sessions).arg(kept.days));
    m_c.forgetHistoryButton->setEnabled(kept.sessions > 0);
}

void SettingsWindowController::forgetHistoryTapped() {
    const auto kept = History::summary(Environment::historyDir());
    const QString question =
        QStringLiteral("Forget the figures of %1 deleted logs? This cannot be undone.")
            .arg(kept.sessions);
    const bool agreed =
        m_confirm ? m_confirm(question)
                  : QMessageBox::question(m_window.get(), QStringLiteral("Tavrik"), question)
                        == QMessageBox::Yes;
    if (!agreed) {
        return;
    }
    History::forget(Environment::historyDir());
    refreshKeptHistory();
    changed();
}

void SettingsWindowController::addAccountSection(int& y) {
    addHeader(QStringLiteral("Account"), y);
    m_c.accountStatusLabel = pixelLabel(m_content, QString(), 12, Theme::fg);
    m_c.accountStatusLabel->setGeometry(leftMargin, y, columnWidth, 18);
    y += 28;

    const FieldRow email = fieldRow(m_content, y, QStringLiteral("Email"),
                                    QStringLiteral("you@example.com"), QStringLiteral("Send code"));
    m_c.emailField = email.field;
    m_c.sendCodeButton = email.button;
    m_c.emailRowViews = email.views;
    y += 32;

    const FieldRow code = fieldRow(m_content, y, QStringLiteral("Code"),
                                   QStringLiteral("6-digit code"), QStringLiteral("Verify"));
    m_c.codeField = code.field;
    m_c.verifyButton = code.button;
    m_c.codeRowViews = code.views;
    y += 32;

    addBoardRows(y);
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
}

void SettingsWindowController::placeInScrollingWindow() {
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
    m_c.cardStylePopup->setCurrentIndex(
        static_cast<int>(Theme::cardBackgroundFor(Prefs::integer(Prefs::Key::cardBackground))));
    m_c.leaderboardCheckbox->setChecked(Prefs::boolean(Prefs::Key::leaderboardOptIn));
    m_c.privateModeCheckbox->setChecked(Prefs::boolean(Prefs::Key::privateMode));
    m_c.boardUrlField->setText(
        QString::fromStdString(Prefs::text(Prefs::Key::boardUrl).value_or("")));
    m_c.boardKeyField->setText(
        QString::fromStdString(Prefs::text(Prefs::Key::boardKey).value_or("")));
    m_c.keepHistoryCheckbox->setChecked(Prefs::boolean(Prefs::Key::keepHistory));
    refreshKeptHistory();
    refreshShapeLabels();
}

void SettingsWindowController::refreshShapeLabels() {
    for (const Stepper& stepper : m_c.steppers) {
        // A float is shown truncated to whole points.
        stepper.value->setText(
            Prefs::info(stepper.key).type == Prefs::Type::Float
                ? QString::number(static_cast<std::int64_t>(Prefs::real(stepper.key)))
                : QString::number(Prefs::integer(stepper.key)));
    }
}

const SettingsWindowController::Stepper& SettingsWindowController::Controls::stepper(
    Prefs::Key key) const {
    return *std::find_if(steppers.begin(), steppers.end(),
                         [key](const Stepper& s) { return s.key == key; });
}

void SettingsWindowController::refreshAccountUI() {
    showError(QString());
    const bool hasServer = m_auth.config().configured();
    const auto& session = m_auth.session();
    const auto& pending = m_auth.pendingEmail();
    const bool signedIn = hasServer && session.has_value();
    const bool codeSent = hasServer && !signedIn && pending.has_value();

    if (!hasServer) {
        m_c.accountStatusLabel->setText(QString::fromUtf8(BoardServer::noServerText));
    } else if (signedIn) {
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
        w->setHidden(!hasServer || signedIn || codeSent);
    }
    for (QWidget* w : m_c.codeRowViews) {
        w->setHidden(!codeSent);
    }
    for (QWidget* w :
         {static_cast<QWidget*>(m_c.signOutButton), static_cast<QWidget*>(m_c.syncNowButton),
          static_cast<QWidget*>(m_c.lastSyncLabel)}) {
        w->setHidden(!signedIn);
    }
    for (QWidget* w : m_c.boardRowViews) {
        w->setHidden(signedIn);
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

void SettingsWindowController::resetShapeAndAlignment() {
    for (const Stepper& stepper : m_c.steppers) {
        Prefs::restoreDefault(stepper.key);
    }
    refreshShapeLabels();
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

void SettingsWindowController::boardSaveTapped() {
    const QString url = m_c.boardUrlField->text().trimmed();
    const QString key = m_c.boardKeyField->text().trimmed();
    switch (BoardServer::store(url.toStdString(), key.toStdString())) {
        case BoardServer::Refusal::Url:
            showError(QString::fromUtf8(invalidBoardUrlText));
            return;
        case BoardServer::Refusal::Key:
            showError(QString::fromUtf8(invalidBoardKeyText));
            return;
        case BoardServer::Refusal::None:
            break;
    }
    // Signs out of the old server when this is another one.
    m_auth.setConfig(BoardServer::current());
    refreshControls();
    refreshAccountUI();
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
