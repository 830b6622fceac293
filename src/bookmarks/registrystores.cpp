#include "bookmarks/registrystores.h"

#include "bookmarks/keys.h"
#include "bookmarks/sortnames.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

#include <QHash>

#include <tuple>
#include <vector>

namespace RegistryStores {

namespace {

QString readText(const QString& key, const QString& name)
{
    cRegistry registry = userKey(key);
    registry.setKeyType(cRegistry::REG_SZ);
    registry.setValueName(name);
    return keyvalue::text(registry.KeyValue());
}

// An entry's stored "Type": -1 where it has none or it is no number.
int kindOf(const QVariant& value)
{
    if (keyvalue::isBlank(value))
        return -1;
    return keyvalue::toLong(value).value_or(-1);
}

int imageForKind(int kind)
{
    switch (kind) {
    case 0:
        return 3;
    case 1:
        return 5;
    case 2:
        return 1;
    default:
        return 0;
    }
}

} // namespace

QString webFavoritesKey()
{
    return cSettings::kRegistryKey + QStringLiteral("\\WebFavorites");
}

QString compuServeFavoritesKey()
{
    return cSettings::kRegistryKey + QStringLiteral("\\CWebFavorites");
}

QString foldersKey()
{
    return cSettings::kRegistryKey + QStringLiteral("\\Folders");
}

QString userFolderKey(const QString& folder)
{
    return foldersKey() + QLatin1Char('\\') + folder;
}

QStringList userFolderNames()
{
    QStringList names;
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(foldersKey());
    if (const auto folders = registry.SubKeyCollection()) {
        for (const auto& folder : *folders)
            names.append(folder->KeyName());
    }
    return names;
}

QString userEntryKey(const QString& folder, const QString& title)
{
    return userFolderKey(folder) + QLatin1Char('\\') + title;
}

QList<ListEntry> listFavorites(bool compuServe)
{
    QList<ListEntry> entries;
    QStringList names = userKey(compuServe ? compuServeFavoritesKey() : webFavoritesKey()).ValueNames();
    if (names.isEmpty())
        return entries;
    SortNames(names);
    const int image = compuServe ? 1 : 3;
    entries.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        entries.append(ListEntry{Keys::itemKey(i + 1), names[i], image});
    return entries;
}

QList<ListEntry> listUserFolder(const QString& folder, bool supportCompuServe)
{
    QList<ListEntry> entries;
    // Every entry's name and kind in one reading of the folder's key.
    QStringList titles;
    std::vector<int> kinds;
    auto values = userKey(userFolderKey(folder)).SubKeyValues(QStringLiteral("Type"));
    titles.reserve(qsizetype(values.size()));
    kinds.reserve(values.size());
    for (auto& [title, type] : values) {
        titles.append(std::move(title));
        kinds.push_back(kindOf(type));
    }
    if (titles.isEmpty())
        return entries;
    const std::vector<qsizetype> order = SortedOrder(titles);
    entries.reserve(titles.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const int kind = kinds[size_t(order[i])];
        if (!supportCompuServe && kind == 2)
            continue; // its number stays used
        entries.append(ListEntry{Keys::itemKey(qsizetype(i) + 1), std::move(titles[order[i]]), imageForKind(kind)});
    }
    return entries;
}

QList<ListEntry> UserFolderListings::list(const QString& folder, bool supportCompuServe)
{
    const Stamp stamp{platform::Registry::changeCount(userFolderKey(folder)), supportCompuServe};
    if (const QList<ListEntry>* kept = m_recent.find(folder, stamp))
        return *kept;
    QList<ListEntry> entries = listUserFolder(folder, supportCompuServe);
    m_recent.keep(folder, stamp, entries);
    return entries;
}

QString favoriteText(bool compuServe, const QString& title)
{
    return readText(compuServe ? compuServeFavoritesKey() : webFavoritesKey(), title);
}

QString userEntryUrl(const QString& folder, const QString& title)
{
    return readText(userEntryKey(folder, title), QStringLiteral("URL"));
}

QHash<QString, QString> userEntryUrls(const QString& folder)
{
    QHash<QString, QString> urls;
    for (const auto& [title, url] : userKey(userFolderKey(folder)).SubKeyValues(QStringLiteral("URL")))
        urls.insert(title, keyvalue::text(url));
    return urls;
}

int userEntryType(const QString& folder, const QString& title)
{
    cRegistry registry = userKey(userEntryKey(folder, title));
    registry.setKeyType(cRegistry::REG_DWORD);
    registry.setValueName(QStringLiteral("Type"));
    return kindOf(registry.KeyValue());
}

namespace {

void writeText(const QString& key, const QString& name, const QString& text)
{
    cRegistry registry = userKey(key);
    registry.setKeyType(cRegistry::REG_SZ);
    registry.setValueName(name);
    registry.setKeyValue(text);
}

bool hasValue(const QString& key, const QString& name)
{
    cRegistry registry = userKey(key);
    registry.setValueName(name); // the registry's own lookup ignores case
    return registry.ValueExists();
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0; // registry names ignore case
}

QString favoritesKey(bool compuServe)
{
    return compuServe ? compuServeFavoritesKey() : webFavoritesKey();
}

} // namespace

bool hasFavorite(bool compuServe, const QString& title)
{
    return hasValue(favoritesKey(compuServe), title);
}

bool writeFavorite(bool compuServe, const QString& title, const QString& text)
{
    writeText(favoritesKey(compuServe), title, text);
    return hasFavorite(compuServe, title) && favoriteText(compuServe, title) == text;
}

void removeFavorite(bool compuServe, const QString& title)
{
    cRegistry registry = userKey(favoritesKey(compuServe));
    registry.setValueName(title);
    registry.DeleteValue();
}

bool renameFavorite(bool compuServe, const QString& oldTitle, const QString& title, const QString& text)
{
    if (sameName(oldTitle, title)) {
        platform::RegistryBatch batch; // one save: the old value and the new one never both go
        if (oldTitle != title)
            removeFavorite(compuServe, oldTitle);
        return writeFavorite(compuServe, title, text);
    }
    if (!writeFavorite(compuServe, title, text))
        return false;
    removeFavorite(compuServe, oldTitle);
    return true;
}

bool hasUserEntry(const QString& folder, const QString& title)
{
    return userKey(userEntryKey(folder, title) + QLatin1Char('\\')).SubKeyCollection() != nullptr;
}

bool writeUserEntry(const QString& folder, const QString& title, const QString& url, int type)
{
    platform::RegistryBatch batch;
    cRegistry entry = userKey(userEntryKey(folder, title));
    entry.setKeyType(cRegistry::REG_SZ);
    entry.setValueName(QStringLiteral("URL"));
    entry.setKeyValue(url);
    if (type >= 0) {
        entry.setKeyType(cRegistry::REG_DWORD);
        entry.setValueName(QStringLiteral("Type"));
        entry.setKeyValue(type);
    }
    return hasUserEntry(folder, title) && userEntryUrl(folder, title) == url &&
           (type < 0 || userEntryType(folder, title) == type);
}

void removeUserEntry(const QString& folder, const QString& title)
{
    userKey(userEntryKey(folder, title) + QLatin1Char('\\')).DeleteKey();
}

bool renameUserEntry(const QString& folder, const QString& oldTitle, const QString& title, const QString& url, int type)
{
    if (sameName(oldTitle, title)) {
        platform::RegistryBatch batch;
        if (oldTitle != title)
            removeUserEntry(folder, oldTitle);
        return writeUserEntry(folder, title, url, type);
    }
    if (!writeUserEntry(folder, title, url, type))
        return false;
    removeUserEntry(folder, oldTitle);
    return true;
}

bool hasUserFolder(const QString& folder)
{
    return !keyvalue::isBlank(readText(userFolderKey(folder), QStringLiteral("FolderName")));
}

bool createUserFolder(const QString& folder)
{
    writeText(userFolderKey(folder), QStringLiteral("FolderName"), folder);
    return readText(userFolderKey(folder), QStringLiteral("FolderName")) == folder;
}

void deleteUserFolder(const QString& folder)
{
    platform::RegistryBatch batch;
    for (const QString& entry : userKey(userFolderKey(folder)).SubKeyNames())
        removeUserEntry(folder, entry);
    userKey(userFolderKey(folder) + QLatin1Char('\\')).DeleteKey();
}

bool renameUserFolder(const QString& oldName, const QString& name)
{
    std::vector<std::tuple<QString, QString, int>> entries;
    for (const QString& entry : userKey(userFolderKey(oldName)).SubKeyNames())
        entries.emplace_back(entry, userEntryUrl(oldName, entry), userEntryType(oldName, entry));
    platform::RegistryBatch batch; // the copy and the removal reach the disk together
    if (sameName(oldName, name)) {
        // The same key in another letter case: the entries are held in memory above.
        deleteUserFolder(oldName);
    }
    bool copied = createUserFolder(name);
    for (const auto& [title, url, type] : entries)
        copied = writeUserEntry(name, title, url, type) && copied;
    if (!copied) {
        if (!sameName(oldName, name))
            deleteUserFolder(name); // the half-made copy goes; the old folder stays as it was
        return false;
    }
    if (!sameName(oldName, name))
        deleteUserFolder(oldName);
    return true;
}

} // namespace RegistryStores
