#include "platform/SingleInstance.h"

#include "doc/DocPaths.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <QDir>
#include <QFile>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const TSingleInstance::ShowMessage = "msgShowWrenDoc";
const char* const TSingleInstance::ClipMessage = "msgClipWrenDoc";
const char* const TSingleInstance::BusyReason = "busy";

TSingleInstance::TSingleInstance(QObject* parent) : QObject(parent) {
    // A failed accept closes the server without a signal; looked for once a second.
    m_watch = new QTimer(this);
    m_watch->setInterval(1000);
    connect(m_watch, &QTimer::timeout, this, &TSingleInstance::keepListening);
}

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

namespace {

// A folder only this user can enter: ours, a real folder (no link), mode 0700.
bool isPrivateFolder(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// A socket file that is not ours (or is no socket) is never connected to.
bool isOwnSocket(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode) &&
           st.st_uid == ::getuid();
}

} // namespace

QString TSingleInstance::SocketFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/') && isPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/WrenNOTE-%1").arg(uint(::getuid()));
    const QByteArray native = QFile::encodeName(own);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    if (isPrivateFolder(native))
        return own;
    // Ours but opened up by someone's umask or chmod: closed again. A folder
    // of another user (or a link) under the name is never used.
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        ::chmod(native.constData(), 0700) == 0 && isPrivateFolder(native))
        return own;
    return QString();
}

QString TSingleInstance::ServerName(const QString& documentPath) {
    const QString folder = SocketFolder();
    if (folder.isEmpty())
        return QString();
    const QByteArray hash =
        QCryptographicHash::hash(documentKey(documentPath).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    return folder +
           QStringLiteral("/WrenNOTE-%1-%2").arg(uint(::getuid())).arg(QString::fromLatin1(hash));
}

bool TSingleInstance::IsActivationToken(const QByteArray& token) {
    if (token.isEmpty() || token.size() > MaxToken)
        return false;
    for (char c : token)
        if (c <= ' ' || c > '~')
            return false;
    return true;
}

bool TSingleInstance::PeerIsOwnUser(qintptr socketDescriptor) {
    struct ucred cred {};
    socklen_t size = sizeof cred;
    return socketDescriptor >= 0 &&
           ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 &&
           size == sizeof cred && cred.uid == ::getuid();
}

bool TSingleInstance::NotifyRunning(const QString& documentPath, int timeoutMs) {
    if (documentPath.isEmpty())
        return false;
    const QString name = ServerName(documentPath);
    if (name.isEmpty() || !isOwnSocket(name))
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    // The document's name goes only to a server of this user.
    if (!PeerIsOwnUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    // The desktop's permission for this start to raise a window goes along
    // to the window that is raised instead.
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    socket.write(QByteArray(ShowMessage) + (IsActivationToken(token) ? ' ' + token : QByteArray()) +
                 '\n');
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    // The reply says the message was read; an instance too busy to answer
    // still holds the document.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}

TSingleInstance::ClipResult TSingleInstance::SendClip(const QString& documentPath,
                                                      const QString& text, QString* reason,
                                                      int timeoutMs) {
    const QByteArray body = text.toUtf8();
    if (documentPath.isEmpty() || body.size() > MaxClipBytes)
        return ClipRefused;
    const QString name = ServerName(documentPath);
    if (name.isEmpty() || !isOwnSocket(name))
        return ClipNoInstance;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return ClipNoInstance;
    // The text goes only to a server of this user.
    if (!PeerIsOwnUser(socket.socketDescriptor())) {
        socket.abort();
        return ClipNoInstance;
    }
    socket.write(QByteArray(ClipMessage) + ' ' + QByteArray::number(body.size()) + '\n');
    socket.write(body);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(timeoutMs))
            return ClipNoAnswer;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs))
            return ClipNoAnswer;
    const QByteArray answer = socket.readLine(MaxLine + 1).trimmed();
    socket.disconnectFromServer();
    if (answer == "ok")
        return ClipMade;
    if (answer == "busy")
        return ClipBusy;
    if (reason)
        *reason = QString::fromUtf8(answer.startsWith("no ") ? answer.mid(3) : QByteArray());
    return ClipRefused;
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
    if (m_server && documentPath == m_path && m_server->isListening())
        return true;
    Stop();
    if (documentPath.isEmpty())
        return true;
    const QString name = ServerName(documentPath);
    if (name.isEmpty())
        return false;
    // Whatever else lies under the name is not trusted and goes.
    if (QFileInfo::exists(name) || QFileInfo(name).isSymLink()) {
        if (!isOwnSocket(name))
            ::unlink(QFile::encodeName(name).constData());
    }
    auto* server = new QLocalServer(this);
    server->setMaxPendingConnections(MaxClients);
    // No socket options: with them the socket is renamed into place and
    // would silently replace a live holder's; without them binding an existing
    // name fails, which makes the name a lock. The folder is private.
    if (!server->listen(name)) {
        if (server->serverError() != QAbstractSocket::AddressInUseError) {
            delete server;
            return false;
        }
        // A name left behind by an instance that ended without cleaning up,
        // or one held by a process of another user, which is not trusted.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(1000) && PeerIsOwnUser(probe.socketDescriptor())) {
            probe.disconnectFromServer();
            delete server;
            return false;
        }
        probe.abort();
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            delete server;
            return false;
        }
    }
    connect(server, &QLocalServer::newConnection, this, &TSingleInstance::onNewConnection);
    m_server = server;
    m_path = documentPath;
    m_watch->start();
    return true;
}

bool TSingleInstance::IsListening() const {
    return m_server && m_server->isListening();
}

void TSingleInstance::Stop() {
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    m_path.clear();
    m_watch->stop();
}

void TSingleInstance::keepListening() {
    if (m_path.isEmpty() || (m_server && m_server->isListening()))
        return;
    // Qt closes a server whose accept() failed, as it does when the file
    // limit is reached; a window with its document open always listens.
    const QString path = m_path;
    Stop();
    if (!Listen(path))
        m_path = path; // tried again at the next look
    m_watch->start();
}

void TSingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Only this user's processes, a few at a time, each for a moment.
        if (m_clients >= MaxClients || !PeerIsOwnUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_clients;
        socket->setReadBufferSize(MaxLine + 1);
        connect(socket, &QObject::destroyed, this, [this] { --m_clients; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        idle->start(IdleMs);
        // The length of the clip announced, while its text is awaited.
        auto clipSize = std::make_shared<qint64>(-1);
        auto handle = [this, socket, idle, clipSize] {
            if (*clipSize < 0) {
                if (!socket->canReadLine()) {
                    // A line longer than any message is not waited for.
                    if (socket->bytesAvailable() > MaxLine) {
                        socket->abort();
                        socket->deleteLater();
                    }
                    return;
                }
                const QByteArray line = socket->readLine(MaxLine + 1).trimmed();
                const QByteArray show = QByteArray(ShowMessage) + ' ';
                if (line == ShowMessage || line.startsWith(show)) {
                    // Qt's Wayland window takes the token from the environment when it is raised.
                    const QByteArray token = line.mid(show.size());
                    if (IsActivationToken(token))
                        qputenv("XDG_ACTIVATION_TOKEN", token);
                    socket->write("ok\n");
                    socket->flush();
                    Q_EMIT showRequested();
                    socket->disconnectFromServer();
                    return;
                }
                const QByteArray clip = QByteArray(ClipMessage) + ' ';
                bool ok = false;
                const qint64 size =
                    line.startsWith(clip) ? line.mid(clip.size()).toLongLong(&ok) : -1;
                if (!ok || size < 0 || size > MaxClipBytes) {
                    socket->disconnectFromServer();
                    return;
                }
                *clipSize = size;
                socket->setReadBufferSize(0);
                idle->start(ClipMs);
            }
            // More than was announced is not a clip of ours.
            if (socket->bytesAvailable() > *clipSize) {
                socket->abort();
                socket->deleteLater();
                return;
            }
            if (socket->bytesAvailable() < *clipSize)
                return;
            const QString text = QString::fromUtf8(socket->read(*clipSize));
            *clipSize = -1;
            idle->stop();
            // The clip may ask the user something; the command may give up
            // and its socket go meanwhile.
            const QPointer<QLocalSocket> alive(socket);
            const QString why = ClipHandler ? ClipHandler(text) : QString::fromLatin1(BusyReason);
            if (!alive)
                return;
            if (why.isEmpty())
                socket->write("ok\n");
            else if (why == QLatin1String(BusyReason))
                socket->write("busy\n");
            else
                socket->write("no " + why.simplified().toUtf8().left(MaxLine - 4) + '\n');
            socket->flush();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
    }
    keepListening();
}
