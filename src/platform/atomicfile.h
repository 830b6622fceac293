#pragma once

#include <QFileDevice>
#include <QString>

#include <functional>

class QIODevice;

namespace platform {

// Writes a file so that a failure or a kill at any moment leaves either the old
// file or the complete new one: the writer fills a temporary file beside the
// target, which is flushed to disk and renamed over the target only when every
// step succeeded. A symbolic link stays a link; its target gets the new
// content. An existing file keeps its permissions; a new one gets
// `permissions`, or by default those the user's umask gives a new file.
// A file the user made read-only (no write permission for anyone, or
// none for this user) is not replaced.
bool writeFileAtomically(const QString& path,
                         const std::function<bool(QIODevice&)>& writer,
                         QString* errorText = nullptr,
                         QFileDevice::Permissions permissions = {});

// The same, but the file always ends with `permissions`, whatever the old
// one had: a private file made readable by others becomes private again.
bool writePrivateFileAtomically(const QString& path,
                                const std::function<bool(QIODevice&)>& writer,
                                QString* errorText,
                                QFileDevice::Permissions permissions);

// The temporary files of saves into `folder` whose process no longer runs
// (killed, or the machine lost power): removed. Every save sweeps its folder
// once a session, so leftovers never pile up; returns how many went.
int removeSaveLeftovers(const QString& folder);

} // namespace platform
