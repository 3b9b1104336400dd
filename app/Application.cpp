#include "app/Application.h"

#include "account/AuthManager.h"
#include "account/StatsSync.h"
#include "account/SyncPrefs.h"
#include "app/FileReveal.h"
#include "card/CardRenderer.h"
#include "engine/Environment.h"
#include "engine/StatsEngine.h"

#include <QApplication>
#include <QLockFile>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>

#include <cstdlib>
#include <cstring>

namespace tavrik::Application {
namespace {

Q_LOGGING_CATEGORY(lcStart, "tavrik.app.start")

bool isSet(const char* v) {
    return v != nullptr && v[0] != '\0';
}

}  // namespace

bool debugLogging(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--debug") {
            return true;
        }
    }
    return false;
}

std::optional<std::string> platformOverride(const char* qtQpaPlatform, const char* waylandDisplay,
                                            const char* sessionType, const char* display) {
    if (isSet(qtQpaPlatform)) {
        return std::nullopt;
    }
    const bool wayland =
        isSet(waylandDisplay) || (isSet(sessionType) && std::strcmp(sessionType, "wayland") == 0);
    if (wayland && isSet(display)) {
        return "xcb";
    }
    return std::nullopt;
}

AppOptions userOptions(bool debug) {
    AppOptions options;
    options.cacheDir = Environment::cacheDir();
    options.job = userLogsJob(options.cacheDir);
    options.watchDir = StatsEngine::claudeRoot(Environment::home(), std::nullopt);
    options.desktopDir =
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString();
    options.debugLogging = debug;
    options.reveal = [](const std::filesystem::path& file) { FileReveal::reveal(file); };
    options.cardPng = [](const Stats& stats) { return CardRenderer::pngData(stats); };
    options.cardImage = [](const Stats& stats) { return CardRenderer::render(stats); };
    // The upload decides by itself whether anything is sent (signed in, private mode off,
    // leaderboard joined, evening, not yet today); the application never waits for it.
    options.upload = [](const Stats& stats) {
        StatsSync::maybeSyncDaily(stats, SyncPrefs::read(), SyncPrefs::markSynced,
                                  AuthManager::shared());
    };
    return options;
}

std::string instanceLockPath() {
    // The runtime folder ($XDG_RUNTIME_DIR, else a private folder Qt makes in /tmp) is per
    // user and emptied at logout, so a crash never leaves a lock behind for the next session.
    return (QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
            + QStringLiteral("/tavrik.lock"))
        .toStdString();
}

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);

    QLockFile lock(QString::fromStdString(instanceLockPath()));
    // Held for the life of the process: never stale by age, only when its holder has died.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError) {
            return 0;  // already running
        }
        qCWarning(lcStart, "cannot take the instance lock; running without it");
    }

    if (auto platform =
            platformOverride(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                             std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY"))) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrik"));
    QApplication::setDesktopFileName(QStringLiteral("tavrik"));
    // A tray utility: closing its last window (the settings) does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate delegate(userOptions(debugLogging(args)));
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    QApplication::exec();
    return 0;
}

}  // namespace tavrik::Application
