#pragma once

// AppDelegate: the one long-lived owner of the running application. It holds the tray icon
// and its menu, the overlay, the settings window, the directory watcher, the work thread
// "tavrik.stats" and the last applied Stats, and drives the refresh cycle: statistics are
// rebuilt on the work thread every 5 seconds, when the Claude Code projects folder changes and
// when the user asks, and applied to the menu and the overlay on the main thread, where
// milestones are detected and the daily upload is offered.
//
// Main thread only. Requests from the watcher, the menu and the overlay are dropped while one
// is pending (isRefreshing); the timer's builds are not, and any applied build clears the flag.

#include "app/Overlay.h"
#include "app/SettingsSurface.h"
#include "app/StatsWorker.h"
#include "engine/Records.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace tavrik {

class DirWatcher;
class StatusNotifierItem;

// Everything the delegate reaches outside itself. The application fills it for the user's
// session (Application.h); tests fill it with their own folders and recorders.
struct AppOptions {
    StatsJob job;                      // one refresh on the work thread
    std::filesystem::path cacheDir;    // folder of "stats-cache.json", read at launch
    std::filesystem::path watchDir;    // the Claude Code projects folder
    std::filesystem::path desktopDir;  // where the card is saved
    bool debugLogging = false;         // "--debug": one line per applied build
    int firstRefreshMs = StatsThread::refreshIntervalMs;
    int refreshIntervalMs = StatsThread::refreshIntervalMs;

    std::unique_ptr<Overlay> overlay;           // NoOverlay when empty
    std::unique_ptr<SettingsSurface> settings;  // "Settings…" is disabled when empty
    std::function<void(const Stats&)> upload;   // offered every applied Stats
    std::function<std::optional<QByteArray>(const Stats&)> cardPng;  // the card as PNG
    std::function<QImage(const Stats&)> cardImage;                   // the card as an image
    std::function<void(const std::filesystem::path&)> reveal;        // show a saved file
    std::function<void(const std::string&)> debugOut;                // standard error when empty
    bool statusNotifier = true;  // publish the tray item ourselves where a StatusNotifier host runs
};

// Returns the menu's header title: "Tavrik Score 42 · $3.46 · 12k lines".
QString headerTitle(const Stats& stats);

// Returns the name the card is saved under: "tavrik-" + until + ".png", with "card" when until
// is absent or is not a plain name (it comes from a file on disk and must not lead elsewhere).
std::string cardFileName(const Stats& stats);

// Returns where the menu opens for a click on the tray icon: under the icon when the tray
// tells where it is (X-embedded trays) and the menu fits there on screen, else above it; at
// the pointer when the icon's place is unknown.
QPoint trayMenuPosition(const QRect& icon, const QSize& menu, const QRect& screen,
                        const QPoint& pointer);

// Returns the debug line of one applied build, now being seconds since 1970 (UTC):
// "[tavrik] refresh @ 2025-01-31 23:59:59 +0000 score=42 todayLines=7\n".
std::string debugLine(double now, const Stats& stats);

class AppDelegate final : public QObject {
    Q_OBJECT

public:
    explicit AppDelegate(AppOptions options, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence: font, tray icon, menu, overlay and settings wiring, the cached
    // statistics, the overlay shown or hidden, the first refresh, the timer, the watcher.
    void applicationDidFinishLaunching();

    void buildStatusItem();
    void buildMenu();

    // Queue a build unless one is pending.
    void refresh();
    void refreshNow();

    // Makes stats current: overlay, header title, milestones, the upload step.
    void apply(const Stats& stats);
    // Re-renders the overlay from the current Stats after a preference changed, then rebuilds
    // the menu.
    void applyLive();
    // Answers a change made in the settings window.
    void settingsChanged();

    void saveCard();
    void copyCard();
    void cycleWingStat();
    void openSettings();
    void toggleProtection();
    void toggleHideNotch();
    void quit();

    void detectMilestones(const std::optional<Stats>& prev, const Stats& next);

    const std::optional<Stats>& stats() const { return m_stats; }
    bool isRefreshing() const { return m_isRefreshing; }
    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    QMenu* menu() const { return m_menu.get(); }
    QAction* headerItem() const { return m_headerItem; }
    QAction* protectItem() const { return m_protectItem; }
    QAction* hideNotchItem() const { return m_hideNotchItem; }
    DirWatcher* watcher() const { return m_watcher.get(); }
    StatsThread& statsThread() { return *m_statsThread; }

Q_SIGNALS:
    // Emitted at the end of every apply.
    void statsApplied();

private:
    void onBuilt(const Stats& stats);
    void showOnOverlay();
    QString cardPath() const;

    AppOptions m_options;
    std::unique_ptr<Overlay> m_overlay;
    std::unique_ptr<SettingsSurface> m_settings;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;       // X-embedded trays
    std::unique_ptr<StatusNotifierItem> m_notifierItem;  // StatusNotifier hosts
    std::unique_ptr<QMenu> m_menu;
    QAction* m_headerItem = nullptr;  // children of this, reused by every menu
    QAction* m_protectItem = nullptr;
    QAction* m_hideNotchItem = nullptr;
    std::optional<Stats> m_stats;
    std::unique_ptr<DirWatcher> m_watcher;
    bool m_isRefreshing = false;
    std::unique_ptr<StatsThread> m_statsThread;  // last: stopped first
};

}  // namespace tavrik
