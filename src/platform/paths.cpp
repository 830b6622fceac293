#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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

bool isPrivateFolder(const QString& path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

bool privateFolder(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        const QByteArray encoded = QFile::encodeName(path);
        if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return isPrivateFolder(path);
}

QString runtimeDir()
{
    // Another user could have made the folder first in a shared runtime folder:
    // only a folder of our own, closed to others, is used.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists()) {
        const QString own = runtime + QStringLiteral("/markcrate");
        if (privateFolder(own))
            return own;
    }
    return configDir();
}

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
    if (dir.exists()) {
        // The program's own folder: private again where something opened it to others.
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;
        if (QFile::permissions(path) & others)
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return true;
    }
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

} // namespace platform
