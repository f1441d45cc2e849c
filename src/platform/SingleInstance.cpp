#include "platform/SingleInstance.h"

#include "doc/DocPaths.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

const char* const TSingleInstance::ShowMessage = "msgShowWrenDoc";

TSingleInstance::TSingleInstance(QObject* parent) : QObject(parent) {}

TSingleInstance::~TSingleInstance() {
    Stop();
}

namespace {

// A document not yet written (Save As listens before the save) is named
// after its folder's canonical path, as it will be once it exists.
QString pathKey(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return CanonicalPath(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return CanonicalPath(path);
    return folder.endsWith(QLatin1Char('/')) ? folder + info.fileName()
                                             : folder + QLatin1Char('/') + info.fileName();
}

// An older-format file is opened as the ".wrn" it is converted to, and
// shows under that name: the holder of that ".wrn" has it open.
QString documentKey(const QString& path) {
    const QString key = pathKey(path);
    if (ExtOf(key).compare(QLatin1String(".lkp"), Qt::CaseInsensitive) == 0)
        return pathKey(WithLastChars(key, QStringLiteral("wrn")));
    return key;
}

} // namespace

QString TSingleInstance::ServerName(const QString& documentPath) {
    const QByteArray hash =
        QCryptographicHash::hash(documentKey(documentPath).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    return QStringLiteral("WrenNOTE-%1-%2").arg(uint(::getuid())).arg(QString::fromLatin1(hash));
}

bool TSingleInstance::NotifyRunning(const QString& documentPath, int timeoutMs) {
    if (documentPath.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(ServerName(documentPath));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(QByteArray(ShowMessage) + '\n');
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    // The reply says the message was read; an instance too busy to answer
    // still holds the document.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}

TSingleInstance::ClaimResult TSingleInstance::Claim(const QString& documentPath) {
    if (documentPath.isEmpty())
        return NotClaimed;
    if (NotifyRunning(documentPath))
        return HandedOver;
    if (Listen(documentPath))
        return Claimed;
    // Another instance started on it at the same moment.
    return NotifyRunning(documentPath) ? HandedOver : NotClaimed;
}

bool TSingleInstance::Listen(const QString& documentPath) {
    if (m_server && documentPath == m_path)
        return true;
    Stop();
    if (documentPath.isEmpty())
        return true;
    const QString name = ServerName(documentPath);
    auto* server = new QLocalServer(this);
    // No socket options: with them the socket is renamed into place and
    // would silently replace a live holder's; without them binding an existing
    // name fails, which makes the name a lock. The socket file's mode follows
    // the umask, as for any file of the user.
    if (!server->listen(name)) {
        if (server->serverError() != QAbstractSocket::AddressInUseError) {
            delete server;
            return false;
        }
        // A name left behind by an instance that ended without cleaning up.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(1000)) {
            probe.disconnectFromServer();
            delete server;
            return false;
        }
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            delete server;
            return false;
        }
    }
    connect(server, &QLocalServer::newConnection, this, &TSingleInstance::onNewConnection);
    m_server = server;
    m_path = documentPath;
    return true;
}

void TSingleInstance::Stop() {
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    m_path.clear();
}

void TSingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine().trimmed();
            if (line == ShowMessage) {
                socket->write("ok\n");
                socket->flush();
                Q_EMIT showRequested();
            }
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
    }
}
