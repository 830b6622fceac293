// The Trash in the window: what a delete or a cut and paste removes goes
// there first; from its root in the tree entries are restored (by the menu,
// or dragged onto a folder) or deleted for good.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
#include "bookmarks/trash.h"
#include "bookmarks/trashstore.h"
#include "bookmarks/undo.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "mainwindow/MainForm.h"

#include <QStatusBar>

bool cMainDialog::toTrash(Stores::Store& store,
                          const QString& folderFullPath,
                          const QList<Trash::Item>& items,
                          QStringList* ids)
{
    Trash::Bin& bin = m_stores->trash().bin();
    for (const Trash::Item& item : items) {
        Trash::Entry entry{{}, store.source(), Keys::sourceText(store.source()), folderFullPath, {}, item};
        QString why;
        if (!bin.put(entry, &why)) {
            for (const QString& id : std::as_const(*ids))
                bin.remove(id);
            ids->clear();
            tell(QStringLiteral("'") + item.name +
                 QStringLiteral("' could not be moved to the Trash, so nothing was removed: ") + why +
                 QLatin1Char('.'));
            return false;
        }
        ids->append(entry.id);
    }
    return true;
}

QString cMainDialog::fullPathOf(const QString& folderKey, const Stores::Store& store) const
{
    if (QTreeWidgetItem* node = m_form->tvMain->Node(folderKey))
        return KeyedTreeView::FullPath(node);
    const QList<Stores::TreeNode> tops = store.tops();
    return Keys::TopText + (tops.isEmpty() ? QString() : QLatin1Char('\\') + tops.first().text);
}

void cMainDialog::showTrashNode()
{
    KeyedTreeView* tree = m_form->tvMain;
    Stores::TrashStore& trash = m_stores->trash();
    const QString key = Keys::rootKey(Keys::TrashSource);
    QTreeWidgetItem* node = tree->Node(key);
    if (trash.shown() && !node) {
        tree->AddNode(Keys::TopKey, key, Keys::sourceText(Keys::TrashSource), TreeImage::Store);
    } else if (!trash.shown() && node) {
        if (tree->SelectedItem() == node) {
            tree->setSelectedItem(tree->Node(Keys::rootKey(Keys::WebFavoritesSource)));
            tree->RemoveNode(node);
            ClickTVMain();
        } else {
            tree->RemoveNode(node);
        }
    }
}

bool cMainDialog::trashShown() const
{
    return m_stores->forKey(KeyedTreeView::Key(m_form->tvMain->SelectedItem())) == &m_stores->trash();
}

bool cMainDialog::restoreTrashed(const Trash::Entry& entry,
                                 Stores::Store& to,
                                 const Trash::Folder* into,
                                 QStringList* notes)
{
    if (!writableOrTold(to))
        return false;
    Trash::Folder folder;
    if (into) {
        folder = *into;
    } else {
        const QList<Trash::Folder> folders = Trash::foldersOf(to);
        const auto found = std::find_if(folders.begin(), folders.end(), [&](const Trash::Folder& candidate) {
            return candidate.fullPath == entry.folderPath;
        });
        if (found != folders.end()) {
            folder = *found;
        } else if (!to.topIsStore()) {
            folder = {{}, Keys::TopText}; // a user folder that is gone is made anew
        } else if (!folders.isEmpty()) {
            folder = folders.first();
            notes->append(QStringLiteral("'%1' went to %2: the folder it came from, %3, is gone.")
                              .arg(entry.item.name, folder.place.folderText, entry.from()));
        }
    }
    const bool sameStore = to.source() == entry.source;
    const Stores::Result restored = Trash::restore(to, folder, entry.item, sameStore);
    if (!restored.ok() && restored.outcome != Stores::Result::Outcome::Exists) {
        notes->append(restored.why.isEmpty() ? QStringLiteral("'%1' could not be restored.").arg(entry.item.name)
                                             : restored.why);
        return false;
    }
    if (!restored.ok())
        notes->append(restored.why);
    if (!saveStore(to))
        return false;
    // Back in its store: out of the Trash (a folder only once all it held went back).
    if (restored.ok())
        m_stores->trash().bin().remove(entry.id);
    return restored.ok();
}

void cMainDialog::RestoreFromTrash()
{
    KeyedListView* list = m_form->lvMain;
    if (!trashShown())
        return;
    const Stores::Place folder = placeOf(m_form->tvMain->SelectedItem());
    QList<Trash::Entry> chosen;
    for (QTreeWidgetItem* item : list->selectedInOrder()) {
        if (std::optional<Trash::Entry> entry = m_stores->trash().entryOf(entryIn(folder, item)))
            chosen.append(std::move(*entry));
    }
    if (chosen.isEmpty())
        return;
    ChangeScope step(*this,
                     QStringLiteral("Restore ") +
                         (chosen.size() == 1 ? QLatin1Char('\'') + chosen.first().item.name + QLatin1Char('\'')
                                             : QStringLiteral("%1 items").arg(chosen.size())));
    QStringList notes;
    int restored = 0;
    for (const Trash::Entry& entry : chosen) {
        if (Stores::Store* to = m_stores->at(entry.source))
            restored += restoreTrashed(entry, *to, nullptr, &notes) ? 1 : 0;
    }
    const bool folders = std::any_of(chosen.begin(), chosen.end(), [](const Trash::Entry& e) { return e.item.folder; });
    afterTrashChange(folders);
    if (!notes.isEmpty())
        tell(notes.join(QLatin1Char('\n')));
    m_form->stbMain->showMessage(QStringLiteral("Restored %1 of %2").arg(restored).arg(chosen.size()));
}

void cMainDialog::restoreDropped(Stores::Store& to, QTreeWidgetItem* target)
{
    if (to.readOnly() || to.source() == Keys::TrashSource)
        return;
    const Stores::Place shown = placeOf(m_form->tvMain->SelectedItem());
    QList<Trash::Entry> chosen;
    for (QTreeWidgetItem* item : m_form->lvMain->selectedInOrder()) {
        if (std::optional<Trash::Entry> entry = m_stores->trash().entryOf(entryIn(shown, item)))
            chosen.append(std::move(*entry));
    }
    if (chosen.isEmpty())
        return;
    m_history->rename(QStringLiteral("Restore ") +
                      (chosen.size() == 1 ? QLatin1Char('\'') + chosen.first().item.name + QLatin1Char('\'')
                                          : QStringLiteral("%1 items").arg(chosen.size())) +
                      QStringLiteral(" to ") + KeyedTreeView::Text(target));
    const Trash::Folder into{placeOf(target), KeyedTreeView::FullPath(target)};
    QStringList notes;
    bool folders = false;
    for (const Trash::Entry& entry : chosen) {
        if (restoreTrashed(entry, to, &into, &notes))
            folders = folders || entry.item.folder;
    }
    afterTrashChange(folders);
    if (!notes.isEmpty())
        tell(notes.join(QLatin1Char('\n')));
}

void cMainDialog::DeleteFromTrash(bool everything)
{
    Stores::TrashStore& trash = m_stores->trash();
    QStringList ids;
    if (everything) {
        if (trash.bin().isEmpty() ||
            !ask(QStringLiteral("Are you sure you wish to empty the Trash? Its entries will be gone for good.")))
            return;
        for (const Trash::Entry& entry : trash.bin().entries())
            ids << entry.id;
    } else {
        if (!trashShown())
            return;
        const Stores::Place folder = placeOf(m_form->tvMain->SelectedItem());
        for (QTreeWidgetItem* item : m_form->lvMain->selectedInOrder()) {
            if (const std::optional<Trash::Entry> entry = trash.entryOf(entryIn(folder, item)))
                ids << entry->id;
        }
        if (ids.isEmpty() || !ask(QStringLiteral("Are you sure you wish to delete the selected entries permanently?")))
            return;
    }
    // Gone for good: no step of the undo history.
    for (const QString& id : std::as_const(ids))
        trash.bin().remove(id);
    afterTrashChange(false);
}

void cMainDialog::afterTrashChange(bool foldersBack)
{
    if (foldersBack) {
        BuildFolderTree(); // the folders that came back, and the Trash as it is now
        return;
    }
    if (trashShown() && m_stores->trash().shown())
        ClickTVMain(); // the list shows what is left
    showTrashNode();
}
