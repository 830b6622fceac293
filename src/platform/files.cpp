#include "platform/files.h"

#include "platform/error.h"

#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QIODevice>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>

namespace platform {

QString nativePath(const QString& path)
{
    QString native = path;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return native;
}

QString decodeFileName(const QByteArray& bytes)
{
    QStringDecoder strict(QStringConverter::Utf8,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = strict.decode(bytes);
    if (!strict.hasError())
        return text;
    // Byte by byte: whole UTF-8 sequences as their characters, any other byte as U+DC00 + byte.
    text.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char lead = p[i];
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= n;
        for (int k = 1; valid && k < length; ++k)
            valid = (p[i + k] & 0xC0) == 0x80;
        if (valid && length > 1) {
            QStringDecoder one(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
            const QString decoded = one.decode(QByteArrayView(bytes.constData() + i, length));
            valid = !one.hasError();
            if (valid)
                text += decoded;
        } else if (valid) {
            text += QLatin1Char(char(lead));
        }
        if (!valid) {
            text += QChar(char16_t(0xDC00 + lead));
            length = 1;
        }
        i += length;
    }
    return text;
}

QByteArray encodeFileName(const QString& name)
{
    bool escaped = false;
    for (const QChar c : name)
        escaped = escaped || (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF);
    if (!escaped)
        return QFile::encodeName(name);
    QByteArray bytes;
    QString run;
    for (const QChar c : name) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF && !(run.size() && run.back().isHighSurrogate())) {
            bytes += run.toUtf8();
            run.clear();
            bytes += char(c.unicode() - 0xDC00);
        } else {
            run += c;
        }
    }
    return bytes + run.toUtf8();
}

bool removeFileByName(const QString& native)
{
    return ::unlink(encodeFileName(native).constData()) == 0;
}

bool removeFolderByName(const QString& native)
{
    return ::rmdir(encodeFileName(native).constData()) == 0;
}

QString diskPath(const QString& native)
{
    if (!native.contains(QChar(kBackslashLookAlike)))
        return native;
    const QStringList parts = native.split(QLatin1Char('/'));
    QString resolved;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            resolved += QLatin1Char('/');
        const QString& part = parts[i];
        if (!part.contains(QChar(kBackslashLookAlike))) {
            resolved += part;
            continue;
        }
        struct stat info = {};
        const bool asWritten = ::lstat(encodeFileName(resolved + part).constData(), &info) == 0;
        QString onDisk = part;
        onDisk.replace(QChar(kBackslashLookAlike), QLatin1Char('\\'));
        const bool withBackslash = !asWritten && ::lstat(encodeFileName(resolved + onDisk).constData(), &info) == 0;
        resolved += withBackslash ? onDisk : part;
    }
    return resolved;
}

namespace {

quint32 attributesOf(const QString& name, const struct stat& info, bool writable)
{
    quint32 attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FileAttribute::Directory;
    else
        attributes |= FileAttribute::Archive;
    if (name.startsWith(QLatin1Char('.')))
        attributes |= FileAttribute::Hidden;
    if (!writable)
        attributes |= FileAttribute::ReadOnly;
    return attributes;
}

} // namespace

quint32 fileAttributes(const QString& path)
{
    const QByteArray native = encodeFileName(diskPath(nativePath(path)));
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0)
        throw cError(ErrorNumber::FileNotFound);
    QString name = nativePath(path);
    while (name.endsWith(QLatin1Char('/')) && name.size() > 1)
        name.chop(1);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    return attributesOf(name, info, ::access(native.constData(), W_OK) == 0);
}

QList<FileEntry> findEntries(const QString& folder, quint32 mask, bool readOnly)
{
    return findNativeEntries(nativePath(folder), mask, readOnly);
}

FileEntry entryNamed(const QByteArray& rawName)
{
    FileEntry entry;
    entry.rawName = decodeFileName(rawName);
    entry.name = entry.rawName;
    entry.name.replace(QLatin1Char('\\'), QChar(kBackslashLookAlike));
    return entry;
}

namespace {

// One entry of a folder as a search gives it; false when it is gone or the
// mask leaves it out.
bool classify(int dirFd, const char* rawName, unsigned char type, quint32 mask, bool readOnly, FileEntry* found)
{
    *found = entryNamed(QByteArray(rawName));
    bool directory = type == DT_DIR;
    // Only links and file systems that do not tell the type need a stat;
    // a link counts as what it points to, a dangling one as a plain file.
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat info = {};
        if (::fstatat(dirFd, rawName, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return false; // gone since the listing
        found->isSymLink = S_ISLNK(info.st_mode);
        if (found->isSymLink && ::fstatat(dirFd, rawName, &info, 0) != 0)
            info.st_mode = S_IFREG;
        directory = S_ISDIR(info.st_mode);
    }
    found->attributes = directory ? FileAttribute::Directory : FileAttribute::Archive;
    if (found->name.startsWith(QLatin1Char('.')))
        found->attributes |= FileAttribute::Hidden;
    const quint32 filtered = FileAttribute::Hidden | FileAttribute::System | FileAttribute::Directory;
    if ((found->attributes & filtered & ~mask) != 0)
        return false;
    if (readOnly && ::faccessat(dirFd, rawName, W_OK, 0) != 0)
        found->attributes |= FileAttribute::ReadOnly;
    return true;
}

} // namespace

QList<FileEntry> findNativeEntries(const QString& folder, quint32 mask, bool readOnly)
{
    QString native = folder;
    if (native.isEmpty())
        throw cError(ErrorNumber::PathNotFound);
    if (!native.endsWith(QLatin1Char('/')))
        native += QLatin1Char('/');
    const QByteArray encoded = encodeFileName(diskPath(native));
    DIR* dir = ::opendir(encoded.constData());
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw cError(ErrorNumber::PathNotFound);
        throw cError(ErrorNumber::InvalidProcedureCall);
    }
    const int dirFd = ::dirfd(dir);
    QList<FileEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const char* rawName = entry->d_name;
        if (std::strcmp(rawName, ".") == 0 || std::strcmp(rawName, "..") == 0)
            continue;
        FileEntry found;
        if (classify(dirFd, rawName, entry->d_type, mask, readOnly, &found))
            entries.append(std::move(found));
    }
    ::closedir(dir);
    return entries;
}

bool findNativeEntry(const QString& folder, const QByteArray& rawName, quint32 mask, FileEntry* entry, bool readOnly)
{
    if (rawName.isEmpty() || rawName == "." || rawName == ".." || rawName.contains('/'))
        return false;
    const int dirFd = ::open(encodeFileName(diskPath(folder)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    const bool found = classify(dirFd, rawName.constData(), DT_UNKNOWN, mask, readOnly, entry);
    ::close(dirFd);
    return found;
}

bool folderIdentity(const QString& path, quint64* device, quint64* inode)
{
    struct stat info = {};
    if (::stat(encodeFileName(diskPath(nativePath(path))).constData(), &info) != 0)
        return false;
    *device = quint64(info.st_dev);
    *inode = quint64(info.st_ino);
    return true;
}

bool isSymLink(const QString& path)
{
    QString native = diskPath(nativePath(path));
    while (native.size() > 1 && native.endsWith(QLatin1Char('/')))
        native.chop(1);
    struct stat info = {};
    return ::lstat(encodeFileName(native).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

FileStamp fileStamp(const QString& path)
{
    FileStamp stamp;
    struct stat info;
    if (::stat(encodeFileName(diskPath(nativePath(path))).constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.regular = S_ISREG(info.st_mode);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    return stamp;
}

bool isSettled(const FileStamp& stamp)
{
    constexpr qint64 kSettledNs = 2'000'000'000;
    const qint64 now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return now - std::max(stamp.modifiedNs, stamp.changedNs) >= kSettledNs;
}

namespace {

// Reads with `read` until its end or `limit` bytes, into room for `hint`
// bytes first and more as they come.
template <typename Read> QByteArray readChunks(qint64 hint, qint64 limit, Read read)
{
    constexpr qint64 kFirstChunk = 4096;
    // One more than the size, so a file read whole ends with a read that finds its end.
    qint64 chunk = qMin(qMax(hint + 1, kFirstChunk), limit);
    QByteArray bytes;
    while (bytes.size() < limit) {
        const qsizetype filled = bytes.size();
        const qint64 want = qMin(chunk, limit - filled);
        bytes.resize(filled + qsizetype(want));
        const qint64 got = read(bytes.data() + filled, want);
        bytes.resize(filled + qsizetype(qMax(got, qint64(0))));
        if (got <= 0)
            break;
        chunk = qMin(chunk * 2, limit);
    }
    return bytes;
}

} // namespace

QByteArray readAtMost(QIODevice& device, qint64 limit)
{
    const qint64 hint = device.isSequential() ? 0 : device.size() - device.pos();
    return readChunks(hint, limit, [&device](char* data, qint64 want) { return device.read(data, want); });
}

bool readRegularFile(const QString& path, qint64 limit, QByteArray* bytes)
{
    // Opened without waiting, then asked what it is: a pipe put in the file's
    // place between a look and the opening can never block the window.
    const int fd = ::open(encodeFileName(diskPath(nativePath(path))).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regular) {
        *bytes = readChunks(qint64(info.st_size), limit, [fd](char* data, qint64 want) {
            ssize_t got;
            do
                got = ::read(fd, data, size_t(want));
            while (got < 0 && errno == EINTR);
            return qint64(got);
        });
    }
    ::close(fd);
    return regular;
}

quint64 chainHash(quint64 hash, QByteArrayView part)
{
    return quint64(qHash(part, size_t(hash)));
}

std::optional<quint64> contentHash(const QString& path, qsizetype partBytes)
{
    const int fd = ::open(encodeFileName(diskPath(nativePath(path))).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray part(partBytes, Qt::Uninitialized);
    quint64 hash = 0;
    for (bool end = false; !end;) {
        // Each part filled whole, as a reader's full reads fill it: the hash depends on where parts end.
        qsizetype filled = 0;
        while (filled < partBytes) {
            const ssize_t got = ::read(fd, part.data() + filled, size_t(partBytes - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ::close(fd);
                return std::nullopt;
            }
            if (got == 0) {
                end = true;
                break;
            }
            filled += qsizetype(got);
        }
        if (filled > 0)
            hash = chainHash(hash, QByteArrayView(part.constData(), filled));
    }
    ::close(fd);
    return hash;
}

bool sameContentStamp(const FileStamp& a, const FileStamp& b)
{
    return a.exists == b.exists && a.regular == b.regular && a.size == b.size && a.modifiedNs == b.modifiedNs &&
           a.device == b.device && a.inode == b.inode;
}

} // namespace platform
