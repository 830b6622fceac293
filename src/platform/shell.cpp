#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

namespace {

Launcher& launcherSlot()
{
    static Launcher launcher;
    return launcher;
}

QUrl toUrl(const QString& address)
{
    // Typed addresses may hold spaces and other raw characters: let QUrl encode them.
    return QUrl(address.trimmed(), QUrl::TolerantMode);
}

} // namespace

bool isUsableAddress(const QString& address)
{
    if (address.trimmed().isEmpty() || address.contains(QChar(0)))
        return false;
    const QUrl url = toUrl(address);
    if (!url.isValid() || url.scheme().size() < 2) // "c:" is a drive, not a scheme
        return false;
    const QString scheme = url.scheme().toLower();
    const bool needsHost = scheme == u"http" || scheme == u"https" || scheme == u"ftp";
    return !needsHost || !url.host().isEmpty();
}

void ShellOpen(const QString& address)
{
    if (!isUsableAddress(address))
        return;
    if (launcherSlot()) {
        launcherSlot()(address);
        return;
    }
    QDesktopServices::openUrl(toUrl(address));
}

void setLauncher(Launcher launcher)
{
    launcherSlot() = std::move(launcher);
}

} // namespace platform
