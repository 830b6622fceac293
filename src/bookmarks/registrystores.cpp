#include "bookmarks/registrystores.h"

#include "bookmarks/sortnames.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

namespace RegistryStores {

namespace {

QString readText(const QString& key, const QString& name)
{
    cRegistry registry = userKey(key);
    registry.setKeyType(cRegistry::REG_SZ);
    registry.setValueName(name);
    return keyvalue::text(registry.KeyValue());
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

QString itemKey(qsizetype position)
{
    return QString::number(position) + QLatin1Char('X');
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

QString userEntryKey(const QString& folder, const QString& title)
{
    return userFolderKey(folder) + QLatin1Char('\\') + title;
}

QList<ListEntry> listFavorites(bool compuServe)
{
    QList<ListEntry> entries;
    const auto values = userKey(compuServe ? compuServeFavoritesKey() : webFavoritesKey()).ValueNameCollection();
    if (!values || values->isEmpty())
        return entries;
    QStringList names;
    names.reserve(values->Count());
    for (const auto& value : *values)
        names.append(value->ValueName());
    SortNames(names);
    const int image = compuServe ? 1 : 3;
    for (qsizetype i = 0; i < names.size(); ++i)
        entries.append(ListEntry{itemKey(i + 1), names[i], image});
    return entries;
}

QList<ListEntry> listUserFolder(const QString& folder, bool supportCompuServe)
{
    QList<ListEntry> entries;
    const auto keys = userKey(userFolderKey(folder)).SubKeyCollection();
    if (!keys || keys->isEmpty())
        return entries;
    QStringList titles;
    titles.reserve(keys->Count());
    for (const auto& key : *keys)
        titles.append(key->KeyName());
    SortNames(titles);
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const int kind = userEntryType(folder, titles[i]);
        if (!supportCompuServe && kind == 2)
            continue; // its number stays used
        entries.append(ListEntry{itemKey(i + 1), titles[i], imageForKind(kind)});
    }
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

int userEntryType(const QString& folder, const QString& title)
{
    cRegistry registry = userKey(userEntryKey(folder, title));
    registry.setKeyType(cRegistry::REG_DWORD);
    registry.setValueName(QStringLiteral("Type"));
    const QVariant value = registry.KeyValue();
    if (keyvalue::isBlank(value))
        return -1;
    return keyvalue::toLong(value).value_or(-1);
}

} // namespace RegistryStores
