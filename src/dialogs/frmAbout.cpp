#include "dialogs/frmAbout.h"

#include "controls/twips.h"
#include "dialogs/frmFolder.h"
#include "dialogs/messagebox.h"
#include "dialogs/modal.h"
#include "platform/files.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QVersionNumber>
#include <QWindow>

frmAbout::frmAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QCoreApplication::applicationName());
    Twips::setGeometry(this, 0, 0, 5700, 3300);
    setFixedSize(size());
    auto label = [this](const char* name, int top, int height) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setWordWrap(true);
        Twips::setGeometry(l, 1050, top, 4500, height);
        return l;
    };
    lblTitle = label("lblTitle", 240, 420);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = label("lblVersion", 720, 300);
    lblRelease = label("lblRelease", 1020, 300);
    lblDescription = label("lblDescription", 1380, 900);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    Twips::setGeometry(cmdOK, 4200, 2460, 1260, 380);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    Twips::setGeometry(cmdSysInfo, 2760, 2460, 1320, 380);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] {
        // Let the tool come to the front; changing the window's own flags would hide (and so close) the box.
        if (windowHandle())
            windowHandle()->setFlag(Qt::WindowStaysOnTopHint, false);
        StartSysInfo();
    });
}

int frmAbout::Display()
{
    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    lblVersion->setText(QStringLiteral("Version %1.%2 Build %3")
                            .arg(version.majorVersion())
                            .arg(version.minorVersion())
                            .arg(version.microVersion()));
    lblTitle->setText(QCoreApplication::applicationName());
    lblDescription->setText(QStringLiteral("Copyright \u00A9 Veltrane Software. All rights reserved."));
    lblRelease->setText(QStringLiteral(" Rev 32"));
    // Over the main window where it shows, else in the middle of the screen; never at its corner.
    if (parentWidget() && parentWidget()->isVisible()) {
        centreOn(this, parentWidget());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    Modal::run(*this);
    return 0;
}

bool frmAbout::GetKeyValue(quint32 root, const QString& keyName, const QString& valueName, QString* text)
{
    text->clear();
    platform::HKEY key = 0;
    // Read access is all a lookup needs (and all a read-only hive grants).
    if (platform::RegOpenKeyEx(root, keyName, 0, platform::KEY_READ, &key) != platform::ERROR_SUCCESS)
        return false;
    platform::DWORD type = 0;
    QByteArray data;
    const bool ok = platform::RegQueryValueEx(key, valueName, &type, &data) == platform::ERROR_SUCCESS;
    platform::RegCloseKey(key);
    if (!ok)
        return false;
    if (data.endsWith('\0'))
        data.chop(1);
    *text = QString::fromUtf8(data);
    return true;
}

void frmAbout::StartSysInfo()
{
    QString path;
    if (GetKeyValue(platform::HKEY_LOCAL_MACHINE,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"),
                    &path)) {
        QProcess::startDetached(platform::nativePath(path), {});
        return;
    }
    if (GetKeyValue(platform::HKEY_LOCAL_MACHINE,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"),
                    &path)) {
        const QString tool = platform::nativePath(path + QStringLiteral("\\MSINFO32.EXE"));
        if (QFileInfo(tool).isFile()) {
            QProcess::startDetached(tool, {});
            return;
        }
    }
    MessageBoxes::show(
        {QMessageBox::NoIcon, {}, QStringLiteral("System Information Is Unavailable At This Time"), QMessageBox::Ok},
        this);
}
