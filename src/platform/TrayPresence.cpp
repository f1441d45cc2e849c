#include "platform/TrayPresence.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

const char* const kWatcher = "org.kde.StatusNotifierWatcher";
const char* const kWatcherPath = "/StatusNotifierWatcher";

xcb_atom_t atom(xcb_connection_t* c, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection) {
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return owner;
}

// Only a bus that is there: asking for the session bus without one may start a
// bus daemon of its own under X11.
bool sessionBusExpected() {
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

TTrayPresence::TTrayPresence(QObject* parent)
    : QObject(parent), m_bus(QStringLiteral("wren-no-bus")) {
    watchX11();
    if (sessionBusExpected())
        watchStatusNotifier(QDBusConnection::sessionBus());
}

TTrayPresence::TTrayPresence(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(QStringLiteral("wren-no-bus")) {
    watchStatusNotifier(bus);
}

TTrayPresence::~TTrayPresence() {
    delete m_notifier;
    if (m_connection)
        xcb_disconnect(static_cast<xcb_connection_t*>(m_connection));
}

void TTrayPresence::set(bool xembed, bool sni) {
    const bool was = available();
    m_xembed = xembed;
    m_sni = sni;
    if (available() != was)
        Q_EMIT availabilityChanged(available());
}

void TTrayPresence::watchX11() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    m_connection = c;
    m_root = it.data->root;
    m_selection = atom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    m_manager = atom(c, "MANAGER");
    // A new host announces itself to the root window with MANAGER.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_root, XCB_CW_EVENT_MASK, &mask);
    followOwner(selectionOwner(c, m_selection));
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &TTrayPresence::readX11Events);
    readX11Events();
}

void TTrayPresence::followOwner(uint32_t owner) {
    auto* c = static_cast<xcb_connection_t*>(m_connection);
    m_owner = owner;
    if (owner != XCB_WINDOW_NONE) {
        // Its end comes as DestroyNotify (or as an error when it is gone already).
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, owner, XCB_CW_EVENT_MASK, &mask);
    }
    xcb_flush(c);
}

void TTrayPresence::readX11Events() {
    auto* c = static_cast<xcb_connection_t*>(m_connection);
    if (!c)
        return;
    bool askAgain = false;
    do {
        askAgain = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const uint8_t type = e->response_type & 0x7f;
            if (type == 0) {
                // The owner went before it could be watched.
                askAgain = true;
            } else if (type == XCB_CLIENT_MESSAGE) {
                auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == m_manager && m->format == 32 && m->data.data32[1] == m_selection)
                    followOwner(m->data.data32[2]);
            } else if (type == XCB_DESTROY_NOTIFY) {
                auto* d = reinterpret_cast<xcb_destroy_notify_event_t*>(e);
                if (d->window == m_owner)
                    askAgain = true;
            }
            std::free(e);
        }
        if (xcb_connection_has_error(c)) {
            m_notifier->setEnabled(false);
            m_owner = XCB_WINDOW_NONE;
            break;
        }
        if (askAgain)
            followOwner(selectionOwner(c, m_selection));
    } while (askAgain);
    set(m_owner != XCB_WINDOW_NONE, m_sni);
}

void TTrayPresence::watchStatusNotifier(const QDBusConnection& connection) {
    if (!connection.isConnected())
        return;
    m_bus = connection;
    QDBusConnection bus = m_bus;
    auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kWatcher), bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &TTrayPresence::askStatusNotifierHost);
    bus.connect(QString::fromLatin1(kWatcher), QString::fromLatin1(kWatcherPath),
                QString::fromLatin1(kWatcher), QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(onHostRegistered()));
    bus.connect(QString::fromLatin1(kWatcher), QString::fromLatin1(kWatcherPath),
                QString::fromLatin1(kWatcher), QStringLiteral("StatusNotifierHostUnregistered"),
                this, SLOT(onHostUnregistered()));
    // The start-up needs the answer at once; a watcher gets a second to give it.
    if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kWatcher)))
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(kWatcher), QString::fromLatin1(kWatcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments(
        {QString::fromLatin1(kWatcher), QStringLiteral("IsStatusNotifierHostRegistered")});
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        set(m_xembed, reply.arguments().first().value<QDBusVariant>().variant().toBool());
}

void TTrayPresence::askStatusNotifierHost() {
    QDBusConnection bus = m_bus;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(kWatcher), QString::fromLatin1(kWatcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments(
        {QString::fromLatin1(kWatcher), QStringLiteral("IsStatusNotifierHostRegistered")});
    auto* call = new QDBusPendingCallWatcher(bus.asyncCall(get, 2000), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        // No watcher, or one that does not answer: no host to rely on.
        set(m_xembed, !reply.isError() && reply.value().variant().toBool());
    });
}

void TTrayPresence::onHostRegistered() {
    set(m_xembed, true);
}

void TTrayPresence::onHostUnregistered() {
    askStatusNotifierHost();
}
