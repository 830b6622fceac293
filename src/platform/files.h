#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Files as the program expects them: paths that may use "\" as separator,
// an attribute word, and a directory search filtered by an attribute mask.
class QIODevice;

namespace platform {

namespace FileAttribute {
inline constexpr quint32 ReadOnly = 1;
inline constexpr quint32 Hidden = 2;
inline constexpr quint32 System = 4;
inline constexpr quint32 Directory = 16;
inline constexpr quint32 Archive = 32;
} // namespace FileAttribute

// Maps "\" to "/", so that paths built with "\" reach the file system.
QString nativePath(const QString& path);

// A name read from disk may hold "\", an ordinary character here: it reaches
// the program with the look-alike U+29F5 in its place, so that a path joined
// with "\" never splits it. The character the name uses on disk.
inline constexpr char16_t kBackslashLookAlike = 0x29F5;
// The path as it stands on disk, for a native path: a part holding the
// look-alike that does not exist as written but does with "\" is that one.
// Every call that reaches the file system resolves its path through here;
// it changes nothing else, so resolving twice gives the same path.
QString diskPath(const QString& native);

// File names as bytes: a name that is not valid UTF-8 keeps each odd byte as
// a character of its own (U+DC80 to U+DCFF, shown as a replacement mark), so
// that encoding it again gives the very bytes it has on disk.
QString decodeFileName(const QByteArray& bytes);
QByteArray encodeFileName(const QString& name);
// Removes a file or an empty folder named by its bytes; false when it stays.
bool removeFileByName(const QString& native);
bool removeFolderByName(const QString& native);

struct FileEntry
{
    QString name;    // as shown: a "\" of the name as its look-alike
    QString rawName; // as on disk
    quint32 attributes = 0;
    bool isSymLink = false;
};

// An entry named as a search names it, for a name as on disk; its kind is
// left to be found.
FileEntry entryNamed(const QByteArray& rawName);

// The attributes of a path: a name starting with "." is hidden, a file
// without write permission read-only, every plain file has the archive bit.
// Error 53 for a path that does not exist.
quint32 fileAttributes(const QString& path);

// The entries of a folder, "." and ".." left out, in the order the file
// system gives them. An entry shows when its hidden, system and directory
// bits are all in `mask`; plain files always show. Error 76 for a folder that
// does not exist, 5 for one that cannot be read.
// `readOnly` false leaves the read-only bit unset and saves a system call per
// entry, for walks that do not need it.
QList<FileEntry> findEntries(const QString& folder, quint32 mask, bool readOnly = true);
// The same for a folder given as a native path, which is used as it is.
QList<FileEntry> findNativeEntries(const QString& folder, quint32 mask, bool readOnly = true);
// The one entry of that name (as on disk) in a folder given as a native
// path, as the search would give it: false when there is none or the mask
// leaves it out.
bool findNativeEntry(
    const QString& folder, const QByteArray& rawName, quint32 mask, FileEntry* entry, bool readOnly = true);

// Identifies a folder (device and inode), so that a walk can tell when a link
// leads it back to a folder it has seen. False when the path cannot be read.
bool folderIdentity(const QString& path, quint64* device, quint64* inode);
// True when the path itself is a symbolic link.
bool isSymLink(const QString& path);

// Which version of a file is on disk: another program that writes it (or
// replaces it) changes the stamp.
struct FileStamp
{
    bool exists = false;
    bool regular = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const QString& path);
// Whether a stamp just taken can tell every later change: a file changed
// within the last two seconds may change again within the same tick of the
// file system's clock and keep its stamp. Ask it right after fileStamp().
bool isSettled(const FileStamp& stamp);
// Whether two stamps differ at most in what a change of mode or owner
// changes (the status time): the content may then be the same.
bool sameContentStamp(const FileStamp& a, const FileStamp& b);
// A hash of a regular file's bytes, taken over parts of `partBytes` each, to
// tell a change of mode or owner from one of content where the stamps cannot;
// none for anything unreadable. A reader that takes the file in parts of that
// size hashes it in the same pass with chainHash, to the same value.
std::optional<quint64> contentHash(const QString& path, qsizetype partBytes);
quint64 chainHash(quint64 hash, QByteArrayView part);

// Reads from the device's position to its end or to `limit` bytes, whichever
// comes first. Unlike QIODevice::read(limit), it reserves memory for what the
// file holds, not for the limit, and still reads what was added since its size
// was asked.
QByteArray readAtMost(QIODevice& device, qint64 limit);
// The same for a file by its path, which must be a regular file: false, and
// `bytes` untouched, for anything else or a file that cannot be opened.
bool readRegularFile(const QString& path, qint64 limit, QByteArray* bytes);

} // namespace platform
