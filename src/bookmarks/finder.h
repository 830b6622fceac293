#pragma once

#include "bookmarks/forums.h"
#include "platform/files.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <vector>

class NetscapeBookmarks;
namespace Browsers {
struct Folder;
}

// Finding an entry in every store at once: each store's entries are gathered
// into one part of an index, with their titles and addresses folded for
// matching, and a query returns the best matches across all parts.
namespace Find {

struct Entry
{
    int source = 0;  // the tree's source number (user folders from 10)
    QString title;   // as the list shows it
    QString address; // as the entry opens (a forum's name, a go word)
    QString place;   // where it lives, as the tree names it ("Netscape Bookmarks\Dev")
    int image = 0;   // the list image
    // Where to find it again: the tree key of its folder (a Netscape folder,
    // a source root), the folder path below the Favorites folder, the user
    // folder's name; and its list key where the list keys it by record.
    QString folderKey;
    QString folderPath;
    QString listKey;
    // Lower-cased, accents removed.
    QString foldedTitle;
    QString foldedAddress;
};

// Lower case without accents, so that "Éco" finds "eco": compatibility
// decomposition with the combining marks dropped, then case folding.
QString fold(const QString& text);
// Fills the folded forms of an entry.
void prepare(Entry& entry);

// The gatherers, one per store, in list order.
std::vector<Entry> webFavorites(bool compuServe);
std::vector<Entry> forums(const Forums::Collection& forums);
std::vector<Entry> userFolder(const QString& folderName, int source, bool supportCompuServe);
// The folder's modification stamps, to tell later whether it changed.
struct FolderStamp
{
    QString path;
    platform::FileStamp stamp;
};
std::vector<Entry> favoritesFolder(const QString& root, std::vector<FolderStamp>* stamps);
// The same in steps, for a folder of many thousand shortcuts whose reading
// would keep the window from answering: the folders are walked at once,
// their shortcuts read in steps that each end soon after the deadline.
class FavoritesGathering
{
public:
    explicit FavoritesGathering(const QString& root);
    // Reads folders until the deadline; true when every folder is read.
    bool step(const QDeadlineTimer& deadline);
    const QString& root() const { return m_root; }
    std::vector<Entry> takeEntries() { return std::move(m_entries); }
    std::vector<FolderStamp> takeStamps() { return std::move(m_stamps); }

private:
    QString m_root;
    std::vector<QString> m_folders;
    size_t m_next = 0;
    // The folder being read: its path, its place as the tree names it, its shortcuts.
    QString m_relative;
    QString m_place;
    QStringList m_names;
    qsizetype m_nextName = 0;
    std::vector<Entry> m_entries;
    std::vector<FolderStamp> m_stamps;
};
// True when a folder of the walk changed, appeared or went.
bool changedSince(const std::vector<FolderStamp>& stamps);
std::vector<Entry> netscape(const NetscapeBookmarks& bookmarks);
// A browser's store, source 5 or 6, keyed as the tree keys its folders.
std::vector<Entry> browser(int source, const Browsers::Folder& root);

class Index
{
public:
    // Replaces the part of one store; `order` is its place in the tree, which
    // breaks ties between equally good matches.
    void setPart(int source, int order, std::vector<Entry> entries);
    void removePart(int source);
    // Drops the parts of every store not named.
    void keepOnly(const QList<int>& sources);
    bool hasPart(int source) const;
    qsizetype size() const;

    // The entries every word of `query` matches, best first, at most `limit`:
    // a word matches the start of a word of the title, or anywhere in the
    // address. Titles that begin with a query word come first, then titles
    // that hold every word, then the rest; ties by store order, then list order.
    std::vector<const Entry*> find(const QString& query, qsizetype limit) const;

private:
    struct Part
    {
        int source = 0;
        int order = 0;
        std::vector<Entry> entries;
    };
    std::vector<Part> m_parts; // kept in store order
};

} // namespace Find
