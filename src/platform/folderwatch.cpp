#include "platform/folderwatch.h"

#include "platform/files.h"

#ifdef __linux__
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef __linux__

namespace {

// The system tells of changes made on this machine only: a folder on a
// network share may change from elsewhere without a word, so only file
// systems known to be local are watched.
bool isLocalFileSystem(const QByteArray& path)
{
    struct statfs info = {};
    if (::statfs(path.constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case 0x2fc12fc1UL: // zfs
    case 0x52654973UL: // reiserfs
        return true;
    default:
        return false;
    }
}

// Names only: an entry's kind cannot change without its name going and
// coming. Events on the entries themselves (attributes, writes) would also
// make the system mark every entry of the folder when the watch starts.
constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

} // namespace

FolderWatch::FolderWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatch::~FolderWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int FolderWatch::watch(const QString& native)
{
    if (m_fd < 0)
        return 0;
    const QByteArray path = encodeFileName(diskPath(native));
    if (!isLocalFileSystem(path))
        return 0;
    const int descriptor = ::inotify_add_watch(m_fd, path.constData(), kNameEvents | kSelfEvents | IN_ONLYDIR);
    if (descriptor < 0)
        return 0; // the system's limit of watches, or no such folder
    // A folder watched already shares the system's watch, and what is queued
    // for it may reach this handle too: a name looked at needlessly, no more.
    const int handle = m_next++;
    m_watched.insert(handle, Watched{descriptor, {}, false});
    m_byDescriptor[descriptor].append(handle);
    return handle;
}

void FolderWatch::unwatch(int handle)
{
    const auto found = m_watched.constFind(handle);
    if (found == m_watched.cend())
        return;
    const int descriptor = found->descriptor;
    m_watched.erase(found);
    QList<int>& handles = m_byDescriptor[descriptor];
    handles.removeOne(handle);
    if (handles.isEmpty()) {
        m_byDescriptor.remove(descriptor);
        ::inotify_rm_watch(m_fd, descriptor);
    }
}

std::optional<QSet<QByteArray>> FolderWatch::changes(int handle)
{
    drain();
    const auto found = m_watched.find(handle);
    if (found == m_watched.end() || found->lost)
        return std::nullopt;
    return std::exchange(found->names, {});
}

void FolderWatch::drain()
{
    if (m_fd < 0)
        return;
    alignas(struct inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            return; // EAGAIN: nothing more queued
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += ssize_t(sizeof(struct inotify_event)) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                for (Watched& watched : m_watched)
                    watched.lost = true; // the queue dropped changes of some folder
                continue;
            }
            const auto handles = m_byDescriptor.constFind(event->wd);
            if (handles == m_byDescriptor.cend())
                continue; // a watch ended since
            const bool self = event->mask & (kSelfEvents | IN_IGNORED | IN_UNMOUNT);
            const QByteArray name =
                event->len ? QByteArray(event->name, qsizetype(::strnlen(event->name, event->len))) : QByteArray();
            for (int handle : *handles) {
                Watched& watched = m_watched[handle];
                if (self || name.isEmpty() || watched.names.size() >= kMostChanges)
                    watched.lost = true;
                else if (!watched.lost)
                    watched.names.insert(name);
            }
        }
    }
}

#else // no watch here: every caller reads the folder

FolderWatch::FolderWatch() = default;
FolderWatch::~FolderWatch() = default;

int FolderWatch::watch(const QString&)
{
    return 0;
}

void FolderWatch::unwatch(int) {}

std::optional<QSet<QByteArray>> FolderWatch::changes(int)
{
    return std::nullopt;
}

void FolderWatch::drain() {}

#endif

} // namespace platform
