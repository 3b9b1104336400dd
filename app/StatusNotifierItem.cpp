#include "app/StatusNotifierItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QImage>
#include <QMenu>
#include <QtEndian>

#include <unistd.h>

namespace tavrik {
namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
// The start waits for the panel's watcher: never long, even when it hangs.
constexpr int callTimeoutMs = 2000;

}  // namespace

// The wire types, in a named namespace: QtDBus finds slot and signal types by their names.
namespace sni {

// (iiay): one picture of the icon, ARGB32 in network byte order.
struct DBusImage {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using DBusImageList = QList<DBusImage>;

// (sa(iiay)ss): icon name, pictures, title, text.
struct DBusToolTip {
    QString iconName;
    DBusImageList images;
    QString title;
    QString text;
};

// (ia{sv}): one entry's properties.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

// (isvu): one event of a group.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data{0};  // a variant must hold something to have a D-Bus signature
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

}  // namespace sni
}  // namespace tavrik

Q_DECLARE_METATYPE(tavrik::DBusMenuLayout)
Q_DECLARE_METATYPE(tavrik::sni::DBusImage)
Q_DECLARE_METATYPE(tavrik::sni::DBusToolTip)
Q_DECLARE_METATYPE(tavrik::sni::DBusMenuItem)
Q_DECLARE_METATYPE(tavrik::sni::DBusMenuEvent)

namespace tavrik::sni {

// A D-Bus structure is its fields in order.
template <class... Field>
QDBusArgument& writeStruct(QDBusArgument& a, const Field&... fields) {
    a.beginStructure();
    (a << ... << fields);
    a.endStructure();
    return a;
}
template <class... Field>
const QDBusArgument& readStruct(const QDBusArgument& a, Field&... fields) {
    a.beginStructure();
    (a >> ... >> fields);
    a.endStructure();
    return a;
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusImage& v) {
    return writeStruct(a, v.width, v.height, v.bytes);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusImage& v) {
    return readStruct(a, v.width, v.height, v.bytes);
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusToolTip& v) {
    return writeStruct(a, v.iconName, v.images, v.title, v.text);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusToolTip& v) {
    return readStruct(a, v.iconName, v.images, v.title, v.text);
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuItem& v) {
    return writeStruct(a, v.id, v.properties);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuItem& v) {
    return readStruct(a, v.id, v.properties);
}

QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuEvent& v) {
    return writeStruct(a, v.id, v.eventId, v.data, v.timestamp);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuEvent& v) {
    return readStruct(a, v.id, v.eventId, v.data, v.timestamp);
}

}  // namespace tavrik::sni

namespace tavrik {

using namespace sni;

// The children travel as variants (av), each holding a layout of its own.
QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuLayout& v) {
    a.beginStructure();
    a << v.id << v.properties;
    a.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayout& child : v.children) {
        a << QDBusVariant(QVariant::fromValue(child));
    }
    a.endArray();
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuLayout& v) {
    a.beginStructure();
    a >> v.id >> v.properties;
    a.beginArray();
    v.children.clear();
    while (!a.atEnd()) {
        QDBusVariant child;
        a >> child;
        v.children.append(qdbus_cast<DBusMenuLayout>(child.variant()));
    }
    a.endArray();
    a.endStructure();
    return a;
}

namespace {

void registerTypes() {
    static const bool once = [] {
        qDBusRegisterMetaType<DBusImage>();
        qDBusRegisterMetaType<DBusImageList>();
        qDBusRegisterMetaType<DBusToolTip>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<DBusMenuItemList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        qDBusRegisterMetaType<DBusMenuLayout>();
        return true;
    }();
    (void)once;
}

DBusImageList pictures(const QIcon& icon) {
    DBusImageList list;
    for (const QSize& size : icon.availableSizes()) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        DBusImage picture{image.width(), image.height(), {}};
        picture.bytes.resize(static_cast<qsizetype>(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(picture.bytes.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                *out++ = qToBigEndian(row[x]);
            }
        }
        list.append(picture);
    }
    return list;
}

// dbusmenu marks the mnemonic with "_" where Qt uses "&".
QString dbusLabel(QString text) {
    text.replace(QLatin1Char('_'), QStringLiteral("__"));
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            } else {
                out += QLatin1Char('_');
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

QVariantMap itemProperties(const QAction& action) {
    QVariantMap p;
    if (action.isSeparator()) {
        p.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        p.insert(QStringLiteral("label"), dbusLabel(action.text()));
    }
    p.insert(QStringLiteral("enabled"), action.isEnabled());
    p.insert(QStringLiteral("visible"), action.isVisible());
    if (action.isCheckable()) {
        p.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        p.insert(QStringLiteral("toggle-state"), action.isChecked() ? 1 : 0);
    }
    return p;
}

// Keeps only the properties asked for; an empty list asks for all.
QVariantMap only(QVariantMap properties, const QStringList& names) {
    if (!names.isEmpty()) {
        for (auto it = properties.begin(); it != properties.end();) {
            it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
        }
    }
    return properties;
}

class ItemAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ empty)
    Q_PROPERTY(QString IconName READ empty)
    Q_PROPERTY(QList<tavrik::sni::DBusImage> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty)
    Q_PROPERTY(QList<tavrik::sni::DBusImage> OverlayIconPixmap READ none)
    Q_PROPERTY(QString AttentionIconName READ empty)
    Q_PROPERTY(QList<tavrik::sni::DBusImage> AttentionIconPixmap READ none)
    Q_PROPERTY(QString AttentionMovieName READ empty)
    Q_PROPERTY(tavrik::sni::DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit ItemAdaptor(StatusNotifierItem* item) : QDBusAbstractAdaptor(item), m_item(item) {}

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QCoreApplication::applicationName().toLower(); }
    QString title() const { return m_item->title(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString empty() const { return {}; }
    DBusImageList iconPixmap() const { return pictures(m_item->icon()); }
    DBusImageList none() const { return {}; }
    DBusToolTip toolTip() const { return {{}, {}, m_item->title(), {}}; }
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return QDBusObjectPath(menuPath); }

public Q_SLOTS:
    // Hosts that draw no menus of their own ask for ours, at the point clicked.
    void ContextMenu(int x, int y) { m_item->contextMenu(x, y); }
    // The item is a menu: the host opens it itself, so a left click needs nothing from us,
    // and nothing may open where the user did not click.
    void Activate(int, int) {}
    void SecondaryActivate(int, int) {}
    void Scroll(int, const QString&) {}

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* m_item;
};

class MenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    MenuAdaptor(QObject* parent, StatusNotifierItem* item)
        : QDBusAbstractAdaptor(parent), m_item(item) {
        connect(item, &StatusNotifierItem::layoutUpdated, this, &MenuAdaptor::LayoutUpdated);
    }

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int depth, const QStringList& names,
                   tavrik::DBusMenuLayout& layout) {
        layout = DBusMenuLayout{parentId, {}, {}};
        if (m_item->menu() != nullptr) {
            const DBusMenuLayout full = dbusMenuLayout(*m_item->menu());
            if (parentId == 0) {
                layout.properties = full.properties;
                if (depth != 0) {
                    for (const DBusMenuLayout& child : full.children) {
                        layout.children.append({child.id, only(child.properties, names), {}});
                    }
                }
            } else if (parentId > 0 && parentId <= full.children.size()) {
                layout.properties = only(full.children[parentId - 1].properties, names);
            }
        }
        return m_item->revision();
    }

    QList<tavrik::sni::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                        const QStringList& names) {
        DBusMenuItemList items;
        for (int id : ids) {
            if (const QAction* action = m_item->actionAt(id)) {
                items.append({id, only(itemProperties(*action), names)});
            }
        }
        return items;
    }

    QDBusVariant GetProperty(int id, const QString& name) {
        const QAction* action = m_item->actionAt(id);
        return QDBusVariant(action ? itemProperties(*action).value(name) : QVariant());
    }

    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        if (eventId != QLatin1String("clicked")) {
            return;
        }
        if (QAction* action = m_item->actionAt(id); action && action->isEnabled()) {
            // After the reply: an action may end the application.
            QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
        }
    }

    QList<int> EventGroup(const QList<tavrik::sni::DBusMenuEvent>& events) {
        QList<int> unknown;
        for (const DBusMenuEvent& e : events) {
            if (m_item->actionAt(e.id) == nullptr) {
                unknown.append(e.id);
            } else {
                Event(e.id, e.eventId, e.data, e.timestamp);
            }
        }
        return unknown;
    }

    bool AboutToShow(int) { return false; }

    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& unknown) {
        for (int id : ids) {
            if (id != 0 && m_item->actionAt(id) == nullptr) {
                unknown.append(id);
            }
        }
        return {};
    }

Q_SIGNALS:
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    StatusNotifierItem* m_item;
};

}  // namespace

DBusMenuLayout dbusMenuLayout(const QMenu& menu) {
    DBusMenuLayout root{0, {{QStringLiteral("children-display"), QStringLiteral("submenu")}}, {}};
    int id = 0;
    for (const QAction* action : menu.actions()) {
        root.children.append({++id, itemProperties(*action), {}});
    }
    return root;
}

bool StatusNotifierItem::hostAvailable(const QDBusConnection& connection) {
    if (!connection.isConnected()
        || !connection.interface()->isServiceRegistered(watcherService).value()) {
        return false;
    }
    const QDBusMessage reply = connection.call(
        QDBusMessage::createMethodCall(watcherService, watcherPath,
                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
            << watcherService << QStringLiteral("IsStatusNotifierHostRegistered"),
        QDBus::Block, callTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
           && reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

StatusNotifierItem::StatusNotifierItem(const QIcon& icon, const QString& title,
                                       const QDBusConnection& connection)
    : m_bus(connection),
      m_icon(icon),
      m_title(title),
      m_service(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(getpid())) {
    registerTypes();
    new ItemAdaptor(this);
    auto* menuObject = new QObject(this);
    new MenuAdaptor(menuObject, this);
    if (!m_bus.registerService(m_service) || !m_bus.registerObject(itemPath, this)
        || !m_bus.registerObject(menuPath, menuObject)) {
        return;
    }
    // A panel that restarts brings a new watcher, which knows nothing of us.
    auto* watch = new QDBusServiceWatcher(watcherService, m_bus,
                                          QDBusServiceWatcher::WatchForRegistration, this);
    const auto announce = [this] {
        const QDBusMessage reply =
            m_bus.call(QDBusMessage::createMethodCall(watcherService, watcherPath, watcherService,
                                                      QStringLiteral("RegisterStatusNotifierItem"))
                           << m_service,
                       QDBus::Block, callTimeoutMs);
        m_registered = reply.type() == QDBusMessage::ReplyMessage;
    };
    connect(watch, &QDBusServiceWatcher::serviceRegistered, this, announce);
    announce();
}

StatusNotifierItem::~StatusNotifierItem() {
    m_bus.unregisterObject(menuPath);
    m_bus.unregisterObject(itemPath);
    m_bus.unregisterService(m_service);
}

void StatusNotifierItem::setMenu(QMenu* menu) {
    for (const auto& c : m_watches) {
        disconnect(c);
    }
    m_watches.clear();
    m_menu = menu;
    if (menu != nullptr) {
        for (QAction* action : menu->actions()) {
            m_watches.append(connect(action, &QAction::changed, this, [this] { menuChanged(); }));
        }
    }
    menuChanged();
}

QAction* StatusNotifierItem::actionAt(int id) const {
    if (m_menu == nullptr || id < 1 || id > m_menu->actions().size()) {
        return nullptr;
    }
    return m_menu->actions().at(id - 1);
}

void StatusNotifierItem::contextMenu(int x, int y) {
    if (m_menu != nullptr) {
        m_menu->popup(QPoint(x, y));
    }
}

void StatusNotifierItem::menuChanged() {
    ++m_revision;
    Q_EMIT layoutUpdated(m_revision, 0);
}

}  // namespace tavrik

#include "StatusNotifierItem.moc"
