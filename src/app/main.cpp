// Start-up: one copy per user, the application object, the settings, the
// hide switch, then the main window.
#include "app/cApp.h"
#include "app/commandline.h"
#include "app/frmMain.h"
#include "controls/ImageList.h"
#include "controls/TrayIcon.h"
#include "dialogs/messagebox.h"
#include "mainwindow/cMainDialog.h"
#include "platform/autostart.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/singleinstance.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

// A failing step is reported and start-up goes on with the next.
template <typename Step> void startupStep(Step&& step)
{
    try {
        step();
    } catch (const cError& error) {
        MessageBoxes::showError(error);
    } catch (const std::exception& error) {
        MessageBoxes::showError(cError(ErrorNumber::InvalidProcedureCall, QString::fromUtf8(error.what())));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Before anything starts: --help and --version need no display and touch no file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Verdict verdict = CommandLine::check(arguments, QStringLiteral(MARKCRATE_VERSION));
    if (!verdict.start && verdict.startAtLogin >= 0) {
        QString error;
        const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        if (!Autostart::setEnabled(
                verdict.startAtLogin == 1, program.isEmpty() ? arguments.value(0) : program, &error)) {
            std::fputs(QStringLiteral("markcrate: %1\n").arg(error).toLocal8Bit().constData(), stderr);
            return 1;
        }
        return 0;
    }
    if (!verdict.start) {
        std::fputs(verdict.output.toLocal8Bit().constData(), verdict.toStandardError ? stderr : stdout);
        return verdict.exitCode;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Markcrate"));
    QApplication::setOrganizationName(QStringLiteral("Veltrane Software"));
    QApplication::setApplicationVersion(QStringLiteral(MARKCRATE_VERSION));
    // The desktop file's id: task bars group the window under its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.markcrate.Markcrate"));
    // Where the desktop has no icon theme (a bare window manager), the
    // toolbar's and lists' icons come from the one the program depends on.
    ImageList::useProgramIconTheme();
    QApplication::setWindowIcon(programIcon());
    QApplication::setQuitOnLastWindowClosed(false); // the program ends when its main form unloads
    platform::setDesktopLauncher(
        [](const QString& address) { QDesktopServices::openUrl(platform::addressUrl(address)); });

    platform::SingleInstance instance;
    const platform::SingleInstance::Role role = instance.start(verdict.request.value_or(platform::Request{}));
    if (role == platform::SingleInstance::Role::Secondary)
        return 0; // the running copy does what was asked
    if (role == platform::SingleInstance::Role::Busy) {
        // Two copies would write one registry file over each other.
        MessageBoxes::inform(QStringLiteral("Markcrate is already running but does not answer. "
                                            "Close it (or end its process) and start Markcrate again."));
        return 1;
    }

    cSettings settings;
    cApp app(settings);
    frmMain form(settings, app);
    QObject::connect(&form, &frmMain::unloaded, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    // A failed save is told once, after the operation that made it (one at
    // start-up as soon as the window is up); the changes stay in memory and
    // every later change tries again.
    platform::Registry::setSaveFailureHandler([&form](const QString& text) {
        QTimer::singleShot(0, &form, [&form, text] { MessageBoxes::inform(text, &form); });
    });

    startupStep([&] { app.setRegistryAppName(QStringLiteral("ORXMarkcrate")); });
    startupStep([&] { app.setMainWindow(&form); });
    startupStep([&] { settings.setAppName(app.RegistryAppName()); });
    using Kind = platform::Request::Kind;
    const bool hide =
        cApp::HasHideSwitch(QApplication::arguments()) || (verdict.request && verdict.request->kind == Kind::Hide);
    startupStep([&] { app.ShowForm(hide); });
    app.followRequests(instance);
    // Asked of the first copy itself: what a running one would have done, once the window is up.
    if (verdict.request && (verdict.request->kind == Kind::Find || verdict.request->kind == Kind::Open)) {
        const platform::Request request = *verdict.request;
        QTimer::singleShot(0, &form, [&app, request] {
            if (app.controller())
                app.controller()->Remote(request);
        });
    }

    // What could not be read of the user's registry file is told once, when the window is up.
    const QString registryReport = platform::Registry::instance().takeLoadReport();
    if (!registryReport.isEmpty())
        QTimer::singleShot(0, &form, [&form, registryReport] { MessageBoxes::inform(registryReport, &form); });

    const int status = QApplication::exec();
    platform::Registry::setSaveFailureHandler({});
    platform::Registry& registry = platform::Registry::instance();
    if (!registry.flush() && registry.hasUnsavedChanges() && !registry.lastSaveError().isEmpty()) {
        MessageBoxes::inform(
            QStringLiteral("Markcrate still could not save its settings, window placement and favorites "
                           "to \"%1\": %2.\n\nThe changes of this session are lost when it ends.")
                .arg(QDir::toNativeSeparators(registry.userFilePath()), registry.lastSaveError()));
    }
    return status;
}
