#include "app/Application.h"

#include "account/AuthManager.h"
#include "account/StatsSync.h"
#include "account/SyncPrefs.h"
#include "app/FileReveal.h"
#include "app/NotchOverlay.h"
#include "app/SettingsWindowSurface.h"
#include "card/CardRenderer.h"
#include "engine/Environment.h"
#include "engine/StatsEngine.h"

#include <QApplication>
#include <QLockFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tavrik::Application {
namespace {

Q_LOGGING_CATEGORY(lcStart, "tavrik.app.start")

bool isSet(const char* v) {
    return v != nullptr && v[0] != '\0';
}

// Ends the event loop on SIGTERM (logout, kill), SIGINT (Ctrl+C) and SIGHUP, so the process
// leaves the way "Quit Tavrik" does: the work thread stops after its build, the instance lock
// is released, and no settings write is cut in half. The handler only writes one byte to a
// socket; the event loop does the rest.
class QuitOnSignals final {
public:
    QuitOnSignals() {
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_fds) != 0) {
            qCWarning(lcStart, "cannot watch for termination signals");
            return;
        }
        m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] {
            char drain[16];
            while (read(s_fds[1], drain, sizeof drain) > 0) {
            }
            QCoreApplication::quit();
        });
        struct sigaction action {};
        action.sa_handler = &QuitOnSignals::onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
            sigaction(sig, &action, nullptr);
        }
    }
    ~QuitOnSignals() {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
            sigaction(sig, &action, nullptr);
        }
        m_notifier.reset();
        for (int& fd : s_fds) {
            if (fd >= 0) {
                close(fd);
                fd = -1;
            }
        }
    }
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    static void onSignal(int) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(s_fds[0], &byte, 1);
        errno = saved;
    }

    static inline int s_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

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

std::vector<std::pair<std::string, std::string>> startEnvironment(
    const std::function<const char*(const char*)>& lookup) {
    std::vector<std::pair<std::string, std::string>> vars;
    if (auto platform = platformOverride(lookup("QT_QPA_PLATFORM"), lookup("WAYLAND_DISPLAY"),
                                         lookup("XDG_SESSION_TYPE"), lookup("DISPLAY"))) {
        vars.emplace_back("QT_QPA_PLATFORM", *platform);
    }
    // Every frame of the overlay through shared memory costs a round trip and a completion
    // event; sending its few pixels over the socket costs far less.
    if (lookup("QT_XCB_NO_MITSHM") == nullptr) {
        vars.emplace_back("QT_XCB_NO_MITSHM", "1");
    }
    return vars;
}

std::optional<std::string> displayProblem(const std::function<const char*(const char*)>& lookup) {
    const char* chosen = lookup("QT_QPA_PLATFORM");
    const std::string platform =
        isSet(chosen) ? chosen
                      : platformOverride(nullptr, lookup("WAYLAND_DISPLAY"),
                                         lookup("XDG_SESSION_TYPE"), lookup("DISPLAY"))
                            .value_or("");
    if (!platform.empty() && !platform.starts_with("xcb")) {
        return std::nullopt;
    }
    const char* display = lookup("DISPLAY");
    if (isSet(display)) {
        xcb_connection_t* connection = xcb_connect(display, nullptr);
        const bool failed = xcb_connection_has_error(connection) != 0;
        xcb_disconnect(connection);
        if (!failed) {
            return std::nullopt;
        }
    }
    const std::string which =
        isSet(display) ? "cannot open display '" + std::string(display) + "'" : "no display";
    return "tavrik: the tray application needs an X11 or Wayland session (" + which
           + "); 'tavrik --stats' prints the figures without one";
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
    options.overlay = std::make_unique<NotchOverlay>();
    options.settings = std::make_unique<SettingsWindowSurface>(AuthManager::shared());
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
    if (const auto problem = displayProblem(std::getenv)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }

    QLockFile lock(QString::fromStdString(instanceLockPath()));
    // Held for the life of the process: never stale by age, only when its holder has died.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError) {
            return 0;  // already running
        }
        qCWarning(lcStart, "cannot take the instance lock; running without it");
    }

    const auto forStart = startEnvironment(std::getenv);
    for (const auto& [name, value] : forStart) {
        qputenv(name.c_str(), QByteArray::fromStdString(value));
    }
    QApplication app(argc, argv);
    for (const auto& [name, value] : forStart) {
        qunsetenv(name.c_str());
    }
    QApplication::setApplicationName(QStringLiteral("Tavrik"));
    QApplication::setDesktopFileName(QStringLiteral("tavrik"));
    // A tray utility: closing its last window (the settings) does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    const QuitOnSignals quitOnSignals;
    AppDelegate delegate(userOptions(debugLogging(args)));
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    QApplication::exec();
    return 0;
}

}  // namespace tavrik::Application
