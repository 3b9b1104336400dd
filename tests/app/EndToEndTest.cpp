// The real executable under an X server (Xvfb) with a tray host (trayer) and a compositor
// (xcompmgr), on a generated log tree: the tray icon, the overlay at the top centre, the menu,
// a transcript appended while it runs, "Refresh now", "Quit Tavrik". Then the same under a
// StatusNotifier host (a stand-in watcher on a private session bus), where the panel draws the
// exported menu. Screenshots are left in the build folder (tests/app/e2e/) for a person to
// look at.

#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int screenW = 1280;
constexpr int screenH = 800;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

QCoreApplication& coreApp() {
    static int argc = 1;
    static char name[] = "tavrik-e2e";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

// Runs a helper to completion and returns its standard output ("" when it failed).
QString run(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(15'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

void sleepMs(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

// One debug line of the application: "[tavrik] refresh @ … score=N todayLines=N".
struct Refresh {
    qint64 atMs = 0;  // when the test read it
    long long score = 0;
    long long todayLines = 0;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        coreApp();
        for (const char* tool : {"Xvfb", "trayer", "xdotool"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
            }
        }
        shots = QStringLiteral(E2E_SHOT_DIR);
        QDir().mkpath(shots);
        clock.start();
    }

    void TearDown() override {
        for (QProcess* p : {&app, &tray, &compositor, &xvfb}) {
            stop(*p);
        }
    }

    // SIGTERM first: Xvfb removes its lock and socket files only when it is let to finish.
    static void stop(QProcess& p) {
        if (p.state() == QProcess::NotRunning) {
            return;
        }
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }

    // Starts Xvfb on the first free display from a number of this process's own.
    bool startX() {
        for (int n = 60 + getpid() % 300, tries = 0; tries < 20; ++n, ++tries) {
            if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))
                || fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) {
                continue;
            }
            display = QStringLiteral(":%1").arg(n);
            xvfb.start("Xvfb", {display, "-screen", "0",
                                QStringLiteral("%1x%2x24").arg(screenW).arg(screenH), "-nolisten",
                                "tcp", "-noreset"});
            if (!xvfb.waitForStarted(5000)) {
                return false;
            }
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < 10'000 && xvfb.state() == QProcess::Running) {
                if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
                    env = QProcessEnvironment::systemEnvironment();
                    env.insert("DISPLAY", display);
                    env.remove("WAYLAND_DISPLAY");
                    env.remove("DBUS_SESSION_BUS_ADDRESS");  // no keyring prompts, no bus
                    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir().string()));
                    return true;
                }
                sleepMs(50);
            }
            stop(xvfb);
        }
        return false;
    }

    fs::path runtimeDir() {
        const fs::path dir = tmp.path() / "runtime";
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace);
        return dir;
    }

    QProcessEnvironment appEnv() {
        QProcessEnvironment e = env;
        const auto set = [&](const char* key, const fs::path& p) {
            fs::create_directories(p);
            e.insert(key, QString::fromStdString(p.string()));
        };
        set("HOME", home);
        set("XDG_CONFIG_HOME", tmp.path() / "config");
        set("XDG_CACHE_HOME", tmp.path() / "cache");
        e.insert("QT_QPA_PLATFORM", "xcb");
        return e;
    }

    QString tool(const QString& name, const QStringList& args) { return run(name, args, env); }

    // Saves the screen, or a rectangle of it enlarged by scale, under shots/name.
    QImage screenshot(const QString& name, std::optional<Rect> r = {}, int scale = 1) {
        const QString path = shots + "/" + name;
        QStringList args{path};
        if (r) {
            args << QString::number(r->x) << QString::number(r->y) << QString::number(r->w)
                 << QString::number(r->h) << QString::number(scale);
        }
        run(QStringLiteral(SCREENSHOT_EXE), args, env);
        return QImage(path);
    }

    // Returns the visible windows of the application and their frames.
    std::vector<std::pair<QString, Rect>> appWindows() {
        std::vector<std::pair<QString, Rect>> out;
        const QStringList ids = tool("xdotool", {"search", "--onlyvisible", "--class", "tavrik"})
                                    .split('\n', Qt::SkipEmptyParts);
        for (const QString& id : ids) {
            const QString g = tool("xdotool", {"getwindowgeometry", "--shell", id});
            Rect r;
            for (const QString& line : g.split('\n')) {
                const auto kv = line.split('=');
                if (kv.size() != 2) {
                    continue;
                }
                const int v = kv[1].toInt();
                if (kv[0] == "X") {
                    r.x = v;
                } else if (kv[0] == "Y") {
                    r.y = v;
                } else if (kv[0] == "WIDTH") {
                    r.w = v;
                } else if (kv[0] == "HEIGHT") {
                    r.h = v;
                }
            }
            if (r.w > 0) {
                out.emplace_back(id, r);
            }
        }
        return out;
    }

    template <class Pred>
    std::optional<std::pair<QString, Rect>> waitWindow(Pred pred, int timeoutMs = 10'000) {
        QElapsedTimer wait;
        wait.start();
        do {
            for (const auto& w : appWindows()) {
                if (pred(w.second)) {
                    return w;
                }
            }
            sleepMs(100);
        } while (wait.elapsed() < timeoutMs);
        return std::nullopt;
    }

    // Reads what the application wrote to standard error so far; returns its debug lines.
    void pump() {
        app.waitForReadyRead(20);
        stderrText += QString::fromUtf8(app.readAllStandardError());
        static const QRegularExpression line(
            R"(\[tavrik\] refresh @ \d{4}-\d\d-\d\d \d\d:\d\d:\d\d \+0000 score=(\d+) todayLines=(\d+)\n)");
        auto it = line.globalMatch(stderrText, parsedUpTo);
        while (it.hasNext()) {
            const auto m = it.next();
            refreshes.push_back(
                {clock.elapsed(), m.captured(1).toLongLong(), m.captured(2).toLongLong()});
            parsedUpTo = static_cast<int>(m.capturedEnd());
        }
    }

    bool waitRefreshes(size_t n, int timeoutMs) {
        QElapsedTimer wait;
        wait.start();
        while (refreshes.size() < n && wait.elapsed() < timeoutMs
               && app.state() == QProcess::Running) {
            pump();
        }
        return refreshes.size() >= n;
    }

    static bool isMenu(const Rect& r) { return r.w > 150 && r.h > 120; }

    bool waitMenuClosed() {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 5000) {
            bool open = false;
            for (const auto& w : appWindows()) {
                open = open || isMenu(w.second);
            }
            if (!open) {
                return true;
            }
            sleepMs(50);
        }
        return false;
    }

    void click(const Rect& r, int dx, int dy) {
        tool("xdotool", {"mousemove", QString::number(r.x + dx), QString::number(r.y + dy)});
        sleepMs(100);
        tool("xdotool", {"click", "1"});
    }

    tavrik::test::TempDir tmp;
    fs::path home;
    QString display;
    QString shots;
    QProcessEnvironment env;
    QProcess xvfb, compositor, tray, app;
    QElapsedTimer clock;
    QString stderrText;
    int parsedUpTo = 0;
    std::vector<Refresh> refreshes;
};

// The part of a StatusNotifier host that items talk to: the watcher they register with.
class StandInWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    QStringList registered;  // "bus name" of each item
    bool hostRegistered() const { return true; }
    QStringList items() const { return registered; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { registered.append(service); }
    void RegisterStatusNotifierHost(const QString&) {}
};

// The labels of an exported menu's entries by id, from GetLayout's (ia{sv}av).
std::vector<std::pair<int, QString>> menuLabels(const QDBusArgument& layout) {
    std::vector<std::pair<int, QString>> out;
    int id = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        const auto childArg = child.variant().value<QDBusArgument>();
        int childId = 0;
        QVariantMap childProperties;
        childArg.beginStructure();
        childArg >> childId >> childProperties;
        childArg.endStructure();
        if (childProperties.value("type").toString() != "separator") {
            out.emplace_back(childId, childProperties.value("label").toString());
        }
    }
    layout.endArray();
    layout.endStructure();
    return out;
}

int whitePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    return n;
}

TEST_F(EndToEnd, TheTrayApplicationRunsRefreshesAndQuitsUnderXWithATrayHost) {
    // A generated tree of a few dozen transcripts and rollouts.
    home = tmp.path() / "home";
    QProcess gen;
    gen.start(QStringLiteral(GEN_LOGS_EXE), {"--out", QString::fromStdString(home.string()),
                                             "--size-mb", "4", "--files", "40", "--seed", "7"});
    ASSERT_TRUE(gen.waitForFinished(120'000));
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();

    ASSERT_TRUE(startX()) << "Xvfb did not start";
    if (QStandardPaths::findExecutable("xcompmgr").isEmpty()) {
        std::cout << "xcompmgr missing: the overlay's translucent corners will show black\n";
    } else {
        compositor.setProcessEnvironment(env);
        compositor.start("xcompmgr", {});
    }
    tray.setProcessEnvironment(env);
    // A dark panel, as most desktops have: the tray logo is white.
    tray.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "request",
                          "--height", "28", "--transparent", "true", "--alpha", "0", "--tint",
                          "0x1e1e1e", "--SetDockType", "true"});
    ASSERT_TRUE(tray.waitForStarted(5000));
    sleepMs(500);

    app.setProcessEnvironment(appEnv());
    app.start(QStringLiteral(TAVRIK_EXE), {"--debug"});
    ASSERT_TRUE(app.waitForStarted(5000));

    // The first build is applied and logged.
    ASSERT_TRUE(waitRefreshes(1, 60'000)) << stderrText.toStdString();
    const Refresh first = refreshes.front();
    std::cout << "first build: score " << first.score << ", today's lines " << first.todayLines
              << ", " << first.atMs << " ms after start\n";

    // The tray icon: a small window of the application inside the tray at the bottom.
    const auto icon =
        waitWindow([](const Rect& r) { return r.w <= 64 && r.h <= 64 && r.y >= screenH - 40; });
    ASSERT_TRUE(icon) << "no tray icon";
    const Rect iconRect = icon->second;
    const QImage iconShot = screenshot("tray-icon.png", iconRect, 1);
    screenshot("tray-icon-x8.png",
               Rect{iconRect.x - 8, iconRect.y - 4, iconRect.w + 16, iconRect.h + 8}, 8);
    EXPECT_GE(whitePixels(iconShot), 100) << "the white logo is not in the tray";

    // The overlay hangs from the top centre of the screen.
    const auto overlay = waitWindow([](const Rect& r) { return r.y == 0 && r.w > 60; });
    ASSERT_TRUE(overlay) << "no overlay at the top of the screen";
    EXPECT_LE(std::abs(overlay->second.x + overlay->second.w / 2 - screenW / 2), 1)
        << overlay->second.x << "+" << overlay->second.w;
    screenshot("overlay.png", Rect{screenW / 2 - 200, 0, 400, 60}, 2);

    // The menu: its header names the score. (The text itself is checked by the offscreen
    // tests; here a person looks at menu-header.png.)
    click(iconRect, iconRect.w / 2, iconRect.h / 2);
    auto menu = waitWindow(isMenu);
    ASSERT_TRUE(menu) << "the menu did not open";
    screenshot("menu-header.png", menu->second, 2);
    tool("xdotool", {"key", "Escape"});
    ASSERT_TRUE(waitMenuClosed());

    // A transcript appended while the application runs: an append is no event for the
    // watcher, so the figures must come with the next timer build.
    pump();
    const long long before = refreshes.back().todayLines;
    fs::path transcript;
    for (const auto& e : fs::recursive_directory_iterator(home / ".claude/projects")) {
        if (e.is_regular_file() && e.path().extension() == ".jsonl") {
            transcript = e.path();
            break;
        }
    }
    ASSERT_FALSE(transcript.empty());
    const std::string now =
        QDateTime::currentDateTimeUtc().toString("yyyy-MM-ddTHH:mm:ssZ").toStdString();
    std::ofstream(transcript, std::ios::app)
        << R"({"type":"user","timestamp":")" << now
        << R"(","toolUseResult":{"filePath":"/e2e/new.cpp","content":"1\n2\n3\n4\n5\n6\n7"}})"
        << "\n";
    const qint64 appended = clock.elapsed();
    const size_t seen = refreshes.size();
    QElapsedTimer wait;
    wait.start();
    bool arrived = false;
    while (!arrived && wait.elapsed() < 15'000) {
        waitRefreshes(refreshes.size() + 1, 500);
        for (size_t i = seen; i < refreshes.size(); ++i) {
            arrived = arrived || refreshes[i].todayLines == before + 7;
        }
    }
    ASSERT_TRUE(arrived) << stderrText.toStdString();
    const qint64 latency = refreshes.back().atMs - appended;
    std::cout << "appended lines shown after " << latency << " ms\n";
    EXPECT_LE(latency, 5000 + 2000);  // one timer period, plus the build and the pipe

    // "Refresh now" through the menu, just after a timer build: its line arrives long before
    // the next timer build would.
    const size_t timerLine = refreshes.size();
    ASSERT_TRUE(waitRefreshes(timerLine + 1, 10'000));
    const qint64 tick = refreshes.back().atMs;
    click(iconRect, iconRect.w / 2, iconRect.h / 2);
    menu = waitWindow(isMenu);
    ASSERT_TRUE(menu) << "the menu did not open again";
    tool("xdotool", {"key", "Down"});
    tool("xdotool", {"key", "Down"});
    screenshot("menu-refresh.png", menu->second, 2);
    tool("xdotool", {"key", "Return"});
    ASSERT_TRUE(waitRefreshes(timerLine + 2, 10'000));
    const qint64 refreshed = refreshes.back().atMs - tick;
    std::cout << "Refresh now answered " << refreshed << " ms after the timer build\n";
    EXPECT_LT(refreshed, 4500) << "no build between two timer builds";

    // "Quit Tavrik", the last item, clicked with the pointer.
    ASSERT_TRUE(waitMenuClosed());
    click(iconRect, iconRect.w / 2, iconRect.h / 2);
    menu = waitWindow(isMenu);
    if (!menu) {
        screenshot("failed-third-menu.png");
    }
    ASSERT_TRUE(menu) << "the menu did not open a third time";
    screenshot("screen-with-menu.png");
    QElapsedTimer quitting;
    quitting.start();
    click(menu->second, 40, menu->second.h - 12);
    ASSERT_TRUE(app.waitForFinished(10'000)) << "still running after Quit Tavrik";
    std::cout << "exited " << quitting.elapsed() << " ms after the click\n";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_FALSE(fs::exists(runtimeDir() / "tavrik.lock"));
    pump();
    std::cout << "standard error of the application:\n" << stderrText.toStdString();
}

TEST_F(EndToEnd, UnderAStatusNotifierHostThePanelDrawsTheExportedMenu) {
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup.sh installs it)";
    }
    home = tmp.path() / "home";
    fs::create_directories(home / ".claude/projects");
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());
    QDBusConnection bus = QDBusConnection::connectToBus(address, "stand-in host");
    ASSERT_TRUE(bus.isConnected());
    StandInWatcher watcher;
    ASSERT_TRUE(bus.registerService("org.kde.StatusNotifierWatcher"));
    ASSERT_TRUE(
        bus.registerObject("/StatusNotifierWatcher", &watcher,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));

    ASSERT_TRUE(startX()) << "Xvfb did not start";
    QProcessEnvironment e = appEnv();
    e.insert("DBUS_SESSION_BUS_ADDRESS", address);
    app.setProcessEnvironment(e);
    app.start(QStringLiteral(TAVRIK_EXE), {"--debug"});
    ASSERT_TRUE(app.waitForStarted(5000));
    // The watcher answers from this process's event loop.
    const auto serve = [&](const std::function<bool()>& done, int timeoutMs) {
        QElapsedTimer wait;
        wait.start();
        while (!done() && wait.elapsed() < timeoutMs && app.state() == QProcess::Running) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            pump();
        }
        return done();
    };
    ASSERT_TRUE(serve([&] { return !watcher.registered.isEmpty(); }, 30'000))
        << "no item registered; " << stderrText.toStdString();

    // The item says it is a menu and where the menu is.
    const QString item = watcher.registered.front();
    QDBusInterface props(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", bus);
    EXPECT_TRUE(props.property("ItemIsMenu").toBool());
    const QString menuPath = props.property("Menu").value<QDBusObjectPath>().path();
    ASSERT_FALSE(menuPath.isEmpty());

    // Every item of the menu, in order, with the header naming the score once a build is in.
    ASSERT_TRUE(serve([&] { return !refreshes.empty(); }, 60'000)) << stderrText.toStdString();
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(item, menuPath, "com.canonical.dbusmenu", "GetLayout")
        << 0 << -1 << QStringList());
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto labels = menuLabels(reply.arguments().at(1).value<QDBusArgument>());
    QStringList texts;
    for (const auto& [id, label] : labels) {
        texts << label;
    }
    ASSERT_EQ(texts.size(), 7) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts[0].startsWith("Tavrik Score ")) << texts[0].toStdString();
    EXPECT_EQ(texts.mid(1),
              (QStringList{"Save card to Desktop", "Refresh now", "Streak protection", "Hide notch",
                           QString::fromUtf8("Settings\u2026"), "Quit Tavrik"}));
    const auto idOf = [&](const QString& label) {
        for (const auto& [id, text] : labels) {
            if (text == label) {
                return id;
            }
        }
        return -1;
    };
    const auto event = [&](int id) {
        return bus.call(
            QDBusMessage::createMethodCall(item, menuPath, "com.canonical.dbusmenu", "Event")
            << id << QString("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u);
    };

    // A click on "Refresh now" in the panel's menu builds at once, between two timer builds.
    const size_t timerLine = refreshes.size();
    ASSERT_TRUE(serve([&] { return refreshes.size() > timerLine; }, 10'000));
    const qint64 tick = refreshes.back().atMs;
    EXPECT_EQ(event(idOf("Refresh now")).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(serve([&] { return refreshes.size() > timerLine + 1; }, 10'000));
    EXPECT_LT(refreshes.back().atMs - tick, 4500) << "no build between two timer builds";

    // A left click on the icon: the panel opens the menu itself, so nothing of ours opens,
    // least of all away from the click.
    const auto windowsBefore = appWindows();
    const QDBusMessage activate =
        bus.call(QDBusMessage::createMethodCall(item, "/StatusNotifierItem",
                                                "org.kde.StatusNotifierItem", "Activate")
                 << 1200 << 790);
    EXPECT_EQ(activate.type(), QDBusMessage::ReplyMessage);
    serve([] { return false; }, 1000);
    EXPECT_EQ(appWindows().size(), windowsBefore.size());

    // The overlay: override-redirect, so no window manager can move, stretch or focus it.
    const auto overlay = waitWindow([](const Rect& r) { return r.y == 0 && r.w > 60; });
    ASSERT_TRUE(overlay) << "no overlay at the top of the screen";
    EXPECT_EQ(overlay->second.h, 32);
    EXPECT_TRUE(tool("xwininfo", {"-id", overlay->first}).contains("Override Redirect State: yes"));

    // "Quit Tavrik" from the panel's menu ends the application.
    event(idOf("Quit Tavrik"));
    ASSERT_TRUE(serve([&] { return app.state() == QProcess::NotRunning; }, 10'000))
        << "still running after Quit Tavrik";
    EXPECT_EQ(app.exitCode(), 0);
    stop(daemon);
}

}  // namespace

#include "EndToEndTest.moc"
