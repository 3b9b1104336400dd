// Showing a saved file: the file manager's ShowItems over D-Bus, and opening the folder when
// no file manager answers or the file is missing. A private dbus-daemon stands in for the
// session bus; a URL handler catches what would otherwise start the desktop's file opener.

#include "app/FileReveal.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

// A file manager that records what it was asked to show.
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;
    QString startupId;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startup) {
        shown += uris;
        startupId = startup;
    }
};

// Receives the URLs the desktop would open.
class UrlCatcher final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.push_back(url); }
};

class FileRevealTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
            return;
        }
        // The session bus is looked up once per process: point it at a private daemon first.
        s_daemon = new QProcess;
        s_daemon->start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (s_daemon->waitForStarted(5000) && s_daemon->waitForReadyRead(5000)) {
            const QByteArray address = s_daemon->readLine().trimmed();
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        }
    }
    static void TearDownTestSuite() {
        if (s_daemon != nullptr) {
            s_daemon->kill();
            s_daemon->waitForFinished(5000);
            delete s_daemon;
            s_daemon = nullptr;
        }
    }

    void SetUp() override {
        test::widgetApp();
        if (s_daemon == nullptr || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            GTEST_SKIP() << "dbus-daemon is not available (package dbus-daemon / dbus-bin)";
        }
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
        QDesktopServices::setUrlHandler("file", &catcher, "open");
        file = tmp.path() / "Desktop" / "tavrik-2025-03-07.png";
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "png";
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler("file");
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            bus.unregisterObject("/org/freedesktop/FileManager1");
            bus.unregisterService("org.freedesktop.FileManager1");
        }
    }

    void serveFileManager() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService("org.freedesktop.FileManager1"));
    }

    static inline QProcess* s_daemon = nullptr;
    test::TempDir tmp;
    fs::path file;
    FakeFileManager manager;
    UrlCatcher catcher;
};

TEST_F(FileRevealTest, AsksTheFileManagerToShowTheFileSelected) {
    serveFileManager();
    FileReveal::reveal(file);
    ASSERT_TRUE(test::waitFor([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown,
              QStringList{QUrl::fromLocalFile(QString::fromStdString(file.string())).toString()});
    test::spin(100);
    EXPECT_TRUE(catcher.opened.isEmpty());
}

TEST_F(FileRevealTest, OpensTheFolderWhenNoFileManagerAnswersOrTheFileIsMissing) {
    for (const bool missing : {false, true}) {
        if (missing) {
            serveFileManager();
            fs::remove(file);
        }
        catcher.opened.clear();
        FileReveal::reveal(file);
        ASSERT_TRUE(test::waitFor([&] { return !catcher.opened.isEmpty(); })) << missing;
        EXPECT_EQ(catcher.opened.front(),
                  QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
    }
    EXPECT_TRUE(manager.shown.isEmpty());
}

}  // namespace
}  // namespace tavrik

#include "FileRevealTest.moc"
