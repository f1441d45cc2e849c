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
    // The same window for other long work: its text, its object name, and
    // the delay in ms before it appears (read at each step).
    TLoadProgress(QWidget* parent, const QString& label, const QString& objectName,
                  const int& showAfterMs);
    ~TLoadProgress();
    TLoadProgress(const TLoadProgress&) = delete;
    TLoadProgress& operator=(const TLoadProgress&) = delete;

    // done of total bytes read; false once the user chose to stop.
    bool step(qint64 done, qint64 total);

    // How long a read runs before the window appears (tests shorten it).
    static int ShowAfterMs;

private:
    QWidget* m_parent;
    QString m_label;
    QString m_objectName;
    const int& m_showAfterMs;
    QElapsedTimer m_clock;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};
