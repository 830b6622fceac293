#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "bookmarks/recentlistings.h"
#include "platform/files.h"

#include <functional>

// The Internet Explorer Favorites folder: a directory tree of Internet
// Shortcut (.url) files. Paths are built by concatenation with "\", as the
// rest of the program builds them.
namespace Favorites {

// The folder from the registry, trimmed, with a trailing "\"; empty when the
// value is blank, so that nothing ever walks the file system's root.
QString folder();

struct FolderNode
{
    QString key;       // "<n>X3A", n counting in pre-order from 0
    QString parentKey; // "3A" for a top-level folder
    QString text;
    int image = 2; // 6 for a hidden or system folder
};

// Every folder below `root` (which ends in "\"), handed to `add` as it is
// found: the top level sorted by SortNames, deeper levels in the order the
// search returns them, parents before their children. A folder reached again
// through a link is not walked twice. `yield` runs once per top-level entry.
// A root that cannot be read gives nothing; a deeper failure other than an
// unreadable entry throws, after the folders found so far were added.
void loadTree(const QString& root, const std::function<void(const FolderNode&)>& add,
              const std::function<void()>& yield = {});

// The path of `name` (a shortcut's file name or a folder) in the folder
// `relative` below the Favorites folder `root` (which ends in "\").
QString pathIn(const QString& root, const QString& relative, const QString& name);

// The display names of the shortcuts in one folder, sorted.
QStringList listFolder(const QString& folderPath);

// The folders shown last, as they were listed.
class FolderListings
{
public:
    QStringList list(const QString& folderPath);

private:
    RecentListings<platform::FileStamp, QStringList> m_recent;
};

// True when the folder has the hidden or system attribute.
bool isHiddenFolder(const QString& path);

// The address of a shortcut: 127 characters at most, "" when missing.
QString ReadShortcutUrl(const QString& file);
// Creates or replaces a shortcut; false, with the reason, when it could not be written.
bool WriteShortcut(const QString& file, const QString& address, QString* error = nullptr);

// True when a native path lies below the Favorites folder, read as written:
// no ".." of it leads out. Every destructive operation checks its target.
bool isInside(const QString& native);

// The file or folder name for a shown name: a path separator in it never
// reaches the file system as one.
QString fileNameOf(const QString& name);

// Removes what a folder holds, depth first, hidden files included. A link is
// removed itself; what it points to is never touched.
void EmptyFolderTree(const QString& path, const std::function<void()>& yield = {});
// Removes the folder and what it holds.
void DeleteFolderTree(const QString& path, const std::function<void()>& yield = {});

} // namespace Favorites
