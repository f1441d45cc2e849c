#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One program instance per document: the instance that has a document open
// listens on a local socket named after it; another instance started on the
// same document hands over ("msgShowWrenDoc") and ends.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    static const char* const ShowMessage; // "msgShowWrenDoc"

    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The socket name for a document: the user id and a hash of its canonical path.
    static QString ServerName(const QString& documentPath);
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

Q_SIGNALS:
    void showRequested();

private:
    void onNewConnection();

    QLocalServer* m_server = nullptr;
    QString m_path;
};
