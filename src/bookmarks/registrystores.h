#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "bookmarks/recentlistings.h"

// The program's own stores in the registry: Web Favorites and CompuServe Web
// Favorites (one text value per entry, named by its title) and the user
// folders (one key per folder, one key per entry with "URL" and "Type").
namespace RegistryStores {

QString webFavoritesKey();
QString compuServeFavoritesKey();
QString foldersKey();
// The key of one user folder, or of one entry in it.
QString userFolderKey(const QString& folder);
// The user folders' names, in the registry's order.
QStringList userFolderNames();
QString userEntryKey(const QString& folder, const QString& title);

struct ListEntry
{
    QString key; // "<i>X", i the 1-based place in the sorted list
    QString text;
    int image = 0; // 0: no image
};

// Web Favorites (image 3) or CompuServe Web Favorites (image 1), sorted by title.
QList<ListEntry> listFavorites(bool compuServe);
// A user folder's entries, sorted; image by kind (0: 3, 1: 5, 2: 1, other: none).
// Forum go words (kind 2) are left out while CompuServe is off; the others keep
// their numbers.
QList<ListEntry> listUserFolder(const QString& folder, bool supportCompuServe);

// The user folders shown last, as they were listed: one shown again with no
// change to its key since is not read and sorted again.
class UserFolderListings
{
public:
    QList<ListEntry> list(const QString& folder, bool supportCompuServe);

private:
    struct Stamp
    {
        quint64 changes = 0;
        bool supportCompuServe = false;
        bool operator==(const Stamp&) const = default;
    };
    RecentListings<Stamp, QList<ListEntry>> m_recent;
};

// The address, search text or go word stored for an entry; "" when missing.
QString favoriteText(bool compuServe, const QString& title);
QString userEntryUrl(const QString& folder, const QString& title);
// Every entry's address by title, in one reading of the folder's key: what
// userEntryUrl gives for each.
QHash<QString, QString> userEntryUrls(const QString& folder);
// The entry's kind, or -1 when it has none or it is not a number.
int userEntryType(const QString& folder, const QString& title);

// Writing. Every writer reads back what it wrote and answers true only when
// the store now holds it; the names have passed Names::check already.
bool hasFavorite(bool compuServe, const QString& title);
bool writeFavorite(bool compuServe, const QString& title, const QString& text);
void removeFavorite(bool compuServe, const QString& title);
// Writes the entry under its new title, then removes the old one; a change of
// letter case alone replaces the value in one step.
bool renameFavorite(bool compuServe, const QString& oldTitle, const QString& title, const QString& text);

bool hasUserEntry(const QString& folder, const QString& title);
// `type` below 0 writes no "Type".
bool writeUserEntry(const QString& folder, const QString& title, const QString& url, int type);
void removeUserEntry(const QString& folder, const QString& title);
bool renameUserEntry(
    const QString& folder, const QString& oldTitle, const QString& title, const QString& url, int type);

// A user folder exists when its "FolderName" reads non-blank.
bool hasUserFolder(const QString& folder);
bool createUserFolder(const QString& folder);
// Copies the folder with every entry to its new name, checks the copy, then
// removes the old folder; false (and the old folder untouched) when the copy
// could not be made.
bool renameUserFolder(const QString& oldName, const QString& name);
void deleteUserFolder(const QString& folder);

} // namespace RegistryStores
