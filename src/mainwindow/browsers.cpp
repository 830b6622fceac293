// The browsers' own stores as read-only sources of the tree: Firefox and the
// Chromium family, read again when the browser changes them.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/browsers.h"
#include "bookmarks/browserstore.h"
#include "bookmarks/browserwatch.h"
#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "mainwindow/MainForm.h"
#include "platform/paths.h"
#include "store/cSettings.h"

#include <QFileInfo>
#include <QWidget>

void cMainDialog::watchStoreFiles()
{
    if (!m_browserWatch)
        m_browserWatch = std::make_unique<BrowserWatch>(m_form->window(), [this] { ReloadChangedBrowsers(); });
    QHash<int, QStringList> files;
    for (const Stores::Store* store : m_stores->inTreeOrder())
        files.insert(store->source(), store->watched());
    m_browserWatch->watch(files);
    // A notice that came while the watches were set anew is gone: what changed since its reading is read again.
    for (const Stores::Store* store : m_stores->inTreeOrder()) {
        if (store->changedSinceRead())
            m_browserWatch->markChanged(store->source());
    }
}

void cMainDialog::ReloadChangedBrowsers()
{
    if (m_state.TreeBusy || m_loadingBookmarks) {
        m_browserWatch->later(); // after what runs now
        return;
    }
    const QSet<int> changed = m_browserWatch->takeChanged();
    try {
        KeyedTreeView* tree = m_form->tvMain;
        KeyedListView* list = m_form->lvMain;
        QTreeWidgetItem* selected = tree->SelectedItem();
        const QString selectedKey = KeyedTreeView::Key(selected);
        const QString selectedPath = selected ? KeyedTreeView::FullPath(selected) : QString();
        const int listPosition = list->SelectedItem() ? list->indexOfTopLevelItem(list->SelectedItem()) : -1;
        bool shownChanged = false;
        for (int source : changed) {
            if (!tree->Node(Keys::rootKey(source)))
                continue;
            shownChanged = shownChanged || Keys::sourceNumber(selectedKey) == source;
            if (shownChanged)
                tree->setSelectedItem(tree->Node(Keys::rootKey(source))); // the old node goes
            readStoreFolders(*m_stores->at(source));
        }
        watchStoreFiles();
        if (!shownChanged)
            return;
        // The same folder again where it still exists, else the store's root.
        QTreeWidgetItem* again = nullptr;
        for (QTreeWidgetItem* node : tree->NodesInOrder()) {
            if (KeyedTreeView::FullPath(node) == selectedPath) {
                again = node;
                break;
            }
        }
        if (again)
            tree->setSelectedItem(again);
        ClickTVMain();
        if (listPosition >= 0 && listPosition < list->Count()) {
            list->setCurrentItem(list->ItemAt(listPosition + 1));
            list->scrollToItem(list->currentItem());
        }
    } catch (const std::exception& error) {
        report(error);
    }
}
