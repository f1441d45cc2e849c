#include "platform/HotKey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace {

// The lock modifiers (Caps Lock, Num Lock) must not stop the key: every
// combination of them is grabbed too.
constexpr uint16_t kLockMask = XCB_MOD_MASK_LOCK;
constexpr uint16_t kNumLockMask = XCB_MOD_MASK_2;
const uint16_t kLockCombos[] = {0, kLockMask, kNumLockMask, kLockMask | kNumLockMask};

xcb_connection_t* x11Connection() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

} // namespace

THotKey::THotKey(QObject* parent) : QObject(parent) {}

THotKey::~THotKey() {
    unregisterKey();
}

uint32_t THotKey::keysymForVirtualKey(uint16_t vk) {
    if (vk >= 0x70 && vk <= 0x87) // F1..F24
        return 0xffbe + (vk - 0x70);
    if (vk >= '0' && vk <= '9')
        return vk;
    if (vk >= 'A' && vk <= 'Z')
        return vk + ('a' - 'A');
    if (vk >= 0x60 && vk <= 0x69) // numeric keypad 0..9
        return 0xffb0 + (vk - 0x60);
    switch (vk) {
    case 0x08:
        return 0xff08; // Backspace
    case 0x09:
        return 0xff09; // Tab
    case 0x0D:
        return 0xff0d; // Return
    case 0x13:
        return 0xff13; // Pause
    case 0x1B:
        return 0xff1b; // Escape
    case 0x20:
        return 0x0020; // space
    case 0x21:
        return 0xff55; // Page Up
    case 0x22:
        return 0xff56; // Page Down
    case 0x23:
        return 0xff57; // End
    case 0x24:
        return 0xff50; // Home
    case 0x25:
        return 0xff51; // Left
    case 0x26:
        return 0xff52; // Up
    case 0x27:
        return 0xff53; // Right
    case 0x28:
        return 0xff54; // Down
    case 0x2C:
        return 0xff61; // Print
    case 0x2D:
        return 0xff63; // Insert
    case 0x2E:
        return 0xffff; // Delete
    case 0x6A:
        return 0xffaa; // keypad *
    case 0x6B:
        return 0xffab; // keypad +
    case 0x6C:
        return 0xffac; // keypad separator
    case 0x6D:
        return 0xffad; // keypad -
    case 0x6E:
        return 0xffae; // keypad .
    case 0x6F:
        return 0xffaf; // keypad /
    case 0x91:
        return 0xff14; // Scroll Lock
    case 0xBA:
        return 0x003b; // ;
    case 0xBB:
        return 0x003d; // =
    case 0xBC:
        return 0x002c; // ,
    case 0xBD:
        return 0x002d; // -
    case 0xBE:
        return 0x002e; // .
    case 0xBF:
        return 0x002f; // /
    case 0xC0:
        return 0x0060; // `
    case 0xDB:
        return 0x005b; // [
    case 0xDC:
        return 0x005c; // backslash
    case 0xDD:
        return 0x005d; // ]
    case 0xDE:
        return 0x0027; // '
    default:
        return 0;
    }
}

uint16_t THotKey::xModifiers(uint16_t modifiers) {
    uint16_t m = 0;
    if (modifiers & ModAlt)
        m |= XCB_MOD_MASK_1;
    if (modifiers & ModControl)
        m |= XCB_MOD_MASK_CONTROL;
    if (modifiers & ModShift)
        m |= XCB_MOD_MASK_SHIFT;
    if (modifiers & ModWin)
        m |= XCB_MOD_MASK_4;
    return m;
}

bool THotKey::registerKey(int id, uint16_t virtualKey, uint16_t modifiers) {
    unregisterKey();
    xcb_connection_t* c = x11Connection();
    const uint32_t keysym = keysymForVirtualKey(virtualKey);
    if (!c || keysym == 0)
        return false;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    if (!symbols)
        return false;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    xcb_key_symbols_free(symbols);
    if (!codes)
        return false;
    const xcb_keycode_t keycode = codes[0];
    std::free(codes);
    if (keycode == XCB_NO_SYMBOL)
        return false;

    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    if (!it.rem)
        return false;
    const xcb_window_t root = it.data->root;
    const uint16_t mods = xModifiers(modifiers);

    bool ok = true;
    for (uint16_t lock : kLockCombos) {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(c, 1, root, mods | lock, keycode,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            std::free(error);
            ok = false;
        }
    }
    m_connection = c;
    m_root = root;
    m_keycode = keycode;
    m_mods = mods;
    if (!ok) {
        // Another client holds the key: give back what we got.
        ungrab();
        return false;
    }
    m_id = id;
    m_registered = true;
    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

void THotKey::ungrab() {
    auto* c = static_cast<xcb_connection_t*>(m_connection);
    if (c && c == x11Connection()) {
        for (uint16_t lock : kLockCombos)
            xcb_ungrab_key(c, m_keycode, m_root, m_mods | lock);
        xcb_flush(c);
    }
    m_connection = nullptr;
}

void THotKey::unregisterKey() {
    if (m_registered) {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
        ungrab();
    }
    m_registered = false;
    m_id = 0;
}

bool THotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_registered || eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    const uint16_t relevant =
        XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    if (key->detail != m_keycode || (key->state & relevant) != m_mods)
        return false;
    Q_EMIT activated(m_id);
    return true;
}
