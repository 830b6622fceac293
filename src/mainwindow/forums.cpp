// The CompuServe Web Forums list in the window, and the converter that makes
// the list from a saved forum page.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/forums.h"
#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
#include "controls/KeyedListView.h"
#include "dialogs/frmMessage.h"
#include "dialogs/messagebox.h"
#include "mainwindow/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

void cMainDialog::LoadForumList()
{
    m_stores->forums().load();
    m_state.ForumsLoaded = true;
}

bool cMainDialog::SaveForumList()
{
    return saveStore(*m_stores->at(Keys::ForumsSource));
}

void cMainDialog::ImportForumList()
{
    const QString page = MessageBoxes::getOpenFileName(
        m_form ? m_form->window() : nullptr,
        QStringLiteral("Select CompuServe Web Forum HTML File"),
        QStringLiteral("CompuServe Web Forum HTML File (.HTM) (cforums.htm *.htm *.html)"),
        QStringLiteral("cforums.htm"));
    if (page.isEmpty())
        return; // cancelled
    if (QFileInfo::exists(Forums::listPath())) {
        frmQuestion question;
        question.setMessage(
            QStringLiteral("A List of CompuServe Forums Already Exists.  Would you like to replace this list?"));
        if (!question.Display(m_form ? m_form->window() : nullptr))
            return;
    }
    ChangeScope step(*this, QStringLiteral("Import Forums"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The page's order, duplicates and all; the list in memory stays as it is.
    Forums::Collection names;
    qsizetype position = 0;
    for (const QString& name : Forums::namesFromPage(page, [] { QApplication::processEvents(); }))
        names.AppendNew(std::make_shared<QString>(name), Keys::itemKey(position++));
    Forums::write(Forums::listPath(), names, false);
    QApplication::restoreOverrideCursor();
    m_state.CurrentSource = -1;
}
