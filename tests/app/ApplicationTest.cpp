// Starting the application: the "--debug" flag, the platform on Wayland sessions, and the
// real executable on the offscreen platform (one instance per user, modes always run, the
// debug line).

#include "app/Application.h"
#include "app/NotchOverlay.h"
#include "app/SettingsWindowSurface.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationArgs, DebugIsAnyElementEqualToDashDashDebug) {
    EXPECT_TRUE(Application::debugLogging({"tavrik", "--debug"}));
    EXPECT_TRUE(Application::debugLogging({"tavrik", "--other", "--debug", "x"}));
    EXPECT_TRUE(Application::debugLogging({"--debug"}));  // even the program's own path
    EXPECT_FALSE(Application::debugLogging({"tavrik"}));
    EXPECT_FALSE(Application::debugLogging({"tavrik", "--debug=1", "-debug", "--DEBUG"}));
    EXPECT_FALSE(Application::debugLogging({}));
}

TEST(ApplicationPlatform, AWaylandSessionWithXWaylandRunsAsAnXClientOtherwiseNothingChanges) {
    const struct {
        const char *platform, *wayland, *session, *display;
        bool xcb;
    } table[] = {
        {nullptr, "wayland-0", "wayland", ":0", true},
        {"", "wayland-0", nullptr, ":0", true},
        {nullptr, nullptr, "wayland", ":1", true},
        {"wayland", "wayland-0", "wayland", ":0", false},  // the user's choice
        {"offscreen", nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, "x11", ":0", false},
        {nullptr, nullptr, nullptr, ":0", false},
        {nullptr, "wayland-0", "wayland", nullptr, false},  // no XWayland: nothing better
        {nullptr, "wayland-0", "wayland", "", false},
    };
    for (const auto& t : table) {
        EXPECT_EQ(Application::platformOverride(t.platform, t.wayland, t.session, t.display),
                  t.xcb ? std::optional<std::string>("xcb") : std::nullopt)
            << (t.session ? t.session : "-") << " " << (t.display ? t.display : "-");
    }
}

using Vars = std::vector<std::pair<std::string, std::string>>;

Vars startEnvironmentOf(const std::map<std::string, std::string>& env) {
    return Application::startEnvironment([&env](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    });
}

TEST(ApplicationStartEnvironment, SetsThePlatformOnWaylandAndTurnsOffSharedMemoryUnlessTheUserDid) {
    EXPECT_EQ(startEnvironmentOf({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}),
              (Vars{{"QT_QPA_PLATFORM", "xcb"}, {"QT_XCB_NO_MITSHM", "1"}}));
    EXPECT_EQ(startEnvironmentOf({{"DISPLAY", ":0"}}), (Vars{{"QT_XCB_NO_MITSHM", "1"}}));
    // What the user set stays, even if empty.
    EXPECT_EQ(startEnvironmentOf({{"WAYLAND_DISPLAY", "wayland-0"},
                                  {"DISPLAY", ":0"},
                                  {"QT_QPA_PLATFORM", "wayland"},
                                  {"QT_XCB_NO_MITSHM", ""}}),
              Vars{});
}

TEST(ApplicationOptions, TheUsersSessionGetsTheRealCardRevealAndUpload) {
    test::widgetApp();
    AppOptions options = Application::userOptions(true);
    EXPECT_TRUE(options.debugLogging);
    EXPECT_EQ(options.watchDir.filename(), "projects");
    ASSERT_TRUE(options.job.build && options.job.save && options.reveal && options.upload);
    ASSERT_TRUE(options.cardPng && options.cardImage);
    EXPECT_NE(dynamic_cast<NotchOverlay*>(options.overlay.get()), nullptr);
    EXPECT_NE(dynamic_cast<SettingsWindowSurface*>(options.settings.get()), nullptr);
    Stats stats;
    stats.crackedScore = 42;
    const auto png = options.cardPng(stats, {});
    ASSERT_TRUE(png.has_value());
    const QImage decoded = QImage::fromData(*png, "PNG");
    EXPECT_EQ(decoded.size(), QSize(1200, 630));
    EXPECT_EQ(options.cardImage(stats, {}).size(), QSize(1200, 630));
}

// The real executable, started with a home, caches, settings and runtime folder of its own.
class ApplicationProgram : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        for (const char* dir : {"home", "cache", "config", "runtime"}) {
            fs::create_directories(tmp.path() / dir);
        }
        fs::permissions(tmp.path() / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        tmp.write(
            "home/.claude/projects/p/s.jsonl",
            R"({"timestamp":"2025-03-07T10:00:00Z","toolUseResult":{"filePath":"/a.cpp","content":"a\nb"}})"
            "\n");
        env = QProcessEnvironment::systemEnvironment();
        const auto set = [&](const char* key, const fs::path& p) {
            env.insert(key, QString::fromStdString(p.string()));
        };
        set("HOME", tmp.path() / "home");
        set("XDG_CACHE_HOME", tmp.path() / "cache");
        set("XDG_CONFIG_HOME", tmp.path() / "config");
        set("XDG_RUNTIME_DIR", tmp.path() / "runtime");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.remove("WAYLAND_DISPLAY");
    }

    void TearDown() override {
        for (QProcess* p : {&first, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    void start(QProcess& p, const QStringList& args) {
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TAVRIK_EXE), args);
        ASSERT_TRUE(p.waitForStarted(5000));
    }

    // Waits until the process has written text to standard error.
    bool waitForStderr(QProcess& p, const QByteArray& text, int timeoutMs = 20'000) {
        return test::waitFor(
            [&] {
                p.waitForReadyRead(10);
                m_stderr += p.readAllStandardError();
                return m_stderr.contains(text);
            },
            timeoutMs);
    }

    test::TempDir tmp;
    QProcessEnvironment env;
    QProcess first;
    QProcess second;
    QByteArray m_stderr;
};

TEST_F(ApplicationProgram, OneInstanceWritesItsDebugLineASecondExitsQuietlyModesStillRun) {
    start(first, {"--debug"});
    ASSERT_TRUE(waitForStderr(first, "[tavrik] refresh @ ")) << m_stderr.toStdString();
    EXPECT_TRUE(m_stderr.contains(" todayLines=")) << m_stderr.toStdString();
    // The build was saved for the next launch.
    EXPECT_TRUE(fs::exists(tmp.path() / "cache/Tavrik/stats-cache.json"));

    start(second, {"--debug"});
    ASSERT_TRUE(second.waitForFinished(10'000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_FALSE(second.readAllStandardError().contains("[tavrik]"));

    start(second, {"--stats"});
    ASSERT_TRUE(second.waitForFinished(20'000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().contains("linesAdded 2 "));
    EXPECT_EQ(first.state(), QProcess::Running);
}

// The first process is killed outright: the lock it leaves behind must keep no one out.
TEST_F(ApplicationProgram, TerminationSignalsEndItCleanlyAndADeadProcessesLockKeepsNoOneOut) {
    const fs::path lock = tmp.path() / "runtime/tavrik.lock";
    for (int sig : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        QProcess app;
        start(app, {"--debug"});
        m_stderr.clear();
        ASSERT_TRUE(waitForStderr(app, "[tavrik] refresh @ ")) << sig << m_stderr.toStdString();
        ASSERT_TRUE(fs::exists(lock));
        ::kill(static_cast<pid_t>(app.processId()), sig);
        ASSERT_TRUE(app.waitForFinished(10'000)) << sig;
        const bool clean = sig != SIGKILL;
        EXPECT_EQ(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0, clean) << sig;
        EXPECT_EQ(fs::exists(lock), !clean) << sig;
    }
}

}  // namespace
}  // namespace tavrik
