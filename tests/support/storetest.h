#pragma once

#include "store/cRegistry.h"

// Writes one value under HKEY_CURRENT_USER through the registry object, as
// the program's own writers do.
namespace storetest {

inline void write(const QString& key, const QString& name, const QVariant& value, qint32 type)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(key);
    registry.setKeyType(type);
    registry.setValueName(name);
    registry.setKeyValue(value);
}

} // namespace storetest
