#include "platform/autostart.h"

#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Autostart {

namespace {

// An argument of Exec as the desktop-entry format quotes it.
QString quoted(const QString& argument)
{
    bool plain = !argument.isEmpty();
    for (const QChar c : argument)
        plain = plain && (c.isLetterOrNumber() || QStringLiteral("/._-+").contains(c));
    if (plain)
        return argument;
    QString escaped = argument;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\\\""))
        .replace(QLatin1Char('`'), QStringLiteral("\\\\`"))
        .replace(QLatin1Char('$'), QStringLiteral("\\\\$"))
        .replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/org.markcrate.Markcrate.desktop");
}

bool isEnabled()
{
    return QFileInfo(entryPath()).isFile();
}

bool setEnabled(bool on, const QString& program, QString* error)
{
    const QString path = entryPath();
    if (!on) {
        if (!QFileInfo::exists(path) || QFile::remove(path))
            return true;
        if (error)
            *error = QStringLiteral("\"%1\" could not be removed").arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        if (error)
            *error = QStringLiteral("the folder \"%1\" could not be made").arg(QFileInfo(path).path());
        return false;
    }
    const QByteArray entry = (QStringLiteral("[Desktop Entry]\n"
                                             "Type=Application\n"
                                             "Name=ORX Markcrate\n"
                                             "Comment=Start Markcrate hidden in the notification area\n"
                                             "Icon=org.markcrate.Markcrate\n"
                                             "Exec=") +
                              quoted(program) +
                              QStringLiteral(" -HIDE\n"
                                             "Terminal=false\n"
                                             "X-GNOME-Autostart-enabled=true\n"))
                                 .toUtf8();
    return platform::writeFileAtomically(
        path, [&entry](QIODevice& device) { return device.write(entry) == entry.size(); }, error);
}

} // namespace Autostart
