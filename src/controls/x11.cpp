#include "controls/x11.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QList>

#include <xcb/xcb.h>

#include <cstdlib>

namespace X11 {

namespace {

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

int screenNumber()
{
    // The screen Qt shows the window on: the first unless DISPLAY names another.
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    return dot > display.lastIndexOf(':') ? display.mid(dot + 1).toInt() : 0;
}

xcb_window_t root(xcb_connection_t* c)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = screenNumber(); i > 0 && screens.rem > 1; --i)
        xcb_screen_next(&screens);
    return screens.data ? screens.data->root : 0;
}

// The X keysym of a Qt key, for the keys a global shortcut may use.
quint32 keysymOf(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint32('a' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0xffbe + quint32(key - Qt::Key_F1);
    if (key == Qt::Key_Space)
        return 0x20;
    return 0;
}

constexpr quint16 kLockMask = XCB_MOD_MASK_LOCK;
constexpr quint16 kNumLockMask = XCB_MOD_MASK_2;

xcb_atom_t atom(xcb_connection_t* c, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(name.size()), name.constData()), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

} // namespace

bool isSession()
{
    // An X11 connection inside a Wayland session is XWayland's.
    return connection() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qgetenv("XDG_SESSION_TYPE") != "wayland";
}

quint32 trayOwner()
{
    xcb_connection_t* c = connection();
    if (!c)
        return 0;
    static xcb_atom_t selection = XCB_ATOM_NONE;
    if (selection == XCB_ATOM_NONE)
        selection = atom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber()));
    if (selection == XCB_ATOM_NONE)
        return 0;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const quint32 owner = reply ? reply->owner : 0;
    std::free(reply);
    return owner;
}

GrabResult grabKey(int qtKeyCombination, Grab* grab)
{
    xcb_connection_t* c = isSession() ? connection() : nullptr;
    const quint32 keysym = keysymOf(qtKeyCombination & ~Qt::KeyboardModifierMask);
    if (!c || keysym == 0)
        return GrabResult::Unsupported;
    quint16 modifiers = 0;
    if (qtKeyCombination & Qt::ControlModifier)
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (qtKeyCombination & Qt::AltModifier)
        modifiers |= XCB_MOD_MASK_1;
    if (qtKeyCombination & Qt::ShiftModifier)
        modifiers |= XCB_MOD_MASK_SHIFT;
    if (qtKeyCombination & Qt::MetaModifier)
        modifiers |= XCB_MOD_MASK_4;
    // The key that carries the keysym unshifted on this keyboard.
    const xcb_setup_t* setup = xcb_get_setup(c);
    const quint8 first = setup->min_keycode;
    const quint8 count = quint8(setup->max_keycode - first + 1);
    xcb_get_keyboard_mapping_reply_t* mapping =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
    if (!mapping)
        return GrabResult::Unsupported;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perKey = mapping->keysyms_per_keycode;
    quint8 keycode = 0;
    for (int i = 0; i < count && keycode == 0; ++i) {
        if (perKey > 0 && keysyms[i * perKey] == keysym)
            keycode = quint8(first + i);
    }
    std::free(mapping);
    if (keycode == 0)
        return GrabResult::Unsupported;

    const xcb_window_t window = root(c);
    bool taken = false;
    QList<quint16> grabbed;
    for (quint16 extra : {quint16(0), kLockMask, kNumLockMask, quint16(kLockMask | kNumLockMask)}) {
        xcb_generic_error_t* error = xcb_request_check(
            c,
            xcb_grab_key_checked(c, 1, window, modifiers | extra, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            taken = true;
            std::free(error);
            break;
        }
        grabbed.append(extra);
    }
    if (taken) {
        for (quint16 extra : std::as_const(grabbed))
            xcb_ungrab_key(c, keycode, window, modifiers | extra);
        xcb_flush(c);
        return GrabResult::Taken;
    }
    *grab = {keycode, modifiers};
    return GrabResult::Grabbed;
}

void ungrabKey(const Grab& grab)
{
    xcb_connection_t* c = connection();
    if (!c || grab.keycode == 0)
        return;
    const xcb_window_t window = root(c);
    for (quint16 extra : {quint16(0), kLockMask, kNumLockMask, quint16(kLockMask | kNumLockMask)})
        xcb_ungrab_key(c, grab.keycode, window, grab.modifiers | extra);
    xcb_flush(c);
}

bool isPress(const void* xcbEvent, const Grab& grab)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    if (grab.keycode == 0 || (event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(xcbEvent);
    const quint16 relevant = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
    return press->detail == grab.keycode && (press->state & relevant) == grab.modifiers;
}

} // namespace X11
