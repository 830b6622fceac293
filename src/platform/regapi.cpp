// The Reg* functions the program calls, over the registry's hives.
#include "platform/registry.h"

#include "platform/journal.h"
#include "platform/registryparts.h"

namespace platform {

namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;

// Runs a change of the values of a key opened for writing, and saves it when it succeeded.
template <typename Change> LONG changeValues(HKEY key, Change&& change)
{
    Registry& registry = Registry::instance();
    LONG error = ERROR_SUCCESS;
    Registry::Handle handle;
    RegKey* found = registry.resolve(key, KEY_SET_VALUE, &error, &handle);
    if (!found)
        return error;
    if (!registry.isWritableHive(handle.hive))
        return ERROR_ACCESS_DENIED;
    journal::keyChanging(handle.path);
    error = change(*found);
    if (error == ERROR_SUCCESS)
        registry.changed(handle.hive, handle.path);
    return error;
}

} // namespace

LONG RegOpenKeyEx(HKEY key, const QString& subKey, DWORD, REGSAM access, HKEY* result)
{
    Registry& registry = Registry::instance();
    LONG error = ERROR_SUCCESS;
    Registry::Handle base;
    RegKey* start = registry.resolve(key, 0, &error, &base);
    if (!start)
        return error;
    const QStringList parts = splitRegistryPath(subKey);
    if (!walk(start, parts))
        return ERROR_FILE_NOT_FOUND;
    if ((access & kWriteRights) && !registry.isWritableHive(base.hive))
        return ERROR_ACCESS_DENIED;
    *result = registry.openHandle(base.hive, base.path + parts, access);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, const QString& subKey, DWORD, REGSAM access, HKEY* result, DWORD* disposition)
{
    Registry& registry = Registry::instance();
    LONG error = ERROR_SUCCESS;
    Registry::Handle base;
    RegKey* current = registry.resolve(key, 0, &error, &base);
    if (!current)
        return error;
    const QStringList parts = splitRegistryPath(subKey);
    if (!walk(current, parts)) {
        if (!registry.isWritableHive(base.hive))
            return ERROR_ACCESS_DENIED;
        for (const QString& part : parts) {
            if (!isValidKeyName(part))
                return ERROR_INVALID_NAME;
        }
    }
    bool createdAny = false;
    QStringList made = base.path;
    for (const QString& part : parts) {
        made.append(part);
        if (registry.isWritableHive(base.hive) && !current->child(part))
            journal::keyChanging(made);
        bool created = false;
        current = current->addChild(part, &created);
        createdAny = createdAny || created;
    }
    if (createdAny)
        registry.changed(base.hive, base.path + parts);
    if (disposition)
        *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    if ((access & kWriteRights) && !registry.isWritableHive(base.hive))
        return ERROR_ACCESS_DENIED;
    *result = registry.openHandle(base.hive, base.path + parts, access);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (hiveIndex(key) >= 0)
        return ERROR_SUCCESS;
    return Registry::instance().closeHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, const QString& valueName, DWORD* type, QByteArray* data)
{
    LONG error = ERROR_SUCCESS;
    const RegKey* found = Registry::instance().resolve(key, KEY_QUERY_VALUE, &error);
    if (!found)
        return error;
    const RegValue* value = found->value(valueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    if (data)
        *data = value->data;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const QString& valueName, DWORD type, const QByteArray& data)
{
    return changeValues(key, [&](RegKey& found) {
        found.setValue(valueName, type, data);
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, QString* name)
{
    LONG error = ERROR_SUCCESS;
    const RegKey* found = Registry::instance().resolve(key, KEY_ENUMERATE_SUB_KEYS, &error);
    if (!found)
        return error;
    const RegKey* child = found->childAt(qsizetype(index));
    if (!child)
        return ERROR_NO_MORE_ITEMS;
    *name = child->name();
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, QString* name, DWORD* type)
{
    LONG error = ERROR_SUCCESS;
    const RegKey* found = Registry::instance().resolve(key, KEY_QUERY_VALUE, &error);
    if (!found)
        return error;
    if (qsizetype(index) >= found->valueCount())
        return ERROR_NO_MORE_ITEMS;
    const RegValue& value = found->valueAt(qsizetype(index));
    *name = value.name;
    if (type)
        *type = value.type;
    return ERROR_SUCCESS;
}

LONG RegEnumKeyNames(HKEY key, QStringList* names)
{
    LONG error = ERROR_SUCCESS;
    const RegKey* found = Registry::instance().resolve(key, KEY_ENUMERATE_SUB_KEYS, &error);
    if (!found)
        return error;
    names->clear();
    names->reserve(found->childCount());
    for (qsizetype i = 0; i < found->childCount(); ++i)
        names->append(found->childAt(i)->name());
    return ERROR_SUCCESS;
}

LONG RegEnumValueNames(HKEY key, QStringList* names)
{
    LONG error = ERROR_SUCCESS;
    const RegKey* found = Registry::instance().resolve(key, KEY_QUERY_VALUE, &error);
    if (!found)
        return error;
    names->clear();
    names->reserve(found->valueCount());
    for (qsizetype i = 0; i < found->valueCount(); ++i)
        names->append(found->valueAt(i).name);
    return ERROR_SUCCESS;
}

constexpr qsizetype kReadAhead = 8;

LONG RegQuerySubKeyValues(HKEY key, const QString& valueName, std::vector<SubKeyValue>* values)
{
    LONG error = ERROR_SUCCESS;
    const RegKey* found = Registry::instance().resolve(key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &error);
    if (!found)
        return error;
    values->clear();
    values->reserve(size_t(found->childCount()));
    const QString folded = registryFoldedName(valueName);
    const qsizetype count = found->childCount();
    for (qsizetype i = 0; i < count; ++i) {
        // The keys lie all over memory: ask for the ones a few steps ahead
        // while this one is read.
        if (i + kReadAhead < count)
            found->childAt(i + kReadAhead)->prefetch();
        if (i + kReadAhead / 2 < count)
            found->childAt(i + kReadAhead / 2)->prefetchValues();
        const RegKey* child = found->childAt(i);
        SubKeyValue entry;
        entry.name = child->name();
        if (const RegValue* value = child->valueOfFolded(folded)) {
            entry.type = value->type;
            entry.data = value->data;
        }
        values->push_back(std::move(entry));
    }
    return ERROR_SUCCESS;
}

LONG RegDeleteKey(HKEY key, const QString& subKey)
{
    Registry& registry = Registry::instance();
    LONG error = ERROR_SUCCESS;
    Registry::Handle handle;
    RegKey* parent = registry.resolve(key, 0, &error, &handle);
    if (!parent)
        return error;
    QStringList parts = splitRegistryPath(subKey);
    if (parts.isEmpty())
        return ERROR_INVALID_PARAMETER; // never the key the handle stands for
    const QString leaf = parts.takeLast();
    parent = walk(parent, parts);
    RegKey* target = parent ? parent->child(leaf) : nullptr;
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    if (!registry.isWritableHive(handle.hive) || target->childCount() > 0)
        return ERROR_ACCESS_DENIED;
    journal::keyChanging(handle.path + parts + QStringList{leaf});
    parent->removeChild(leaf);
    registry.changed(handle.hive, handle.path + parts + QStringList{leaf});
    return ERROR_SUCCESS;
}

LONG RegDeleteValue(HKEY key, const QString& valueName)
{
    return changeValues(
        key, [&](RegKey& found) { return found.removeValue(valueName) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
}

} // namespace platform
