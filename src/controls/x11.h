#pragma once

#include <QtGlobal>

// The few things the program asks of an X11 display itself: who holds the
// system tray's selection, and grabbing a key on the root window. Every call
// answers "none" off X11, and under XWayland, whose grabs see only the keys
// of other X11 programs.
namespace X11 {

// True on a real X11 session (not XWayland).
bool isSession();
// The window that holds the screen's tray selection; 0 where there is none.
quint32 trayOwner();

} // namespace X11

namespace X11 {

// A key grabbed on the root window: one chord of Qt keys (Ctrl+Alt+B), with
// and without Num Lock and Caps Lock.
struct Grab
{
    quint8 keycode = 0;
    quint16 modifiers = 0;
    bool operator==(const Grab&) const = default;
};
enum class GrabResult
{
    Grabbed,
    Taken,       // another program holds it
    Unsupported, // a key with no place on this keyboard, or no X11 session
};
GrabResult grabKey(int qtKeyCombination, Grab* grab);
void ungrabKey(const Grab& grab);
// Whether a native event (an xcb event) is that key being pressed.
bool isPress(const void* xcbEvent, const Grab& grab);

} // namespace X11
