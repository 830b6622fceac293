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
    QList<Trash::Entry> entries;
    for (const Trash::Item& item : items)
        entries.append({{}, store.source(), Keys::sourceText(store.source()), folderFullPath, {}, item});
    return toTrash(entries, ids);
}

bool cMainDialog::toTrash(QList<Trash::Entry>& entries, QStringList* ids)
{
    QList<Trash::Item> items;
    for (const Trash::Entry& entry : std::as_const(entries))
        items.append(entry.item);
    QString why;
    if (!m_stores->trash().bin().put(entries, &why)) {
        tell(QStringLiteral("%1 could not be moved to the Trash, so nothing was removed: %2.")
                 .arg(items.size() == 1 ? QLatin1Char('\'') + items.first().name + QLatin1Char('\'')
                                        : QStringLiteral("The entries"),
                      why));
        return false;
    }
    for (const Trash::Entry& entry : entries)
        ids->append(entry.id);
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
        } else if (!to.topIsStore() && entry.item.folder) {
            folder = {{}, Keys::TopText}; // a user folder that is gone is made anew
        } else if (!to.topIsStore()) {
            // An entry of a user folder that is gone: the folder is made anew, by its name.
            const QString name = entry.folderPath.section(QLatin1Char('\\'), -1);
            const Stores::Result made = to.addFolder({}, name);
            const QList<Trash::Folder> again = Trash::foldersOf(to);
            const auto remade = std::find_if(again.begin(), again.end(), [&](const Trash::Folder& candidate) {
                return candidate.fullPath == entry.folderPath;
            });
            if (remade == again.end()) {
                notes->append(made.why.isEmpty() ? QStringLiteral("'%1' could not be restored: its folder %2 is gone.")
                                                       .arg(entry.item.name, entry.from())
                                                 : made.why);
                return false;
            }
            folder = *remade;
            notes->append(QStringLiteral("The folder %1 was made again for '%2'.").arg(entry.from(), entry.item.name));
        } else if (!folders.isEmpty()) {
            folder = folders.first();
            notes->append(QStringLiteral("'%1' went to %2: the folder it came from, %3, is gone.")
                              .arg(entry.item.name, folder.place.folderText, entry.from()));
        }
    }
    const Stores::Result restored = Trash::restore(to, folder, entry.item, to.source() == entry.source);
    if (!restored.ok())
        notes->append(restored.why.isEmpty() ? QStringLiteral("'%1' could not be restored.").arg(entry.item.name)
                                             : restored.why);
    return restored.ok();
}

int cMainDialog::restoreAll(const QList<Trash::Entry>& entries,
                            const std::function<Stores::Store*(const Trash::Entry&)>& target,
                            const Trash::Folder* into,
                            QStringList* notes)
{
    // Each store asked once whether it takes changes, and written once; an
    // entry leaves the Trash only once its store has it on disk.
    QHash<Stores::Store*, bool> open;
    QHash<Stores::Store*, QStringList> back;
    QList<Stores::Store*> order;
    for (const Trash::Entry& entry : entries) {
        Stores::Store* to = target(entry);
        if (!to)
            continue;
        if (!open.contains(to))
            open.insert(to, writableOrTold(*to));
        if (open.value(to) && restoreTrashed(entry, *to, into, notes)) {
            if (!back.contains(to))
                order.append(to);
            back[to].append(entry.id);
        }
    }
    QStringList done;
    for (Stores::Store* store : order) {
        if (saveStore(*store))
            done << back.value(store);
    }
    m_stores->trash().bin().remove(done);
    return int(done.size());
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
    const int restored = restoreAll(
        chosen, [this](const Trash::Entry& entry) { return m_stores->at(entry.source); }, nullptr, &notes);
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
    restoreAll(
        chosen, [&to](const Trash::Entry&) { return &to; }, &into, &notes);
    const bool folders =
        std::any_of(chosen.begin(), chosen.end(), [](const Trash::Entry& entry) { return entry.item.folder; });
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
    trash.bin().remove(ids); // gone for good: no step of the undo history
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
