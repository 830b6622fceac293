#include "platform/atomicfile.h"

#include <QSaveFile>

namespace platform {

bool writeFileAtomically(const QString& path,
                         const std::function<bool(QIODevice&)>& writer,
                         QString* errorText,
                         QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
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
    // commit() flushes, syncs and renames; it fails if any earlier write failed.
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

} // namespace platform
