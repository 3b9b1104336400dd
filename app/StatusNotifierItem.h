#pragma once

// StatusNotifierItem: the tray icon on a StatusNotifier host (Plasma, waybar, GNOME's
// AppIndicator extension), published on the session bus by ourselves rather than through
// QSystemTrayIcon. Qt's own item says it is no menu, so a host answers a left click with an
// Activate call that carries a position Qt throws away, and the application could only guess
// where to open its menu. This item says it is a menu: the host opens the exported menu itself,
// at the icon, on either button, and draws it in its own style.
//
// The menu is a QMenu exported over com.canonical.dbusmenu: every action with its text,
// enabled and checked state and shortcut, separators included; a "clicked" event triggers the
// action. Changes to the actions are announced as they happen.
//
// Main thread only. Published on construction when a host is running (see hostAvailable);
// unregistered when destroyed.

#include <QDBusConnection>
#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <memory>

class QAction;

namespace tavrik {

// One entry of the exported menu and its children, as com.canonical.dbusmenu lays it out.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// Returns the layout of menu: the root (id 0) with one child per action, numbered from 1 in
// menu order. Pure over the actions' state; shared by the exporter and its tests.
DBusMenuLayout dbusMenuLayout(const QMenu& menu);

class StatusNotifierItem final : public QObject {
    Q_OBJECT

public:
    // Returns whether a StatusNotifier host is running on connection's bus.
    static bool hostAvailable(const QDBusConnection& connection = QDBusConnection::sessionBus());

    StatusNotifierItem(const QIcon& icon, const QString& title,
                       const QDBusConnection& connection = QDBusConnection::sessionBus());
    ~StatusNotifierItem() override;

    // Returns whether the item is on the bus and the host's watcher took it.
    bool isRegistered() const { return m_registered; }

    // Exports menu (which the caller keeps alive; a null menu exports an empty one).
    void setMenu(QMenu* menu);

    QString serviceName() const { return m_service; }

    // The D-Bus face, called by the adaptors.
    QMenu* menu() const { return m_menu.data(); }
    QAction* actionAt(int id) const;
    uint revision() const { return m_revision; }
    const QIcon& icon() const { return m_icon; }
    const QString& title() const { return m_title; }
    void contextMenu(int x, int y);

Q_SIGNALS:
    // Forwarded to the bus by the adaptors.
    void layoutUpdated(uint revision, int parent);

private:
    void menuChanged();

    QDBusConnection m_bus;
    QIcon m_icon;
    QString m_title;
    QString m_service;
    QPointer<QMenu> m_menu;
    QList<QMetaObject::Connection> m_watches;
    uint m_revision = 1;
    bool m_registered = false;
};

}  // namespace tavrik
