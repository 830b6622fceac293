// Showing, hiding and closing the main window.
#include "mainwindow/cMainDialog.h"

#include "controls/GlobalShortcut.h"
#include "controls/TrayIcon.h"
#include "mainwindow/AppServices.h"
#include "mainwindow/MainForm.h"
#include "platform/singleinstance.h"
#include "store/cSettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

namespace {

// Long enough for the window manager to have mapped the window.
constexpr int kMinimiseAgainMilliseconds = 250;

} // namespace

void cMainDialog::showMainWindow()
{
    m_state.IsShown = true;
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
    m_state.IsShown = false;
    HideSuggestions();
    // Without a notification area a hidden window could not be brought back
    // from the desktop: minimise it instead.
    QWidget* window = m_form->window();
    if (m_app.HasTray()) {
        window->hide();
        return;
    }
    window->showMinimized();
    // A window manager may map a window that asks to start minimised as a
    // normal one; asked again once it is mapped, every one minimises it.
    QTimer::singleShot(kMinimiseAgainMilliseconds, window, [this, window] {
        if (!m_state.IsShown && !window->isMinimized())
            window->showMinimized();
    });
}

void cMainDialog::ShowFromElsewhere()
{
    showMainWindow();
    QWidget* window = m_form->window();
    window->raise();
    window->activateWindow();
}

void cMainDialog::Remote(const platform::Request& request)
{
    using Kind = platform::Request::Kind;
    QWidget* window = m_form->window();
    switch (request.kind) {
    case Kind::Show:
        ShowFromElsewhere();
        break;
    case Kind::Hide:
        if (m_state.IsShown)
            hideMainWindow();
        break;
    case Kind::Toggle:
        if (m_state.IsShown && window->isActiveWindow() && !window->isMinimized())
            hideMainWindow();
        else
            ShowFromElsewhere();
        break;
    case Kind::Find: {
        ShowFromElsewhere();
        FindEverywhere();
        if (!request.text.isEmpty()) {
            QComboBox* input = m_form->cboMain[1];
            input->setEditText(request.text); // the suggestions follow the text, as typed
            input->lineEdit()->selectAll();
            updateSuggestions(request.text);
        }
        break;
    }
    case Kind::Open:
        goAndRemember(request.text, m_form->cboMain[0]->currentIndex());
        break;
    }
}

void cMainDialog::GlobalKey()
{
    QWidget* window = m_form->window();
    if (m_state.IsShown && window->isActiveWindow() && !window->isMinimized())
        hideMainWindow();
    else
        Remote({platform::Request::Kind::Find, {}});
}

void cMainDialog::startGlobalShortcut()
{
    if (!m_globalShortcut) {
        m_globalShortcut = std::make_unique<GlobalShortcut>();
        QObject::connect(
            m_globalShortcut.get(), &GlobalShortcut::activated, m_globalShortcut.get(), [this] { GlobalKey(); });
        QObject::connect(m_globalShortcut.get(), &GlobalShortcut::stateChanged, m_globalShortcut.get(), [this] {
            if (m_globalShortcut->isTaken())
                m_form->stbMain->showMessage(m_globalShortcut->stateText() + QStringLiteral(" (Options, General)"));
        });
    }
    const QString key = m_settings.GlobalShortcut().trimmed();
    m_globalShortcut->setKey(key.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0
                                 ? QKeySequence()
                                 : QKeySequence::fromString(key, QKeySequence::PortableText));
}

QString cMainDialog::globalShortcutState() const
{
    return m_globalShortcut ? m_globalShortcut->stateText() : QStringLiteral("not available here");
}

void cMainDialog::UnloadMainForm()
{
    if (m_form->cTrayIcon1)
        m_form->cTrayIcon1->setInTray(false);
    m_app.SaveMainPos();
}
