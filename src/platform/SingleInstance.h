#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QTimer;

// One program instance per document: the instance that has a document open
// listens on a local socket named after it; another instance started on the
// same document hands over ("msgShowWrenDoc") and ends.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    static const char* const ShowMessage; // "msgShowWrenDoc"

    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The folder of the sockets: $XDG_RUNTIME_DIR when it is ours and private
    // (mode 0700), else a private folder of our own in the temporary folder,
    // created and checked for owner and mode. Empty when neither can be had:
    // then there is no hand-over at all rather than one others could reach.
    static QString SocketFolder();
    // The socket for a document: in SocketFolder, named from the user id and
    // a hash of its canonical path. Empty without a socket folder.
    static QString ServerName(const QString& documentPath);
    // Limits of the server: a line, the time a client may stay silent, and
    // how many clients are served at once.
    static constexpr int MaxLine = 4096;
    static constexpr int IdleMs = 2000;
    static constexpr int MaxClients = 16;
    // Whether the peer of a connected local socket runs as this user.
    static bool PeerIsOwnUser(qintptr socketDescriptor);
    // Asks the instance that has the document open to show itself; true when
    // one took the message.
    static bool NotifyRunning(const QString& documentPath, int timeoutMs = 3000);

    enum ClaimResult { Claimed, HandedOver, NotClaimed };
    // Start-up: hands over to a running instance, or starts listening for the document.
    ClaimResult Claim(const QString& documentPath);
    // Listens for the document (after open, save as, rename); an empty path
    // only stops listening. False when another instance holds the name.
    bool Listen(const QString& documentPath);
    void Stop();
    QString ListeningPath() const { return m_path; }
    // Clients being served now, for tests.
    int ClientCount() const { return m_clients; }
    bool IsListening() const;

Q_SIGNALS:
    void showRequested();

private:
    void onNewConnection();
    // Listens again when the server stopped (the file limit was reached).
    void keepListening();

    QLocalServer* m_server = nullptr;
    QString m_path;
    QTimer* m_watch = nullptr;
    int m_clients = 0;
};
