#include "app/FileReveal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QLoggingCategory>
#include <QUrl>

#include <system_error>

namespace tavrik::FileReveal {
namespace {

Q_LOGGING_CATEGORY(lcReveal, "tavrik.app.reveal")

void openFolder(const std::filesystem::path& folder) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())))) {
        qCInfo(lcReveal, "could not open %s", folder.c_str());
    }
}

}  // namespace

void reveal(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    std::error_code error;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!std::filesystem::exists(file, error) || !bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QString::fromStdString(file.string())).toString()}
         << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* w) {
                         if (w->isError()) {
                             qCInfo(lcReveal, "no file manager answered: %s",
                                    qUtf8Printable(w->error().message()));
                             openFolder(folder);
                         }
                         w->deleteLater();
                     });
}

}  // namespace tavrik::FileReveal
