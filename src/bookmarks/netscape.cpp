#include "bookmarks/netscape.h"
#include "bookmarks/keys.h"

#include "bookmarks/netscapeparts.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "store/keyvalue.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString NetscapeBookmarks::recordKey(const QString& nodeKey)
{
    return Keys::itemKey(Keys::recordNumber(nodeKey));
}

QString NetscapeBookmarks::newKey() const
{
    // The count is free within one load, since records are retired, never removed;
    // later additions may have taken it, so look on.
    qint64 number = m_records.Count();
    while (m_records.Contains(Keys::itemKey(number)))
        ++number;
    return Keys::itemKey(number);
}

int NetscapeBookmarks::folderNumber(const cBookmark& folder)
{
    bool ok = false;
    const int number = folder.URL().trimmed().toInt(&ok);
    return ok ? number : keyvalue::leadingNumber(folder.URL());
}

void NetscapeBookmarks::clearForLoad()
{
    touch();
    m_records.Clear();
    m_indexValid = false;
    m_source.clear();
    m_sourceFile.clear();
    m_sourceSize = 0;
    m_opening = {};
    m_ending = {};
    m_listOpened = false;
    m_lineEnd = QByteArrayLiteral("\r\n");
    m_loadedWhole = true;
    m_loadProblem.clear();
    m_passedLinks = 0;
    m_passedFolders = 0;
    m_fixedForm = true;
    m_lastFolder = 0;
    m_contentHash.reset();
}

void NetscapeBookmarks::load(const QString& path, const std::function<void()>& yield)
{
    clearForLoad();
    m_diskStamp = platform::FileStamp();
    m_copyNeeded = false;
    if (path.trimmed().isEmpty())
        return;
    const QString native = platform::nativePath(path);
    const platform::FileStamp before = platform::fileStamp(native);
    m_diskStamp = before;
    if (!before.exists)
        return;
    if (QFileInfo(native).isDir()) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it is a folder, not a file");
        return;
    }
    if (!before.regular) {
        // A pipe or a device would block the window, or never end.
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it is not a regular file");
        return;
    }
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly)) {
        m_loadedWhole = false;
        m_loadProblem = file.errorString();
        return;
    }
    read(file, yield, false);
    m_contentHash = m_readHash;
    const platform::FileStamp after = platform::fileStamp(native);
    if (m_loadedWhole && !(after == before)) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it changed while it was being read");
    }
    // The records' bytes stay in the file: a save reads them from there once
    // it has made sure the file is still the one read.
    m_sourceFile = native;
    m_copyNeeded = !m_fixedForm;
}

void NetscapeBookmarks::load(QIODevice& device, const std::function<void()>& yield)
{
    clearForLoad();
    read(device, yield, true);
}

void NetscapeBookmarks::buildIndex() const
{
    // Folder numbers are small and dense: one slot per number.
    m_children.clear();
    qsizetype position = 0;
    for (const auto& record : m_records) {
        ++position;
        const qint32 type = record->BookmarkType();
        const qint32 parent = record->ParentFolder();
        if ((type != cBookmark::LinkType && type != cBookmark::FolderType) || parent < 0 ||
            parent > m_records.Count() + m_lastFolder)
            continue; // a parent no folder can have
        if (size_t(parent) >= m_children.size())
            m_children.resize(size_t(parent) + 1);
        m_children[size_t(parent)].push_back(position);
    }
    m_indexValid = true;
}

const std::vector<qsizetype>& NetscapeBookmarks::childrenOf(int folderNumber) const
{
    static const std::vector<qsizetype> none;
    if (!m_indexValid)
        buildIndex();
    return folderNumber >= 0 && size_t(folderNumber) < m_children.size() ? m_children[size_t(folderNumber)] : none;
}

void carryBookmarkLines(cBookmark& to, const cBookmark& from)
{
    const int parent = to.ParentFolder();
    QString title = to.Title();
    QString url = to.URL();
    copyBookmarkContents(to, from);
    to.setParentFolder(parent);
    to.setBookmarkType(cBookmark::LinkType);
    to.setTitle(std::move(title));
    to.setURL(std::move(url));
}

QString netscapeBackupPath(const QString& path)
{
    return platform::nativePath(path) + QStringLiteral(".markcrate-original");
}

namespace {

QString timedCopyPath(const QString& native)
{
    // Two sessions may each keep a copy within one second: the later one
    // takes a number rather than fail the save for want of a name.
    const QString stamped = native + QStringLiteral(".markcrate-original-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = stamped;
    for (int number = 2; QFileInfo::exists(copy); ++number)
        copy = stamped + QLatin1Char('-') + QString::number(number);
    return copy;
}

// Keeps the newest few of the timed copies; the first original stays as it is.
void pruneTimedCopies(const QString& native)
{
    const QFileInfo file(native);
    QDir folder = file.dir();
    const QStringList copies = folder.entryList({file.fileName() + QStringLiteral(".markcrate-original-*")},
                                                QDir::Files | QDir::Hidden,
                                                QDir::Name | QDir::Reversed);
    for (qsizetype i = kNetscapeCopiesKept; i < copies.size(); ++i)
        folder.remove(copies[i]);
}

} // namespace

bool SaveNetscapeFile(
    NetscapeBookmarks& bookmarks, const QString& path, bool readOnly, QString* error, bool* changedOnDisk)
{
    bookmarks.touch(); // the records changed before they are saved
    if (changedOnDisk)
        *changedOnDisk = false;
    if (readOnly)
        return true;
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.trimmed().isEmpty()) {
        // Nothing read and nothing added: there is nothing to lose by not writing.
        if (bookmarks.records().isEmpty())
            return true;
        return fail(QStringLiteral("no location is set for the bookmark file"));
    }
    if (!bookmarks.loadedWhole())
        return fail(
            QStringLiteral("the file could not be read completely (%1), and writing it would lose what was not read")
                .arg(bookmarks.loadProblem()));
    const QString native = platform::nativePath(path);
    const platform::FileStamp now = platform::fileStamp(native);
    if (now.exists && !now.regular)
        return fail(QStringLiteral("it is not a regular file"));
    // A change of mode or owner changes the status time alone: the same bytes are no change.
    if (!(now == bookmarks.diskStamp()) && platform::sameContentStamp(now, bookmarks.diskStamp()) &&
        bookmarks.contentHash() && platform::contentHash(native, netscapeparts::kChunkBytes) == bookmarks.contentHash())
        bookmarks.m_diskStamp = now;
    if (!(now == bookmarks.diskStamp())) {
        // Another program wrote it since: its version is not to be lost to ours.
        if (changedOnDisk)
            *changedOnDisk = true;
        return fail(QStringLiteral("the file was changed on disk by another program since Markcrate read it"));
    }
    // What the program does not keep (dates, descriptions, icons) is gone after
    // a rewrite: keep each version it did not write itself before the first one.
    if (now.exists && bookmarks.copyNeeded()) {
        const QString first = netscapeBackupPath(path);
        const QString copy = QFileInfo::exists(first) ? timedCopyPath(native) : first;
        const QString part = copy + QStringLiteral(".part");
        QFile::remove(part);
        if (!QFile::copy(native, part) || !QFile::rename(part, copy)) {
            QFile::remove(part);
            return fail(QStringLiteral("a copy of the file as it was could not be kept as \"%1\"").arg(copy));
        }
        pruneTimedCopies(native);
    }
    // The entries not changed are written from the file as it was read; a
    // change to it while it is read leaves the file as it is.
    QString why;
    QString sourceProblem;
    NetscapeBookmarks::Layout layout;
    if (!platform::writeFileAtomically(
            native, [&](QIODevice& device) { return bookmarks.writeWith(device, &layout, &sourceProblem); }, &why)) {
        if (!sourceProblem.isEmpty()) {
            if (changedOnDisk)
                *changedOnDisk = true;
            return fail(sourceProblem);
        }
        return fail(why);
    }
    const platform::FileStamp written = platform::fileStamp(native);
    bookmarks.adopt(layout, native, layout.size);
    bookmarks.setDiskStamp(written, false); // this version is the program's own
    bookmarks.m_contentHash = platform::contentHash(native, netscapeparts::kChunkBytes);
    return true;
}
