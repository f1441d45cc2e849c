#pragma once

#include <QLineEdit>

#include <cstdint>

// The hot-key field: the next key pressed in it, with its modifiers, becomes
// the key. A key without modifier, or with Shift alone, gets Ctrl instead,
// since the system-wide key would otherwise swallow ordinary typing.
class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget* parent = nullptr);

    // Windows virtual-key code and the modifier bits 1 Alt, 2 Ctrl, 4 Shift.
    void setHotKey(uint16_t virtualKey, uint16_t modifiers);
    uint16_t virtualKey() const { return m_key; }
    uint16_t modifiers() const { return m_mods; }

    // "Ctrl+F1" and the like.
    static QString Text(uint16_t virtualKey, uint16_t modifiers);
    // The virtual-key code of a Qt key (keypad keys by keypad), 0 when there is none.
    static uint16_t VirtualKeyOf(int qtKey, bool keypad);

Q_SIGNALS:
    void hotKeyChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    uint16_t m_key = 112;
    uint16_t m_mods = 2;
};
