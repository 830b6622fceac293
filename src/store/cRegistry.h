#pragma once

#include "platform/collection.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <utility>
#include <vector>

class cRegistryKeyRecord
{
public:
    QString KeyName() const { return m_keyName; }
    void setKeyName(const QString& name) { m_keyName = name; }

private:
    QString m_keyName;
};

class cRegistryValueNameRecord
{
public:
    QString ValueName() const { return m_valueName; }
    void setValueName(const QString& name) { m_valueName = name; }

private:
    QString m_valueName;
};

using cRegistryKeyCollection = KeyedCollection<cRegistryKeyRecord>;
using cRegistryValueNameCollection = KeyedCollection<cRegistryValueNameRecord>;

// The program's one door to the registry. A caller sets KeyRoot, then KeyName
// (whose values and sub-keys are listed at the first use of either list, so
// that reading one value of a key of 10,000 does not list them all), then KeyType and
// ValueName, and reads or assigns KeyValue. No handle stays open between calls,
// and no registry failure is reported: reads give empty, writes do nothing.
class cRegistry
{
public:
    static constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
    static constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
    static constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
    static constexpr quint32 HKEY_USERS = 0x80000003u;
    static constexpr qint32 REG_SZ = 1;
    static constexpr qint32 REG_DWORD = 4;

    // Deletes the key KeyName, given with a trailing "\"; true when it was deleted.
    bool DeleteKey();
    // Deletes the value ValueName of KeyName; a missing key or value is ignored.
    void DeleteValue();

    // Absent (null) until a KeyName that exists has been assigned.
    std::shared_ptr<cRegistryValueNameCollection> ValueNameCollection() const
    {
        listKey();
        return m_valueNames;
    }
    void setValueNameCollection(std::shared_ptr<cRegistryValueNameCollection> collection)
    {
        listKey();
        m_valueNames = std::move(collection);
    }
    std::shared_ptr<cRegistryKeyCollection> SubKeyCollection() const
    {
        listKey();
        return m_subKeys;
    }
    void setSubKeyCollection(std::shared_ptr<cRegistryKeyCollection> collection)
    {
        listKey();
        m_subKeys = std::move(collection);
    }

    // The names alone, read now, for callers that only list them: no records
    // and no keys are made. Empty for a key that does not exist.
    QStringList ValueNames() const;
    QStringList SubKeyNames() const;
    // Each sub-key's name with its value `valueName` read as KeyValue reads
    // it (empty where missing), in sub-key order. Empty for a missing key.
    std::vector<std::pair<QString, QVariant>> SubKeyValues(const QString& valueName) const;
    // Whether KeyName holds a value named ValueName, of any type.
    bool ValueExists() const;

    QString ValueName() const { return m_valueName; }
    void setValueName(const QString& name) { m_valueName = name; }
    quint32 KeyRoot() const { return m_keyRoot; }
    void setKeyRoot(quint32 root) { m_keyRoot = root; }
    qint32 KeyType() const { return m_keyType; }
    void setKeyType(qint32 type) { m_keyType = type; }

    // Reads ValueName of KeyName from the registry: a text, a number, or empty
    // for a missing key or value or any other stored type.
    QVariant KeyValue();
    // Writes the value with KeyType (1 text, 4 number; others write nothing),
    // creating every missing key of the path first.
    void setKeyValue(const QVariant& value);

    QString KeyName() const { return m_keyName; }
    // Stores the path and lists its values and sub-keys.
    void setKeyName(const QString& name);

private:
    void EnumerateValueNames() const;
    void EnumerateSubKeys() const;
    // Lists the key named last, once.
    void listKey() const;
    void CreateKey();
    QVariant ReadKeyValue();
    void WriteKeyValue(const QVariant& value);
    QVariant QueryValue(std::uintptr_t key, const QString& valueName);
    static QVariant toVariant(quint32 type, const QByteArray& data);
    void SetValue(std::uintptr_t key, const QString& valueName, qint32 type, const QVariant& value);

    QString m_keyName;
    QVariant m_keyValue;
    qint32 m_keyType = 0;
    quint32 m_keyRoot = 0;
    QString m_valueName;
    mutable std::shared_ptr<cRegistryKeyCollection> m_subKeys;
    mutable std::shared_ptr<cRegistryValueNameCollection> m_valueNames;
    mutable bool m_listed = true;
};

// A registry object on a key of HKEY_CURRENT_USER, its lists already read:
// the start of nearly every task.
cRegistry userKey(const QString& keyName);
