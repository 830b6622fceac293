// Building the main window: load, show, the folder tree, the layout on resize,
// the splitter, moving the window by its body, the command buttons and the toolbar.
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
constexpr int kListColumnInset = 650;
constexpr int kBottomArea = 1325;

// Sets the mouse pointer to the hourglass for the life of the object.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

int errorNumber(const std::exception& error)
{
    const auto* known = dynamic_cast<const cError*>(&error);
    return known ? known->Number() : 0;
}

} // namespace

void cMainDialog::report(const std::exception& error)
{
    if (const auto* known = dynamic_cast<const cError*>(&error))
        MessageBoxes::showError(*known, m_form ? m_form->window() : nullptr);
    else
        MessageBoxes::showError(cError(ErrorNumber::InvalidProcedureCall, QString::fromUtf8(error.what())));
}

void cMainDialog::LoadMainForm()
{
    // One handler for all steps: errors 5 and 380 are passed over, others end the load.
    auto step = [this](auto&& action) {
        try {
            action();
            return true;
        } catch (const std::exception& error) {
            const int number = errorNumber(error);
            if (number == ErrorNumber::InvalidProcedureCall || number == ErrorNumber::InvalidPropertyValue)
                return true;
            report(error);
            return false;
        }
    };
    FlatButton* more = (*m_form->lbbMain)[MoreButton];
    const bool ok = step([&] {
                        if (m_settings.ShowMore()) {
                            more->setCaption(QStringLiteral("Less"));
                            m_app.RestoreMainPos();
                            // A placement saved while collapsed would show "Less" over a collapsed
                            // window: with the setting on, the window opens expanded.
                            if (m_form->Height() <= kCollapsedHeight + kCollapsedSlack)
                                m_form->setHeight(kExpandedHeight);
                        } else {
                            m_app.RestoreMainPos();
                            more->setCaption(QStringLiteral("More"));
                            m_form->setHeight(kCollapsedHeight);
                        }
                        // Centred at the height the window opens with, when no top was stored.
                        if (!WindowPlacement::hasStoredTop())
                            m_form->Move(m_form->Left(),
                                         (m_form->screenTwips().height() - m_form->Height()) / 2,
                                         m_form->Width(),
                                         m_form->Height());
                    }) &&
                    step([&] {
                        if (m_settings.AlwaysOnTop())
                            m_form->setTopmost(true);
                    }) &&
                    step([&] {
                        CurrentSource = -1;
                        BuildFolderTree();
                    }) &&
                    step([&] {
                        // The tree build above has read the file already; read it once only.
                        if (m_settings.SupportNetscape()) {
                            if (!NetscapeLoaded)
                                LoadBookmarkFile();
                            NetscapeLoaded = true;
                        } else {
                            NetscapeLoaded = false;
                        }
                    }) &&
                    step([&] {
                        if (m_settings.SupportCompuServe()) {
                            LoadForumList();
                            ForumsLoaded = true;
                        } else {
                            ForumsLoaded = false;
                        }
                    }) &&
                    step([&] { fillContentTypes(); });
    if (ok)
        m_form->HelpContextID = kMainHelpContext;
}

void cMainDialog::fillContentTypes()
{
    QComboBox* kinds = m_form->cboMain[0];
    const QSignalBlocker quiet(kinds);
    kinds->clear();
    kinds->addItem(QStringLiteral("Web Content"));
    kinds->addItem(QStringLiteral("Yahoo Search"));
    if (m_settings.SupportCompuServe())
        kinds->addItem(QStringLiteral("CompuServe Web Forums"));
    kinds->setCurrentIndex(-1); // nothing selected until a kind is chosen
}

void cMainDialog::ShowForm(bool hide)
{
    m_form->Load();
    QComboBox* kinds = m_form->cboMain[0];
    if (kinds->count() > 0) {
        if (m_settings.ContentType() == 2 && !m_settings.SupportCompuServe())
            m_settings.setContentType(0);
        // A stored kind the list does not offer selects the first.
        if (m_settings.ContentType() < 0 || m_settings.ContentType() >= kinds->count())
            m_settings.setContentType(0);
        if (kinds->currentIndex() == m_settings.ContentType())
            ClickCboMain(0);
        else
            kinds->setCurrentIndex(m_settings.ContentType()); // raises the click
    }
    SetFlatToolbar();
    if (hide) {
        hideMainWindow();
    } else {
        showMainWindow();
    }
    // The find index, once the window has shown: the first keys then find at once.
    buildFindIndexInSteps();
}

void cMainDialog::SetFlatToolbar()
{
    m_form->tlbMain->toggleFlat();
}

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
            if (!NetscapeLoaded) {
                LoadBookmarkFile();
                NetscapeLoaded = true;
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
    if (SelectedKey.isEmpty()) {
        tree->setSelectedItem(tree->Node(webFavorites));
        return;
    }
    const int source = Keys::sourceNumber(SelectedKey);
    const bool switchedOff = ((source == Keys::CompuServeFavoritesSource || source == Keys::ForumsSource) &&
                              !m_settings.SupportCompuServe()) ||
                             (source == Keys::NetscapeSource && !m_settings.SupportNetscape()) ||
                             (source == Keys::InternetExplorerSource && !m_settings.SupportInternetExplorer());
    if (switchedOff) {
        SelectedKey = webFavorites;
        SelectedText = Keys::sourceText(Keys::WebFavoritesSource);
    }
    tree->setSelectedItem(nullptr);
    QTreeWidgetItem* node = tree->Node(SelectedKey);
    if (node && KeyedTreeView::Text(node) == SelectedText)
        tree->setSelectedItem(node);
    const int folderNumber = Keys::sourceNumber(SelectedKey);
    if (folderNumber >= Keys::FirstUserFolder) {
        // User folders are numbered anew at each build: find the folder by its name.
        for (QTreeWidgetItem* candidate : tree->NodesInOrder()) {
            const QString key = KeyedTreeView::Key(candidate);
            if (!key.contains(QLatin1Char('X')) && Keys::sourceNumber(key) >= Keys::FirstUserFolder &&
                KeyedTreeView::Text(candidate) == SelectedText) {
                tree->setSelectedItem(candidate);
                break;
            }
        }
    } else if (folderNumber == Keys::NetscapeSource) {
        const QString key = findNetscapeFolderKey(CurrentNetscapeFolder, SelectedText);
        if (QTreeWidgetItem* found = key.isEmpty() ? nullptr : tree->Node(key))
            tree->setSelectedItem(found);
    }
    // Whatever was selected before is gone: show Web Favorites rather than nothing.
    if (!tree->SelectedItem())
        tree->setSelectedItem(tree->Node(webFavorites));
}

void cMainDialog::ResizeMainForm()
{
    cMainForm& form = *m_form;
    if (form.ScaleWidth() < kMinimumInnerWidth)
        form.setWidth(form.Width() + kMinimumInnerWidth - form.ScaleWidth());
    FlatButton* more = (*form.lbbMain)[MoreButton];
    if (more->Caption() == QLatin1String("More") && form.Height() != kCollapsedHeight)
        form.setHeight(kCollapsedHeight);
    const int W = form.Width();
    const int H = form.Height();

    for (QComboBox* combo : form.cboMain)
        Twips::setWidth(combo, W - (Twips::left(combo) + 125));

    auto alignRow = [&](int right, int middle, int leftmost) {
        FlatButton* r = (*form.lbbMain)[right];
        FlatButton* m = (*form.lbbMain)[middle];
        FlatButton* l = (*form.lbbMain)[leftmost];
        r->setLeft(W - (r->Width() + 225));
        m->setLeft(r->Left() - (m->Width() + 50));
        l->setLeft(m->Left() - (l->Width() + 50));
    };
    alignRow(ExitButton, HideButton, GoButton);
    alignRow(DeleteEntriesButton, EditEntryButton, AddEntryButton);

    for (int index : {0, 3, 6})
        Twips::setWidth(form.picMain.at(index), W - 175);
    QWidget* pic4 = form.picMain.at(4);
    Twips::setLeft(pic4, W - 175 - Twips::width(pic4));

    KeyedListView* list = form.lvMain;
    Twips::setWidth(list, W - 150 - Twips::left(list));
    Twips::setHeight(list, H - Twips::top(list) - kBottomArea);
    list->setColumnWidthTwips(Twips::width(list) - kListColumnInset);

    KeyedTreeView* tree = form.tvMain;
    Twips::setHeight(tree, H - Twips::top(tree) - kBottomArea);
    QWidget* bar = form.picMain.at(kSplitter);
    Twips::setGeometry(
        bar, Twips::left(tree) + Twips::width(tree) + 15, Twips::top(bar), Twips::width(bar), Twips::height(tree));

    QLabel* label = form.lblMain.at(3);
    Twips::setLeft(label, W - 175 - Twips::width(label));
    QWidget* bottom = form.picMain.at(20);
    Twips::setGeometry(bottom, Twips::left(bottom), Twips::top(tree) + Twips::height(tree), W, Twips::height(bottom));
}

void cMainDialog::layoutList(int barLeft)
{
    QWidget* bar = m_form->picMain.at(kSplitter);
    KeyedListView* list = m_form->lvMain;
    const int left = barLeft + Twips::width(bar);
    Twips::setGeometry(list, left, Twips::top(list), m_form->ScaleWidth() - left, Twips::height(list));
    list->setColumnWidthTwips(Twips::width(list) - kListColumnInset);
}

void cMainDialog::MouseDownPicMain(int index, int, int, int x, int y)
{
    if (index != kSplitter)
        return;
    SplitX = x;
    SplitY = y;
}

void cMainDialog::MouseMovePicMain(int index, int button, int, int x, int)
{
    if (index != kSplitter || button == 0)
        return;
    QWidget* bar = m_form->picMain.at(kSplitter);
    const int left = Twips::left(bar) + x - SplitX;
    Twips::setLeft(bar, left);
    Twips::setWidth(m_form->tvMain, left - 15);
    Twips::setWidth(m_form->picMain.at(7), left);
    (*m_form->lbbMain)[ContentHeading]->Move(left + Twips::width(bar));
    layoutList(left);
}

void cMainDialog::MouseUpPicMain(int index, int, int, int x, int)
{
    if (index != kSplitter)
        return;
    QWidget* bar = m_form->picMain.at(kSplitter);
    const int W = m_form->Width();
    int left = Twips::left(bar) + x - SplitX;
    if (left < 0)
        left = 250;
    else if (left > W - 300)
        left = W - 250;
    else
        return; // in range: left where the last move put it
    Twips::setLeft(bar, left);
    Twips::setWidth(m_form->tvMain, left);
    layoutList(left);
}

void cMainDialog::MouseDownMainForm(int, int, int x, int y)
{
    DragX = x;
    DragY = y;
}

void cMainDialog::MouseMoveMainForm(int button, int, int x, int y)
{
    if (button & 1) {
        m_form->window()->move(Twips::toPixelsX(m_form->Left() + x - DragX),
                               Twips::toPixelsY(m_form->Top() + y - DragY));
        QApplication::processEvents();
    } else {
        MouseMoveLbbMain(-1);
    }
}

void cMainDialog::MouseMoveLbbMain(int index)
{
    quint32 hover = OleColor::Window;
    switch (index) {
    case GoButton:
        hover = OleColor::Green;
        break;
    case HideButton:
        hover = OleColor::Yellow;
        break;
    case ExitButton:
        hover = OleColor::Red;
        break;
    default:
        break;
    }
    m_form->lbbMain->highlight(index, OleColor::Highlight, hover);
}

void cMainDialog::ClickLbbMain(int index)
{
    try {
        FlatButton* button = (*m_form->lbbMain)[index];
        switch (index) {
        case GoButton:
            goAndRemember(m_form->cboMain[1]->currentText(), m_form->cboMain[0]->currentIndex());
            break;
        case HideButton:
            hideMainWindow();
            button->setVisible(false);
            break;
        case ExitButton:
            if (m_form->cTrayIcon1)
                m_form->cTrayIcon1->setInTray(false);
            m_form->Unload();
            break;
        case RenameFolderButton:
            RenameFolder();
            button->setVisible(false);
            break;
        case DeleteFolderButton:
            DeleteFolder();
            break;
        case MoreButton:
            if (button->Caption() == QLatin1String("More")) {
                button->setCaption(QStringLiteral("Less"));
                m_form->setHeight(kExpandedHeight);
                // A tree that had no room while collapsed may have scrolled: show it from
                // the top, with the selected folder in view.
                m_form->tvMain->scrollToTop();
                if (QTreeWidgetItem* selected = m_form->tvMain->SelectedItem())
                    m_form->tvMain->scrollToItem(selected, QAbstractItemView::EnsureVisible);
            } else {
                button->setCaption(QStringLiteral("More"));
                m_form->stbMain->clearMessage();
                m_form->setHeight(kCollapsedHeight);
            }
            break;
        case OptionsButton:
            options();
            break;
        case EditEntryButton:
            EditEntry();
            break;
        case DeleteEntriesButton:
            DeleteEntries();
            break;
        case AddEntryButton:
            AddEntry();
            break;
        case NewFolderButton:
            NewFolder();
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::applyTopmost()
{
    m_form->setTopmost(m_settings.AlwaysOnTop());
    QApplication::processEvents();
}

bool cMainDialog::ShowOptionsDialog()
{
    frmOptions dialog(m_settings, m_form ? m_form->window() : nullptr);
    return dialog.Display();
}

void cMainDialog::options()
{
    const QString bookmarkLocation = m_settings.BookmarkLocation();
    const bool compuServe = m_settings.SupportCompuServe();
    const bool netscape = m_settings.SupportNetscape();
    const bool internetExplorer = m_settings.SupportInternetExplorer();
    const bool expand = m_settings.ExpandFoldersOnRefresh();
    const bool firefox = m_settings.SupportFirefox();
    const bool chromium = m_settings.SupportChromium();
    ShowOptionsDialog();

    applyTopmost();
    if (CurrentSource == Keys::NetscapeSource) {
        CurrentSource = -1;
        ClickTVMain();
    }
    const bool locationChanged = bookmarkLocation != m_settings.BookmarkLocation();
    if (locationChanged) {
        if (SelectedKey.contains(QStringLiteral("4A")))
            SelectedKey.clear();
        NetscapeLoaded = false;
    }
    bool rebuild = expand != m_settings.ExpandFoldersOnRefresh() || compuServe != m_settings.SupportCompuServe() ||
                   internetExplorer != m_settings.SupportInternetExplorer() || firefox != m_settings.SupportFirefox() ||
                   chromium != m_settings.SupportChromium();
    if (netscape != m_settings.SupportNetscape()) {
        NetscapeLoaded = false; // read again
        rebuild = true;
    }
    if (m_settings.SupportNetscape() && !NetscapeLoaded)
        rebuild = true;
    if (rebuild) {
        BuildFolderTree();
        fillContentTypes();
        m_form->cboMain[0]->setCurrentIndex(0);
    }
}

void cMainDialog::ClickTlbMain(int index)
{
    BookmarkReloadScope reloadScope(*this);
    try {
        Stores::Store* store = m_stores->forKey(KeyedTreeView::Key(m_form->tvMain->SelectedItem()));
        const bool itemSelected = m_form->lvMain->SelectedItem() != nullptr;
        switch (index) {
        case NewFolderTool:
            NewFolder();
            break;
        case EditFolderTool:
            RenameFolder();
            break;
        case DeleteFolderTool:
            DeleteFolder();
            break;
        case ExportTool:
            ExportBookmarks();
            break;
        case CutTool:
            if (itemSelected)
                CutEntries();
            break;
        case CopyTool:
            if (itemSelected)
                CopyEntries();
            break;
        case PasteTool:
            PasteEntries();
            break;
        case NewItemTool:
            AddEntry();
            break;
        case EditItemTool:
            EditEntry();
            break;
        case DeleteItemTool:
            DeleteEntries();
            break;
        case MoveUpTool:
        case MoveDownTool:
            MoveBookmark(index - MoveUpTool);
            break;
        case SortAscendingTool:
        case SortDescendingTool:
            SortList(index - SortAscendingTool);
            break;
        case HelpTool:
            m_app.ShowHelpContext(kMainHelpContext);
            break;
        default:
            return;
        }
        // A store that keeps its own order keeps what was moved or sorted.
        const bool reordered =
            index == MoveUpTool || index == MoveDownTool || index == SortAscendingTool || index == SortDescendingTool;
        if (reordered && store && store->ordered())
            saveStore(*store);
    } catch (const std::exception& error) {
        report(error);
    }
}
