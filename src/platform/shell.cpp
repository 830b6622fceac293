#include "platform/shell.h"

namespace platform {

namespace {

Launcher& launcherSlot()
{
    static Launcher launcher;
    return launcher;
}

Launcher& desktopSlot()
{
    static Launcher launcher;
    return launcher;
}

} // namespace

QUrl addressUrl(const QString& address)
{
    // Typed addresses may hold spaces and other raw characters: let QUrl encode them.
    return QUrl(address.trimmed(), QUrl::TolerantMode);
}

bool isUsableAddress(const QString& address)
{
    if (address.trimmed().isEmpty() || address.contains(QChar(0)))
        return false;
    const QUrl url = addressUrl(address);
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
    if (desktopSlot())
        desktopSlot()(address);
}

void setDesktopLauncher(Launcher launcher)
{
    desktopSlot() = std::move(launcher);
}

void setLauncher(Launcher launcher)
{
    launcherSlot() = std::move(launcher);
}

} // namespace platform
