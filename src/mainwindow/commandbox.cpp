// The command box: the kind selector and the input box with its history.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/histories.h"
#include "controls/FlatButton.h"
#include "mainwindow/MainForm.h"
#include "platform/shell.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QUrl>

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
    m_findForced = false;
    HideSuggestions();
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
    } catch (const cError&) {
        // The command box ends silently on its own errors.
    } catch (const std::exception& error) {
        logUnexpected("ClickCboMain", error);
    }
}

void cMainDialog::KeyPressCboMain(int index, int keyAscii)
{
    if (index != 1 || keyAscii != 13)
        return;
    try {
        goAndRemember(m_form->cboMain[1]->currentText(), m_form->cboMain[0]->currentIndex());
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("KeyPressCboMain", error);
    }
}

void cMainDialog::goAndRemember(const QString& text, int kind)
{
    m_findForced = false;
    HideSuggestions();
    GoAction(text, kind);
    QComboBox* input = m_form->cboMain[1];
    input->insertItem(0, text);
    input->setCurrentIndex(-1);
    input->setEditText(QString());
}

void cMainDialog::GoAction(const QString& text, int kind)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const QString s = text.trimmed();
        if (!s.isEmpty() && kind >= 0 && kind < ContentKind::Count) {
            QString address;
            // A search text or go word is one query value: "&", "#", "+" and
            // the rest are its own characters, not the address's.
            const QString asQueryValue = QString::fromLatin1(QUrl::toPercentEncoding(s));
            switch (kind) {
            case ContentKind::SearchText:
                address = m_settings.YahooSearchURL() + asQueryValue;
                break;
            case ContentKind::ForumGoWord:
                address = m_settings.CForumURL() + asQueryValue;
                break;
            default:
                address = s.contains(QStringLiteral("//")) ? s : QStringLiteral("http://") + s;
                break;
            }
            LaunchAddress(address);
            if (m_settings.HideOnLaunch()) {
                hideMainWindow();
                QApplication::processEvents();
            }
            Histories::forKind(kind).Append(kind == ContentKind::WebAddress ? address.trimmed() : s);
        }
    } catch (const cError&) {
        // ends silently, keeping what was done
    } catch (const std::exception& error) {
        logUnexpected("GoAction", error);
    }
    QApplication::restoreOverrideCursor();
}

void cMainDialog::LaunchAddress(const QString& address)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    platform::ShellOpen(address);
    QApplication::restoreOverrideCursor();
}
