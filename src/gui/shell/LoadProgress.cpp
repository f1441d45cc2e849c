#include "shell/LoadProgress.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QScreen>

int TLoadProgress::ShowAfterMs = 500;

TLoadProgress::TLoadProgress(QWidget* parent, const QString& fileName)
    : TLoadProgress(parent,
                    QStringLiteral("「%1」を読み込んでいます…").arg(QFileInfo(fileName).fileName()),
                    QStringLiteral("LoadProgress"), ShowAfterMs) {}

TLoadProgress::TLoadProgress(QWidget* parent, const QString& label, const QString& objectName,
                             const int& showAfterMs)
    : m_parent(parent), m_label(label), m_objectName(objectName), m_showAfterMs(showAfterMs) {
    m_clock.start();
}

TLoadProgress::~TLoadProgress() {
    delete m_dialog;
}

bool TLoadProgress::step(qint64 done, qint64 total) {
    if (m_cancelled)
        return false;
    if (!m_dialog) {
        // A read that ends quickly shows nothing; nor does one almost done.
        if (m_clock.elapsed() < m_showAfterMs || total <= 0 || done >= total)
            return true;
        m_dialog = new QProgressDialog(m_label, QStringLiteral("中止"), 0, 1000, m_parent);
        m_dialog->setObjectName(m_objectName);
        m_dialog->setWindowTitle(QStringLiteral("WrenNOTE"));
        // The outline must be left alone: no menus, no tray, no closing the
        // window until the work ends.
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->adjustSize();
        // At start-up the window is not shown yet: the middle of the screen,
        // where the splash is, rather than a corner.
        if (!m_parent || !m_parent->isVisible()) {
            if (const QScreen* screen = QGuiApplication::primaryScreen())
                m_dialog->move(screen->availableGeometry().center() - m_dialog->rect().center() -
                               QPoint(0, m_dialog->height() + 60));
        }
        m_dialog->show();
    }
    m_dialog->setValue(int(done * 1000 / qMax<qint64>(total, 1)));
    QApplication::processEvents();
    if (m_dialog && m_dialog->wasCanceled())
        m_cancelled = true;
    return !m_cancelled;
}
