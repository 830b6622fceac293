// The browsers' own stores as read-only sources of the tree: Firefox and the
// Chromium family, read again when the browser changes them.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/browserstore.h"
#include "bookmarks/keys.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "mainwindow/MainForm.h"
#include "platform/paths.h"
#include "store/cSettings.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
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
        tree->AddNode(parent < 0 ? Keys::rootKey(source) : Keys::browserFolderKey(parent, source),
                      Keys::browserFolderKey(number, source),
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

const Browsers::Folder* cMainDialog::browserFolder(const QString& nodeKey) const
{
    const int source = Keys::sourceNumber(nodeKey);
    return Keys::isBrowserSource(source) ? browserStore(source).folder(nodeKey) : nullptr;
}

void cMainDialog::watchBrowserFiles()
{
    if (!m_browserWatcher) {
        m_browserWatcher = new QFileSystemWatcher(m_form->window());
        m_browserReload = new QTimer(m_form->window());
        m_browserReload->setSingleShot(true);
        m_browserReload->setInterval(1000); // a browser writes in bursts: once a second at most
        QObject::connect(
            m_browserWatcher, &QFileSystemWatcher::fileChanged, m_browserReload, [this](const QString& path) {
                for (int source : {Keys::FirefoxSource, Keys::ChromiumSource}) {
                    if (browserStore(source).contents().watched.contains(path))
                        m_browsersChanged.insert(source);
                }
                if (!m_browserReload->isActive())
                    m_browserReload->start();
            });
        // A file that was missing (Firefox's -wal file before it starts)
        // shows by its folder changing: that folder is watched until it comes.
        QObject::connect(
            m_browserWatcher, &QFileSystemWatcher::directoryChanged, m_browserReload, [this](const QString& folder) {
                for (int source : {Keys::FirefoxSource, Keys::ChromiumSource}) {
                    for (const QString& file : browserStore(source).contents().watched) {
                        if (QFileInfo(file).path() == folder && QFileInfo::exists(file) &&
                            !m_browserWatcher->files().contains(file))
                            m_browsersChanged.insert(source);
                    }
                }
                if (!m_browsersChanged.isEmpty() && !m_browserReload->isActive())
                    m_browserReload->start();
            });
        QObject::connect(m_browserReload, &QTimer::timeout, m_browserReload, [this] { ReloadChangedBrowsers(); });
    }
    // Browsers replace their files (a new inode) and a -wal file comes and
    // goes: what is watched is set anew at each reading.
    const QStringList old = m_browserWatcher->files() + m_browserWatcher->directories();
    if (!old.isEmpty())
        m_browserWatcher->removePaths(old);
    QStringList paths;
    for (int source : {Keys::FirefoxSource, Keys::ChromiumSource}) {
        for (const QString& file : browserStore(source).contents().watched) {
            const QString path = QFileInfo::exists(file) ? file : QFileInfo(file).path();
            if (!paths.contains(path) && QFileInfo::exists(path))
                paths << path;
        }
    }
    if (!paths.isEmpty())
        m_browserWatcher->addPaths(paths);
}

void cMainDialog::ReloadChangedBrowsers()
{
    if (TreeBusy || m_loadingBookmarks) {
        m_browserReload->start(); // after what runs now
        return;
    }
    const QSet<int> changed = std::exchange(m_browsersChanged, {});
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
