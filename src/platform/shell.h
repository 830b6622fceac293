#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Opening an address with the user's registered handler; never through a
// shell command line.
namespace platform {

using Launcher = std::function<void(const QString& address)>;

// Opens the address. A text that does not make a usable address opens
// nothing; failures are not reported, as the program's callers expect.
void ShellOpen(const QString& address);
// Whether the address would be handed to the desktop at all.
bool isUsableAddress(const QString& address);

// The address as the desktop is handed it (raw characters encoded).
QUrl addressUrl(const QString& address);

// The desktop's handler, which the program sets at start; the layers below
// the widgets link no GUI library.
void setDesktopLauncher(Launcher launcher);
// Tests put a recorder in place of the desktop; an empty launcher restores it.
void setLauncher(Launcher launcher);

} // namespace platform
