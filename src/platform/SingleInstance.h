#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QTimer;

// One program instance per document: the instance that has a document open
// listens on a local socket named after it; another instance started on the
// same document hands over ("msgShowWrenDoc") and ends. The same socket
// takes text to clip ("msgClipWrenDoc" and the text's length on one line,
// then the text in UTF-8) from `wrennote --clip`.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    static const char* const ShowMessage; // "msgShowWrenDoc"
    static const char* const ClipMessage; // "msgClipWrenDoc"

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
    // The largest text taken to clip, in bytes of UTF-8, and how long the
    // text may take to arrive and the item to be made.
    static constexpr qint64 MaxClipBytes = qint64(16) << 20;
    static constexpr int ClipMs = 10000;
    // An xdg-activation token as it may travel with the hand-over: printable,
    // without spaces, not longer than MaxToken.
    static constexpr int MaxToken = 1024;
    static bool IsActivationToken(const QByteArray& token);
    // Whether the peer of a connected local socket runs as this user.
    static bool PeerIsOwnUser(qintptr socketDescriptor);
    // Asks the instance that has the document open to show itself; true when
    // one took the message.
    static bool NotifyRunning(const QString& documentPath, int timeoutMs = 3000);

    enum ClipResult {
        ClipMade,       // the instance made the item
        ClipNoInstance, // nobody of this user holds the document
        ClipBusy,       // it holds it but cannot clip now (loading, a dialog open)
        ClipRefused,    // it would not make the item; *reason says why
        ClipNoAnswer    // it took the text but did not answer in time
    };
    // Hands text to the instance that has the document open, with the same
    // checks of the socket and its peer as the hand-over.
    static ClipResult SendClip(const QString& documentPath, const QString& text,
                               QString* reason = nullptr, int timeoutMs = ClipMs);
    // What the instance does with a clip: empty when the item was made, else
    // why not. Unset, clips are answered "busy".
    std::function<QString(const QString& text)> ClipHandler;
    // Said by a ClipHandler that cannot clip now, as opposed to a refusal.
    static const char* const BusyReason;

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
