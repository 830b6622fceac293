// The folder tree: the stores' roots and folders built anew, and the
// selection kept across a build.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/TrayIcon.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/frmOptions.h"
#include "dialogs/messagebox.h"
#include "mainwindow/AppServices.h"
#include "mainwindow/MainForm.h"
#include "store/WindowPlacement.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

namespace {

const QString kFoldersKey = cSettings::kRegistryKey + QStringLiteral("\\Folders");

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
        auto addFolder = [this](const QString& name, const QString& key) {
            auto folder = std::make_shared<cFolder>();
            folder->setName(name);
            folder->setKey(key);
            m_folderList.Add(folder, key);
        };
        addFolder(Keys::sourceText(Keys::WebFavoritesSource), Keys::rootKey(Keys::WebFavoritesSource));
        if (m_settings.SupportCompuServe()) {
            addFolder(Keys::sourceText(Keys::ForumsSource), Keys::rootKey(Keys::ForumsSource));
            addFolder(Keys::sourceText(Keys::CompuServeFavoritesSource),
                      Keys::rootKey(Keys::CompuServeFavoritesSource));
        }
        if (m_settings.SupportNetscape())
            addFolder(Keys::sourceText(Keys::NetscapeSource), Keys::rootKey(Keys::NetscapeSource));
        if (m_settings.SupportInternetExplorer())
            addFolder(Keys::sourceText(Keys::InternetExplorerSource), Keys::rootKey(Keys::InternetExplorerSource));
        for (int source : {Keys::FirefoxSource, Keys::ChromiumSource}) {
            if (BrowserStoreExists(source))
                addFolder(Keys::sourceText(source), Keys::rootKey(source));
        }

        cRegistry registry;
        registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
        registry.setKeyName(kFoldersKey);
        if (const auto folders = registry.SubKeyCollection()) {
            int number = Keys::FirstUserFolder;
            for (const auto& folder : *folders)
                addFolder(folder->KeyName(), Keys::rootKey(number++));
        }

        (*m_form->lbbMain)[HideButton]->setVisible(false);
        (*m_form->lbbMain)[RenameFolderButton]->setVisible(false);

        KeyedTreeView* tree = m_form->tvMain;
        tree->Clear();
        tree->AddNode({}, Keys::TopKey, Keys::TopText, 1)->setExpanded(true);
        for (const auto& folder : m_folderList) {
            QTreeWidgetItem* node =
                tree->AddNode(Keys::TopKey, Keys::rootKey(Keys::leadingNumber(folder->Key())), folder->Name(), 2);
            node->setExpanded(m_settings.ExpandFoldersOnRefresh());
        }
        for (int source = Keys::CompuServeFavoritesSource; source <= Keys::ChromiumSource; ++source) {
            if (QTreeWidgetItem* root = tree->Node(Keys::rootKey(source)))
                tree->setImage(root, 4);
        }

        if (m_settings.SupportNetscape()) {
            if (!m_state.NetscapeLoaded) {
                LoadBookmarkFile();
                m_state.NetscapeLoaded = true;
            }
            BuildBookmarkTree();
        }
        if (m_settings.SupportInternetExplorer())
            mLoadInternetExplorerFavorites();
        for (int source : {Keys::FirefoxSource, Keys::ChromiumSource})
            LoadBrowserSource(source);

        reselect();
        ClickTVMain();
    } catch (const std::exception& error) {
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
    const int source = Keys::sourceNumber(m_state.SelectedKey);
    const bool switchedOff = ((source == Keys::CompuServeFavoritesSource || source == Keys::ForumsSource) &&
                              !m_settings.SupportCompuServe()) ||
                             (source == Keys::NetscapeSource && !m_settings.SupportNetscape()) ||
                             (source == Keys::InternetExplorerSource && !m_settings.SupportInternetExplorer());
    if (switchedOff) {
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
