#pragma once

#include "bookmarks/stores.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The program's Trash: what a delete or a cut and paste removes from a store
// goes here first, kept on disk with its exact bytes and where and when it
// was removed, so that it can be put back days later.
namespace Trash {

// What a store gave up: an entry (with the bytes it kept, where it keeps
// any: a shortcut file, a bookmark's lines), or a folder with all it held.
struct Item
{
    bool folder = false;
    QString name;
    QString address;
    int kind = 0;
    QByteArray bytes;
    QList<Item> children;

    // How many entries it holds (an entry: one).
    int count() const;
};

// One entry of the Trash.
struct Entry
{
    QString id;         // "<file>#<number>"
    int source = 0;     // the store it came from
    QString storeText;  // that store's shown name
    QString folderPath; // its folder's full path in the tree ("Bookmarks\Netscape Favorites\Tools")
    QDateTime removed;
    Item item;

    // Where it came from, as the list shows it: "Netscape Favorites\Tools".
    QString from() const;
};

inline constexpr int kKeptDays = 30;
inline constexpr int kKeptEntries = 2000;

// The Trash on disk: one file per removal (a delete of a thousand entries
// is one file to write), each entry named by its file and its number in it.
class Bin
{
public:
    // `folder` empty: $XDG_DATA_HOME/markcrate/trash.
    explicit Bin(QString folder = {});

    QString folder() const { return m_folder; }
    // Writes the entries, removed together, as one file and gives each its
    // id; the oldest go past the limits. False, with why, when they could not be kept.
    bool put(QList<Entry>& entries, QString* why);
    bool put(Entry& entry, QString* why);
    // Newest first.
    QList<Entry> entries() const;
    std::optional<Entry> find(const QString& id) const;
    // Gone from the Trash (a file that keeps others is written again without them).
    bool remove(const QStringList& ids);
    bool remove(const QString& id) { return remove(QStringList{id}); }
    bool isEmpty() const;
    // Drops what is older than the days kept, and the oldest beyond the
    // entries kept. Not a change the user made: never a step of the undo history.
    void expire(const QDateTime& now = QDateTime::currentDateTimeUtc());

    // The bytes of a file of entries, and the entries they hold (none for a file that is not one).
    static QByteArray encode(const QList<Entry>& entries);
    static std::optional<QList<Entry>> decode(const QByteArray& bytes);

private:
    QString pathOf(const QString& file) const;
    // The entries of one file, with their ids.
    std::optional<QList<Entry>> read(const QString& file) const;
    bool write(const QString& file, const QList<Entry>& entries, QString* why) const;
    QString m_folder;
};

// What the store holds at the place, as the Trash keeps it.
Item copyOfEntry(Stores::Store& store, const Stores::Place& entry);
// The folder with every entry and folder in it; `fullPath` is the folder's full path in the tree.
Item copyOfFolder(Stores::Store& store, const Stores::Place& folder, const QString& fullPath);

// The store's folders as the tree shows them: each one's place and full path.
struct Folder
{
    Stores::Place place;
    QString fullPath;
};
QList<Folder> foldersOf(Stores::Store& store);

// Puts the item back into the store's folder at that full path (a folder
// anew with all it held). `sameStore` where the item came from this store:
// its bytes go back with it. The store is not saved here.
Stores::Result restore(Stores::Store& store, const Folder& into, const Item& item, bool sameStore);

} // namespace Trash
