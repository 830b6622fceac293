#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The browsers' own bookmark stores, read only: Firefox's places database
// and the Bookmarks file of Chromium and the browsers built on it. Each is
// read into a tree of folders and links; the program never writes them.
namespace Browsers {

struct Link
{
    QString title;
    QString url;
    qint64 added = 0; // when it was bookmarked (seconds since 1970); 0: not known
};

struct Folder
{
    QString title;
    std::vector<Folder> folders;
    std::vector<Link> links;
    bool empty() const { return folders.empty() && links.empty(); }
};

// What a source holds: its folders below the root, the files to watch for
// changes, and what could not be read (one line per file), empty when all was.
struct Source
{
    Folder root;
    QStringList watched;
    QStringList problems;
};

// Every folder below `root` (not the root itself), parents before children,
// numbered from 0 in that order: the numbers the tree keys them by.
// `parent` is -1 for a folder at the top.
void forEachFolder(const Folder& root, const std::function<void(int number, int parent, const Folder& folder)>& visit);

// One browser profile's store.
struct Profile
{
    QString name; // as the browser shows it
    QString file; // places.sqlite or Bookmarks
};

// Firefox's profiles, the default first, from profiles.ini in the usual
// folder and in the snap and flatpak ones; only those with a places.sqlite.
QList<Profile> firefoxProfiles();
// The Chromium family's profiles with a Bookmarks file, by browser, in the
// order of the browsers' list; each Profile's name is "<browser>\t<profile>".
QList<Profile> chromiumProfiles();

// Reads a copy of `placesFile` and its -wal file made in `copyFolder`
// (removed after the read), so that a running Firefox's lock and its
// unmerged changes neither stop nor escape the read. The top folders under
// their shown names; separators, place: queries and empty top folders left out.
Folder readFirefox(const QString& placesFile, const QString& copyFolder, QString* problem);
// The query it makes of the copy: every bookmark and folder with its parent,
// in place order.
extern const QString kFirefoxQuery;
// Reads a Chromium Bookmarks file: its bar, other and mobile folders.
Folder readChromium(const QString& bookmarksFile, QString* problem);

// The two sources as the tree shows them: for one profile its top folders;
// for several, a folder per profile (and per browser for the Chromium family).
Source firefoxSource(const QList<Profile>& profiles, const QString& copyFolder);
Source chromiumSource(const QList<Profile>& profiles);

} // namespace Browsers
