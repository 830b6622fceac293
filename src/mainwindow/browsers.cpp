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

bool cMainDialog::BrowserStoreExists(int source)
{
    // Found once per building of the tree; a reading after a change uses them.
    return browserStore(source).findProfiles(source == Keys::FirefoxSource ? m_settings.SupportFirefox()
                                                                           : m_settings.SupportChromium());
}

void cMainDialog::LoadBrowserSource(int source)
{
    KeyedTreeView* tree = m_form->tvMain;
    QTreeWidgetItem* root = tree->Node(Keys::rootKey(source));
    Stores::BrowserBookmarks& store = browserStore(source);
    if (!root) {
        store.clear();
        return;
    }
    store.readAgain(platform::runtimeDir());
    while (root->childCount() > 0)
        tree->RemoveNode(root->child(0));
    const bool expand = m_settings.ExpandFoldersOnRefresh();
    for (const auto& [number, parent, folder] : store.numberedFolders()) {
        tree->AddNode(parent < 0 ? Keys::rootKey(source) : Keys::folderKey(parent, source),
                      Keys::folderKey(number, source),
                      folder->title,
                      2)
            ->setExpanded(expand);
    }
    watchBrowserFiles();
    // A damaged store is told of once while it stays damaged, not at every
    // reading; once it reads again, a new damage is told again.
    QSet<QString> damaged;
    for (const QString& problem : store.contents().problems) {
        const QString file = problem.section(QLatin1Char('"'), 1, 1); // each text names its file first
        damaged.insert(file);
        if (!store.told().contains(file))
            tell(problem + QStringLiteral(" Its bookmarks are not shown."));
    }
    store.told() = damaged;
}

void cMainDialog::watchBrowserFiles()
{
    if (!m_browserWatch)
        m_browserWatch = std::make_unique<BrowserWatch>(m_form->window(), [this] { ReloadChangedBrowsers(); });
    QHash<int, QStringList> files;
    for (int source : {Keys::FirefoxSource, Keys::ChromiumSource})
        files.insert(source, browserStore(source).contents().watched);
    m_browserWatch->watch(files);
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
            LoadBrowserSource(source);
        }
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
