#pragma once

#include <QRect>
#include <QSize>

// The main window's placement record under the program's key, "WindowPosition",
// all in twips and all stored as numbers.
namespace WindowPlacement {

inline constexpr int Normal = 0;
inline constexpr int Minimized = 1;
inline constexpr int Maximized = 2;

// Saves the state; the four coordinates only for a normal window, so that a
// minimised or maximised close keeps the last normal placement.
void save(int windowState, const QRect& normalTwips);

// Where the window goes at start: the stored values where present (off-screen
// ones unchanged), otherwise centred on the screen and of the current size.
QRect restore(const QSize& screenTwips, const QSize& currentTwips);

// True when the record holds "Top": a window whose height changes after the
// restore is centred again only when its top was not stored.
bool hasStoredTop();

} // namespace WindowPlacement
