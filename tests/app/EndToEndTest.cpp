// The real executable under an X server (Xvfb) on a small log tree: one instance at a time, ended
// cleanly by the termination signals; and under a StatusNotifier host (a stand-in watcher on a
// private session bus), where the panel draws the exported menu and the overlay hangs at the top.

#include "tests/support/EventLoop.h"
#include "tests/support/TempDir.h"

#include <QtCore>
#include <QtDBus>

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

namespace {

namespace fs = std::filesystem;

struct Window {
    QString id;
    int x = 0, y = 0, w = 0, h = 0;
};

// An X server and the application's folders, with a log tree in its home; each test
// starts the application and whatever hosts it needs.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        tavrik::test::ensureCoreApplication();
        for (const char* tool : {"Xvfb", "xdotool", "dbus-daemon"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
            }
        }
        env.remove("WAYLAND_DISPLAY");
        env.remove("DBUS_SESSION_BUS_ADDRESS");  // no keyring prompts, no bus
        env.insert("QT_QPA_PLATFORM", "xcb");
        for (const char* dir : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            fs::create_directories(tmp.path() / dir);
            env.insert(dir, QString::fromStdString((tmp.path() / dir).string()));
        }
        fs::permissions(tmp.path() / "XDG_RUNTIME_DIR", fs::perms::owner_all);
        tmp.write("HOME/.claude/projects/p/s.jsonl", "{}\n");
        // Xvfb picks a free display and names it once it accepts connections.
        ASSERT_TRUE(start(xvfb, "Xvfb",
                          {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                           "-noreset"})
                    && xvfb.waitForReadyRead(10'000));
        env.insert("DISPLAY", ":" + QString::fromUtf8(xvfb.readAllStandardOutput()).trimmed());
    }

    // SIGTERM first: Xvfb removes its lock and socket files only when it is let to finish.
    void TearDown() override {
        for (QProcess* p : {&app, &xvfb}) {
            p->terminate();
            p->waitForFinished(5000);  // else killed when destroyed
        }
    }

    bool start(QProcess& p, const QString& program, const QStringList& args) {
        p.setProcessEnvironment(env);
        p.start(program, args);
        return p.waitForStarted(5000);
    }

    // Runs a helper to completion; returns its standard output.
    QString run(const QString& program, const QStringList& args) {
        QProcess p;
        start(p, program, args);
        p.waitForFinished(10'000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // Runs the event loop, reading what the application logs, until done() holds or timeoutMs
    // passes; returns done().
    bool until(const std::function<bool()>& done, int timeoutMs = 10'000) {
        return tavrik::test::waitUntil(
            [&] {
                stderrText += QString::fromUtf8(app.readAllStandardError());
                return done();
            },
            timeoutMs);
    }
    // Waits until the application has logged n builds.
    bool refreshes(qsizetype n, int timeoutMs = 10'000) {
        return until([&] { return stderrText.count("[tavrik] refresh @ ") >= n; }, timeoutMs);
    }

    // Waits for a visible window of the application that is wanted; returns it.
    std::optional<Window> window(bool (*wanted)(const Window&), int timeoutMs = 10'000) {
        static const QRegularExpression shell(
            R"(WINDOW=(\d+)\nX=(\d+)\nY=(\d+)\nWIDTH=(\d+)\nHEIGHT=(\d+))");
        std::optional<Window> found;
        until(
            [&] {
                const QString all = run("xdotool", {"search", "--onlyvisible", "--class", "tavrik",
                                                    "getwindowgeometry", "--shell", "%@"});
                for (auto it = shell.globalMatch(all); it.hasNext() && !found;) {
                    const auto m = it.next();
                    const Window w{m.captured(1), m.captured(2).toInt(), m.captured(3).toInt(),
                                   m.captured(4).toInt(), m.captured(5).toInt()};
                    found = wanted(w) ? std::optional(w) : std::nullopt;
                }
                return found.has_value();
            },
            timeoutMs);
        return found;
    }

    tavrik::test::TempDir tmp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess xvfb, app;
    QString stderrText;
};

// A second instance leaves quietly, and the lock a killed process leaves behind keeps no one out.
TEST_F(EndToEnd, OneInstanceRunsAndTerminationSignalsEndItCleanly) {
    const fs::path lock = tmp.path() / "XDG_RUNTIME_DIR/tavrik.lock";
    for (const int sig : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        stderrText.clear();
        ASSERT_TRUE(start(app, TAVRIK_EXE, {"--debug"}));
        ASSERT_TRUE(refreshes(1, 60'000)) << sig << stderrText.toStdString();
        QProcess second;
        ASSERT_TRUE(start(second, TAVRIK_EXE, {"--debug"}) && second.waitForFinished(10'000));
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_FALSE(second.readAllStandardError().contains("[tavrik]")) << sig;
        ::kill(static_cast<pid_t>(app.processId()), sig);
        ASSERT_TRUE(app.waitForFinished(10'000)) << sig;
        const bool clean = sig != SIGKILL;
        EXPECT_EQ(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0, clean) << sig;
        EXPECT_EQ(fs::exists(lock), !clean) << sig;
    }
}

// The part of a StatusNotifier host that items talk to: the watcher they register with.
class StandInWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    QStringList registered;  // the bus name of each item
    bool hostRegistered() const { return true; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { registered.append(service); }
};

TEST_F(EndToEnd, UnderAStatusNotifierHostThePanelDrawsTheExportedMenu) {
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());
    QDBusConnection bus = QDBusConnection::connectToBus(address, "stand-in host");
    StandInWatcher watcher;
    ASSERT_TRUE(bus.registerService("org.kde.StatusNotifierWatcher"));
    ASSERT_TRUE(
        bus.registerObject("/StatusNotifierWatcher", &watcher,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    ASSERT_TRUE(start(app, TAVRIK_EXE, {"--debug"}));
    ASSERT_TRUE(until([&] { return !watcher.registered.isEmpty(); }, 30'000))
        << "no item registered; " << stderrText.toStdString();

    // The item says it is a menu, and where the menu is.
    const QString item = watcher.registered.front();
    QDBusInterface sni(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", bus);
    EXPECT_TRUE(sni.property("ItemIsMenu").toBool());
    QDBusInterface dbusMenu(item, sni.property("Menu").value<QDBusObjectPath>().path(),
                            "com.canonical.dbusmenu", bus);

    // Every entry of the menu, from GetLayout's (ia{sv}av), in order, once a build is in.
    ASSERT_TRUE(refreshes(1, 60'000)) << stderrText.toStdString();
    const QDBusMessage reply = dbusMenu.call("GetLayout", 0, -1, QStringList());
    const auto layout = reply.arguments().value(1).value<QDBusArgument>();  // none on an error
    QStringList labels;
    std::map<QString, int> ids;
    int id = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;  // the root, whose children are the entries
    layout.beginArray();
    while (!layout.atEnd()) {
        const auto entry = qdbus_cast<QDBusVariant>(layout).variant().value<QDBusArgument>();
        entry.beginStructure();
        entry >> id >> properties;
        if (properties.contains("label")) {  // not a separator
            labels << properties.value("label").toString().section(' ', 0, 1);
            ids[labels.back()] = id;
        }
    }
    EXPECT_EQ(labels,
              (QStringList{"Tavrik Score", "Save card", "Refresh now", "Streak protection",
                           "Hide notch", QString::fromUtf8("Settings\u2026"), "Quit Tavrik"}));
    const auto clicked = [&](const QString& label) {
        const QVariant data = QVariant::fromValue(QDBusVariant(0));
        return dbusMenu.call("Event", ids[label], "clicked", data, 0u).errorName().isEmpty();
    };

    // "Refresh now" in the panel's menu builds at once, though the timer has just built.
    ASSERT_TRUE(refreshes(2));
    EXPECT_TRUE(clicked("Refresh now"));
    EXPECT_TRUE(refreshes(3, 4000));  // sooner than the timer's next build

    // A left click on the icon: the panel opens the menu itself, so nothing of ours opens.
    EXPECT_EQ(sni.call("Activate", 1200, 790).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(window([](const Window& r) { return r.w > 150 && r.h > 120; }, 1000));

    // The overlay hangs from the top centre, override-redirect: no window manager can move,
    // stretch or focus it.
    const auto top = window([](const Window& r) { return r.y == 0 && r.w > 60; });
    ASSERT_TRUE(top) << "no overlay at the top of the screen";
    EXPECT_LE(std::abs(top->x + top->w / 2 - 1280 / 2), 1) << top->x << "+" << top->w;
    EXPECT_TRUE(run("xwininfo", {"-id", top->id}).contains("Override Redirect State: yes"));

    EXPECT_TRUE(clicked("Quit Tavrik"));
    ASSERT_TRUE(until([&] { return app.state() == QProcess::NotRunning; }))
        << "still running after Quit Tavrik";
    EXPECT_EQ(app.exitCode(), 0);
}

}  // namespace

#include "EndToEndTest.moc"
