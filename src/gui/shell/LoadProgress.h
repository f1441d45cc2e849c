#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

// The window shown while a large document is read: it appears only when the
// read has taken a while, tells how far it got and offers to stop it.
class TLoadProgress {
public:
    TLoadProgress(QWidget* parent, const QString& fileName);
    ~TLoadProgress();
    TLoadProgress(const TLoadProgress&) = delete;
    TLoadProgress& operator=(const TLoadProgress&) = delete;

    // done of total bytes read; false once the user chose to stop.
    bool step(qint64 done, qint64 total);

    // How long a read runs before the window appears (tests shorten it).
    static int ShowAfterMs;

private:
    QWidget* m_parent;
    QString m_fileName;
    QElapsedTimer m_clock;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};
