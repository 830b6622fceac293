// The folder tree: the stores' roots and folders built anew, and the
// selection kept across a build.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "mainwindow/MainForm.h"
#include "platform/error.h"
#include "store/cSettings.h"

#include <QApplication>

namespace {

// Sets the mouse pointer to the hourglass for the life of the object.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void cMainDialog::BuildFolderTree()
{
    WaitCursor wait;
    try {
        m_folderList.Clear();
        QList<Stores::Store*> shown;
        QList<Stores::TreeNode> tops;
        for (Stores::Store* store : m_stores->inTreeOrder()) {
            if (!store->shown())
                continue;
            shown.append(store);
            for (const Stores::TreeNode& top : store->tops()) {
                auto folder = std::make_shared<cFolder>();
                folder->setName(top.text);
                folder->setKey(top.key);
                m_folderList.Add(folder, top.key);
                tops.append(top);
            }
        }

        (*m_form->lbbMain)[HideButton]->setVisible(false);
        (*m_form->lbbMain)[RenameFolderButton]->setVisible(false);

        KeyedTreeView* tree = m_form->tvMain;
        tree->Clear();
        m_form->lvMain->Clear(); // its entries belonged to the nodes just gone
        tree->AddNode({}, Keys::TopKey, Keys::TopText, TreeImage::OpenStore)->setExpanded(true);
        for (const Stores::TreeNode& top : tops)
            tree->AddNode(top.parentKey, top.key, top.text, top.image)
                ->setExpanded(m_settings.ExpandFoldersOnRefresh());

        if (m_settings.SupportNetscape() && !m_state.NetscapeLoaded) {
            LoadBookmarkFile();
            m_state.NetscapeLoaded = true;
        }
        for (Stores::Store* store : shown)
            readStoreFolders(*store);
        watchStoreFiles();

        reselect();
        ClickTVMain();
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::readStoreFolders(Stores::Store& store)
{
    KeyedTreeView* tree = m_form->tvMain;
    if (store.hasSubFolders()) {
        for (const Stores::TreeNode& top : store.tops()) {
            if (QTreeWidgetItem* node = tree->Node(top.key)) {
                while (node->childCount() > 0)
                    tree->RemoveNode(node->child(0));
            }
        }
    }
    const bool expand = m_settings.ExpandFoldersOnRefresh();
    try {
        const QStringList problems = store.readFolders(
            [tree, expand](const Stores::TreeNode& folder) {
                tree->AddNode(folder.parentKey, folder.key, folder.text, folder.image)->setExpanded(expand);
            },
            [] { QApplication::processEvents(); });
        for (const QString& problem : problems)
            tell(problem);
    } catch (const cError& error) {
        // What was read before the failure stays.
        report(error);
    }
}

void cMainDialog::reselect()
{
    KeyedTreeView* tree = m_form->tvMain;
    const QString webFavorites = Keys::rootKey(Keys::WebFavoritesSource);
    if (m_state.SelectedKey.isEmpty()) {
        tree->setSelectedItem(tree->Node(webFavorites));
        return;
    }
    // A store the tree no longer shows: its folders are gone with it.
    const int source = Keys::sourceNumber(m_state.SelectedKey);
    if (source < Keys::FirstUserFolder && !tree->Node(Keys::rootKey(source))) {
        m_state.SelectedKey = webFavorites;
        m_state.SelectedText = Keys::sourceText(Keys::WebFavoritesSource);
    }
    tree->setSelectedItem(nullptr);
    QTreeWidgetItem* node = tree->Node(m_state.SelectedKey);
    if (node && KeyedTreeView::Text(node) == m_state.SelectedText)
        tree->setSelectedItem(node);
    const int folderNumber = Keys::sourceNumber(m_state.SelectedKey);
    if (folderNumber >= Keys::FirstUserFolder) {
        // User folders are numbered anew at each build: find the folder by its name.
        for (QTreeWidgetItem* candidate : tree->NodesInOrder()) {
            const QString key = KeyedTreeView::Key(candidate);
            if (!key.contains(QLatin1Char('X')) && Keys::sourceNumber(key) >= Keys::FirstUserFolder &&
                KeyedTreeView::Text(candidate) == m_state.SelectedText) {
                tree->setSelectedItem(candidate);
                break;
            }
        }
    } else if (folderNumber == Keys::NetscapeSource) {
        const QString key = findNetscapeFolderKey(m_state.CurrentNetscapeFolder, m_state.SelectedText);
        if (QTreeWidgetItem* found = key.isEmpty() ? nullptr : tree->Node(key))
            tree->setSelectedItem(found);
    }
    // Whatever was selected before is gone: show Web Favorites rather than nothing.
    if (!tree->SelectedItem())
        tree->setSelectedItem(tree->Node(webFavorites));
}
