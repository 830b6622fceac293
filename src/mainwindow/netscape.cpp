// The Netscape bookmark file in the window: loading and saving it, its folder
// nodes, the list of a folder, moving bookmarks, and the sort of every list.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/stores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/messagebox.h"
#include "mainwindow/MainForm.h"
#include "platform/files.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

const QString kNetscapeRoot = QStringLiteral("4A");

QString nodeKey(const cBookmark& record)
{
    return record.Key() + kNetscapeRoot;
}

} // namespace

void cMainDialog::LoadBookmarkFile()
{
    m_loadingBookmarks = true;
    Bookmarks().load(m_settings.BookmarkLocation(), [] { QApplication::processEvents(); });
    m_loadingBookmarks = false;
    const QString location = m_settings.BookmarkLocation();
    if (location.trimmed().isEmpty())
        return;
    if (!QFileInfo::exists(platform::nativePath(location))) {
        // A mistyped location shows an empty store: say so before a change makes a second file.
        MessageBoxes::inform(QStringLiteral("The bookmark file \"%1\" does not exist.\n\n"
                                            "Markcrate shows no bookmarks for it, and asks before it creates the "
                                            "file. Its location is set on the Netscape Navigator tab of Options.")
                                 .arg(QDir::toNativeSeparators(location)),
                             m_form ? m_form->window() : nullptr);
        return;
    }
    if (!Bookmarks().loadedWhole()) {
        MessageBoxes::inform(
            QStringLiteral("The bookmark file \"%1\" could not be read completely: %2.\n\n"
                           "Markcrate shows what it could read and will not write to the file "
                           "until it has read it whole.")
                .arg(QDir::toNativeSeparators(m_settings.BookmarkLocation()), Bookmarks().loadProblem()),
            m_form ? m_form->window() : nullptr);
    }
}

int cMainDialog::netscapeFolderOf(const QString& key)
{
    if (key == kNetscapeRoot)
        return 0;
    const auto record = Bookmarks().records().find(NetscapeBookmarks::recordKey(key));
    return record ? NetscapeBookmarks::folderNumber(*record) : -1;
}

void cMainDialog::noteShownBookmarkFolder(const QString& key)
{
    if (Keys::folderPart(key) == kNetscapeRoot)
        m_state.CurrentNetscapeFolder = netscapeFolderOf(key);
}

QString cMainDialog::findNetscapeFolderKey(int parentFolder, const QString& title)
{
    const NetscapeBookmarks::Records& records = Bookmarks().records();
    for (qsizetype position : Bookmarks().childrenOf(parentFolder)) {
        const cBookmark& record = *records.at(position);
        if (record.BookmarkType() == cBookmark::FolderType && record.Title() == title)
            return nodeKey(record);
    }
    return {};
}

bool cMainDialog::SaveBookmarkFile()
{
    if (m_loadingBookmarks)
        return false;
    // A failed save reads the file again: nothing else may reach it meanwhile.
    m_loadingBookmarks = true;
    const bool saved = saveStore(*m_stores->at(Keys::NetscapeSource));
    m_loadingBookmarks = false;
    return saved;
}

bool cMainDialog::saveStore(Stores::Store& store)
{
    const Stores::Result result = store.save();
    if (result.ok())
        return true;
    if (result.reloaded)
        m_storeReloaded = true;
    MessageBoxes::inform(result.why, m_form ? m_form->window() : nullptr);
    return false;
}

void cMainDialog::refreshAfterBookmarkReload()
{
    if (!m_storeReloaded)
        return;
    m_storeReloaded = false;
    try {
        BuildFolderTree(); // the folders may have changed with the file
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::MoveBookmark(int direction)
{
    try {
        KeyedListView* list = m_form->lvMain;
        QTreeWidgetItem* item = list->SelectedItem();
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
        if (!item || !store || !store->ordered())
            return;
        const int i = list->indexOfTopLevelItem(item) + 1;
        if ((direction == 0 && i == 1) || (direction == 1 && i == list->Count()))
            return;
        const int j = direction == 0 ? i - 1 : i + 1;
        QStringList keys;
        for (int k = 1; k <= list->Count(); ++k)
            keys.append(KeyedListView::Key(list->ItemAt(k)));
        keys.swapItemsAt(i - 1, j - 1);
        ChangeScope step(*this,
                         (direction == 0 ? QStringLiteral("Move Up '") : QStringLiteral("Move Down '")) +
                             KeyedListView::Text(item) + QLatin1Char('\''));
        if (!store->reorder(placeOf(node), keys).ok())
            return;
        const bool fromList = list->hasFocus();
        ClickTVMain();
        list->setCurrentItem(list->ItemAt(j));
        if (fromList)
            list->setFocus(); // a key moves it on, not through the tree
        list->scrollToItem(list->currentItem());
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::SortList(int direction)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        KeyedListView* list = m_form->lvMain;
        struct Entry
        {
            QString text;
            QString lower;
            int icon;
            QString key;
        };
        std::vector<Entry> entries;
        for (int i = 1; i <= list->Count(); ++i) {
            QTreeWidgetItem* item = list->ItemAt(i);
            QString lower = KeyedListView::Text(item);
            for (QChar& c : lower)
                c = c.toLower();
            entries.push_back(
                Entry{KeyedListView::Text(item), lower, KeyedListView::Image(item), KeyedListView::Key(item)});
        }
        // Stable in both directions, as swapping only unequal neighbours is.
        std::stable_sort(entries.begin(), entries.end(), [direction](const Entry& x, const Entry& y) {
            const int order = QStringView(x.lower).compare(QStringView(y.lower));
            return direction == 0 ? order < 0 : order > 0;
        });
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
        if (store && store->ordered()) {
            // The store takes the order; the list shows it again from the store.
            QStringList keys;
            keys.reserve(qsizetype(entries.size()));
            for (const Entry& entry : entries)
                keys.append(entry.key);
            ChangeScope step(*this, QStringLiteral("Sort ") + KeyedTreeView::Text(node));
            store->reorder(placeOf(node), keys);
            ClickTVMain();
        } else {
            list->Clear();
            QList<KeyedListView::Entry> items;
            items.reserve(qsizetype(entries.size()));
            for (const Entry& entry : entries)
                items.append({entry.key, entry.text, entry.icon});
            list->AddItems(items);
        }
    } catch (const std::exception& error) {
        report(error);
    }
    QApplication::restoreOverrideCursor();
}
