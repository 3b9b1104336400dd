#include "app/AppDelegate.h"

#include "app/DirWatcher.h"
#include "app/Milestones.h"
#include "app/StatusNotifierItem.h"
#include "app/TrayFace.h"
#include "engine/Environment.h"
#include "engine/Fmt.h"
#include "engine/StatsCache.h"
#include "prefs/Prefs.h"
#include "theme/Font.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QSaveFile>
#include <QScreen>
#include <QSystemTrayIcon>

#include <charconv>
#include <cstdio>
#include <ctime>

namespace tavrik {
namespace {

Q_LOGGING_CATEGORY(lcApp, "tavrik.app")

// " · ": the separator of the header's figures (U+00B7, middle dot).
const QString separator = QStringLiteral(" \u00B7 ");

std::string twoDigits(int v) {
    return {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

// Returns "2025-01-31 23:59:59 +0000" for an instant. Built by hand: after QApplication has
// set the locale from the environment, the printf family is no longer trusted to format.
std::string utcDateTime(double now) {
    const auto seconds = static_cast<std::time_t>(now);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char year[16];
    auto [end, ec] = std::to_chars(year, year + sizeof year, tm.tm_year + 1900);
    std::string out(year, ec == std::errc() ? end : year);
    out += '-' + twoDigits(tm.tm_mon + 1) + '-' + twoDigits(tm.tm_mday) + ' '
           + twoDigits(tm.tm_hour) + ':' + twoDigits(tm.tm_min) + ':' + twoDigits(tm.tm_sec)
           + " +0000";
    return out;
}

// The tray menu, whose shortcuts work while it is open. Qt matches the shortcuts of a menu's
// actions only through a window that shows the menu, and a tray menu has none: without this
// the menu would show "Ctrl+R" and ignore it.
class TrayMenu final : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QKeySequence pressed(event->keyCombination());
        for (QAction* action : actions()) {
            if (action->isEnabled() && !action->shortcut().isEmpty()
                && action->shortcut().matches(pressed) == QKeySequence::ExactMatch) {
                close();  // as a click does: the menu goes, then the action runs
                action->trigger();
                return;
            }
        }
        QMenu::keyPressEvent(event);
    }
};

bool isPlainName(const std::string& s) {
    if (s.empty() || s == "." || s == "..") {
        return false;
    }
    for (char c : s) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
                        || c == '-' || c == '_' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString headerTitle(const Stats& stats) {
    return QStringLiteral("Tavrik Score ") + QString::number(stats.crackedScore) + separator
           + QString::fromStdString(Fmt::money(stats.cost)) + separator
           + QString::fromStdString(
               Fmt::num(static_cast<double>(stats.linesAdded + stats.linesRemoved)))
           + QStringLiteral(" lines");
}

std::string cardFileName(const Stats& stats) {
    const bool usable = stats.until && isPlainName(*stats.until);
    return "tavrik-" + (usable ? *stats.until : std::string("card")) + ".png";
}

QPoint trayMenuPosition(const QRect& icon, const QSize& menu, const QRect& screen,
                        const QPoint& pointer) {
    if (!icon.isValid()) {
        return pointer;
    }
    const bool roomBelow =
        !screen.isValid() || icon.bottom() + 1 + menu.height() <= screen.bottom() + 1;
    return roomBelow ? QPoint(icon.left(), icon.bottom() + 1)
                     : QPoint(icon.left(), icon.top() - menu.height());
}

std::string debugLine(double now, const Stats& stats) {
    return "[tavrik] refresh @ " + utcDateTime(now) + " score=" + std::to_string(stats.crackedScore)
           + " todayLines=" + std::to_string(stats.todayLinesAdded) + "\n";
}

AppDelegate::AppDelegate(AppOptions options, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_overlay(std::move(m_options.overlay)),
      m_settings(std::move(m_options.settings)) {
    if (!m_overlay) {
        m_overlay = std::make_unique<NoOverlay>();
    }
    m_headerItem = new QAction(QStringLiteral("Tavrik"), this);
    m_headerItem->setEnabled(false);
    m_protectItem = new QAction(QStringLiteral("Streak protection"), this);
    m_protectItem->setCheckable(true);
    connect(m_protectItem, &QAction::triggered, this, &AppDelegate::toggleProtection);
    m_hideNotchItem = new QAction(QStringLiteral("Hide notch"), this);
    m_hideNotchItem->setCheckable(true);
    connect(m_hideNotchItem, &QAction::triggered, this, &AppDelegate::toggleHideNotch);

    m_statsThread = std::make_unique<StatsThread>(m_options.job,
                                                  [this](const Stats& stats) { onBuilt(stats); });
}

AppDelegate::~AppDelegate() {
    // Stop building before anything a delivery would touch goes away.
    m_statsThread.reset();
    m_watcher.reset();
    if (m_statusItem) {
        m_statusItem->hide();
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    Font::registerFont();
    buildStatusItem();
    buildMenu();

    QPointer<AppDelegate> self(this);
    Overlay::Actions actions;
    actions.download = [self] {
        if (self) {
            self->saveCard();
        }
    };
    actions.copy = [self] {
        if (self) {
            self->copyCard();
        }
    };
    actions.refresh = [self] {
        if (self) {
            self->refresh();
        }
    };
    actions.cycle = [self] {
        if (self) {
            self->cycleWingStat();
        }
    };
    actions.configure = [self] {
        if (self) {
            self->openSettings();
        }
    };
    m_overlay->setActions(std::move(actions));

    if (m_settings) {
        m_settings->setOnChange([self] {
            if (self) {
                self->settingsChanged();
            }
        });
        m_settings->setStatsProvider(
            [self]() -> std::optional<Stats> { return self ? self->m_stats : std::nullopt; });
    }

    if (auto cached = StatsCache::load(m_options.cacheDir)) {
        apply(*cached);
    }

    if (!Prefs::boolean(Prefs::Key::notchHidden)) {
        m_overlay->bringToFront();
    } else {
        m_overlay->setHidden(true);
    }

    refresh();
    m_statsThread->startTimer(m_options.firstRefreshMs, m_options.refreshIntervalMs);

    // The Codex sessions are not watched: they sit in dated folders several levels down, and
    // the timer picks them up.
    m_watcher = DirWatcher::create(m_options.watchDir, [self] {
        if (self) {
            self->refresh();
        }
    });
}

void AppDelegate::buildStatusItem() {
    if (m_statusItem) {
        return;
    }
    // A StatusNotifier host opens our exported menu itself, at the icon; QSystemTrayIcon is
    // for the X-embedded trays.
    if (m_options.statusNotifier && StatusNotifierItem::hostAvailable()) {
        auto item =
            std::make_unique<StatusNotifierItem>(TrayFace::icon(), QStringLiteral("Tavrik"));
        if (item->isRegistered()) {
            m_notifierItem = std::move(item);
            return;
        }
    }
    m_statusItem = std::make_unique<QSystemTrayIcon>(TrayFace::icon());
    m_statusItem->setToolTip(QStringLiteral("Tavrik"));
    // A left click opens the menu too, as a click on a menu-bar item does. An X-embedded tray
    // reports a click that comes soon after the previous one (after Escape, say) as a double
    // click only, so that opens a closed menu as well.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                const bool click =
                    reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
                if (click && m_menu && !m_menu->isVisible()) {
                    const QRect icon = m_statusItem->geometry();
                    const QScreen* screen = QGuiApplication::screenAt(icon.center());
                    m_menu->popup(trayMenuPosition(icon, m_menu->sizeHint(),
                                                   screen ? screen->geometry() : QRect(),
                                                   QCursor::pos()));
                }
            });
    m_statusItem->show();
}

void AppDelegate::buildMenu() {
    std::unique_ptr<QMenu> menu = std::make_unique<TrayMenu>();
    menu->addAction(m_headerItem);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Save card to Desktop"), QKeySequence(Qt::CTRL | Qt::Key_S),
                    this, &AppDelegate::saveCard);
    menu->addAction(QStringLiteral("Refresh now"), QKeySequence(Qt::CTRL | Qt::Key_R), this,
                    &AppDelegate::refreshNow);
    m_protectItem->setChecked(Prefs::streakProtection());
    menu->addAction(m_protectItem);
    m_hideNotchItem->setChecked(Prefs::boolean(Prefs::Key::notchHidden));
    menu->addAction(m_hideNotchItem);
    QAction* settings =
        menu->addAction(QStringLiteral("Settings\u2026"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
                        this, &AppDelegate::openSettings);
    settings->setEnabled(m_settings != nullptr);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit Tavrik"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                    &AppDelegate::quit);

    if (m_statusItem) {
        m_statusItem->setContextMenu(menu.get());
    }
    if (m_notifierItem) {
        m_notifierItem->setMenu(menu.get());
    }
    // The old menu may be on screen right now (a settings change while it is open): let it
    // finish its events before it goes.
    if (m_menu) {
        m_menu.release()->deleteLater();
    }
    m_menu = std::move(menu);
}

void AppDelegate::refresh() {
    if (m_isRefreshing) {
        return;
    }
    m_isRefreshing = true;
    m_statsThread->queueBuild();
}

void AppDelegate::refreshNow() {
    refresh();
}

void AppDelegate::onBuilt(const Stats& stats) {
    apply(stats);
    if (m_options.debugLogging) {
        const std::string line = debugLine(Environment::now(), stats);
        if (m_options.debugOut) {
            m_options.debugOut(line);
        } else {
            std::fputs(line.c_str(), stderr);
            std::fflush(stderr);
        }
    }
    m_isRefreshing = false;
}

void AppDelegate::apply(const Stats& stats) {
    std::optional<Stats> prev = std::move(m_stats);
    m_stats = stats;
    showOnOverlay();
    m_headerItem->setText(headerTitle(stats));
    detectMilestones(prev, stats);
    if (m_options.upload) {
        m_options.upload(stats);
    }
    Q_EMIT statsApplied();
}

void AppDelegate::showOnOverlay() {
    if (m_stats) {
        m_overlay->showStats(*m_stats,
                             Milestones::streakAtRisk(*m_stats, Prefs::streakProtection()));
    }
}

void AppDelegate::applyLive() {
    showOnOverlay();
    buildMenu();
}

void AppDelegate::settingsChanged() {
    applyLive();
    m_overlay->relayout();
    const bool hidden = Prefs::boolean(Prefs::Key::notchHidden);
    m_overlay->setHidden(hidden);
    m_hideNotchItem->setChecked(hidden);
}

void AppDelegate::detectMilestones(const std::optional<Stats>& prev, const Stats& next) {
    const Milestones::Memory stored = Milestones::load();
    const Milestones::Outcome outcome = Milestones::detect(prev, next, stored);
    if (outcome.celebrate) {
        m_overlay->celebrate();
    }
    // Most builds change nothing: leave the settings file alone then, rather than rewrite it
    // every five seconds.
    if (outcome.memory != stored && !Milestones::store(outcome.memory)) {
        qCInfo(lcApp, "could not store the milestones seen");
    }
}

QString AppDelegate::cardPath() const {
    return QString::fromStdString((m_options.desktopDir / cardFileName(*m_stats)).string());
}

void AppDelegate::saveCard() {
    if (!m_stats || !m_options.cardPng) {
        return;
    }
    const std::optional<QByteArray> png = m_options.cardPng(*m_stats);
    if (!png) {
        return;
    }
    const QString path = cardPath();
    // A home without a Desktop folder gets one rather than a card that silently goes nowhere.
    QDir().mkpath(QString::fromStdString(m_options.desktopDir.string()));
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(*png) == png->size() && file.commit();
    if (!written) {
        qCWarning(lcApp, "could not save the card to %s: %s", qUtf8Printable(path),
                  qUtf8Printable(file.errorString()));
    }
    if (m_options.reveal) {
        m_options.reveal(path.toStdString());
    }
}

void AppDelegate::copyCard() {
    if (!m_stats || !m_options.cardImage) {
        return;
    }
    const QImage image = m_options.cardImage(*m_stats);
    if (image.isNull()) {
        return;
    }
    QGuiApplication::clipboard()->setImage(image);
}

void AppDelegate::cycleWingStat() {
    Prefs::cycleWingStat();
    applyLive();
}

void AppDelegate::openSettings() {
    if (m_settings) {
        m_settings->open();
    }
}

void AppDelegate::toggleProtection() {
    Prefs::setBoolean(Prefs::Key::streakProtection, !Prefs::streakProtection());
    m_protectItem->setChecked(Prefs::streakProtection());
    showOnOverlay();
}

void AppDelegate::toggleHideNotch() {
    const bool hidden = !Prefs::boolean(Prefs::Key::notchHidden);
    Prefs::setBoolean(Prefs::Key::notchHidden, hidden);
    m_hideNotchItem->setChecked(hidden);
    m_overlay->setHidden(hidden);
}

void AppDelegate::quit() {
    QCoreApplication::quit();
}

}  // namespace tavrik
