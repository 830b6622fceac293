#pragma once

#include "bookmarks/forums.h"
#include "platform/files.h"

#include <QDeadlineTimer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

#include <vector>

class NetscapeBookmarks;
namespace Favorites {
class FolderListings;
}
namespace Browsers {
struct Folder;
}

// Finding an entry in every store at once: each store's entries are gathered
// into one part of an index, with their titles and addresses folded for
// matching, and a query returns the best matches across all parts.
namespace Find {

// Where entries live, shared by every entry of one folder: an index of
// a hundred thousand entries would otherwise hold these texts once each.
struct Folder
{
    QString place; // as the tree names it ("Netscape Bookmarks\Dev")
    // The tree key of the folder (a Netscape folder, a source root), the
    // folder path below the Favorites folder, the user folder's name.
    QString key;
    QString path;
    // What follows an entry's own key in its list key (a Netscape record's
    // key is followed by the source's root key).
    QString listKeyEnd;
};

struct Entry
{
    int source = 0;  // the tree's source number (user folders from 10)
    int image = 0;   // the list image
    QString title;   // as the list shows it
    QString address; // as the entry opens (a forum's name, a go word)
    // Its key in the list where the list keys it by record, without the
    // folder's ending.
    QString key;
    std::shared_ptr<const Folder> folder; // none: a folder of empty texts
    // Lower-cased, accents removed; no folded title for a title all ASCII,
    // which is matched as it stands.
    QString foldedTitle;
    QString foldedAddress;

    const QString& place() const { return where().place; }
    const QString& folderKey() const { return where().key; }
    const QString& folderPath() const { return where().path; }
    QString listKey() const { return key.isEmpty() ? key : key + where().listKeyEnd; }
    const Folder& where() const;
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
    // False for a folder changed just before it was read: its stamp may miss
    // a second change, so it counts as changed until read again.
    bool settled = true;
};
std::vector<Entry> favoritesFolder(const QString& root, std::vector<FolderStamp>* stamps);
// The same in steps, for a folder of many thousand shortcuts whose reading
// would keep the window from answering: the folders are walked at once,
// their shortcuts read in steps that each end soon after the deadline.
class FavoritesGathering
{
public:
    // `listings`, where given, are the window's: a large folder read here is
    // kept for its first showing, and one kept there is not read again.
    explicit FavoritesGathering(const QString& root, Favorites::FolderListings* listings = nullptr);
    // Reads folders until the deadline; true when every folder is read.
    bool step(const QDeadlineTimer& deadline);
    const QString& root() const { return m_root; }
    std::vector<Entry> takeEntries() { return std::move(m_entries); }
    std::vector<FolderStamp> takeStamps() { return std::move(m_stamps); }

private:
    QString m_root;
    Favorites::FolderListings* m_listings = nullptr;
    std::vector<QString> m_folders;
    size_t m_next = 0;
    // The folder being read (its path below the root, its place as the tree
    // names it) and its shortcuts.
    std::shared_ptr<const Folder> m_folder;
    QStringList m_names;
    qsizetype m_nextName = 0;
    std::vector<Entry> m_entries;
    std::vector<FolderStamp> m_stamps;
};
// True when a folder of the walk changed, appeared or went.
bool changedSince(const std::vector<FolderStamp>& stamps);
std::vector<Entry> netscape(const NetscapeBookmarks& bookmarks);
// The same in steps, for a bookmark file of a hundred thousand links: each
// step lists folders until the deadline. Only folder numbers are kept between
// steps, and a gathering begun on another generation of the records starts
// again, so a change made between two steps is never read half-done.
class NetscapeGathering
{
public:
    // Lists folders until the deadline; true when every folder is listed.
    bool step(const NetscapeBookmarks& bookmarks, const QDeadlineTimer& deadline);
    // The records' generation the entries were gathered from.
    quint64 generation() const { return m_generation; }
    std::vector<Entry> takeEntries() { return std::move(m_entries); }

private:
    struct Pending
    {
        int number;
        std::shared_ptr<const Folder> folder;
    };
    bool m_started = false;
    quint64 m_generation = 0;
    std::vector<Pending> m_pending;
    QSet<int> m_seen;
    std::vector<Entry> m_entries;
};
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
    // Every entry, in store order and each store's list order.
    std::vector<const Entry*> entries() const;

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
