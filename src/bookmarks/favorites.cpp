#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"

#include "bookmarks/names.h"
#include "bookmarks/sortnames.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/profilefile.h"
#include "store/cRegistry.h"
#include "store/keyvalue.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <optional>

using namespace platform;

namespace Favorites {

namespace {

constexpr quint32 kTopLevelMask = FileAttribute::Directory | FileAttribute::Hidden | FileAttribute::System;
constexpr quint32 kDeeperMask = kTopLevelMask | FileAttribute::ReadOnly;
constexpr quint32 kDeletionMask = kTopLevelMask | FileAttribute::Archive;
constexpr int kShortcutBuffer = 128;
const QString kSourceKey = QStringLiteral("3A");

QString withSeparator(const QString& path)
{
    return path.endsWith(QLatin1Char('\\')) ? path : path + QLatin1Char('\\');
}

// Error 5 marks an entry that cannot be read: it is passed over.
bool isSkippable(const cError& error)
{
    return error.Number() == ErrorNumber::InvalidProcedureCall;
}

class Walk
{
public:
    Walk(const std::function<void(const FolderNode&)>& add) : m_add(add) {}

    // False when this folder was seen already (a link leading back).
    bool firstVisit(const QString& path)
    {
        quint64 device = 0;
        quint64 inode = 0;
        if (!folderIdentity(path, &device, &inode))
            return true;
        const auto id = qMakePair(device, inode);
        if (m_seen.contains(id))
            return false;
        m_seen.insert(id);
        return true;
    }

    void addNode(const QString& parentPath, const QString& name, const QString& parentKey)
    {
        FolderNode node;
        node.key = Keys::folderKey(m_next++, Keys::InternetExplorerSource);
        node.parentKey = parentKey;
        node.text = name;
        node.image = isHiddenFolder(parentPath + name) ? 6 : 2;
        m_add(node);
        m_lastKey = node.key;
    }

    // The deeper levels, in search order, parents before children; an explicit
    // stack instead of recursion, however deep the folders go.
    void addSubFolders(const QString& path, const QString& parentKey)
    {
        struct Level
        {
            QString path;
            QString key;
            QStringList pending;
        };
        std::vector<Level> stack;
        stack.push_back(Level{path, parentKey, subFolders(path)});
        while (!stack.empty()) {
            Level& level = stack.back();
            if (level.pending.isEmpty()) {
                stack.pop_back();
                continue;
            }
            const QString name = level.pending.takeFirst();
            const QString levelPath = level.path;
            addNode(levelPath, name, level.key);
            const QString childPath = levelPath + name + QLatin1Char('\\');
            if (!firstVisit(childPath))
                continue;
            stack.push_back(Level{childPath, m_lastKey, subFolders(childPath)});
        }
    }

    QStringList subFolders(const QString& path)
    {
        QStringList names;
        try {
            for (const FileEntry& entry : findEntries(path, kDeeperMask, false)) {
                if (entry.attributes & FileAttribute::Directory)
                    names.append(entry.name);
            }
        } catch (const cError& error) {
            // A folder that cannot be read, or whose name is not valid UTF-8 and
            // so cannot be named again, is shown but not walked: the rest of the tree still is.
            if (!isSkippable(error) && error.Number() != ErrorNumber::PathNotFound)
                throw;
        }
        return names;
    }

    const QString& lastKey() const { return m_lastKey; }

private:
    const std::function<void(const FolderNode&)>& m_add;
    QSet<QPair<quint64, quint64>> m_seen;
    QString m_lastKey;
    int m_next = 0;
};

// `path` is a native path; the names found in it are joined as they are, so
// that a name holding "\\" (an ordinary character here) never reads as a
// separator and never leads out of the folder.
void emptyNativeFolder(const QString& path, const std::function<void()>& yield)
{
    const QString folder = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    QStringList subFolders;
    for (const FileEntry& entry : findNativeEntries(folder, kDeletionMask)) {
        if (yield)
            yield();
        const QString full = folder + entry.rawName;
        if ((entry.attributes & FileAttribute::Directory) && !entry.isSymLink) {
            subFolders.append(entry.rawName);
        } else if (!removeFileByName(full)) {
            // A link or a file: removing it never touches what a link points to.
            throw cError(ErrorNumber::PathFileAccessError);
        }
    }
    for (const QString& name : subFolders) {
        try {
            emptyNativeFolder(folder + name, yield);
        } catch (const cError& error) {
            if (!isSkippable(error))
                throw;
            continue;
        }
        if (!removeFolderByName(folder + name))
            throw cError(ErrorNumber::PathFileAccessError);
    }
}

void emptyFolder(const QString& path, const std::function<void()>& yield)
{
    emptyNativeFolder(diskPath(nativePath(path)), yield);
}

} // namespace

QString folder()
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
    registry.setValueName(QStringLiteral("Favorites"));
    registry.setKeyType(cRegistry::REG_SZ);
    const QString value = keyvalue::text(registry.KeyValue()).trimmed();
    // A blank value, or one that names no absolute folder, gives no source at all.
    if (value.isEmpty() || !QDir::isAbsolutePath(nativePath(value)))
        return {};
    return withSeparator(value);
}

void loadTree(const QString& root,
              const std::function<void(const FolderNode&)>& add,
              const std::function<void()>& yield)
{
    if (root.isEmpty())
        return;
    QStringList topLevel;
    try {
        for (const FileEntry& entry : findEntries(root, kTopLevelMask, false)) {
            if (yield)
                yield();
            if (entry.attributes & FileAttribute::Directory)
                topLevel.append(entry.name);
        }
    } catch (const cError&) {
        return; // the load ends quietly
    }
    SortNames(topLevel);
    Walk walk(add);
    walk.firstVisit(root);
    for (const QString& name : topLevel) {
        walk.addNode(root, name, kSourceKey);
        const QString path = root + name + QLatin1Char('\\');
        if (walk.firstVisit(path))
            walk.addSubFolders(path, walk.lastKey());
    }
}

QString pathIn(const QString& root, const QString& relative, const QString& name)
{
    return root + (relative.isEmpty() ? QString() : relative + QLatin1Char('\\')) + name;
}

namespace {

// The name a file shows under when it is a shortcut.
std::optional<QString> shownName(const FileEntry& entry)
{
    if (entry.attributes & FileAttribute::Directory)
        return std::nullopt; // a folder named like a shortcut is still a folder
    if (!entry.name.trimmed().endsWith(QLatin1String(".url"), Qt::CaseInsensitive))
        return std::nullopt;
    return entry.name.left(entry.name.size() - 4);
}

QString onDiskUnlessPlain(const QString& shown, const FileEntry& entry)
{
    const bool plain = entry.rawName.size() == shown.size() + 4 && entry.rawName.startsWith(shown) &&
                       entry.rawName.endsWith(QLatin1String(".url"));
    return plain ? QString() : entry.rawName;
}

// `linked` tells whether an entry was a link, whose kind may change with
// its target while the folder itself stays as it was.
FolderListings::Listing readFolder(const QString& folderPath, bool* linked)
{
    FolderListings::Listing listing;
    *linked = false;
    if (folderPath.isEmpty())
        return listing;
    QStringList names;
    QStringList onDisk;
    for (const FileEntry& entry : findEntries(withSeparator(folderPath), kDeeperMask, false)) {
        *linked = *linked || entry.isSymLink;
        if (std::optional<QString> shown = shownName(entry)) {
            onDisk.append(onDiskUnlessPlain(*shown, entry));
            names.append(std::move(*shown));
        }
    }
    const std::vector<qsizetype> order = SortedOrder(names);
    listing.names.reserve(names.size());
    listing.onDisk.reserve(names.size());
    for (qsizetype index : order) {
        listing.names.append(std::move(names[index]));
        listing.onDisk.append(std::move(onDisk[index]));
    }
    return listing;
}

// Brings a listing up to date for one name that may have come, gone or
// changed kind; false where only a new read can tell the order.
bool patchName(FolderListings::Listing& listing, const QString& native, const QByteArray& raw)
{
    const FileEntry was = entryNamed(raw);
    if (const std::optional<QString> shown = shownName(was)) {
        bool tie = false;
        for (qsizetype at = SortedPlace(listing.names, *shown, &tie); tie && at < listing.names.size(); ++at) {
            if (compareFolded(listing.names.at(at), *shown) != 0)
                break;
            const QString& file = listing.onDisk.at(at);
            if ((file.isNull() ? listing.names.at(at) + QLatin1String(".url") : file) == was.rawName) {
                listing.names.removeAt(at);
                listing.onDisk.removeAt(at);
                break;
            }
        }
    }
    FileEntry now;
    if (!findNativeEntry(native, raw, kDeeperMask, &now, false))
        return true; // gone, or not a name a listing shows
    if (now.isSymLink)
        return false; // a link's kind follows its target: such a folder is not kept
    if (std::optional<QString> shown = shownName(now)) {
        bool tie = false;
        const qsizetype at = SortedPlace(listing.names, *shown, &tie);
        if (tie)
            return false; // names alike in lower case keep the order the folder gives them
        listing.onDisk.insert(at, onDiskUnlessPlain(*shown, now));
        listing.names.insert(at, std::move(*shown));
    }
    return true;
}

} // namespace

QStringList listFolder(const QString& folderPath)
{
    bool linked = false;
    return readFolder(folderPath, &linked).names;
}

bool FolderListings::bringUpToDate(Listing& listing, const QString& native)
{
    const std::optional<QSet<QByteArray>> changed = listing.watch.changes();
    if (!changed)
        return false;
    for (const QByteArray& name : *changed) {
        if (!patchName(listing, native, name))
            return false;
    }
    return true;
}

QStringList FolderListings::list(const QString& folderPath, qsizetype keepFrom)
{
    const FileStamp stamp = fileStamp(withSeparator(folderPath));
    const QString native = nativePath(withSeparator(folderPath));
    if (auto* kept = stamp.exists ? m_recent.latest(folderPath) : nullptr) {
        // The same folder still: one moved away and another put in its place is read anew.
        const bool same = kept->stamp.device == stamp.device && kept->stamp.inode == stamp.inode;
        if (same && kept->listing.watch && bringUpToDate(kept->listing, native)) {
            kept->stamp = stamp;
            return kept->listing.names;
        }
        if (same && !kept->listing.watch && kept->stamp == stamp)
            return kept->listing.names;
        m_recent.drop(folderPath);
    }
    // Watched first and stamped first: a change while reading shows next time.
    platform::WatchedFolder watch =
        stamp.exists && m_watching ? platform::WatchedFolder(m_watch, native) : platform::WatchedFolder();
    bool linked = false;
    Listing listing = readFolder(folderPath, &linked);
    ++m_wholeReads;
    QStringList names = listing.names;
    // Unwatched, a stamp too recent may miss a second change within the same tick.
    if (stamp.exists && !linked && names.size() >= keepFrom && (watch || isSettled(stamp))) {
        listing.watch = std::move(watch);
        m_recent.keep(folderPath, stamp, std::move(listing));
    }
    return names;
}

bool isHiddenFolder(const QString& path)
{
    try {
        return fileAttributes(path) & (FileAttribute::Hidden | FileAttribute::System);
    } catch (const cError&) {
        return false;
    }
}

QString ReadShortcutUrl(const QString& file)
{
    return GetPrivateProfileString(
        QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString(), kShortcutBuffer, file);
}

bool isInside(const QString& native)
{
    const QString root = QDir::cleanPath(nativePath(folder()));
    if (root.isEmpty() || root == QLatin1String("/"))
        return false;
    const QString target = QDir::cleanPath(native);
    return target.startsWith(root + QLatin1Char('/')) && target.size() > root.size() + 1;
}

QString fileNameOf(const QString& name)
{
    return Names::withoutSeparators(name);
}

bool WriteShortcut(const QString& file, const QString& address, QString* error, const QByteArray& own)
{
    // The new file replaces the old one in one step, so a failure keeps the old shortcut.
    const auto write = [&file, error](const QByteArray& bytes) {
        return writeFileAtomically(
            nativePath(file), [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, error);
    };
    if (!own.isEmpty()) {
        if (!write(withProfileString(own, QStringLiteral("InternetShortcut"), QStringLiteral("URL"), address)))
            return false;
        // Read back whole (a shortcut's reader stops at 127 characters).
        if (GetPrivateProfileString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), {}, 1 << 20, file) ==
            address)
            return true;
        // The old lines hid the address from a reader (a second URL line): written anew.
    }
    return write((QStringLiteral("[InternetShortcut]\r\nURL=") + address + QStringLiteral("\r\n")).toUtf8());
}

void EmptyFolderTree(const QString& path, const std::function<void()>& yield)
{
    if (isSymLink(path))
        return; // what a link points to is not ours to empty
    emptyFolder(path, yield);
}

void DeleteFolderTree(const QString& path, const std::function<void()>& yield)
{
    if (isSymLink(path)) {
        QString link = diskPath(nativePath(path));
        while (link.size() > 1 && link.endsWith(QLatin1Char('/')))
            link.chop(1);
        if (!removeFileByName(link))
            throw cError(ErrorNumber::PathFileAccessError);
        return;
    }
    emptyFolder(path, yield);
    if (!removeFolderByName(diskPath(nativePath(path))))
        throw cError(ErrorNumber::PathFileAccessError);
}

} // namespace Favorites
