#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>

// The clipping hot key on a Wayland desktop: one shortcut bound through the
// desktop portal's GlobalShortcuts interface (xdg-desktop-portal 1.16 and
// later). Everything is asynchronous: a portal that is missing, refuses or
// never answers never holds up the window.
class TPortalShortcut : public QObject {
    Q_OBJECT
public:
    static const char* const Service; // "org.freedesktop.portal.Desktop"
    static const char* const Path;    // "/org/freedesktop/portal/desktop"
    static const char* const Interface;
    static const char* const ShortcutId; // "clip"

    explicit TPortalShortcut(const QDBusConnection& bus, QObject* parent = nullptr);
    ~TPortalShortcut() override;

    // Binds the shortcut with trigger (in freedesktop's shortcut notation, as
    // TriggerText makes it) as the preferred one. A session is made first;
    // a changed trigger is bound in a new session, as a session binds once.
    void Bind(const QString& trigger, const QString& description);
    // Ends the session: the desktop forgets the shortcut.
    void Close();
    bool IsBound() const { return m_state == Bound; }
    bool IsPending() const { return m_state == Creating || m_state == Binding; }
    QString Trigger() const { return m_trigger; }
    // What the desktop says triggers the shortcut ("Ctrl+F1"); empty until bound.
    QString TriggerDescription() const { return m_triggerDescription; }

    // The trigger in freedesktop's shortcut notation for a Windows virtual-key code
    // and the settings' modifier bits ("CTRL+F1"); empty for an unknown key.
    static QString TriggerText(uint16_t virtualKey, uint16_t modifiers);

Q_SIGNALS:
    void activated();
    void bound(const QString& triggerDescription);
    // The portal is missing, refused or failed; why, in Japanese.
    void failed(const QString& reason);

private Q_SLOTS:
    // D-Bus signals reach only string-named slots (QDBusConnection::connect).
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    enum State { Idle, Creating, Binding, Bound, Failed };
    QString requestPath(const QString& token) const;
    QString nextToken();
    void expectResponse(const QString& path);
    void dropResponse();
    void callPortal(const QString& method, const QVariantList& args);
    void createSession();
    void bindShortcut();
    void fail(const QString& reason);

    QDBusConnection m_bus;
    State m_state = Idle;
    QString m_trigger, m_description, m_triggerDescription;
    QString m_session, m_request;
    int m_tokens = 0;
    bool m_listening = false;
};
