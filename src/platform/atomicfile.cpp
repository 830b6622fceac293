#include "platform/atomicfile.h"

#include "platform/files.h"
#include "platform/journal.h"

#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {

namespace {

// ".<name>.markcrate-<pid>-<six letters or digits>": hidden, so that folder
// listings and shortcut walks pass it by, and carrying the writer's process
// so that a later session can tell a dead save from one in progress.
constexpr QByteArrayView kTempTag = ".markcrate-";
constexpr int kRandomLetters = 6;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Where the bytes go: a link is followed to the file it names (which need
// not exist yet), so that replacing it keeps the link.
QByteArray resolveLinks(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info;
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length <= 0 || length >= ssize_t(sizeof target))
            return path;
        QByteArray next(target, length);
        path = next.startsWith('/') ? next : QByteArray(folderOf(path) + '/' + next);
    }
    return path;
}

mode_t modeOf(QFileDevice::Permissions permissions)
{
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR},
        {QFileDevice::WriteOwner, S_IWUSR},
        {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP},
        {QFileDevice::WriteGroup, S_IWGRP},
        {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH},
        {QFileDevice::WriteOther, S_IWOTH},
        {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto& [permission, bit] : bits) {
        if (permissions.testFlag(permission))
            mode |= bit;
    }
    return mode;
}

// A leftover's process, or 0 when the name is not a save's temporary file.
pid_t leftoverProcess(QByteArrayView name)
{
    if (!name.startsWith('.') || name.size() < kTempTag.size() + kRandomLetters + 3)
        return 0;
    const qsizetype tag = QByteArray::fromRawData(name.data(), name.size()).lastIndexOf(kTempTag);
    if (tag <= 1)
        return 0;
    const QByteArrayView rest = name.sliced(tag + kTempTag.size());
    const qsizetype dash = rest.indexOf('-');
    if (dash <= 0 || rest.size() - dash - 1 != kRandomLetters)
        return 0;
    for (const char c : rest.sliced(dash + 1)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return 0;
    }
    qint64 pid = 0;
    for (const char c : rest.first(dash)) {
        if (c < '0' || c > '9' || pid > INT_MAX / 10)
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid_t(pid);
}

int sweepFolder(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    int removed = 0;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = leftoverProcess(entry->d_name);
        // A process that still runs (or that belongs to another user, EPERM)
        // may be writing it.
        if (owner == 0 || owner == self || ::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat info;
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path.constData()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

void sweepOnce(const QByteArray& folder)
{
    static QMutex mutex;
    static QSet<QByteArray> swept;
    {
        QMutexLocker lock(&mutex);
        if (swept.contains(folder))
            return;
        swept.insert(folder);
    }
    sweepFolder(folder);
}

QByteArray temporaryName()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray letters(kRandomLetters, '\0');
    for (char& c : letters)
        c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return kTempTag.toByteArray() + QByteArray::number(qint64(::getpid())) + '-' + letters;
}

} // namespace

int removeSaveLeftovers(const QString& folder)
{
    return sweepFolder(encodeFileName(diskPath(nativePath(folder))));
}

namespace {

bool writeAtomically(const QString& path,
                     const std::function<bool(QIODevice&)>& writer,
                     QString* errorText,
                     QFileDevice::Permissions permissions,
                     bool keepOldMode)
{
    auto fail = [errorText](const QString& why) {
        if (errorText)
            *errorText = why;
        return false;
    };
    const QByteArray target = resolveLinks(encodeFileName(diskPath(path)));
    journal::fileChanging(decodeFileName(target));
    const QByteArray folder = folderOf(target);
    const QByteArray name = target.mid(target.lastIndexOf('/') + 1);
    if (name.isEmpty())
        return fail(QStringLiteral("the path names no file"));

    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return fail(QStringLiteral("a folder of that name is in the way"));
    // A file the user made read-only is not replaced behind their back,
    // even where this user could (the superuser).
    if (exists && ::access(target.constData(), W_OK) != 0)
        return fail(QStringLiteral("the existing file is not writable (%1)").arg(systemError(errno)));
    if (exists && !(old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        return fail(QStringLiteral("the existing file is not writable (%1)").arg(systemError(EACCES)));
    sweepOnce(folder);

    // Private until its permissions are set; a new file without asked-for
    // permissions is created with the umask's, as any new file is.
    const bool ownMode = exists || permissions;
    const mode_t mode = exists && keepOldMode ? (old.st_mode & 07777) : modeOf(permissions);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + name + temporaryName();
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownMode ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(systemError(errno));
    }
    if (fd < 0)
        return fail(QStringLiteral("no temporary file could be made beside it"));

    auto abandon = [&](const QString& why) {
        ::unlink(temporary.constData());
        return fail(why);
    };
    {
        QFile file;
        if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
            ::close(fd);
            return abandon(file.errorString());
        }
        const auto fileError = [&file] {
            return file.error() != QFileDevice::NoError ? file.errorString()
                                                        : QStringLiteral("the data could not be written");
        };
        if (!writer(file) || file.error() != QFileDevice::NoError) {
            const QString why = fileError();
            file.close();
            ::close(fd);
            return abandon(why);
        }
        // A full disk shows here at the latest, when the buffered rest goes out.
        const qint64 written = file.pos();
        if (!file.flush() || file.error() != QFileDevice::NoError) {
            const QString why = fileError();
            file.close();
            ::close(fd);
            return abandon(why);
        }
        file.close();
        struct stat info
        {
        };
        if (::fstat(fd, &info) != 0 || info.st_size != written) {
            ::close(fd);
            return abandon(
                QStringLiteral("only %1 of %2 bytes could be written").arg(qint64(info.st_size)).arg(written));
        }
    }
    if (ownMode && ::fchmod(fd, mode) != 0) {
        const int error = errno;
        ::close(fd);
        return abandon(systemError(error));
    }
    // The bytes must be on the disk before the name points at them, or a
    // power loss could leave an empty file under the old name.
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    if (::close(fd) != 0 || !synced)
        return abandon(systemError(synced ? errno : syncError));
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        return abandon(systemError(error));
    }
    // And the rename itself must reach the disk; a folder that cannot be
    // synced (some network file systems) still holds the new file.
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

} // namespace

bool writeFileAtomically(const QString& path,
                         const std::function<bool(QIODevice&)>& writer,
                         QString* errorText,
                         QFileDevice::Permissions permissions)
{
    return writeAtomically(path, writer, errorText, permissions, true);
}

bool writePrivateFileAtomically(const QString& path,
                                const std::function<bool(QIODevice&)>& writer,
                                QString* errorText,
                                QFileDevice::Permissions permissions)
{
    return writeAtomically(path, writer, errorText, permissions, false);
}

} // namespace platform
