#include "platform/atomicfile.h"

#include "platform/files.h"

#include <QSaveFile>

namespace platform {

bool writeFileAtomically(const QString& path,
                         const std::function<bool(QIODevice&)>& writer,
                         QString* errorText,
                         QFileDevice::Permissions permissions)
{
    QSaveFile file(diskPath(path));
    file.setDirectWriteFallback(false);
    auto fail = [&](const QString& why) {
        if (errorText)
            *errorText = why;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (permissions && !file.setPermissions(permissions))
        return fail(file.errorString());
    if (!writer(file))
        return fail(file.error() != QFileDevice::NoError ? file.errorString()
                                                         : QStringLiteral("the data could not be written"));
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    // The buffered rest must reach the file before commit(): a flush that
    // fails inside commit() is not always seen, and a full disk would then
    // replace the file with a short one.
    const qint64 written = file.pos();
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return fail(file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("the data could not be written"));
    if (file.size() != written)
        return fail(QStringLiteral("only %1 of %2 bytes could be written").arg(file.size()).arg(written));
    // commit() syncs and renames; it fails if any earlier write failed.
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

} // namespace platform
