// Starting the application: the "--debug" flag, the platform on Wayland sessions, and the real
// executable on the offscreen platform (one instance per user, termination signals).

#include "app/Application.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationArgs, DebugIsAnyElementEqualToDashDashDebug) {
    EXPECT_TRUE(Application::debugLogging({"tavrik", "--other", "--debug"}));
    EXPECT_FALSE(Application::debugLogging({"tavrik", "--debug=1", "-debug", "--DEBUG"}));
}

TEST(ApplicationPlatform, AWaylandSessionWithXWaylandRunsAsAnXClientUnlessTheUserChose) {
    const struct {
        const char *platform, *wayland, *session, *display;
        bool xcb;
    } table[] = {
        {nullptr, "wayland-0", "wayland", ":0", true},
        {"", "wayland-0", nullptr, ":0", true},
        {nullptr, nullptr, "wayland", ":1", true},
        {"wayland", "wayland-0", "wayland", ":0", false},  // the user's choice
        {nullptr, nullptr, "x11", ":0", false},
        {nullptr, "wayland-0", "wayland", "", false},  // no XWayland: nothing better
    };
    for (const auto& t : table) {
        EXPECT_EQ(Application::platformOverride(t.platform, t.wayland, t.session, t.display),
                  t.xcb ? std::optional<std::string>("xcb") : std::nullopt)
            << (t.session ? t.session : "-") << " " << t.display;
    }
    using Vars = std::vector<std::pair<std::string, std::string>>;
    const auto startEnvironmentOf = [](std::map<std::string, std::string> env) {
        return Application::startEnvironment([&env](const char* name) -> const char* {
            return env.contains(name) ? env[name].c_str() : nullptr;
        });
    };
    EXPECT_EQ(startEnvironmentOf({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}),
              (Vars{{"QT_QPA_PLATFORM", "xcb"}, {"QT_XCB_NO_MITSHM", "1"}}));
    EXPECT_EQ(startEnvironmentOf({{"DISPLAY", ":0"}, {"QT_XCB_NO_MITSHM", ""}}), Vars{});
}

// The real executable, with a home, caches, settings and runtime folder of its own. A second
// instance leaves quietly; termination signals end it cleanly, and the lock a killed process
// leaves behind keeps no one out.
TEST(ApplicationProgram, OneInstanceRunsSignalsEndItCleanlyAndADeadProcessesLockKeepsNoOneOut) {
    test::widgetApp();
    test::TempDir tmp;
    tmp.write("home/.claude/projects/p/s.jsonl", "{}\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* dir : {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        fs::create_directories(tmp.path() / dir);
        env.insert(dir, QString::fromStdString((tmp.path() / dir).string()));
    }
    env.insert("HOME", QString::fromStdString((tmp.path() / "home").string()));
    fs::permissions(tmp.path() / "XDG_RUNTIME_DIR", fs::perms::owner_all);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.remove("WAYLAND_DISPLAY");
    const fs::path lock = tmp.path() / "XDG_RUNTIME_DIR/tavrik.lock";

    for (const int sig : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        QProcess app, second;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(TAVRIK_EXE), {"--debug"});
        QByteArray err;
        ASSERT_TRUE(test::waitUntil([&] {
            app.waitForReadyRead(10);
            return (err += app.readAllStandardError()).contains("[tavrik] refresh @ ");
        })) << sig
            << err.toStdString();
        ASSERT_TRUE(fs::exists(lock));
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(TAVRIK_EXE), {"--debug"});
        ASSERT_TRUE(second.waitForFinished(10'000));
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_FALSE(second.readAllStandardError().contains("[tavrik]")) << sig;

        ::kill(static_cast<pid_t>(app.processId()), sig);
        ASSERT_TRUE(app.waitForFinished(10'000)) << sig;
        const bool clean = sig != SIGKILL;
        EXPECT_EQ(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0, clean) << sig;
        EXPECT_EQ(fs::exists(lock), !clean) << sig;
    }
}

}  // namespace
}  // namespace tavrik
