#pragma once

#include <QDBusConnection>
#include <QObject>

#include <cstdint>

class QSocketNotifier;

// Whether a tray host is there to show our icon, followed as hosts come and
// go: on X11 the owner of the system-tray selection (XEmbed hosts such as
// trayer or a panel), watched on a connection of our own; on any desktop a
// StatusNotifierItem host registered with the session bus's watcher (KDE,
// the AppIndicator extension, waybar). Told by events only, never by looking
// again and again.
class TTrayPresence : public QObject {
    Q_OBJECT
public:
    explicit TTrayPresence(QObject* parent = nullptr);
    // Watching the StatusNotifierItem hosts of bus only (tests).
    TTrayPresence(const QDBusConnection& bus, QObject* parent);
    ~TTrayPresence() override;

    bool available() const { return m_xembed || m_sni; }
    bool xembedHost() const { return m_xembed; }
    bool statusNotifierHost() const { return m_sni; }

Q_SIGNALS:
    void availabilityChanged(bool available);

private Q_SLOTS:
    // D-Bus signals reach only string-named slots.
    void onHostRegistered();
    void onHostUnregistered();

private:
    void watchX11();
    void readX11Events();
    void followOwner(uint32_t owner);
    void watchStatusNotifier(const QDBusConnection& bus);
    void askStatusNotifierHost();
    void set(bool xembed, bool sni);

    void* m_connection = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    uint32_t m_root = 0, m_selection = 0, m_manager = 0, m_owner = 0;
    bool m_xembed = false, m_sni = false;
    QDBusConnection m_bus;
};
