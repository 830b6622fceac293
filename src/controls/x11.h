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
