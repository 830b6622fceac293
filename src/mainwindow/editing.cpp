// Adding, changing and removing entries and folders in the store of the
// selected node, with the program's confirmations and refusals.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"
#include "bookmarks/names.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "bookmarks/trash.h"
#include "bookmarks/trashstore.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "dialogs/frmMessage.h"
#include "mainwindow/MainForm.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>

#include <functional>
#include <optional>

void cMainDialog::tell(const QString& text)
{
    frmMessage message;
    message.setMessage(text);
    message.Display(m_form->window());
}

bool cMainDialog::ask(const QString& question)
{
    frmQuestion box;
    box.setMessage(question);
    return box.Display(m_form->window());
}

void cMainDialog::AddEntry()
{
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    ChangeScope step(*this, QStringLiteral("Add to ") + KeyedTreeView::Text(node));
    Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    if (!store || !writableOrTold(*store))
        return;
    const Stores::Place folder = placeOf(node);
    QWidget* window = m_form->window();
    if (store->nameIsAddress()) {
        frmForum forum;
        QString word;
        if (!forum.Display(0, window, &word, {}))
            return;
        if (store->add(folder, {word, word, store->entryKind()}).ok())
            saveStore(*store); // sorted and numbered afresh
        ClickTVMain();
        return;
    }
    const bool kindChoice = store->entryKind() < 0;
    frmFavorite favorite;
    if (favorite.Display(*store,
                         folder,
                         kindChoice ? frmFavorite::AddWithKind : frmFavorite::Add,
                         window,
                         {},
                         {},
                         kindChoice && m_settings.SupportCompuServe())) {
        ClickTVMain();
        const QString where = KeyedTreeView::FullPath(node).section(QLatin1Char('\\'), 1);
        noteAlreadyIn({favorite.txtFavorite[1]->text()}, {{where, favorite.txtFavorite[0]->text()}});
    }
    m_storeReloaded = m_storeReloaded || favorite.StoreReloaded();
}

void cMainDialog::EditEntry()
{
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    QTreeWidgetItem* item = m_form->lvMain->SelectedItem();
    ChangeScope step(*this, QStringLiteral("Edit '") + KeyedListView::Text(item) + QLatin1Char('\''));
    Stores::Store* store = node && item ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    if (!store || !writableOrTold(*store))
        return;
    const int icon = KeyedListView::Image(item);
    if (icon == ListImage::Folder || icon == ListImage::UpOneLevel)
        return; // a folder or the way up, not an entry
    const Stores::Place entry = placeOf(node, item);
    QWidget* window = m_form->window();
    if (store->nameIsAddress()) {
        frmForum forum;
        QString word;
        if (!forum.Display(0, window, &word, entry.name))
            return;
        if (store->change(entry, {word, word, store->entryKind()}).ok())
            saveStore(*store); // keys stay unique and the list sorted
        ClickTVMain();
        return;
    }
    const bool kindChoice = store->entryKind() < 0;
    const Stores::Entry held = entryAt(entry);
    frmFavorite favorite;
    if (kindChoice)
        favorite.setBookmarkType(held.kind);
    if (favorite.Display(*store,
                         entry,
                         kindChoice ? frmFavorite::EditWithKind : frmFavorite::Edit,
                         window,
                         entry.name,
                         held.address,
                         kindChoice && m_settings.SupportCompuServe()))
        ClickTVMain();
    m_storeReloaded = m_storeReloaded || favorite.StoreReloaded();
}

void cMainDialog::DeleteEntries()
{
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    ChangeScope step(*this, QStringLiteral("Delete"));
    KeyedListView* list = m_form->lvMain;
    Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    if (store == &m_stores->trash()) {
        DeleteFromTrash(false); // from the Trash, an entry goes for good
        return;
    }
    if (!store || !writableOrTold(*store))
        return;
    QTreeWidgetItem* selected = list->SelectedItem();
    if (list->Count() > 0 && selected && KeyedListView::Image(selected) != ListImage::Folder &&
        KeyedListView::Image(selected) != ListImage::UpOneLevel &&
        ask(QStringLiteral("Are you sure you wish to delete the selected entries?"))) {
        QStringList notDeleted;
        QStringList deleted;
        const Stores::Place folder = placeOf(node);
        // Into the Trash first: what cannot be kept there is not removed.
        QList<QTreeWidgetItem*> chosen;
        QList<Trash::Item> copies;
        for (int i = list->Count(); i >= 1; --i) {
            QTreeWidgetItem* item = list->ItemAt(i);
            if (item->isSelected()) {
                chosen.append(item);
                copies.append(Trash::copyOfEntry(*store, entryIn(folder, item)));
            }
        }
        QStringList trashed;
        if (!toTrash(*store, KeyedTreeView::FullPath(node), copies, &trashed))
            return;
        {
            platform::RegistryBatch batch; // one rewrite of the registry file for the whole selection
            for (qsizetype k = 0; k < chosen.size(); ++k) {
                QTreeWidgetItem* item = chosen[k];
                if (store->remove(entryIn(folder, item)).outcome == Stores::Result::Outcome::Failed) {
                    notDeleted << KeyedListView::Text(item);
                    m_stores->trash().bin().remove(trashed[k]);
                    continue; // still there: it stays in the list
                }
                deleted.prepend(KeyedListView::Text(item));
                list->RemoveItem(item);
            }
        }
        step.rename(QStringLiteral("Delete ") + entriesText(deleted) + QStringLiteral(" from ") + folder.folderText);
        if (!notDeleted.isEmpty())
            tell(QStringLiteral("These entries could not be deleted: '") + notDeleted.join(QStringLiteral("', '")) +
                 QLatin1Char('\''));
        const bool saved = saveStore(*store);
        if (!saved)
            m_stores->trash().bin().remove(trashed); // still in the store: not in the Trash too
        if (!saved || store->keysChangeOnSave())
            ClickTVMain(); // what the store holds now
        m_form->cboMain[1]->setEditText(QString());
        showTrashNode();
    }
    m_form->lblMain.at(1)->setText(QString::number(list->Count()) + QStringLiteral(" items"));
}

void cMainDialog::NewFolder()
{
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    if (!node)
        return;
    // A store that holds folders takes the new one; elsewhere it is a new user folder.
    Stores::Store* shown = m_stores->forKey(KeyedTreeView::Key(node));
    Stores::Store& store = shown && shown->holdsFolders() ? *shown : m_stores->userFolders();
    if (!writableOrTold(store))
        return;
    frmFolder dialog;
    QString typed;
    if (!dialog.Display(0, m_form->window(), &typed, {}))
        return;
    ChangeScope step(*this, QStringLiteral("New Folder '") + typed + QLatin1Char('\''));
    const Stores::Result checked = store.checkFolderName(typed);
    if (!checked.ok()) {
        tell(checked.why);
        return;
    }
    const Stores::Result made = store.addFolder(placeOf(node), checked.what);
    if (made.outcome == Stores::Result::Outcome::Exists) {
        tell(QStringLiteral("A folder already exists with the name '") + made.what +
             QStringLiteral("'.  The folder name will not be created."));
        return;
    }
    if (!made.ok()) {
        if (!made.why.isEmpty())
            tell(made.why);
        return;
    }
    saveStore(store);
    BuildFolderTree();
}

void cMainDialog::RenameFolder()
{
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    ChangeScope step(*this, QStringLiteral("Rename Folder '") + KeyedTreeView::Text(node) + QLatin1Char('\''));
    Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    const Stores::Place folder = placeOf(node);
    if (!store || !store->folderCanChange(folder))
        return; // only sub-folders and user folders can be renamed
    if (!writableOrTold(*store))
        return;
    frmFolder dialog;
    QString typed;
    if (!dialog.Display(0, m_form->window(), &typed, folder.folderText))
        return;
    const Stores::Result checked = store->checkFolderName(typed);
    if (!checked.ok()) {
        tell(checked.why);
        return;
    }
    if (checked.what == folder.folderText)
        return; // only what the store cannot keep was changed
    const Stores::Result renamed = store->renameFolder(folder, checked.what);
    if (renamed.outcome == Stores::Result::Outcome::Exists) {
        tell(QStringLiteral("A folder already exists with the name '") + renamed.what +
             QStringLiteral("'.  The folder name will not been changed."));
        return;
    }
    if (!renamed.ok()) {
        if (!renamed.why.isEmpty())
            tell(renamed.why);
        return;
    }
    if (!saveStore(*store)) {
        BuildFolderTree();
        return;
    }
    m_form->tvMain->setNodeText(node, checked.what);
}

void cMainDialog::DeleteFolder()
{
    KeyedTreeView* tree = m_form->tvMain;
    QTreeWidgetItem* node = tree->SelectedItem();
    ChangeScope step(*this, QStringLiteral("Delete Folder '") + KeyedTreeView::Text(node) + QLatin1Char('\''));
    Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    const Stores::Place folder = placeOf(node);
    if (!store || !store->folderCanChange(folder))
        return; // the sources themselves are not deleted
    if (!writableOrTold(*store))
        return;
    if (!ask(QStringLiteral("Are you sure you wish to delete this folder?")))
        return;
    Stores::Result removed;
    QStringList trashed;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        // Into the Trash first, with all it holds.
        const QString fullPath = KeyedTreeView::FullPath(node);
        const Trash::Item copy = Trash::copyOfFolder(*store, folder, fullPath);
        if (!toTrash(*store, fullPath.section(QLatin1Char('\\'), 0, -2), {copy}, &trashed))
            return;
        removed = store->removeFolder(folder, [] { QApplication::processEvents(); });
    }
    if (!removed.ok()) {
        m_stores->trash().bin().remove(trashed.value(0));
        if (!removed.why.isEmpty())
            tell(removed.why);
        return;
    }
    QTreeWidgetItem* parent = node->parent();
    const int index = parent ? parent->indexOfChild(node) : -1;
    QTreeWidgetItem* next = parent && index + 1 < parent->childCount() ? parent->child(index + 1)
                            : parent && index > 0                      ? parent->child(index - 1)
                                                  : tree->Node(Keys::rootKey(Keys::WebFavoritesSource));
    tree->setSelectedItem(next);
    tree->RemoveNode(node);
    if (!saveStore(*store)) {
        m_stores->trash().bin().remove(trashed.value(0));
        BuildFolderTree(); // the file keeps the folder: so does the tree
    }
    showTrashNode();
    ClickTVMain();
}
