#pragma once

#include <QString>

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

// Tests put a recorder in place of the desktop; an empty launcher restores it.
void setLauncher(Launcher launcher);

} // namespace platform
