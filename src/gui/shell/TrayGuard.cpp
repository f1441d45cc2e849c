#include "shell/TrayGuard.h"

#include "platform/TrayPresence.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

namespace {

// One watcher for the whole program: it keeps a connection to the X server.
TTrayPresence* processPresence() {
    static TTrayPresence* presence = nullptr;
    if (!presence)
        presence = new TTrayPresence(QCoreApplication::instance());
    return presence;
}

} // namespace

TTrayGuard::TTrayGuard(TFormMain& form, TTrayPresence* presence)
    : QObject(&form), m_form(form), m_presence(presence ? presence : processPresence()) {
    setObjectName(QStringLiteral("TrayGuard"));
    connect(m_presence, &TTrayPresence::availabilityChanged, this, &TTrayGuard::onAvailability);
}

TTrayGuard* TTrayGuard::of(const TFormMain& form) {
    return form.findChild<TTrayGuard*>(QStringLiteral("TrayGuard"), Qt::FindDirectChildrenOnly);
}

bool TTrayGuard::Available() const {
    return m_presence->available();
}

QString TTrayGuard::NoTrayText() {
    return QStringLiteral("このデスクトップではタスクトレイを使えません。常駐中は、閉じるボタンで"
                          "ウィンドウを最小化します。");
}

bool TTrayGuard::ShowAtStart() {
    if (!m_form.Options->HideForm)
        return true;
    if (Available())
        return false;
    m_form.ShowNotice(
        QStringLiteral("タスクトレイがないため、起動時にウィンドウを隠さずに表示しました"));
    return true;
}

void TTrayGuard::onAvailability(bool available) {
    m_form.TrayIcon1->setVisible(m_form.Options->StayOn && available);
    if (!available && m_form.isHidden()) {
        m_form.show();
        m_form.ShowNotice(QStringLiteral("タスクトレイがなくなったため、ウィンドウを表示しました"));
    }
    Q_EMIT availabilityChanged(available);
}

void InstallTrayGuard(TFormMain& form) {
    if (!TTrayGuard::of(form))
        new TTrayGuard(form);
}
