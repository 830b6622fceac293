// Duplicates in the window: the view over every store's entries, what the
// user does not keep moved to the Trash as one step, and the note on the
// status line when an add, a drop or a paste brings an address already kept.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/duplicates.h"
#include "bookmarks/finder.h"
#include "bookmarks/findindexer.h"
#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
#include "bookmarks/trash.h"
#include "bookmarks/trashstore.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmDuplicates.h"
#include "mainwindow/MainForm.h"
#include "platform/registry.h"

#include <QApplication>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>

void cMainDialog::ShowDuplicates()
{
    try {
        {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            RefreshFindIndex(true); // every store as it is now
            QApplication::restoreOverrideCursor();
        }
        // Every group of either level lies within the second level's groups:
        // only their entries are kept, as copies, since the index may be
        // gathered again while the view is open.
        std::vector<Find::Entry> all;
        for (const Duplicates::Group& group : Duplicates::group(FindIndex().entries(), Duplicates::Level::Probably)) {
            for (const Find::Entry* entry : group.entries)
                all.push_back(*entry);
        }
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        const QString shownPlace = node ? KeyedTreeView::FullPath(node).section(QLatin1Char('\\'), 1) : QString();
        Duplicates::Deliberate kept;
        frmDuplicates::Hooks hooks;
        hooks.find = [&](const frmDuplicates::Options& options) {
            std::vector<const Find::Entry*> entries;
            entries.reserve(all.size());
            for (const Find::Entry& entry : all) {
                if (options.allStores || entry.place() == shownPlace)
                    entries.push_back(&entry);
            }
            std::vector<Duplicates::Group> groups =
                Duplicates::group(entries, options.probably ? Duplicates::Level::Probably : Duplicates::Level::Same);
            if (options.hideKept)
                std::erase_if(groups, [&](const Duplicates::Group& group) { return kept.contains(group.key); });
            return groups;
        };
        hooks.readOnly = [this](int source) { return offersNoChange(source); };
        hooks.keepAll = [&](const Duplicates::Group& group) {
            QString why;
            if (kept.add(group.key, &why))
                return true;
            tell(QStringLiteral("Markcrate could not remember to keep this group: %1.").arg(why));
            return false;
        };
        hooks.added = [this](const Find::Entry& entry) {
            const Stores::Store* store = m_stores->at(entry.source);
            return store ? store->addedAt(placeOf(entry)) : qint64(0);
        };
        frmDuplicates view(hooks, shownPlace);
        std::vector<const Find::Entry*> unkept;
        if (!view.Display(m_form->window(), &unkept))
            return;
        std::vector<Find::Entry> going;
        for (const Find::Entry* entry : unkept)
            going.push_back(*entry);
        removeDuplicates(going);
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::removeDuplicates(const std::vector<Find::Entry>& entries)
{
    ChangeScope step(*this, QStringLiteral("Remove %1 duplicates").arg(entries.size()));
    int changed = 0;
    const int removed = trashEntries(entries, &changed);
    step.rename(QStringLiteral("Remove %1 duplicates").arg(removed));
    ClickTVMain();
    showTrashNode();
    m_form->stbMain->showMessage(
        withChanged(QStringLiteral("Moved %1 duplicates to the Trash").arg(removed), changed, QStringLiteral("shown")));
}

bool cMainDialog::offersNoChange(int source) const
{
    const Stores::Store* store = m_stores->at(source);
    return !store || store->readOnly() || !store->writable();
}

QString cMainDialog::withChanged(const QString& note, int changed, const QString& since)
{
    if (changed == 0)
        return note;
    return note + QStringLiteral("; %1 changed since they were %2, and stay").arg(changed).arg(since);
}

template <typename Item>
std::vector<std::pair<Stores::Store*, std::vector<const Item*>>>
cMainDialog::byStore(const std::vector<Item>& items, int (*sourceOf)(const Item&)) const
{
    std::vector<std::pair<Stores::Store*, std::vector<const Item*>>> groups;
    QHash<Stores::Store*, size_t> at;
    for (const Item& item : items) {
        Stores::Store* store = m_stores->at(sourceOf(item));
        if (!store)
            continue;
        auto found = at.constFind(store);
        if (found == at.cend()) {
            found = at.insert(store, groups.size());
            groups.push_back({store, {}});
        }
        groups[*found].second.push_back(&item);
    }
    return groups;
}
template std::vector<std::pair<Stores::Store*, std::vector<const std::pair<Find::Entry, QString>*>>>
cMainDialog::byStore(const std::vector<std::pair<Find::Entry, QString>>&,
                     int (*)(const std::pair<Find::Entry, QString>&)) const;

int cMainDialog::trashEntries(const std::vector<Find::Entry>& entries, int* changed)
{
    // By store: each asked once, its entries into the Trash as one removal, written once.
    int removed = 0;
    for (const auto& [store, ofStore] :
         byStore<Find::Entry>(entries, [](const Find::Entry& entry) { return entry.source; })) {
        if (!writableOrTold(*store))
            continue;
        // Each entry checked again: one changed or gone since it was shown stays.
        QList<Stores::Place> places;
        QList<Trash::Entry> copies;
        for (const Find::Entry* entry : ofStore) {
            const Stores::Place place = placeOf(*entry);
            const std::optional<Stores::Entry> held = store->read(place);
            if (!held || held->address != entry->address || place.name != entry->title) {
                ++*changed;
                continue;
            }
            places.append(place);
            copies.append({{},
                           store->source(),
                           Keys::sourceText(store->source()),
                           Keys::TopText + QLatin1Char('\\') + entry->place(),
                           {},
                           Trash::copyOfEntry(*store, place)});
        }
        QStringList ids;
        if (places.isEmpty() || !toTrash(copies, &ids))
            continue;
        QStringList trashed;
        {
            platform::RegistryBatch batch;
            for (qsizetype i = 0; i < places.size(); ++i) {
                const Stores::Entry expected{copies[i].item.name, copies[i].item.address, copies[i].item.kind};
                if (store->remove(places[i], &expected).ok())
                    trashed << ids[i];
                else
                    m_stores->trash().bin().remove(ids[i]);
            }
        }
        if (saveStore(*store))
            removed += int(trashed.size());
        else
            m_stores->trash().bin().remove(trashed);
    }
    return removed;
}

void cMainDialog::noteAlreadyIn(const QStringList& addresses, const QList<QPair<QString, QString>>& known)
{
    const Duplicates::Level level = Duplicates::Level::Same;
    const QSet<QPair<QString, QString>> news(known.cbegin(), known.cend());
    for (const QString& address : addresses) {
        if (address.isEmpty())
            continue;
        const QString key = Duplicates::keyOf(address, level);
        const QString host = key.section(QLatin1Char('/'), 2, 2);
        std::vector<const Find::Entry*> found;
        for (const Find::Entry* entry : FindIndex().entries()) {
            if (!entry->address.contains(host, Qt::CaseInsensitive) || Duplicates::keyOf(entry->address, level) != key)
                continue;
            // The entry just made, and the one it came from, are no news.
            if (news.contains(qMakePair(entry->place(), entry->title)))
                continue;
            found.push_back(entry);
        }
        if (found.empty())
            continue;
        m_alreadyIn = std::make_unique<Find::Entry>(*found.front());
        QString note = QStringLiteral("Already in: ") + found.front()->place();
        if (found.size() > 1)
            note += QStringLiteral(" and %1 more").arg(found.size() - 1);
        m_form->stbMain->showMessage(note);
        if (QPushButton* show = m_form->stbMain->findChild<QPushButton*>(QStringLiteral("cmdShowAlreadyIn")))
            show->setVisible(true);
        return;
    }
}

void cMainDialog::ShowAlreadyIn()
{
    if (QPushButton* show = m_form->stbMain->findChild<QPushButton*>(QStringLiteral("cmdShowAlreadyIn")))
        show->setVisible(false);
    if (m_alreadyIn)
        showEntry(*m_alreadyIn);
}
