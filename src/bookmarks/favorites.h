#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "bookmarks/recentlistings.h"
#include "platform/files.h"
#include "platform/folderwatch.h"

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
void loadTree(const QString& root,
              const std::function<void(const FolderNode&)>& add,
              const std::function<void()>& yield = {});

// The path of `name` (a shortcut's file name or a folder) in the folder
// `relative` below the Favorites folder `root` (which ends in "\").
QString pathIn(const QString& root, const QString& relative, const QString& name);

// The display names of the shortcuts in one folder, sorted.
QStringList listFolder(const QString& folderPath);

// The folders shown last, as they were listed. Where the system tells which
// names changed in a folder since, its listing is brought up to date by
// looking at those names alone; elsewhere a folder changed is read again.
class FolderListings
{
public:
    // `watch` false reads a changed folder again wherever it lies.
    explicit FolderListings(bool watch = true) : m_watching(watch) {}
    QStringList list(const QString& folderPath) { return list(folderPath, 0); }
    // The same for the find index's walk over every folder: only a folder
    // slow to read is kept, ready for its first showing, so that a walk over
    // hundreds of small folders does not put out those the window showed last.
    QStringList listForIndex(const QString& folderPath) { return list(folderPath, kWorthKeeping); }
    static constexpr qsizetype kWorthKeeping = 1000;
    // How many listings were read whole from the folder, not brought up to date.
    int wholeReads() const { return m_wholeReads; }

    struct Listing
    {
        QStringList names;  // as shown, sorted
        QStringList onDisk; // each one's file name where it is not the name and ".url"; null otherwise
        platform::WatchedFolder watch;
    };

private:
    QStringList list(const QString& folderPath, qsizetype keepFrom);
    bool bringUpToDate(Listing& listing, const QString& native);

    platform::FolderWatch m_watch; // outlives the listings that watch through it
    RecentListings<platform::FileStamp, Listing> m_recent;
    bool m_watching = true;
    int m_wholeReads = 0;
};

// True when the folder has the hidden or system attribute.
bool isHiddenFolder(const QString& path);

// The address of a shortcut: 127 characters at most, "" when missing.
QString ReadShortcutUrl(const QString& file);
// Creates or replaces a shortcut; false, with the reason, when it could not be written.
// With `own`, the shortcut's earlier bytes: its other lines (icon, sections
// of other programs) are kept and only the address changes.
bool WriteShortcut(const QString& file, const QString& address, QString* error = nullptr, const QByteArray& own = {});

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
