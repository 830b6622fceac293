#pragma once

#include <QString>

namespace platform {

// $XDG_CONFIG_HOME/markcrate (default ~/.config/markcrate): the user's registry file.
QString configDir();
// $XDG_DATA_HOME/markcrate (default ~/.local/share/markcrate): data kept "beside the program".
QString dataDir();
// Makes the folder and its parents, private to the user where it is new.
bool ensurePrivateDir(const QString& path);

} // namespace platform
