// The command box: the kind selector and the input box with its history.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/histories.h"
#include "controls/FlatButton.h"
#include "mainwindow/MainForm.h"
#include "store/cSettings.h"

#include <QComboBox>

namespace {

QString inputCaption(int kind)
{
    switch (kind) {
    case ContentKind::ForumGoWord:
        return QStringLiteral("Forum GO Word");
    case ContentKind::SearchText:
        return QStringLiteral("Search Critiera");
    default:
        return QStringLiteral("Web Address");
    }
}

} // namespace

void cMainDialog::ClickCboMain(int index)
{
    if (index != 0)
        return;
    try {
        QComboBox* input = m_form->cboMain[1];
        input->clear();
        input->setEditText(QString());
        int kind = m_form->cboMain[0]->currentIndex();
        if (kind < 0 || kind >= ContentKind::Count)
            kind = ContentKind::WebAddress;
        (*m_form->lbbMain)[InputCaption]->setCaption(inputCaption(kind));
        for (const auto& record : *Histories::forKind(kind).HistoryList())
            input->insertItem(0, record->HistoryLocation());
        input->setCurrentIndex(-1);
        input->setEditText(QString());
        m_settings.setContentType(qint16(m_form->cboMain[0]->currentIndex()));
        m_settings.Update();
    } catch (const std::exception&) {
        // The command box ends silently on an unexpected error.
    }
}
