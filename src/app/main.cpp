#include "dialogs/messagebox.h"
#include "platform/registry.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Markcrate"));
    QApplication::setOrganizationName(QStringLiteral("Veltrane Software"));

    cSettings settings;
    settings.setAppName(QStringLiteral("Markcrate"));
    const QString registryReport = platform::Registry::instance().takeLoadReport();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ORX Markcrate"));
    window.resize(480, 320);
    window.show();
    if (!registryReport.isEmpty())
        MessageBoxes::inform(registryReport, &window);

    const int status = app.exec();
    platform::Registry::instance().flush();
    return status;
}
