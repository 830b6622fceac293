// Undo and redo of the changes the window makes to the stores, and the
// right-click menus of the list and the tree that offer them beside the
// toolbar's commands.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/stores.h"
#include "bookmarks/undo.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "mainwindow/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>

cMainDialog::ChangeScope::ChangeScope(cMainDialog& dialog, const QString& name) : m_dialog(dialog)
{
    m_dialog.m_history->begin(name, Undo::rootsOf(m_dialog.m_stores->inTreeOrder()));
}

cMainDialog::ChangeScope::~ChangeScope()
{
    m_dialog.m_history->end();
    m_dialog.refreshAfterBookmarkReload();
    if (!m_dialog.m_history->recording())
        m_dialog.refreshLinkView();
}

void cMainDialog::ChangeScope::rename(const QString& name)
{
    m_dialog.m_history->rename(name);
}

QString cMainDialog::entriesText(const QStringList& names)
{
    if (names.size() == 1)
        return QLatin1Char('\'') + names.first() + QLatin1Char('\'');
    return QStringLiteral("%1 items").arg(names.size());
}

QString cMainDialog::undoText() const
{
    return m_history->canUndo() ? QStringLiteral("Undo ") + m_history->undoName() : QString();
}

QString cMainDialog::redoText() const
{
    return m_history->canRedo() ? QStringLiteral("Redo ") + m_history->redoName() : QString();
}

void cMainDialog::UndoStep()
{
    takeStep(true);
}

void cMainDialog::RedoStep()
{
    takeStep(false);
}

void cMainDialog::takeStep(bool undo)
{
    if (undo ? !m_history->canUndo() : !m_history->canRedo()) {
        m_form->stbMain->showMessage(undo ? QStringLiteral("Nothing to undo") : QStringLiteral("Nothing to redo"));
        return;
    }
    try {
        const QList<Undo::Root> roots = Undo::rootsOf(m_stores->inTreeOrder());
        const Undo::History::Outcome outcome = undo ? m_history->undo(roots) : m_history->redo(roots);
        if (!outcome.sources.isEmpty()) {
            // What the stores keep changed under them: each reads it again, and the tree shows it.
            for (int source : outcome.sources) {
                if (Stores::Store* store = m_stores->at(source))
                    store->reread();
            }
            KeyedTreeView* tree = m_form->tvMain;
            QTreeWidgetItem* selected = tree->SelectedItem();
            const QString selectedPath = selected ? KeyedTreeView::FullPath(selected) : QString();
            BuildFolderTree();
            for (QTreeWidgetItem* node : tree->NodesInOrder()) {
                if (KeyedTreeView::FullPath(node) == selectedPath) {
                    tree->setSelectedItem(node);
                    ClickTVMain();
                    break;
                }
            }
        }
        refreshLinkView();
        if (outcome.done)
            m_form->stbMain->showMessage((undo ? QStringLiteral("Undone: ") : QStringLiteral("Redone: ")) +
                                         outcome.name);
        else if (!outcome.why.isEmpty())
            tell(outcome.why);
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::ShowContextMenu(QWidget* where, const QPoint& globalPos)
{
    const bool onTree = where == m_form->tvMain;
    if (onTree) {
        // The menu is the node's under the pointer: it is shown first, as a click shows it.
        KeyedTreeView* tree = m_form->tvMain;
        QTreeWidgetItem* node = tree->itemAt(tree->viewport()->mapFromGlobal(globalPos));
        if (node && node != tree->SelectedItem()) {
            tree->setSelectedItem(node);
            ClickTVMain();
        }
    }
    QMenu menu(where);
    menu.setObjectName(onTree ? QStringLiteral("mnuTree") : QStringLiteral("mnuList"));
    QAction* undo = menu.addAction(m_history->canUndo() ? undoText() : QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(m_history->canUndo());
    QAction* redo = menu.addAction(m_history->canRedo() ? redoText() : QStringLiteral("Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redo->setEnabled(m_history->canRedo());
    // The toolbar's commands for what was clicked, as the toolbar shows them now.
    static const QList<int> listTools{-1,
                                      CutTool,
                                      CopyTool,
                                      PasteTool,
                                      -1,
                                      NewItemTool,
                                      EditItemTool,
                                      DeleteItemTool,
                                      -1,
                                      MoveUpTool,
                                      MoveDownTool,
                                      SortAscendingTool,
                                      SortDescendingTool};
    static const QList<int> treeTools{-1, NewFolderTool, EditFolderTool, DeleteFolderTool, -1, PasteTool, ExportTool};
    QHash<QAction*, int> tools;
    // The Trash's own commands where it is what was clicked.
    QAction* restore = nullptr;
    QAction* deleteForGood = nullptr;
    QAction* empty = nullptr;
    if (trashShown()) {
        menu.addSeparator();
        if (!onTree) {
            const bool chosen = !m_form->lvMain->selectedInOrder().isEmpty();
            restore = menu.addAction(QStringLiteral("Restore"));
            restore->setEnabled(chosen);
            deleteForGood = menu.addAction(QStringLiteral("Delete Permanently"));
            deleteForGood->setEnabled(chosen);
            menu.addSeparator();
        }
        empty = menu.addAction(QStringLiteral("Empty Trash"));
    }
    for (int index : trashShown() ? QList<int>() : onTree ? treeTools : listTools) {
        QAction* button = index < 0 ? nullptr : m_form->tlbMain->button(index);
        if (index < 0) {
            menu.addSeparator();
        } else if (button && button->isVisible()) {
            QAction* action = menu.addAction(button->icon(), button->text());
            action->setEnabled(button->isEnabled());
            tools.insert(action, index);
        }
    }
    menu.addSeparator();
    QAction* duplicates = menu.addAction(QStringLiteral("Find Duplicates..."));
    duplicates->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    // The Trash's entries are not where links are kept.
    QAction* checkLinks = trashShown() ? nullptr : menu.addAction(QStringLiteral("Check Links..."));
    QAction* checkAll = menu.addAction(QStringLiteral("Check All Links..."));
    QAction* chosen = menu.exec(globalPos);
    if (!chosen)
        return;
    if (chosen == undo)
        UndoStep();
    else if (chosen == redo)
        RedoStep();
    else if (chosen == duplicates)
        ShowDuplicates();
    else if (chosen && chosen == checkLinks)
        CheckLinks(false);
    else if (chosen == checkAll)
        CheckLinks(true);
    else if (chosen == restore)
        RestoreFromTrash();
    else if (chosen == deleteForGood)
        DeleteFromTrash(false);
    else if (chosen == empty)
        DeleteFromTrash(true);
    else if (tools.contains(chosen))
        ClickTlbMain(tools.value(chosen));
}
