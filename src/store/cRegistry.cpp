#include "store/cRegistry.h"

#include "platform/registry.h"
#include "store/keyvalue.h"

#include <QStringDecoder>

using namespace platform;

void cRegistry::setKeyName(const QString& name)
{
    m_keyName = name;
    m_listed = false; // a key that cannot be opened keeps the lists of the last one
}

void cRegistry::listKey() const
{
    if (m_listed)
        return;
    m_listed = true;
    EnumerateValueNames();
    EnumerateSubKeys();
}

namespace {

// The names of one list of a key; false when the key cannot be opened.
bool readNames(quint32 root, const QString& keyName, bool values, QStringList* names)
{
    HKEY key = 0;
    if (RegOpenKeyEx(root, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const LONG result = values ? RegEnumValueNames(key, names) : RegEnumKeyNames(key, names);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace

void cRegistry::EnumerateValueNames() const
{
    QStringList names;
    if (!readNames(m_keyRoot, m_keyName, true, &names))
        return;
    m_valueNames = std::make_shared<cRegistryValueNameCollection>();
    for (const QString& name : std::as_const(names)) {
        auto record = std::make_shared<cRegistryValueNameRecord>();
        record->setValueName(name);
        m_valueNames->Add(record, QString::number(m_valueNames->Count()) + QLatin1Char('X'));
    }
}

void cRegistry::EnumerateSubKeys() const
{
    QStringList names;
    if (!readNames(m_keyRoot, m_keyName, false, &names))
        return;
    m_subKeys = std::make_shared<cRegistryKeyCollection>();
    for (const QString& name : std::as_const(names)) {
        auto record = std::make_shared<cRegistryKeyRecord>();
        record->setKeyName(name);
        m_subKeys->Add(record);
    }
}

QStringList cRegistry::ValueNames() const
{
    QStringList names;
    readNames(m_keyRoot, m_keyName, true, &names);
    return names;
}

QStringList cRegistry::SubKeyNames() const
{
    QStringList names;
    readNames(m_keyRoot, m_keyName, false, &names);
    return names;
}

std::vector<std::pair<QString, QVariant>> cRegistry::SubKeyValues(const QString& valueName) const
{
    std::vector<std::pair<QString, QVariant>> result;
    HKEY key = 0;
    if (RegOpenKeyEx(m_keyRoot, m_keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return result;
    std::vector<SubKeyValue> values;
    if (RegQuerySubKeyValues(key, valueName, &values) == ERROR_SUCCESS) {
        result.reserve(values.size());
        for (SubKeyValue& value : values)
            result.emplace_back(std::move(value.name), toVariant(value.type, value.data));
    }
    RegCloseKey(key);
    return result;
}

bool cRegistry::ValueExists() const
{
    HKEY key = 0;
    if (RegOpenKeyEx(m_keyRoot, m_keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueEx(key, m_valueName, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

QVariant cRegistry::KeyValue()
{
    return ReadKeyValue();
}

QVariant cRegistry::ReadKeyValue()
{
    HKEY key = 0;
    // Not tested on purpose: a missing key makes the query fail, which reads as empty.
    RegOpenKeyEx(m_keyRoot, m_keyName, 0, KEY_READ, &key);
    m_keyValue = QueryValue(key, m_valueName);
    RegCloseKey(key);
    return m_keyValue;
}

QVariant cRegistry::QueryValue(std::uintptr_t key, const QString& valueName)
{
    DWORD type = 0;
    QByteArray data;
    if (RegQueryValueEx(key, valueName, &type, &data) != ERROR_SUCCESS)
        return {};
    return toVariant(type, data);
}

QVariant cRegistry::toVariant(quint32 type, const QByteArray& data)
{
    switch (type) {
    case cRegistry::REG_SZ:
        if (data.isEmpty())
            return {};
        // The stored size counts the terminating NUL; the text is everything before the last byte.
        {
            // A leading U+FEFF is part of the text: keep it.
            QStringDecoder utf8(QStringConverter::Utf8,
                                QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
            return QString(utf8.decode(QByteArrayView(data.constData(), data.size() - 1)));
        }
    case cRegistry::REG_DWORD: {
        if (data.size() != 4)
            return {};
        quint32 number = 0;
        for (int i = 0; i < 4; ++i)
            number |= quint32(quint8(data[i])) << (8 * i);
        return qint32(number);
    }
    default:
        return {};
    }
}

void cRegistry::setKeyValue(const QVariant& value)
{
    WriteKeyValue(value);
}

void cRegistry::WriteKeyValue(const QVariant& value)
{
    m_keyValue = value;
    CreateKey();
    HKEY key = 0;
    if (RegOpenKeyEx(m_keyRoot, m_keyName, 0, KEY_ALL_ACCESS_NO_STANDARD, &key) != ERROR_SUCCESS)
        return;
    SetValue(key, m_valueName, m_keyType, value);
    RegCloseKey(key);
}

void cRegistry::CreateKey()
{
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyEx(m_keyRoot, m_keyName, 0, KEY_ALL_ACCESS_NO_STANDARD, &key, &disposition) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void cRegistry::SetValue(std::uintptr_t key, const QString& valueName, qint32 type, const QVariant& value)
{
    if (type == REG_SZ) {
        QByteArray data = keyvalue::text(value).toUtf8();
        data.append('\0');
        RegSetValueEx(key, valueName, REG_SZ, data);
    } else if (type == REG_DWORD) {
        const std::optional<qint32> number = keyvalue::toLong(value);
        if (!number)
            return; // not a number: nothing is written
        QByteArray data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[i] = char((quint32(*number) >> (8 * i)) & 0xFF);
        RegSetValueEx(key, valueName, REG_DWORD, data);
    }
}

bool cRegistry::DeleteKey()
{
    // Parent is everything up to the last "\" that is not the final character;
    // the child is what follows it, less that final character.
    const qsizetype n = m_keyName.size();
    qsizetype p = 0; // 1-based position of the separator, 0 when there is none
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (m_keyName.at(i) == QLatin1Char('\\') && i != n - 1) {
            p = i + 1;
            break;
        }
    }
    const QString parent = p > 0 ? m_keyName.left(p) : QString();
    const QString child = p > 0 ? m_keyName.mid(p, n - p - 1) : QString();
    if (child.isEmpty())
        return false; // an empty name would stand for the parent itself
    HKEY key = 0;
    RegOpenKeyEx(m_keyRoot, parent, 0, KEY_READ, &key);
    const bool deleted = RegDeleteKey(key, child) == ERROR_SUCCESS;
    RegCloseKey(key);
    return deleted;
}

void cRegistry::DeleteValue()
{
    HKEY key = 0;
    if (RegOpenKeyEx(m_keyRoot, m_keyName, 0, KEY_ALL_ACCESS_NO_STANDARD, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValue(key, m_valueName);
    RegCloseKey(key);
}

cRegistry userKey(const QString& keyName)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(keyName);
    return registry;
}
