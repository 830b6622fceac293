#pragma once

#include "bookmarks/records.h"
#include "bookmarks/transfer.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>

#include <memory>
#include <vector>

// The window holds the stores and its helpers by pointer: a change to a
// store's header rebuilds the files that use it, not every window file.
class cAppServices;
class cMainForm;
class cSettings;
class NetscapeBookmarks;
class QObject;
class QPoint;
class QTreeWidgetItem;
class QWidget;
class BrowserWatch;
class CutBuffer;
class GlobalShortcut;
struct LinkCheckSession;
class SuggestionList;
namespace Find {
struct Entry;
class Index;
class Indexer;
} // namespace Find
namespace Forums {
using Collection = KeyedCollection<QString>;
}
namespace Undo {
class History;
}
namespace platform {
struct Request;
}
namespace Trash {
struct Entry;
struct Folder;
struct Item;
} // namespace Trash
namespace Stores {
struct Entry;
struct Place;
class BrowserBookmarks;
class Store;
class Table;
} // namespace Stores

// The controller behind the main window: the form forwards each of its
// control events to one operation here. Split by concern over several files:
// layout and tree, command box, navigation, the stores' lists, editing,
// moving, tray, export, and window and closing.
class cMainDialog
{
public:
    // Command-button indexes that the controller refers to by name.
    enum Button
    {
        GoButton = 2,
        HideButton = 3,
        ExitButton = 4,
        ContentTypeCaption = 5,
        InputCaption = 6,
        RenameFolderButton = 7,
        DeleteFolderButton = 8,
        MoreButton = 9,
        OptionsButton = 10,
        EditEntryButton = 11,
        DeleteEntriesButton = 12,
        AddEntryButton = 13,
        NewFolderButton = 15,
        FoldersHeading = 16,
        ContentHeading = 17,
    };
    // Toolbar button indexes.
    enum Tool
    {
        NewFolderTool = 2,
        EditFolderTool = 3,
        DeleteFolderTool = 4,
        ExportTool = 6,
        CutTool = 8,
        CopyTool = 9,
        PasteTool = 10,
        NewItemTool = 12,
        EditItemTool = 13,
        DeleteItemTool = 14,
        MoveUpTool = 16,
        MoveDownTool = 17,
        SortAscendingTool = 19,
        SortDescendingTool = 20,
        HelpTool = 22,
    };
    static constexpr int kSplitter = 5;
    static constexpr int kCollapsedHeight = 1590;
    static constexpr int kExpandedHeight = 5000;
    // A stored height this close to the collapsed one counts as collapsed (frame rounding).
    static constexpr int kCollapsedSlack = 60;
    static constexpr int kMinimumInnerWidth = 4000;
    static constexpr int kMainHelpContext = 129;
    static constexpr int kCloseTimer = 0;
    static constexpr int kMenuTimer = 1;

    cMainDialog(cSettings& settings, cAppServices& app);
    virtual ~cMainDialog();

    cMainForm* MainForm() const { return m_form; }
    void setMainForm(cMainForm* form) { m_form = form; }

    // Start-up and layout.
    virtual void ShowForm(bool hide);
    virtual void LoadMainForm();
    virtual void UnloadMainForm();
    virtual void BuildFolderTree();
    virtual void SetFlatToolbar();
    virtual void ResizeMainForm();
    virtual void MouseDownMainForm(int button, int shift, int x, int y);
    virtual void MouseMoveMainForm(int button, int shift, int x, int y);
    virtual void MouseDownPicMain(int index, int button, int shift, int x, int y);
    virtual void MouseMovePicMain(int index, int button, int shift, int x, int y);
    virtual void MouseUpPicMain(int index, int button, int shift, int x, int y);
    virtual void MouseMoveLbbMain(int index);
    virtual void ClickLbbMain(int index);
    virtual void ClickTlbMain(int index);

    // Command box.
    virtual void ClickCboMain(int index);
    virtual void KeyPressCboMain(int index, int keyAscii);
    virtual void GoAction(const QString& text, int kind);
    virtual void LaunchAddress(const QString& address);

    // Finding in every store from the command box.
    // The user changed the input box's text.
    virtual void ChangeCboMainText(const QString& text);
    // A key in the input box while suggestions show; true when it was theirs.
    virtual bool KeyDownSuggestions(int key, bool control);
    // Ctrl+F: the window forward, the input box's text selected, suggestions
    // for it whatever kind is selected.
    virtual void FindEverywhere();
    void HideSuggestions();
    // Brings the index up to date with the stores; the Favorites folder,
    // which other programs change, is looked at only with `lookAtDisk`.
    // Gathers at most `mostParts` stores (all when negative); true when
    // nothing is left out of date.
    bool RefreshFindIndex(bool lookAtDisk, int mostParts = -1);
    // The same in steps of one store, from the event loop.
    void buildFindIndexInSteps(bool lookAtDisk = true);
    const Find::Index& FindIndex() const;
    SuggestionList* Suggestions() const;

    // Tree and list.
    virtual void ClickTVMain();
    virtual void ClickLvMain();
    virtual void DblClickLvMain();
    virtual void KeyUpLvMain(int keyCode, int shift);
    virtual void MouseMoveLvMain(int button, int shift, int x, int y);
    virtual void MouseDownTvMain(int button, int shift, int x, int y);
    virtual void MouseMoveTvMain();
    virtual void DragOverTvMain(QObject* source, int x, int y, int state);
    virtual void DragDropTvMain(QObject* source, int x, int y);

    // Dead links: checks the web addresses of the folder shown and those
    // below it, or of every store, in a view beside the window.
    void CheckLinks(bool everything);

    // Tray and timers.
    virtual void TimerTmrMain(int index);
    virtual void MouseDownTrayIcon(int button, int id);
    virtual void ClickMnuMARKCRATEChild(int index);
    // Another start of the program asked for the window.
    virtual void ShowFromElsewhere();
    // What a later start asks of this copy: show, hide, toggle, find or open.
    void Remote(const platform::Request& request);
    // The global key: the window with its command box, or hidden when it is the active one.
    void GlobalKey();
    // Takes the global key of the settings; a key another program holds is told on the status line.
    void startGlobalShortcut();
    QString globalShortcutState() const;

    // Lists of the stores: the entries of a folder of the tree.
    virtual void ListFolder(Stores::Store& store, QTreeWidgetItem* node);
    // Writes the forum collection back to its file; on failure tells the
    // user and reads the file again, so the window shows what is on disk.
    virtual bool SaveForumList();
    Forums::Collection& ForumCollection();
    // Which folder of the bookmark file is shown, when one is (CurrentNetscapeFolder).
    void noteShownBookmarkFolder(const QString& key);
    // Reads the store's folders (again) and builds them under its tops; tells what it found wrong.
    void readStoreFolders(Stores::Store& store);
    // Reads again the stores whose files changed, keeping the shown folder.
    void ReloadChangedBrowsers();

    // Operations of the stores and of editing, moving and export.
    virtual void LoadBookmarkFile();
    virtual void LoadForumList();
    // Writes the bookmark file; on failure tells the user and reads the file
    // again, so the window shows what is on disk.
    virtual bool SaveBookmarkFile();
    // Writes what a store kept in memory; on failure tells the user why.
    bool saveStore(Stores::Store& store);
    virtual void MoveBookmark(int direction);
    virtual void SortList(int direction);
    virtual void RenameFolder();
    virtual void DeleteFolder();
    virtual void NewFolder();
    virtual void EditEntry();
    virtual void DeleteEntries();
    virtual void AddEntry();
    virtual void ExportBookmarks();
    // The listing of the selected node, or of every source for the top node.
    QByteArray ExportSelection();
    virtual void CutEntries();
    virtual void CopyEntries();
    virtual void PasteEntries();
    // Undo and redo of the last change to the stores (Ctrl+Z; Ctrl+Shift+Z
    // and Ctrl+Y; the right-click menus). The status line says what was done.
    virtual void UndoStep();
    virtual void RedoStep();
    // The menus' texts: "Undo <what>" and "Redo <what>", empty when there is none.
    QString undoText() const;
    QString redoText() const;
    // The right-click menu of the list or the tree, at a point of the screen.
    virtual void ShowContextMenu(QWidget* where, const QPoint& globalPos);
    // The Trash: the selected entries back where they came from, or gone
    // for good (all of them, for Empty Trash); each asked first.
    virtual void RestoreFromTrash();
    virtual void DeleteFromTrash(bool everything);
    // The duplicates view (Ctrl+D): groups of entries that share an address
    // across every store; what the user does not keep goes to the Trash, as one step.
    virtual void ShowDuplicates();
    // After an add, a drop or a paste: where else the addresses are, told
    // on the status line with a way to show it ("Already in: ...").
    // `known` entries (the new one, the one it came from), as place and title, are not told of.
    void noteAlreadyIn(const QStringList& addresses, const QList<QPair<QString, QString>>& known);
    // Shows the entry the last "Already in" named.
    void ShowAlreadyIn();
    // Shows the options dialog; true when the user accepted it.
    virtual bool ShowOptionsDialog();
    virtual void ShowAbout();
    virtual void ImportForumList();
    // The tree key of the Netscape folder titled `title` inside folder `parentFolder`, or empty.
    virtual QString findNetscapeFolderKey(int parentFolder, const QString& title);

    // Every store, by the tree's source numbers.
    Stores::Table& stores() { return *m_stores; }

    // State owned by the controller.
    KeyedCollection<cFolder>& FolderList() { return m_folderList; }
    // The Netscape bookmark collection and its saved header.
    NetscapeBookmarks& Bookmarks();
    // What the window's operations keep between two events: the folder
    // shown, whether the window shows, what was read, a drag under way.
    struct FormState
    {
        int CurrentSource = -1;
        QString SelectedKey;
        QString SelectedText;
        bool IsShown = false;
        bool NetscapeLoaded = false;
        bool ForumsLoaded = false;
        int CurrentNetscapeFolder = 0;
        bool TreeBusy = false;
        int DragX = 0;
        int DragY = 0;
        int SplitX = 0;
        int SplitY = 0;
    };
    FormState& state() { return m_state; }
    const FormState& state() const { return m_state; }

protected:
    cSettings& settings() { return m_settings; }
    cAppServices& app() { return m_app; }
    // Reports an unexpected error in the standard information box.
    void report(const std::exception& error);
    void fillContentTypes();
    void layoutList(int barLeft);
    void applyTopmost();
    void hideMainWindow();
    void showMainWindow();
    void options();
    void reselect();
    // Shows or hides and enables the buttons a selected node allows, and gives it its image.
    void applyButtonTable(QTreeWidgetItem* node);
    void repaintTreeImages(const QString& favoritesFolder);
    // The image a node shows when it is not the one selected (see TreeImage).
    int restingImage(QTreeWidgetItem* node) const;
    // The entry selected in the list: its source's address and kind for the go action.
    bool entryAddress(QString* address, int* kind);
    // The address and kind of an entry of a store, as a double-click opens
    // it; the kind selector shows its kind.
    bool storeAddress(int source, const Stores::Place& place, QString* address, int* kind);
    // Where a tree node (and a list item in it) stands in its store.
    Stores::Place placeOf(QTreeWidgetItem* node, QTreeWidgetItem* item = nullptr) const;
    static Stores::Place placeOf(const Find::Entry& entry);
    // A list item of a folder whose place is known: a loop over a selection
    // reads the folder's path once.
    static Stores::Place entryIn(const Stores::Place& folder, QTreeWidgetItem* item);
    // The found entry of a row, with the suggestions closed; false for no row.
    bool takeFound(int row, Find::Entry* entry);
    void openFound(int row);
    void showFound(int row);
    // Shows a found entry in its folder, selected in the list.
    void showEntry(const Find::Entry& entry);
    void updateSuggestions(const QString& text);
    void selectKind(int kind);
    // Runs the go action on a text, then puts the text on top of the input
    // box's list and empties the box.
    void goAndRemember(const QString& text, int kind);
    // The Netscape folder number a tree key stands for: 0 for the root "4A".
    int netscapeFolderOf(const QString& nodeKey);
    void tell(const QString& text);
    bool ask(const QString& question);
    // Moving entries.
    // What an entry of a store holds; an entry its store cannot read holds no address.
    Stores::Entry entryAt(const Stores::Place& place) const;
    // The already-exists message when the target holds the entry, else the question; true to add.
    bool confirmAdd(bool exists, const QString& question, const QString& existsMessage);
    // True when the store takes changes (where a change would create its
    // file, once the user agreed); else the user is told why (where there is something to say).
    bool writableOrTold(const Stores::Store& store);
    // Adds an entry dropped from a store on a folder of another (or the
    // same) store, with the target's check of the name and its question.
    void addDropped(Stores::Store& from, const Stores::Place& entry, Stores::Store& to, const Stores::Place& folder);
    // Removes the cut entries a paste took from the store they were cut from.
    void RemoveCutEntries(const std::vector<bool>& pasted);
    // Builds the tree anew when a failed save read the bookmark file again; the
    // end of every operation that saves it calls this.
    void refreshAfterBookmarkReload();
    // One step of the undo history for the life of an operation that changes
    // the stores (an operation inside another adds to its step, and names it
    // when it names one); at its end the tree is built anew where a failed
    // save read the bookmark file again.
    class ChangeScope
    {
    public:
        ChangeScope(cMainDialog& dialog, const QString& name);
        ~ChangeScope();
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;
        // The step's name, once what it did is known ("Delete 3 items from News").
        void rename(const QString& name);

    private:
        cMainDialog& m_dialog;
    };
    // "'name'" for one entry, "N items" for more.
    static QString entriesText(const QStringList& names);
    // The selected entries that can be copied, and their records, in list order.
    QList<QTreeWidgetItem*> copyableSelection();
    // Copies these entries to the clipboard; their records, in order.
    QList<Transfer::Record> copySelection(const QList<QTreeWidgetItem*>& items);
    void ghostCutEntries();
    // Puts copies of what is about to be removed into the Trash, with the
    // full path of the folder they are in; false, told, when one could not
    // be kept (nothing is then to be removed, and none stays in the Trash).
    bool
    toTrash(Stores::Store& store, const QString& folderFullPath, const QList<Trash::Item>& items, QStringList* ids);
    // The same for entries that say each where they come from.
    bool toTrash(QList<Trash::Entry>& entries, QStringList* ids);
    // A folder's full path in the tree, or the store's top where the node is gone.
    QString fullPathOf(const QString& folderKey, const Stores::Store& store) const;
    // The Trash's root shows while the Trash holds something.
    void showTrashNode();
    bool trashShown() const;
    // One entry of the Trash back into a store: into a folder given, or where
    // it came from (the store's top, and a note why, where that is gone).
    bool restoreTrashed(const Trash::Entry& entry, Stores::Store& to, const Trash::Folder* into, QStringList* notes);
    // Restores entries into the store each is for, each store written once;
    // what went back leaves the Trash. Returns how many went back.
    int restoreAll(const QList<Trash::Entry>& entries,
                   const std::function<Stores::Store*(const Trash::Entry&)>& target,
                   const Trash::Folder* into,
                   QStringList* notes);
    void afterTrashChange(bool foldersBack);
    // The Trash's selected entries dropped on a folder: restored there.
    void restoreDropped(Stores::Store& to, QTreeWidgetItem* target);
    void startDrag();

private:
    cSettings& m_settings;
    cAppServices& m_app;
    cMainForm* m_form = nullptr;
    FormState m_state;
    KeyedCollection<cFolder> m_folderList;
    std::unique_ptr<Stores::Table> m_stores;
    std::unique_ptr<CutBuffer> m_cut;
    std::unique_ptr<Undo::History> m_history;
    // Puts the last step back (undo) or again (redo), reads again what it changed and says what came of it.
    void takeStep(bool undo);
    // The tree's images as last painted: for which nodes, which Favorites
    // folder, and the node shown open since.
    quint64 m_imagesPaintedAt = ~quint64(0);
    QString m_imagesFavoritesFolder;
    QString m_openedNodeKey;
    bool m_loadingBookmarks = false;
    bool m_storeReloaded = false; // a failed save read the file again: the tree is to be built anew
    // Finding: the index of every store, what each part was copied from, the
    // list under the command box and the entries it shows.
    std::unique_ptr<Find::Indexer> m_findIndexer;
    QPointer<SuggestionList> m_suggestions; // the form owns it
    // The stores' files other programs change are watched; a changed store is read again after a pause.
    void watchStoreFiles();
    std::unique_ptr<BrowserWatch> m_browserWatch;
    // The key that reaches the window from any application.
    std::unique_ptr<GlobalShortcut> m_globalShortcut;
    std::vector<const Find::Entry*> m_found;
    bool m_findForced = false;
    QString m_lastExportFolder;               // where the last export went, while the program runs
    std::unique_ptr<Find::Entry> m_alreadyIn; // the entry "Already in" named
    // Moves the entries to the Trash, each store written once; one step.
    void removeDuplicates(const std::vector<Find::Entry>& entries);
    // Items of several stores grouped by store, stores in the order first
    // met: each store is asked, and written, once.
    template <typename Item>
    std::vector<std::pair<Stores::Store*, std::vector<const Item*>>> byStore(const std::vector<Item>& items,
                                                                             int (*sourceOf)(const Item&)) const;
    // A browser's store, or one that takes no change now: its entries are shown, never changed.
    bool offersNoChange(int source) const;
    // "Moved 3 entries to the Trash", and how many changed since they were shown and stay.
    static QString withChanged(const QString& note, int changed, const QString& since);
    // Moves the entries to the Trash, each store written once; an entry
    // changed or gone since it was shown stays, counted in `changed`.
    int trashEntries(const std::vector<Find::Entry>& entries, int* changed);

    // Dead links.
    std::unique_ptr<LinkCheckSession> m_linkCheck;
    LinkCheckSession& linkCheck();
    void startLinkCheck(bool allowPrivate);
    void linkCheckEnded();
    void saveLinkResults();
    QStringList showLinkRows();
    // The view shows the stores as they are after a change, where it is open.
    void refreshLinkView();
    void updateAddresses(const std::vector<std::pair<Find::Entry, QString>>& changes);
    void trashCheckedEntries(const std::vector<Find::Entry>& entries);
};
