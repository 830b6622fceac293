#include "platform/paths.h"

#include <QDir>
#include <QFile>

namespace platform {

namespace {

QString xdgDir(const char* variable, const QString& fallbackBelowHome)
{
    QString base = qEnvironmentVariable(variable);
    // Relative values are invalid by the XDG rules and are ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1Char('/') + fallbackBelowHome;
    return QDir::cleanPath(base + QStringLiteral("/markcrate"));
}

} // namespace

QString configDir()
{
    return xdgDir("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString dataDir()
{
    return xdgDir("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

bool ensurePrivateDir(const QString& path)
{
    QDir dir(path);
    if (dir.exists())
        return true;
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

} // namespace platform
