#pragma once

#include <QString>

// Starting with the desktop session: an XDG autostart entry that starts the
// program hidden, written or removed only when the user asks.
namespace Autostart {

// $XDG_CONFIG_HOME/autostart/org.markcrate.Markcrate.desktop
QString entryPath();
bool isEnabled();
// `program` is the executable the session starts; false, with the reason,
// when the entry could not be written or removed.
bool setEnabled(bool on, const QString& program, QString* error = nullptr);

} // namespace Autostart
