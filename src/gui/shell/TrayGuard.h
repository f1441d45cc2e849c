#pragma once

#include <QObject>
#include <QString>

class TFormMain;
class TTrayPresence;

// Keeps the window within reach when no tray host shows our icon: the
// start-up does not hide it (HideForm), a window waiting in the tray comes
// back when the host goes away, and the icon follows the host. (The close
// box of a resident window minimises instead of hiding meanwhile.)
class TTrayGuard : public QObject {
    Q_OBJECT
public:
    // presence: the process's own watcher when none is given.
    explicit TTrayGuard(TFormMain& form, TTrayPresence* presence = nullptr);
    static TTrayGuard* of(const TFormMain& form);

    bool Available() const;
    // Whether the start-up shows the window: HideForm is followed only with
    // a tray to come back from; otherwise the status bar says why it shows.
    bool ShowAtStart();

    // What the options dialog and the status bar say without a tray.
    static QString NoTrayText();

Q_SIGNALS:
    void availabilityChanged(bool available);

private:
    void onAvailability(bool available);

    TFormMain& m_form;
    TTrayPresence* m_presence = nullptr;
};
