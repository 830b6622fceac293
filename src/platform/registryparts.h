#pragma once

// What the registry's store and its Reg* functions share.
#include "platform/registry.h"

namespace platform {

inline int hiveIndex(HKEY key)
{
    if (key >= HKEY_CLASSES_ROOT && key <= HKEY_USERS)
        return int(key - HKEY_CLASSES_ROOT);
    return -1;
}

inline bool isValidKeyName(const QString& name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20) // a line break would tear the section header apart
            return false;
    }
    return true;
}

// The key at `path` below `key`, or null.
inline RegKey* walk(RegKey* key, const QStringList& path)
{
    for (const QString& part : path) {
        key = key->child(part);
        if (!key)
            return nullptr;
    }
    return key;
}

} // namespace platform
