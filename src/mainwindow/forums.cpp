// The CompuServe Web Forums list in the window, and the converter that makes
// the list from a saved forum page.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "controls/KeyedListView.h"
#include "dialogs/frmMessage.h"
#include "dialogs/messagebox.h"
#include "mainwindow/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

void cMainDialog::LoadForumList()
{
    const Forums::File file = Forums::read(Forums::listPath());
    Forums::fill(m_forums, file.names);
    m_forumsLatin1 = file.latin1;
    m_forumsBuilt = true;
    ForumsLoaded = true;
}

void cMainDialog::ListForums()
{
    if (!m_forumsBuilt)
        LoadForumList();
    KeyedListView* list = m_form->lvMain;
    list->Clear();
    QList<KeyedListView::Entry> items;
    items.reserve(m_forums.Count());
    qsizetype position = 0;
    for (const auto& name : m_forums)
        items.append({Keys::itemKey(position++), *name, 1});
    list->AddItems(items);
}

bool cMainDialog::SaveForumList()
{
    QString error;
    if (Forums::write(Forums::listPath(), m_forums, m_forumsLatin1, &error))
        return true;
    MessageBoxes::inform(QStringLiteral("Markcrate could not write the forum list \"%1\": %2.\n\n"
                                        "The forum list on disk is unchanged, and so is the list shown.")
                             .arg(QDir::toNativeSeparators(Forums::listPath()), error),
                         m_form ? m_form->window() : nullptr);
    LoadForumList();
    return false;
}

void cMainDialog::ImportForumList()
{
    const QString page = MessageBoxes::getOpenFileName(m_form ? m_form->window() : nullptr,
                                                       QStringLiteral("Select CompuServe Web Forum HTML File"),
                                                       QStringLiteral("CompuServe Web Forum HTML File (.HTM) (cforums.htm *.htm *.html)"),
                                                       QStringLiteral("cforums.htm"));
    if (page.isEmpty())
        return; // cancelled
    if (QFileInfo::exists(Forums::listPath())) {
        frmQuestion question;
        question.setMessage(QStringLiteral("A List of CompuServe Forums Already Exists.  Would you like to replace this list?"));
        if (!question.Display(m_form ? m_form->window() : nullptr))
            return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The page's order, duplicates and all; the list in memory stays as it is.
    Forums::Collection names;
    qsizetype position = 0;
    for (const QString& name : Forums::namesFromPage(page, [] { QApplication::processEvents(); }))
        names.AppendNew(std::make_shared<QString>(name), QString::number(position++) + QLatin1Char('X'));
    Forums::write(Forums::listPath(), names, false);
    QApplication::restoreOverrideCursor();
    CurrentSource = -1;
}
