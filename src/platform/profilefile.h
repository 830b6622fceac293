#pragma once

#include <QByteArray>
#include <QString>

// Profile (INI) files, as the program reads and writes Internet Shortcuts:
// section and key names match without regard to case, blanks around names
// and values are trimmed, a missing file, section or key gives the default.
namespace platform {

// At most `size` - 1 characters come back.
QString GetPrivateProfileString(
    const QString& section, const QString& key, const QString& defaultValue, int size, const QString& file);
// Sets the key, creating the section or the file as needed; false when the
// file could not be written. A new file is "[section]" CR LF "key=value" CR LF.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value, const QString& file);
// The same on a file's bytes: every other line kept as it was.
QByteArray withProfileString(const QByteArray& old, const QString& section, const QString& key, const QString& value);

} // namespace platform
