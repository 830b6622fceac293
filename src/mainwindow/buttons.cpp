// The command buttons and the toolbar: each button's operation, and the options dialog.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
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

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

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
    dialog.shortcutState = [this] { return globalShortcutState(); };
    dialog.shortcutSaved = [this] {
        startGlobalShortcut();
        return globalShortcutState();
    };
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
    if (m_state.CurrentSource == Keys::NetscapeSource) {
        m_state.CurrentSource = -1;
        ClickTVMain();
    }
    const bool locationChanged = bookmarkLocation != m_settings.BookmarkLocation();
    if (locationChanged) {
        if (m_state.SelectedKey.contains(QStringLiteral("4A")))
            m_state.SelectedKey.clear();
        m_state.NetscapeLoaded = false;
    }
    bool rebuild = expand != m_settings.ExpandFoldersOnRefresh() || compuServe != m_settings.SupportCompuServe() ||
                   internetExplorer != m_settings.SupportInternetExplorer() || firefox != m_settings.SupportFirefox() ||
                   chromium != m_settings.SupportChromium();
    if (netscape != m_settings.SupportNetscape()) {
        m_state.NetscapeLoaded = false; // read again
        rebuild = true;
    }
    if (m_settings.SupportNetscape() && !m_state.NetscapeLoaded)
        rebuild = true;
    if (rebuild) {
        BuildFolderTree();
        fillContentTypes();
        m_form->cboMain[0]->setCurrentIndex(0);
    }
}

void cMainDialog::ClickTlbMain(int index)
{
    // Named by the button; the operation it runs names the step better where it can.
    const QAction* button = m_form->tlbMain->button(index);
    ChangeScope step(*this, button ? button->text() : QString());
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
