// Moving entries by dragging them onto a folder of the tree; what an entry
// dropped or pasted into each store becomes.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/histories.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "bookmarks/transfer.h"
#include "bookmarks/trashstore.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/twips.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "mainwindow/MainForm.h"
#include "platform/files.h"
#include "platform/profilefile.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QUrl>

Stores::Entry cMainDialog::entryAt(const Stores::Place& place) const
{
    const Stores::Store* store = m_stores->forKey(place.folderKey);
    const std::optional<Stores::Entry> entry = store ? store->read(place) : std::nullopt;
    return entry ? *entry : Stores::Entry{place.name, {}, 0};
}

bool cMainDialog::confirmAdd(bool exists, const QString& question, const QString& existsMessage)
{
    if (exists) {
        tell(existsMessage);
        return false;
    }
    return ask(question);
}

bool cMainDialog::writableOrTold(const Stores::Store& store)
{
    if (store.writable()) {
        const QString question = store.creationQuestion();
        return question.isEmpty() || ask(question);
    }
    if (!store.writeRefusal().isEmpty())
        tell(store.writeRefusal());
    return false;
}

void cMainDialog::addDropped(Stores::Store& from,
                             const Stores::Place& entry,
                             Stores::Store& to,
                             const Stores::Place& folder)
{
    const Stores::Result checked = to.checkName(entry.name);
    if (!checked.ok()) {
        tell(QLatin1Char('\'') + entry.name.left(60) + QStringLiteral("' was not added. ") + checked.why);
        return;
    }
    if (!confirmAdd(to.contains(folder, checked.what),
                    to.addQuestion(checked.what, folder),
                    to.existsMessage(checked.what, folder)))
        return;
    Stores::Entry dropped = entryAt(entry);
    dropped.name = checked.what;
    // Within one store the entry is a copy of the one dragged, and may take its bytes along.
    const Stores::Result added = to.add(folder, dropped, &from == &to ? &entry : nullptr);
    if (added.outcome == Stores::Result::Outcome::Failed)
        tell(QLatin1Char('\'') + added.what + QStringLiteral("' could not be added") +
             (added.why.isEmpty() ? QString() : QStringLiteral(": ") + added.why) + QLatin1Char('.'));
    else if (added.ok() && saveStore(to))
        noteAlreadyIn({dropped.address},
                      {{fullPathOf(folder.folderKey, to).section(QLatin1Char('\\'), 1), added.what},
                       {fullPathOf(entry.folderKey, from).section(QLatin1Char('\\'), 1), entry.name}});
}

void cMainDialog::DragOverTvMain(QObject* source, int x, int y, int)
{
    if (source != m_form->lvMain)
        return;
    KeyedTreeView* tree = m_form->tvMain;
    QTreeWidgetItem* node = tree->itemAt(Twips::toPixelsX(x), Twips::toPixelsY(y));
    QTreeWidgetItem* dragged = m_form->lvMain->SelectedItem();
    if (!node || !dragged || KeyedListView::Image(dragged) == 2)
        return;
    const Stores::Store* from = m_stores->at(m_state.CurrentSource);
    const Stores::Store* to =
        m_stores->forKey(KeyedTreeView::Key(node)); // none for the top node, which holds the stores
    if (from && to &&
        (from == &m_stores->trash() ? !to->readOnly() : to->takesDropFrom(*from) != Stores::Drop::Refused))
        tree->setDropHighlight(node);
}

void cMainDialog::DragDropTvMain(QObject* source, int, int)
{
    if (source != m_form->lvMain)
        return;
    QTreeWidgetItem* dropTarget = m_form->tvMain->DropHighlight();
    ChangeScope step(*this, QStringLiteral("Drop on ") + KeyedTreeView::Text(dropTarget));
    // However the drop ends, the tree marks the folder the list shows again.
    const auto unmark = qScopeGuard([this] { m_form->tvMain->setDropHighlight(m_form->tvMain->SelectedItem()); });
    try {
        KeyedTreeView* tree = m_form->tvMain;
        QTreeWidgetItem* target = tree->DropHighlight();
        Stores::Store* to = target ? m_stores->forKey(KeyedTreeView::Key(target)) : nullptr;
        Stores::Store* from = m_stores->at(m_state.CurrentSource);
        if (!to || !from)
            return; // nothing to drop on
        if (from == &m_stores->trash()) {
            restoreDropped(*to, target);
            return;
        }
        const Stores::Drop rule = to->takesDropFrom(*from);
        KeyedListView* list = m_form->lvMain;
        const Stores::Place shown = placeOf(tree->SelectedItem());
        const Stores::Place folder = placeOf(target);
        // A drop whose focused row is a folder adds nothing to a list without folders.
        if (rule == Stores::Drop::AddUnlessFolderFocused && list->SelectedItem() &&
            KeyedListView::Image(list->SelectedItem()) == ListImage::Folder)
            return;
        for (QTreeWidgetItem* item : list->selectedInOrder()) {
            if (KeyedListView::Image(item) == ListImage::Folder || KeyedListView::Image(item) == ListImage::UpOneLevel)
                continue; // folders are not moved
            if (rule == Stores::Drop::Refused || rule == Stores::Drop::HighlightOnly)
                continue;
            if (!writableOrTold(*to))
                return; // the whole drop ends
            addDropped(*from, entryIn(shown, item), *to, folder);
        }
    } catch (const cError&) {
        // ends silently, keeping what was written
    } catch (const std::exception& error) {
        logUnexpected("DragDropTvMain", error);
    }
}

void cMainDialog::startDrag()
{
    KeyedListView* list = m_form->lvMain;
    QTreeWidgetItem* item = list->SelectedItem();
    if (!item || KeyedListView::Image(item) == ListImage::Folder)
        return; // folders are not moved
    const Stores::Store* store = m_stores->at(m_state.CurrentSource);
    list->beginDrag(!store                                           ? 0
                    : store->entryKind() == ContentKind::ForumGoWord ? ListImage::GoWord
                                                                     : ListImage::WebPage);
    // Dropped or not, the drag is over: no folder it passed stays marked.
    m_form->tvMain->setDropHighlight(m_form->tvMain->SelectedItem());
}
