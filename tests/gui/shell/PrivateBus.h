#pragma once
// A private session bus for one test: a dbus-daemon of its own, and named
// connections to it that end with it.
#include "GuiSupport.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>

class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000) ||
            !WaitFor([this] { return m_daemon.canReadLine(); }, 10000))
            return;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    bool ok() const { return !m_address.isEmpty(); }
    QDBusConnection connect(const QString& name) {
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};
