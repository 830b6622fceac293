// The notification-area icon, its menu and the two one-shot timers that move
// the menu and the close out of the icon's own event.
#include "mainwindow/cMainDialog.h"

#include "controls/TrayIcon.h"
#include "dialogs/frmAbout.h"
#include "mainwindow/MainForm.h"
#include "platform/autostart.h"
#include "store/cSettings.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QWidget>

void cMainDialog::ShowAbout()
{
    frmAbout about(m_form ? m_form->window() : nullptr);
    about.Display();
}

void cMainDialog::MouseDownTrayIcon(int button, int)
{
    try {
        if (button == 2) {
            m_form->tmrMain[kMenuTimer]->start(); // the menu opens once the icon's event is over
            return;
        }
        // A window cannot come forward over an open modal dialog of its own.
        if (QApplication::activeModalWidget())
            return;
        showMainWindow();
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("MouseDownTrayIcon", error);
    }
}

void cMainDialog::TimerTmrMain(int index)
{
    if (index < 0 || index > 1)
        return;
    m_form->tmrMain[size_t(index)]->stop();
    TrayIcon* tray = m_form->cTrayIcon1;
    if (index == kCloseTimer) {
        if (tray)
            tray->setInTray(false);
        m_form->Unload();
        return;
    }
    QWidget* window = m_form->window();
    m_state.IsShown = window->isVisible() && !window->isMinimized();
    if (tray) {
        tray->item(1)->setText(m_state.IsShown ? QStringLiteral("&Hide") : QStringLiteral("&Restore"));
        tray->popup(0);
    }
}

void cMainDialog::ClickMnuMARKCRATEChild(int index)
{
    try {
        switch (index) {
        case 0:
            ShowAbout();
            break;
        case 1:
            if (m_state.IsShown)
                hideMainWindow();
            else
                showMainWindow();
            break;
        case 2:
            ShowOptionsDialog();
            applyTopmost();
            break;
        case 4:
            ImportForumList();
            break;
        case 7: {
            // Starting with the session is the user's choice, made here and nowhere else.
            const bool on = !Autostart::isEnabled();
            QString error;
            if (!Autostart::setEnabled(on, QCoreApplication::applicationFilePath(), &error))
                tell(QStringLiteral("Markcrate could not change whether it starts at login: %1.").arg(error));
            if (QAction* item = m_form->cTrayIcon1 ? m_form->cTrayIcon1->item(7) : nullptr)
                item->setChecked(Autostart::isEnabled());
            break;
        }
        case 6:
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_form->tmrMain[kCloseTimer]->start(); // the close happens once the menu has gone
            QApplication::restoreOverrideCursor();
            break;
        default:
            break;
        }
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("ClickMnuMARKCRATEChild", error);
    }
}
