// Showing a saved file: the file manager's ShowItems over D-Bus, and opening the folder when
// no file manager answers or the file is missing. A private dbus-daemon stands in for the
// session bus; a URL handler catches what would otherwise start the desktop's file opener.

#include "app/FileReveal.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrik {
namespace {

// A file manager that records what it was asked to show, and the desktop's file opener.
class FakeDesktop final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;
    QList<QUrl> opened;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
    void open(const QUrl& url) { opened.push_back(url); }
};

TEST(FileReveal, AsksTheFileManagerToShowTheFileElseOpensItsFolder) {
    test::widgetApp();
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup.sh installs it)";
    }
    // The session bus is looked up once per process, at its first use.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000));
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    FakeDesktop desktop;
    QDesktopServices::setUrlHandler("file", &desktop, "open");
    test::TempDir tmp;
    const std::filesystem::path file = tmp.write("Desktop/tavrik-2025-03-07.png", "png");
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string()));

    FileReveal::reveal(file);  // no file manager yet
    ASSERT_TRUE(test::waitUntil([&] { return desktop.opened == QList<QUrl>{folder}; }));

    ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &desktop,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.FileManager1"));
    desktop.opened.clear();
    FileReveal::reveal(file);
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(file.string())).toString();
    ASSERT_TRUE(test::waitUntil([&] { return desktop.shown == QStringList{uri}; }));
    test::spin(100);
    EXPECT_TRUE(desktop.opened.isEmpty());

    std::filesystem::remove(file);
    FileReveal::reveal(file);
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.opened.isEmpty(); }));
    EXPECT_EQ(desktop.shown.size(), 1);
    QDesktopServices::unsetUrlHandler("file");
}

}  // namespace
}  // namespace tavrik

#include "FileRevealTest.moc"
