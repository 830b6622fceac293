#pragma once

#include <QString>

namespace platform {

// $XDG_CONFIG_HOME/markcrate (default ~/.config/markcrate): the user's registry file.
QString configDir();
// $XDG_DATA_HOME/markcrate (default ~/.local/share/markcrate): data kept "beside the program".
QString dataDir();
// A folder owned by this user and open to nobody else.
bool isPrivateFolder(const QString& path);
// Creates the folder private to the user if it is missing; true when it is private now.
bool privateFolder(const QString& path);
// $XDG_RUNTIME_DIR/markcrate when that is a folder of this user's closed to
// others, else the configuration folder: for sockets and short-lived copies.
QString runtimeDir();
// Makes the folder and its parents, private to the user where it is new.
bool ensurePrivateDir(const QString& path);

} // namespace platform
