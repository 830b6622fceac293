#include "app/cApp.h"

#include "app/ContextIDs.h"
#include "app/frmMain.h"
#include "controls/TrayIcon.h"
#include "dialogs/messagebox.h"
#include "mainwindow/cMainDialog.h"
#include "platform/error.h"
#include "platform/singleinstance.h"
#include "store/WindowPlacement.h"

cApp::cApp(cSettings& settings) : m_settings(settings) {}

cApp::~cApp() = default;

QString cApp::criticalText(int number)
{
    return cError::standardDescription(number) + QStringLiteral(" - Code ") + QString::number(number);
}

bool cApp::HasHideSwitch(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' ')).toUpper().contains(QLatin1String("-HIDE"));
}

int cApp::HandleError(int number, const QString& description)
{
    switch (number) {
    case 0:
    case 5:
    case 393:
        return GoOn;
    default:
        break;
    }
    MessageBoxes::show({QMessageBox::Critical, description, criticalText(number), QMessageBox::Ok}, m_mainWindow);
    return number == 339 ? Abandon : GoOn;
}

int cApp::ShowForm(bool hide)
{
    // Each statement reports through the dispatcher, which says whether to go on.
    auto run = [this](auto&& statement) -> int {
        for (;;) {
            try {
                statement();
                return GoOn;
            } catch (const cError& error) {
                const int action = HandleError(error.Number(), error.Description());
                if (action != Retry)
                    return action;
            }
        }
    };
    if (run([&] {
            m_controller = std::make_unique<cMainDialog>(m_settings, *this);
            m_controller->setMainForm(m_mainWindow);
        }) == Abandon)
        return 1;
    if (run([&] { m_mainWindow->SetObjPtr(m_controller.get()); }) == Abandon)
        return 1;
    if (run([&] { m_controller->ShowForm(hide); }) == Abandon)
        return 1;
    return 0;
}

int cApp::RestoreMainPos()
{
    try {
        const QRect screen = m_mainWindow->screenTwips();
        const QRect placement =
            WindowPlacement::restore(screen.size(), QSize(m_mainWindow->Width(), m_mainWindow->Height()));
        m_mainWindow->window()->setWindowState(Qt::WindowNoState);
        m_mainWindow->Move(placement.left(), placement.top(), placement.width(), placement.height());
    } catch (const cError& error) {
        return HandleError(error.Number(), error.Description()) == Abandon ? 1 : 0;
    }
    return 0;
}

int cApp::SaveMainPos()
{
    try {
        const int state = m_mainWindow->WindowState();
        WindowPlacement::save(
            state, QRect(m_mainWindow->Left(), m_mainWindow->Top(), m_mainWindow->Width(), m_mainWindow->Height()));
    } catch (const cError& error) {
        return HandleError(error.Number(), error.Description()) == Abandon ? 1 : 0;
    }
    return 0;
}

void cApp::ShowHelpContext(int context)
{
    ContextIDs::ShowHelpContext(context);
}

void cApp::followRequests(platform::SingleInstance& instance)
{
    QObject::connect(
        &instance, &platform::SingleInstance::requested, &instance, [this](const platform::Request& request) {
            if (m_controller)
                m_controller->Remote(request);
        });
}

bool cApp::HasTray() const
{
    // Hiding is only safe where the icon can bring the window back.
    return m_mainWindow && m_mainWindow->cTrayIcon1 && m_mainWindow->cTrayIcon1->isShown();
}
