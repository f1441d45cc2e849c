#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

class QMimeData;
class TFormMain;
class THotKey;
class TDataControlWatch;
class TPortalShortcut;
class TSingleInstance;

// Clipping from other programs, however this desktop allows it: the hot key
// as an X11 grab or through the desktop portal's GlobalShortcuts, automatic
// clipping through data control on Wayland, and text handed over by
// `wrennote --clip`. Where the desktop offers no hot key the
// user is told, in the status bar and once in a box, with the advice to bind
// `wrennote --clip` to a desktop shortcut instead.
class TDesktopClipping : public QObject {
    Q_OBJECT
public:
    enum Route { RouteNone, RouteX11, RoutePortal };

    explicit TDesktopClipping(TFormMain& form);
    // The key is given back with the window.
    ~TDesktopClipping() override;
    static TDesktopClipping* of(const TFormMain& form);

    // Registers the key from the settings (again); false when it certainly
    // cannot work. Through the portal the answer comes later: true while it
    // is pending, and a refusal is told when it arrives.
    bool RegisterHotKey();
    // No clipping from outside until registered again (loading, the options dialog).
    void UnregisterHotKey();
    bool IsSuspended() const { return m_suspended; }
    Route route() const { return m_route; }
    THotKey* x11HotKey() const { return m_hotKey; }
    TPortalShortcut* portal() const { return m_portal; }
    // What the desktop bound the key to through the portal; empty otherwise.
    QString BoundTrigger() const;
    // Said under the key in the options dialog: the desktop's binding, or
    // that no hot key is possible here; empty for the X11 grab.
    QString OptionsNote() const;

    // The key was pressed: the clipboard becomes an item, with a beep.
    void HotKeyActivated();
    // Text from `wrennote --clip` becomes an item as the hot key's would.
    // Empty when made; TSingleInstance::BusyReason while clipping waits for
    // a load or a dialog; else why not.
    QString ClipFromCommandLine(const QString& text);
    // Automatic clipping was switched: where the program sees only what is
    // copied while its window is active, the user is told so and how else to clip.
    void AutoClippingSwitched(bool on);
    // Whether copies are watched through data control, beside Qt's clipboard.
    bool WatchesClipboard() const;
    // The instance's socket passes clips on to this window.
    void ServeClips(TSingleInstance& instance);

    // The Qt platform, replaceable for tests ("xcb", "wayland", "offscreen").
    static std::function<QString()> Platform;
    // The session bus the portal is reached on, replaceable for tests.
    static std::function<QDBusConnection()> PortalBus;

    // The advice shown where no hot key is possible.
    static QString ClipCommandAdvice();

Q_SIGNALS:
    // The route's state changed (bound, refused): the options dialog follows it.
    void hotKeyStateChanged();

private:
    bool clip(const QMimeData* mime);
    void tellNoHotKey(const QString& reason);

    TFormMain& m_form;
    THotKey* m_hotKey = nullptr;
    TPortalShortcut* m_portal = nullptr;
    TDataControlWatch* m_watch = nullptr;
    Route m_route = RouteNone;
    bool m_suspended = true;
    bool m_boxShown = false;
    bool m_autoBoxShown = false;
    // Why no hot key works here; empty while one may.
    QString m_problem;
};
