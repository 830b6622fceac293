// Showing, hiding and closing the main window.
#include "mainwindow/cMainDialog.h"

#include "controls/TrayIcon.h"
#include "mainwindow/AppServices.h"
#include "mainwindow/MainForm.h"

#include <QComboBox>

#include <QWidget>

void cMainDialog::showMainWindow()
{
    IsShown = true;
    QWidget* window = m_form->window();
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    // Where the eye is: the command box, not the tree that may lie outside a collapsed window.
    m_form->cboMain[1]->setFocus(Qt::ActiveWindowFocusReason);
}

void cMainDialog::hideMainWindow()
{
    IsShown = false;
    HideSuggestions();
    // Without a notification area a hidden window could not be brought back
    // from the desktop: minimise it instead.
    if (m_app.HasTray())
        m_form->window()->hide();
    else
        m_form->window()->showMinimized();
}

void cMainDialog::ShowFromElsewhere()
{
    showMainWindow();
    QWidget* window = m_form->window();
    window->raise();
    window->activateWindow();
}

void cMainDialog::UnloadMainForm()
{
    if (m_form->cTrayIcon1)
        m_form->cTrayIcon1->setInTray(false);
    m_app.SaveMainPos();
}
