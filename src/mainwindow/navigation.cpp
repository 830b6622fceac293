// Moving through the window: showing the selected folder, the list's clicks,
// keys and pointer, and the lists of the registry stores and the Favorites folder.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/twips.h"
#include "mainwindow/MainForm.h"
#include "platform/error.h"
#include "store/cSettings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>

int cMainDialog::restingImage(QTreeWidgetItem* node) const
{
    const QString key = KeyedTreeView::Key(node);
    const Keys::NodeKey parsed = Keys::NodeKey::parse(key);
    if (parsed.kind == Keys::NodeKey::Kind::Top)
        return TreeImage::OpenStore;
    const Stores::Store* store = m_stores->forKey(key);
    if (!store)
        return TreeImage::Folder;
    if (parsed.kind == Keys::NodeKey::Kind::Root)
        return store->topIsStore() ? TreeImage::Store : TreeImage::Folder;
    return store->mayHideFolders() && store->folderHidden(placeOf(node)) ? TreeImage::Hidden : TreeImage::Folder;
}

void cMainDialog::repaintTreeImages(const QString& favoritesFolder)
{
    // Every node is painted after the tree changed; between changes only the
    // node last shown open can differ from its resting image, and a click
    // then costs nothing in the size of the tree.
    KeyedTreeView* tree = m_form->tvMain;
    auto paint = [this, tree](QTreeWidgetItem* node) {
        const int image = restingImage(node);
        if (KeyedTreeView::Image(node) != image)
            tree->setImage(node, image);
    };
    if (tree->Changes() != m_imagesPaintedAt || favoritesFolder != m_imagesFavoritesFolder) {
        for (QTreeWidgetItem* node : tree->NodesInOrder())
            paint(node);
        m_imagesPaintedAt = tree->Changes();
        m_imagesFavoritesFolder = favoritesFolder;
    } else if (QTreeWidgetItem* opened = tree->Node(m_openedNodeKey)) {
        paint(opened);
    }
}

void cMainDialog::applyButtonTable(QTreeWidgetItem* node)
{
    const QString key = KeyedTreeView::Key(node);
    const Stores::Store* store = m_stores->forKey(key);
    // Sub-folders and user folders can be renamed and deleted; the stores themselves cannot.
    const bool folderButtons = store && store->folderCanChange(placeOf(node));
    const bool entryButtons = key != Keys::TopKey;
    // Shown open: each resting image has its open one.
    const int resting = restingImage(node);
    m_form->tvMain->setImage(node,
                             resting == TreeImage::Hidden   ? TreeImage::OpenHidden
                             : resting == TreeImage::Folder ? TreeImage::OpenFolder
                                                            : TreeImage::OpenStore);
    m_openedNodeKey = key;

    FlatButtonArray& buttons = *m_form->lbbMain;
    IndexedToolBar* toolbar = m_form->tlbMain;
    auto offer = [](QWidget* widget, bool on) {
        widget->setVisible(on);
        widget->setEnabled(on);
    };
    auto offerAction = [toolbar](int index, bool on) {
        QAction* action = toolbar->button(index);
        action->setVisible(on);
        action->setEnabled(on);
    };
    for (int index : {RenameFolderButton, DeleteFolderButton})
        offer(buttons[index], folderButtons);
    for (int index : {EditFolderTool, DeleteFolderTool})
        offerAction(index, folderButtons);
    for (int index : {EditEntryButton, DeleteEntriesButton, AddEntryButton})
        offer(buttons[index], entryButtons);
    for (int index : {CutTool, CopyTool, PasteTool, NewItemTool, EditItemTool, DeleteItemTool, SortAscendingTool})
        offerAction(index, entryButtons);
    toolbar->button(SortDescendingTool)->setEnabled(key != Keys::TopKey);
    if (store) {
        toolbar->button(MoveUpTool)->setEnabled(store->ordered());
        toolbar->button(MoveDownTool)->setEnabled(store->ordered());
    }
    // A store the program only reads (a browser's own): entries are copied
    // out and sorted in the list only, never added, changed, cut or pasted here.
    const bool readOnly = store && store->readOnly();
    toolbar->button(NewFolderTool)->setEnabled(!readOnly);
    if (readOnly) {
        for (int index : {EditEntryButton, DeleteEntriesButton, AddEntryButton})
            offer(buttons[index], false);
        for (int index : {CutTool, PasteTool, NewItemTool, EditItemTool, DeleteItemTool})
            toolbar->button(index)->setEnabled(false);
    }
    toolbar->tidySeparators();
}

void cMainDialog::ClickTVMain()
{
    if (m_state.TreeBusy)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_state.TreeBusy = true;
    KeyedTreeView* tree = m_form->tvMain;
    KeyedListView* list = m_form->lvMain;
    list->Clear();
    QApplication::processEvents();
    tree->setEnabled(false);
    try {
        const QString favoritesFolder = Favorites::folder();
        if (QTreeWidgetItem* node = tree->SelectedItem()) {
            const QString key = KeyedTreeView::Key(node);
            m_state.SelectedKey = key;
            m_state.SelectedText = KeyedTreeView::Text(node);
            m_state.CurrentSource = Keys::sourceNumber(key);
            repaintTreeImages(favoritesFolder);
            list->Clear();
            applyButtonTable(node);
            if (Stores::Store* store = m_stores->forKey(key)) {
                ListFolder(*store, node);
                ghostCutEntries();
                if (const QString note = store->setUpNote(); !note.isEmpty())
                    m_form->stbMain->showMessage(note);
            }
        }
    } catch (const cError& error) {
        if (error.Number() != ErrorNumber::InvalidProcedureCall)
            report(error);
    } catch (const std::exception& error) {
        report(error);
    }
    m_form->lblMain.at(1)->setText(QString::number(list->Count()) + QStringLiteral(" items"));
    m_state.TreeBusy = false;
    tree->setEnabled(true);
    tree->setFocus();
    QApplication::restoreOverrideCursor();
}

void cMainDialog::ListFolder(Stores::Store& store, QTreeWidgetItem* node)
{
    KeyedListView* list = m_form->lvMain;
    list->Clear();
    noteShownBookmarkFolder(KeyedTreeView::Key(node));
    if (m_loadingBookmarks)
        return; // a store is being read: what it holds is shown once it is whole
    QList<Stores::Row> rows = store.list(placeOf(node));
    QList<KeyedListView::Entry> items;
    items.reserve(rows.size());
    for (Stores::Row& row : rows)
        items.append({std::move(row.key), std::move(row.text), row.image});
    list->AddItems(items);
}

void cMainDialog::selectKind(int kind)
{
    QComboBox* kinds = m_form->cboMain[0];
    // A kind the selector does not offer leaves it as it is.
    if (kind < 0 || kind >= kinds->count())
        return;
    if (kinds->currentIndex() != kind)
        kinds->setCurrentIndex(kind); // raises the kind change, which empties the input box
}

Stores::Place cMainDialog::placeOf(QTreeWidgetItem* node, QTreeWidgetItem* item) const
{
    Stores::Place place;
    if (!node)
        return place;
    place.folderKey = KeyedTreeView::Key(node);
    place.folderText = KeyedTreeView::Text(node);
    if (const Stores::Store* store = m_stores->forKey(place.folderKey))
        place.folderPath = store->folderPath(KeyedTreeView::FullPath(node), place.folderText);
    return item ? entryIn(place, item) : place;
}

Stores::Place cMainDialog::entryIn(const Stores::Place& folder, QTreeWidgetItem* item)
{
    return folder.entry(KeyedListView::Text(item), KeyedListView::Key(item));
}

Stores::Place cMainDialog::placeOf(const Find::Entry& entry)
{
    return {entry.folderKey(), entry.folderPath(), {}, entry.title, entry.listKey()};
}

bool cMainDialog::entryAddress(QString* address, int* kind)
{
    QTreeWidgetItem* item = m_form->lvMain->SelectedItem();
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    if (!item || !node)
        return false;
    const int icon = KeyedListView::Image(item);
    if (icon == 2 || icon == 4)
        return false; // a folder or the way up, not an entry
    return storeAddress(Keys::sourceNumber(KeyedTreeView::Key(node)), placeOf(node, item), address, kind);
}

bool cMainDialog::storeAddress(int source, const Stores::Place& place, QString* address, int* kind)
{
    const Stores::Store* store = m_stores->at(source);
    const std::optional<Stores::Entry> entry = store ? store->read(place) : std::nullopt;
    if (!entry)
        return false;
    // The kind selector follows the entry; a kind it does not offer leaves it as it is.
    selectKind(entry->kind);
    *address = entry->address;
    *kind = entry->kind >= 0 && entry->kind < m_form->cboMain[0]->count() ? entry->kind
                                                                          : m_form->cboMain[0]->currentIndex();
    return true;
}

void cMainDialog::ClickLvMain()
{
    try {
        if (!m_form->lvMain->SelectedItem())
            return;
        QString address;
        int kind = 0;
        if (!entryAddress(&address, &kind))
            return;
        m_form->cboMain[1]->setEditText(address);
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::DblClickLvMain()
{
    try {
        QString address;
        int kind = 0;
        if (!m_form->lvMain->SelectedItem() || !entryAddress(&address, &kind))
            return;
        goAndRemember(address, kind);
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::KeyUpLvMain(int keyCode, int)
{
    switch (keyCode) {
    case 13:
        DblClickLvMain();
        break;
    case 33:
    case 34:
    case 35:
    case 36:
    case 38:
    case 40:
        ClickLvMain();
        break;
    case 46:
        ClickLbbMain(DeleteEntriesButton);
        break;
    default:
        break;
    }
}

void cMainDialog::MouseMoveLvMain(int button, int, int x, int y)
{
    try {
        if (button == 2)
            return;
        if (button == 1) {
            startDrag();
            return;
        }
        MouseMoveLbbMain(-1);
        KeyedListView* list = m_form->lvMain;
        if (QTreeWidgetItem* item = list->itemAt(Twips::toPixelsX(x), Twips::toPixelsY(y)))
            m_form->stbMain->showMessage(KeyedListView::Text(item) + QStringLiteral("   "));
    } catch (const cError&) {
        // the pointer's preview never reports anything
    } catch (const std::exception& error) {
        logUnexpected("MouseMoveLvMain", error);
    }
}

void cMainDialog::MouseDownTvMain(int, int, int x, int y)
{
    KeyedTreeView* tree = m_form->tvMain;
    tree->setDropHighlight(tree->itemAt(Twips::toPixelsX(x), Twips::toPixelsY(y)));
}

void cMainDialog::MouseMoveTvMain()
{
    MouseMoveLbbMain(-1);
}
