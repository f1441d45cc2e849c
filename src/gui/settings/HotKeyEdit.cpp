#include "settings/HotKeyEdit.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <utility>

namespace {

struct Named {
    uint16_t vk;
    int qtKey;
    const char* name;
};

// Keys outside the letter, digit and function-key ranges.
const Named NamedKeys[] = {
    {0x08, Qt::Key_Backspace, "BkSp"}, {0x09, Qt::Key_Tab, "Tab"},
    {0x0D, Qt::Key_Return, "Enter"},   {0x13, Qt::Key_Pause, "Pause"},
    {0x1B, Qt::Key_Escape, "Esc"},     {0x20, Qt::Key_Space, "Space"},
    {0x21, Qt::Key_PageUp, "PgUp"},    {0x22, Qt::Key_PageDown, "PgDn"},
    {0x23, Qt::Key_End, "End"},        {0x24, Qt::Key_Home, "Home"},
    {0x25, Qt::Key_Left, "Left"},      {0x26, Qt::Key_Up, "Up"},
    {0x27, Qt::Key_Right, "Right"},    {0x28, Qt::Key_Down, "Down"},
    {0x2C, Qt::Key_Print, "PrtSc"},    {0x2D, Qt::Key_Insert, "Ins"},
    {0x2E, Qt::Key_Delete, "Del"},     {0x91, Qt::Key_ScrollLock, "ScrLk"},
    {0xBA, Qt::Key_Semicolon, ";"},    {0xBB, Qt::Key_Equal, "="},
    {0xBC, Qt::Key_Comma, ","},        {0xBD, Qt::Key_Minus, "-"},
    {0xBE, Qt::Key_Period, "."},
};

const Named KeypadKeys[] = {
    {0x6A, Qt::Key_Asterisk, "Num *"}, {0x6B, Qt::Key_Plus, "Num +"},
    {0x6D, Qt::Key_Minus, "Num -"},    {0x6E, Qt::Key_Period, "Num ."},
    {0x6F, Qt::Key_Slash, "Num /"},
};

} // namespace

THotKeyEdit::THotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setText(Text(m_key, m_mods));
}

void THotKeyEdit::setHotKey(uint16_t virtualKey, uint16_t modifiers) {
    m_key = virtualKey;
    m_mods = modifiers & 7;
    setText(Text(m_key, m_mods));
}

QString THotKeyEdit::Text(uint16_t vk, uint16_t mods) {
    QString key;
    if (vk >= 0x70 && vk <= 0x87)
        key = QStringLiteral("F%1").arg(vk - 0x70 + 1);
    else if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        key = QChar(vk);
    else if (vk >= 0x60 && vk <= 0x69)
        key = QStringLiteral("Num %1").arg(vk - 0x60);
    for (const Named& n : NamedKeys)
        if (n.vk == vk)
            key = QString::fromLatin1(n.name);
    for (const Named& n : KeypadKeys)
        if (n.vk == vk)
            key = QString::fromLatin1(n.name);
    if (key.isEmpty())
        key = vk == 0 ? QStringLiteral("なし") : QStringLiteral("#%1").arg(vk);
    QString text;
    if (mods & 2)
        text += QStringLiteral("Ctrl+");
    if (mods & 4)
        text += QStringLiteral("Shift+");
    if (mods & 1)
        text += QStringLiteral("Alt+");
    return text + key;
}

uint16_t THotKeyEdit::VirtualKeyOf(int qtKey, bool keypad) {
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return uint16_t(0x60 + (qtKey - Qt::Key_0));
        for (const Named& n : KeypadKeys)
            if (n.qtKey == qtKey)
                return n.vk;
        if (qtKey == Qt::Key_Enter)
            return 0x0D;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return uint16_t(0x70 + (qtKey - Qt::Key_F1));
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return uint16_t(qtKey);
    if (qtKey == Qt::Key_Enter)
        return 0x0D;
    for (const Named& n : NamedKeys)
        if (n.qtKey == qtKey)
            return n.vk;
    return 0;
}

bool THotKeyEdit::event(QEvent* e) {
    // Tab and Shift+Tab with Ctrl or Alt are keys to take, not focus moves.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) &&
            (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(k);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void THotKeyEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key() == Qt::Key_Backtab ? int(Qt::Key_Tab) : event->key();
    const Qt::KeyboardModifiers m = event->modifiers();
    const uint16_t vk = VirtualKeyOf(key, m & Qt::KeypadModifier);
    if (vk == 0) {
        event->accept(); // a modifier alone, or a key the system cannot grab
        return;
    }
    uint16_t mods = 0;
    if (m & Qt::AltModifier)
        mods |= 1;
    if (m & Qt::ControlModifier)
        mods |= 2;
    if (m & Qt::ShiftModifier)
        mods |= 4;
    if (mods == 0 || mods == 4)
        mods = 2;
    setHotKey(vk, mods);
    event->accept();
    Q_EMIT hotKeyChanged();
}
