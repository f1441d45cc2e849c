#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>

// A system-wide hot key. On X11 the key is grabbed on the root window and its
// presses are picked out of the native event stream; elsewhere (Wayland, no
// display) registration fails quietly, as a key refused by the system does.
class THotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Modifier bits as the settings store them.
    enum Modifier : uint16_t { ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8 };

    explicit THotKey(QObject* parent = nullptr);
    ~THotKey() override;

    // Grabs virtualKey (a Windows virtual-key code) with the modifier bits.
    // Replaces an earlier registration. False when the key is unknown, taken
    // by another client, or there is no X11 display.
    bool registerKey(int id, uint16_t virtualKey, uint16_t modifiers);
    void unregisterKey();
    bool isRegistered() const { return m_registered; }
    int id() const { return m_id; }

    // The X keysym for a Windows virtual-key code, 0 when there is none.
    static uint32_t keysymForVirtualKey(uint16_t virtualKey);
    // X modifier mask for the settings' modifier bits.
    static uint16_t xModifiers(uint16_t modifiers);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void activated(int id);

private:
    void ungrab();

    int m_id = 0;
    bool m_registered = false;
    uint8_t m_keycode = 0;
    uint16_t m_mods = 0;
    void* m_connection = nullptr;
    uint32_t m_root = 0;
};
