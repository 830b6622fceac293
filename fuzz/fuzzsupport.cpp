#include "fuzzsupport.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace fuzzsupport {

QString scratchFile(const QByteArray& contents)
{
    static const QString path = QDir::tempPath() + QStringLiteral("/markcrate-fuzz-%1.txt").arg(::getpid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size()) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

} // namespace fuzzsupport
