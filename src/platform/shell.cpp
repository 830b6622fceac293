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
    return url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1; // "c:" is a drive, not a scheme
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
