#pragma once

#include <QFileDevice>
#include <QString>

#include <functional>

class QIODevice;

namespace platform {

// Writes a file so that a failure or a kill at any moment leaves either the old
// file or the complete new one: the writer fills a temporary file, which is
// flushed to disk and renamed over the target only when every step succeeded.
// `permissions` of 0 keeps the default (private to the user for a new file).
bool writeFileAtomically(const QString& path,
                         const std::function<bool(QIODevice&)>& writer,
                         QString* errorText = nullptr,
                         QFileDevice::Permissions permissions = {});

} // namespace platform
