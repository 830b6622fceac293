#include "app/ContextIDs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace ContextIDs {

namespace {

const QString kHelpName = QStringLiteral("markcrate.html");
QPointer<QWidget> g_owner;
QPointer<QTextBrowser> g_viewer;
QString g_helpFile;

} // namespace

QString helpFilePath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

void InitHelp(QWidget* owner)
{
    g_owner = owner;
    // Beside the program in a build, under share/ once installed.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList folders = {programFolder + QStringLiteral("/help"),
                                 programFolder + QStringLiteral("/../share/markcrate/help"),
                                 programFolder};
    for (const QString& folder : folders) {
        const QString candidate = helpFilePath(folder, kHelpName);
        if (QFileInfo::exists(candidate)) {
            g_helpFile = QFileInfo(candidate).canonicalFilePath();
            return;
        }
    }
    g_helpFile = helpFilePath(programFolder, kHelpName);
}

QString HelpFile()
{
    return g_helpFile;
}

void ShowHelpContext(int context)
{
    if (g_helpFile.isEmpty() || !QFileInfo::exists(g_helpFile))
        return; // as with the platform's help, a missing file shows nothing
    if (!g_viewer) {
        g_viewer = new QTextBrowser;
        g_viewer->setAttribute(Qt::WA_DeleteOnClose);
        g_viewer->setObjectName(QStringLiteral("helpViewer"));
        g_viewer->setWindowTitle(QStringLiteral("Markcrate Help"));
        g_viewer->setOpenExternalLinks(true);
        g_viewer->resize(560, 480);
    }
    QUrl url = QUrl::fromLocalFile(g_helpFile);
    url.setFragment(QStringLiteral("context-%1").arg(context));
    g_viewer->setSource(url);
    g_viewer->show();
    g_viewer->raise();
    g_viewer->activateWindow();
}

void CloseHelp()
{
    if (g_viewer)
        g_viewer->close();
}

QWidget* viewer()
{
    return g_viewer;
}

} // namespace ContextIDs
