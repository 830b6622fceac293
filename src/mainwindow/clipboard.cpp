// Moving entries through the clipboard: cut, copy and paste, and the removal
// of cut entries once they are pasted.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/cutbuffer.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "bookmarks/transfer.h"
#include "bookmarks/trash.h"
#include "bookmarks/trashstore.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
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
#include <QSet>
#include <QUrl>

QList<QTreeWidgetItem*> cMainDialog::copyableSelection()
{
    KeyedListView* list = m_form->lvMain;
    const int focusedImage = KeyedListView::Image(list->SelectedItem());
    if (focusedImage == ListImage::Folder || focusedImage == ListImage::UpOneLevel)
        return {};
    QList<QTreeWidgetItem*> items;
    for (QTreeWidgetItem* item : list->selectedInOrder()) {
        if (KeyedListView::Image(item) != ListImage::Folder && KeyedListView::Image(item) != ListImage::UpOneLevel)
            items.append(item); // folders and "up one level" are no entries
    }
    return items;
}

QList<Transfer::Record> cMainDialog::copySelection(const QList<QTreeWidgetItem*>& items)
{
    KeyedListView* list = m_form->lvMain;
    for (int i = 1; i <= list->Count(); ++i)
        list->setGhosted(list->ItemAt(i), false);
    m_cut->clear();
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    QList<Transfer::Record> records;
    QString text;
    QList<QUrl> urls;
    const Stores::Place folder = placeOf(m_form->tvMain->SelectedItem());
    for (QTreeWidgetItem* item : items) {
        const Stores::Entry entry = entryAt(entryIn(folder, item));
        Transfer::Record record;
        record.name = entry.name;
        record.address = entry.address;
        record.kind = entry.kind;
        text += Transfer::makeRecord(record.kind, record.name, record.address);
        const QUrl url(record.address, QUrl::StrictMode);
        if (record.kind == 0 && url.isValid() && !url.scheme().isEmpty())
            urls.append(url);
        records.append(record);
    }
    if (records.isEmpty())
        return records;
    auto* mime = new QMimeData;
    mime->setText(text); // the program's text form, for other programs that know it
    mime->setData(Transfer::MimeType, Transfer::encode(records));
    if (!urls.isEmpty())
        mime->setUrls(urls); // so that a copied entry pastes into a browser or a file manager
    clipboard->setMimeData(mime);
    return records;
}

void cMainDialog::CopyEntries()
{
    try {
        copySelection(copyableSelection());
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("CopyEntries", error);
    }
}

void cMainDialog::CutEntries()
{
    try {
        const QList<QTreeWidgetItem*> items = copyableSelection();
        const QList<Transfer::Record> records = copySelection(items);
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        const Stores::Store* store = m_stores->at(m_state.CurrentSource);
        if (records.size() != items.size() || records.isEmpty())
            return;
        if (!store || !writableOrTold(*store))
            return; // the store is not to change: the cut is a copy
        const Stores::Place folder = placeOf(node);
        std::vector<CutBuffer::Item> cut;
        for (qsizetype i = 0; i < items.size(); ++i) {
            cut.push_back({records[i], entryIn(folder, items[i])});
            m_form->lvMain->setGhosted(items[i], true);
        }
        m_cut->start(m_state.CurrentSource, std::move(cut));
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("CutEntries", error);
    }
}

void cMainDialog::PasteEntries()
{
    ChangeScope step(*this, QStringLiteral("Paste into ") + KeyedTreeView::Text(m_form->tvMain->SelectedItem()));
    try {
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        QList<Transfer::Record> records;
        if (mime && mime->hasFormat(Transfer::MimeType))
            records = Transfer::decode(mime->data(Transfer::MimeType));
        if (records.isEmpty())
            records = Transfer::parse(QApplication::clipboard()->text());
        if (records.isEmpty())
            return;
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
        if (!store)
            return; // the top node is no store
        Stores::Store* cutFrom = m_cut->pending() ? m_stores->at(m_cut->source()) : nullptr;
        const Stores::Place folder = placeOf(node);
        QWidget* window = m_form->window();
        CutBuffer::Paste paste(*m_cut);
        for (const Transfer::Record& record : records) {
            KeyedListView* list = m_form->lvMain;
            bool shown = false;
            for (int i = 1; i <= list->Count() && !shown; ++i)
                shown = KeyedListView::Text(list->ItemAt(i)) == record.name;
            if (shown) {
                QApplication::beep();
                continue;
            }
            if (!store->acceptsKind(record.kind)) {
                QApplication::beep();
                continue;
            }
            if (!writableOrTold(*store))
                break;
            const qsizetype cut = cutFrom ? paste.find(record) : -1;
            bool written = false;
            if (store->nameIsAddress()) {
                frmForum forum;
                QString word;
                if (forum.Display(0, window, &word, record.name))
                    written = store->add(folder, {word, word, record.kind}).ok() && saveStore(*store);
            } else {
                const bool kindChoice = store->entryKind() < 0;
                frmFavorite favorite;
                if (kindChoice)
                    favorite.setBookmarkType(record.kind);
                // Pasted within the store it was cut from, an entry may take its bytes along.
                const Stores::Place* origin =
                    cut >= 0 && cutFrom == store ? &m_cut->items()[size_t(cut)].place : nullptr;
                written = favorite.Display(*store,
                                           folder,
                                           kindChoice ? frmFavorite::AddWithKind : frmFavorite::Add,
                                           window,
                                           record.name,
                                           record.address,
                                           kindChoice && m_settings.SupportCompuServe(),
                                           origin);
                if (favorite.StoreReloaded()) {
                    // Read again from disk: what was listed to paste into may be gone.
                    m_storeReloaded = true;
                    break;
                }
            }
            if (written) {
                if (cut >= 0)
                    paste.take(cut);
                ClickTVMain(); // the new entry is listed before the next one is asked for
            }
        }
        if (paste.anyTaken())
            RemoveCutEntries(paste.taken());
        ClickTVMain();
        // Entries of the pasted titles are where they were copied from (or
        // were cut from): only other entries of those addresses are news.
        QStringList addresses;
        QSet<QString> titles;
        for (const Transfer::Record& record : std::as_const(records)) {
            addresses << record.address;
            titles.insert(record.name);
        }
        QList<QPair<QString, QString>> known;
        for (const Find::Entry* entry : FindIndex().entries()) {
            if (titles.contains(entry->title))
                known.append({entry->place(), entry->title});
        }
        noteAlreadyIn(addresses, known);
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("PasteEntries", error);
    }
}

void cMainDialog::RemoveCutEntries(const std::vector<bool>& pasted)
{
    Stores::Store* store = m_stores->at(m_cut->source());
    if (!store)
        return;
    QStringList kept;
    // Into the Trash first, as every removal goes: all of them as one removal.
    std::vector<size_t> chosen;
    QList<Trash::Item> copies;
    for (size_t i = 0; i < pasted.size() && i < m_cut->items().size(); ++i) {
        if (!pasted[i])
            continue;
        const CutBuffer::Item& item = m_cut->items()[i];
        chosen.push_back(i);
        copies.append({false, item.record.name, item.record.address, item.record.kind, store->bytesOf(item.place), {}});
    }
    QStringList ids;
    QStringList trashed;
    if (!copies.isEmpty() &&
        !toTrash(*store, fullPathOf(m_cut->items()[chosen.front()].place.folderKey, *store), copies, &ids))
        chosen.clear(); // told: they stay where they were cut, copies and no loss
    for (size_t k = 0; k < chosen.size(); ++k) {
        const CutBuffer::Item& item = m_cut->items()[chosen[k]];
        // Only the entry as it was cut: one changed since stays.
        const Stores::Entry asCut{item.record.name, item.record.address, item.record.kind};
        const Stores::Result result = store->remove(item.place, &asCut);
        if (result.ok())
            trashed << ids.value(qsizetype(k));
        else
            m_stores->trash().bin().remove(ids.value(qsizetype(k)));
        if (result.outcome == Stores::Result::Outcome::Failed)
            kept << item.record.name;
    }
    // What was not pasted stays cut, to be pasted elsewhere.
    m_cut->drop(pasted);
    if (!trashed.isEmpty() && !saveStore(*store))
        m_stores->trash().bin().remove(trashed);
    showTrashNode();
    if (!kept.isEmpty())
        tell(QStringLiteral("These entries were pasted but could not be removed from where they were cut: '") +
             kept.join(QStringLiteral("', '")) + QLatin1Char('\''));
}

void cMainDialog::ghostCutEntries()
{
    if (!m_cut->pending() || m_cut->source() != m_state.CurrentSource || m_state.SelectedKey != m_cut->folderKey())
        return; // ghosts belong to the folder they were cut from
    KeyedListView* list = m_form->lvMain;
    const QSet<QString> names = m_cut->names();
    for (int i = 1; i <= list->Count(); ++i) {
        QTreeWidgetItem* item = list->ItemAt(i);
        if (names.contains(KeyedListView::Text(item)))
            list->setGhosted(item, true);
    }
}
