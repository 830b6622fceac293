#pragma once

#include "platform/registry.h"

#include <QFile>
#include <QString>
#include <QStringDecoder>

// Small helpers for tests that look at the registry below the Reg* functions.
namespace regtest {

inline QByteArray sz(const QString& text)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return data;
}

inline QByteArray dword(quint32 number)
{
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = char((number >> (8 * i)) & 0xFF);
    return data;
}

// Sets a value under HKEY_CURRENT_USER, creating the key.
inline platform::LONG set(const QString& key, const QString& name, platform::DWORD type, const QByteArray& data)
{
    platform::HKEY handle = 0;
    platform::LONG rc = platform::RegCreateKeyEx(
        platform::HKEY_CURRENT_USER, key, 0, platform::KEY_ALL_ACCESS_NO_STANDARD, &handle, nullptr);
    if (rc != platform::ERROR_SUCCESS)
        return rc;
    rc = platform::RegSetValueEx(handle, name, type, data);
    platform::RegCloseKey(handle);
    return rc;
}

// Reads a value under `root`; false when the key or value is missing.
inline bool get(const QString& key,
                const QString& name,
                platform::DWORD* type,
                QByteArray* data,
                platform::HKEY root = platform::HKEY_CURRENT_USER)
{
    platform::HKEY handle = 0;
    if (platform::RegOpenKeyEx(root, key, 0, platform::KEY_READ, &handle) != platform::ERROR_SUCCESS)
        return false;
    const bool ok = platform::RegQueryValueEx(handle, name, type, data) == platform::ERROR_SUCCESS;
    platform::RegCloseKey(handle);
    return ok;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A registry file as UTF-8 text: it is written as UTF-16LE with a byte-order
// mark; anything else comes back empty, so that a test sees the difference.
inline QByteArray utf8Of(const QByteArray& utf16)
{
    if (!utf16.startsWith("\xFF\xFE"))
        return {};
    QStringDecoder decoder(QStringConverter::Utf16LE);
    return QString(decoder.decode(QByteArrayView(utf16).sliced(2))).toUtf8();
}

inline QByteArray readRegistryText(const QString& path)
{
    return utf8Of(readFile(path));
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace regtest
