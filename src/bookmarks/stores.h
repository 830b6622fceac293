#pragma once

#include "bookmarks/names.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class BookmarkExport;
class QDeadlineTimer;
namespace Find {
struct Entry;
}
class cSettings;
class NetscapeBookmarks;
namespace Favorites {
class FolderListings;
}
namespace Forums {
class List;
}

// One store of bookmarks behind one interface, so that what the window does
// to an entry (open, add, change, remove, carry elsewhere) is written once
// for every store; each store keeps its own rules in its own file.
namespace Stores {

class BrowserBookmarks;
class TrashStore;

// Where a folder or an entry stands, as the window names it: the tree key of
// the folder, the folder as the store names it (a path below the Favorites
// folder, a user folder's name; see Store::folderPath), the folder's shown
// name, and for an entry its listed name and list key.
struct Place
{
    QString folderKey;
    QString folderPath;
    QString folderText;
    QString name;
    QString listKey;

    // The same folder's entry of that name and list key.
    Place entry(const QString& entryName, const QString& entryKey) const
    {
        return {folderKey, folderPath, folderText, entryName, entryKey};
    }
};

// What an entry holds: its name, its address (or search text, or go word)
// and the kind of that text (0 web address, 1 search text, 2 forum go word).
struct Entry
{
    QString name;
    QString address;
    int kind = 0;
};

// A row of a folder's list: its list key, its shown name and its image (see ListImage).
struct Row
{
    QString key;
    QString text;
    int image = 0;
};

// A node a store gives the folder tree: one of its tops, or a folder below one.
struct TreeNode
{
    QString parentKey;
    QString key;
    QString text;
    int image = 2; // a closed folder (see TreeImage)
};

// What came of a change. `what` is the name as the store keeps it (or as it
// was given, when refused); `why` says why it was not done: the whole
// message for a refusal or a name already there, the reason alone for a
// failed write (the caller says what was attempted).
struct Result
{
    enum class Outcome
    {
        Done,
        Refused, // the store cannot keep the name, or does not take changes
        Exists,  // the folder already holds the name
        Failed,  // the write failed; the store is as it was
    };
    Outcome outcome = Outcome::Done;
    QString what;
    QString why;
    // The store read itself again from disk after a failed save: its
    // folders as the tree shows them are to be built anew.
    bool reloaded = false;
    // Another program changed the store since it was read: a place named
    // before may name another entry now.
    bool changedElsewhere = false;

    bool ok() const { return outcome == Outcome::Done; }
    static Result done(const QString& what) { return {Outcome::Done, what, {}}; }
    static Result refused(const QString& what, const QString& why) { return {Outcome::Refused, what, why}; }
    static Result exists(const QString& what, const QString& why) { return {Outcome::Exists, what, why}; }
    static Result failed(const QString& what, const QString& why = {}) { return {Outcome::Failed, what, why}; }
};

// What a drop of another store's entries on a store's folder does.
enum class Drop
{
    Refused,                // the folder is not even highlighted
    HighlightOnly,          // highlighted, but nothing is added
    Add,                    // each entry is added
    AddUnlessFolderFocused, // the same, unless the focused row is a folder
};

// What the find index holds of one store (or of one user folder): whether
// the store changed since, and its gathering, in steps where it is large.
class FindPart
{
public:
    virtual ~FindPart() = default;
    // True when the store changed since the part was last gathered;
    // `lookAtDisk` allows a look at files that other programs change.
    virtual bool outOfDate(bool lookAtDisk) const = 0;
    // Gathers until the deadline; true, with `entries` filled, once the part is whole.
    virtual bool gather(const QDeadlineTimer& deadline, std::vector<Find::Entry>* entries) = 0;
};

class Store
{
public:
    virtual ~Store() = default;

    // The tree's source number of the store (the first user folder for the user folders).
    virtual int source() const = 0;

    // What it can do. A read-only store is one the program only reads (a
    // browser's own): the window offers no change to it at all.
    virtual bool readOnly() const { return false; }
    // A store that is not writable now takes no change (the user may have
    // it so); `writeRefusal` says why to a user who tries (empty: nothing is said).
    virtual bool writable() const { return !readOnly(); }
    virtual QString writeRefusal() const { return {}; }
    // The question asked before a change creates the store's file, where it
    // does not exist yet (a mistyped location would split the bookmarks over
    // two files); empty when there is nothing to ask.
    virtual QString creationQuestion() const { return {}; }
    // What the status line says while the store shows nothing because it is
    // not set up yet (how to set it up); empty otherwise.
    virtual QString setUpNote() const { return {}; }
    // Whether an entry of this kind can be pasted in (0 address, 1 search, 2 go word).
    virtual bool acceptsKind(int kind) const { return kind == entryKind(); }
    // False where two entries of one folder may share a name (the bookmark file).
    virtual bool uniqueNames() const { return true; }
    // The kind every entry has (see Entry), or -1 where each has its own.
    virtual int entryKind() const { return 0; }
    // Whether its entries keep an order of their own (moved up and down, sorted in the store).
    virtual bool ordered() const { return false; }
    // True where an entry is its name alone (a forum's go word): it is entered as one word.
    virtual bool nameIsAddress() const { return false; }
    // True where the list keys are places in a list sorted afresh at each
    // save: after a save the list is to be shown again.
    virtual bool keysChangeOnSave() const { return false; }
    // Whether it has folders below its top (the tree shows them).
    virtual bool hasSubFolders() const { return false; }
    // What a drop of `from`'s entries on one of its folders does.
    virtual Drop takesDropFrom(const Store& from) const = 0;

    // The folder tree. Whether the tree shows the store: asked once per
    // building of the tree (a browser's store looks for its profiles here).
    virtual bool shown() { return true; }
    // Its tops, each below the tree's top: one, or one for each user folder.
    virtual QList<TreeNode> tops() const;
    // Whether its tops are drawn as stores (the user folders are drawn as folders).
    virtual bool topIsStore() const { return true; }
    // Reads what it shows in the tree, where that needs a reading, and gives
    // its folders below its tops, parents first; `yield` runs now and then.
    // Returns what the user is to be told: each problem once while it lasts.
    virtual QStringList readFolders(const std::function<void(const TreeNode&)>& /*add*/,
                                    const std::function<void()>& /*yield*/)
    {
        return {};
    }
    // Whether a folder can be drawn as hidden (a hidden directory), and whether it is.
    virtual bool mayHideFolders() const { return false; }
    virtual bool folderHidden(const Place&) const { return false; }
    // The files other programs change: the store is read again when they do.
    virtual QStringList watched() const { return {}; }
    // Whether those files changed since the store read them: a change notice
    // can be lost while the watches are set anew, and this finds it.
    virtual bool changedSinceRead() const { return false; }

    // The folder as the store names it, from the tree's full path and shown name of its node.
    virtual QString folderPath(const QString& fullPath, const QString& text) const;

    // What an address typed for this store becomes ("www.a.com" gains "http://" where the store needs a scheme).
    virtual QString typedAddress(const QString& typed) const { return typed; }

    // The rows the list shows for a folder (folders below it are the tree's).
    // A store may keep what it listed last, to show it again at once.
    virtual QList<Row> list(const Place& folder) = 0;

    // The find index's part of the store, from its top (a user folder's: that folder).
    virtual std::unique_ptr<FindPart> findPart(const Place& top) = 0;

    // Writes the folder, with what it holds, to an export listing.
    virtual void exportTo(BookmarkExport& out, const Place& folder, const std::function<void()>& yield) = 0;

    // The address and kind of an entry; none when the store has no such entry.
    virtual std::optional<Entry> read(const Place& entry) const = 0;

    // The name as the store would keep it, or the refusal.
    virtual Result checkName(const QString& name) const = 0;
    // Whether the folder holds an entry of that (checked) name.
    virtual bool contains(const Place& folder, const QString& name) const = 0;
    // The refusal for a name the folder already holds.
    virtual QString existsMessage(const QString& name, const Place& folder) const;
    // The question asked before an entry dropped on the folder is added.
    virtual QString addQuestion(const QString& name, const Place& folder) const;

    // Adds the entry to the folder. `origin`, an entry of this same store,
    // is the one the new entry is a copy of (its own bytes may go along).
    // The name is checked here; whether the name is already there is the
    // caller's question (see checkNew).
    virtual Result add(const Place& folder, const Entry& entry, const Place* origin = nullptr) = 0;
    // When the entry was added, where the store keeps it (seconds since 1970); 0 where not.
    virtual qint64 addedAt(const Place& /*entry*/) const { return 0; }
    // The bytes the store keeps for an entry beside its name and address (a
    // shortcut file's, a bookmark's lines), for the Trash; empty where none.
    virtual QByteArray bytesOf(const Place& /*entry*/) const { return {}; }
    // Adds the entry with the bytes it had in this store, where they still
    // hold its name and address; else as add() does.
    virtual Result addWithBytes(const Place& folder, const Entry& entry, const QByteArray& /*bytes*/)
    {
        return add(folder, entry);
    }
    // Changes the entry to `now`: the new one is written and read back
    // before the old one goes; it keeps its place where the store has an order.
    virtual Result change(const Place& entry, const Entry& now) = 0;
    // Removes the entry; with `expected`, only while it still holds exactly
    // that (an entry changed since it was cut stays: refused, with nothing to tell).
    virtual Result remove(const Place& entry, const Entry* expected = nullptr) = 0;

    // Puts the folder's entries in this order, given by their list keys (a
    // store that is ordered; the others refuse). Entries left out follow, in
    // the order they had.
    virtual Result reorder(const Place& folder, const QStringList& /*listKeys*/)
    {
        return Result::refused(folder.folderText, {});
    }

    // Folders. Whether new folders can be made inside this store's folders
    // (elsewhere a new folder is a user folder).
    virtual bool holdsFolders() const { return false; }
    // Whether this folder may be renamed or deleted (a store's top may not).
    virtual bool folderCanChange(const Place&) const { return false; }
    // The folder name as the store would keep it, or the refusal.
    virtual Result checkFolderName(const QString& name) const { return Result::refused(name, {}); }
    // Each answers Exists for a name the store holds already (the caller
    // says what was not done), and otherwise says why in a whole message.
    virtual Result addFolder(const Place& /*parent*/, const QString& name) { return Result::refused(name, {}); }
    virtual Result renameFolder(const Place& /*folder*/, const QString& name) { return Result::refused(name, {}); }
    // `yield` runs now and then while a large folder is removed.
    virtual Result removeFolder(const Place& folder, const std::function<void()>& /*yield*/)
    {
        return Result::refused(folder.folderText, {});
    }

    // Stores kept in memory and written as a whole (the bookmark file, the
    // forum list) write their changes here; the others wrote at once.
    virtual Result save() { return Result::done({}); }

    // Where the store keeps its entries, so that what a change wrote can be
    // put back (see Undo::History): files and folders on disk, and registry
    // keys. Empty for a store the program never writes.
    struct Storage
    {
        QStringList files;
        QStringList keys;
    };
    virtual Storage storage() const { return {}; }
    // Reads the store again after what it keeps was put back as it was.
    virtual void reread() {}

    // The entries of a folder as the list shows them: each one's place.
    QList<Place> entries(const Place& folder);

    // checkName, then for a store of unique names whether the folder holds
    // the name already (the entry at `replacing` may keep its own name).
    Result checkNew(const Place& folder, const QString& name, const Place* replacing = nullptr) const;

protected:
    static QString withScheme(const QString& address);
    // The name as `target` keeps it, or its refusal.
    static Result checkedAs(Names::Target target, const QString& name);
};

// Every store, by the tree's source numbers: the one place that knows which number is which store.
class Table
{
public:
    explicit Table(cSettings& settings);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // The store of a source number (user folders from 10), or null for a number no store has.
    Store* at(int source) const;
    // The store of a tree key or list key, or null.
    Store* forKey(const QString& key) const;
    // Every store, in the order the tree lists them.
    QList<Store*> inTreeOrder() const;

    // The stores whose state the window reaches by name.
    NetscapeBookmarks& bookmarks() const;
    Forums::List& forums() const;
    // The Favorites folder's listings, which the find index reads through too.
    Favorites::FolderListings& favoritesListings() const;
    // The store of every user folder, where a new top-level folder goes.
    Store& userFolders() const;
    // The Trash: what deletes and cut and paste removed from the stores.
    TrashStore& trash() const;
    // The browser store of source 5 or 6.
    BrowserBookmarks& browser(int source) const;

private:
    struct Stores;
    std::unique_ptr<Stores> m_stores;
};

} // namespace Stores
