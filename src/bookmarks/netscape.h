#pragma once

#include "bookmarks/records.h"
#include "platform/files.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;

// The Netscape bookmark file: an HTML file read into an ordered collection
// of records, each of which remembers the bytes it was read from. A save
// gives back every record the user did not change exactly as it was read, in
// its place, with what stood between records (separators, descriptions,
// blank lines); only changed and new records are written anew.
class NetscapeBookmarks
{
public:
    using Records = KeyedCollection<cBookmark>;

    Records& records() { return m_records; }
    const Records& records() const { return m_records; }
    // The leading lines of the file up to the line that opens its list, as read.
    QByteArray header() const;

    // Reads the file; a missing file or an empty path gives an empty
    // collection and keeps the header. `yield` runs every few hundred lines.
    void load(const QString& path, const std::function<void()>& yield = {});
    void load(QIODevice& device, const std::function<void()>& yield = {});
    // False when the last load stopped before the end of the file; the file
    // is then not to be written, or what was not read would be lost.
    bool loadedWhole() const { return m_loadedWhole; }
    QString loadProblem() const { return m_loadProblem; }
    // Links and folders the markers did not describe (another letter case,
    // several on a line, attributes in another order): the load read the
    // rest, but the file is not read whole.
    int passedLinks() const { return m_passedLinks; }
    int passedFolders() const { return m_passedFolders; }
    // True when every line after the header is in the form the program
    // writes its own records in: a file of its own, of which no copy need be kept.
    bool fixedForm() const { return m_fixedForm; }

    // Writes the collection: every record in collection order within its
    // folder, as read where unchanged. Retired records and what no folder
    // holds are left out; what stood before a retired record stays.
    bool write(QIODevice& device) const;
    QByteArray toBytes() const;

    // The lines a link was read from (or was put back with); empty where
    // the file is no longer the one read.
    QByteArray linesOf(const cBookmark& link) const;

    // The records of one folder (0: the root), in collection order, as
    // positions in the collection (1-based); built once per change.
    const std::vector<qsizetype>& childrenOf(int folderNumber) const;
    // Call after changing records' ParentFolder or BookmarkType.
    void invalidateIndex() { m_indexValid = false; }
    // Counts the loads and saves, each of which may have changed the records:
    // what copies them (the find index) knows when to copy again.
    quint64 generation() const { return m_generation; }
    void touch() { ++m_generation; }

    // The record key a tree node or list item key stands for: its number and "X".
    static QString recordKey(const QString& nodeKey);
    // A key no record uses yet, of the form "<number>X".
    QString newKey() const;

    // The folder number of a folder record (its URL), or -1.
    static int folderNumber(const cBookmark& folder);

    // Folder numbering of the reader, for records the program adds later.
    int lastFolderNumber() const { return m_lastFolder; }

    // The version of the file on disk that the collection was read from or
    // last written to, and whether that version needs a copy before a rewrite.
    platform::FileStamp diskStamp() const { return m_diskStamp; }
    void setDiskStamp(const platform::FileStamp& stamp, bool copyNeeded)
    {
        m_diskStamp = stamp;
        m_copyNeeded = copyNeeded;
    }
    bool copyNeeded() const { return m_copyNeeded; }
    // A hash of that version's bytes (none when it was read from a device).
    std::optional<quint64> contentHash() const { return m_contentHash; }

private:
    class Reader;
    class Writer;
    struct Layout;
    void clearForLoad();
    void read(QIODevice& device, const std::function<void()>& yield, bool keep);
    void findLineEnd(QByteArrayView data);
    void buildIndex() const;
    // The bytes the records were read from are kept in memory when read from
    // a device, read again from the file otherwise, if it is still as read.
    class Source;
    bool writeWith(QIODevice& device, Layout* layout, QString* why) const;
    // After a save: the records stand where the save put them in the file.
    void adopt(const Layout& layout, const QString& file, qsizetype size);
    friend bool SaveNetscapeFile(NetscapeBookmarks&, const QString&, bool, QString*, bool*);

    Records m_records;
    // Where the records were read from, and the parts of it that are the
    // file's own: before its first entry, and after its last.
    QByteArray m_source;
    QString m_sourceFile; // as it is when its stamp is m_diskStamp
    qsizetype m_sourceSize = 0;
    cBookmark::Span m_opening;
    cBookmark::Span m_ending;
    bool m_listOpened = false;
    QByteArray m_lineEnd = QByteArrayLiteral("\r\n");
    bool m_loadedWhole = true;
    QString m_loadProblem;
    int m_passedLinks = 0;
    int m_passedFolders = 0;
    bool m_fixedForm = true;
    platform::FileStamp m_diskStamp;
    std::optional<quint64> m_contentHash;
    quint64 m_readHash = 0; // of the bytes the last reading took, in parts of kChunkBytes
    bool m_copyNeeded = false;
    int m_lastFolder = 0;

    mutable std::vector<std::vector<qsizetype>> m_children;
    mutable bool m_indexValid = false;
    quint64 m_generation = 0;
};

// Writes the collection to the file, unless `readOnly`. The file is replaced
// in one step; before the program first rewrites a version of the file that
// it did not write itself, a copy of that version is kept beside it. Nothing
// is written over a file that changed on disk since it was read
// (`changedOnDisk` then tells so). Returns false with `error` set when
// nothing was written because of a failure (a read-only skip is not a failure).
bool SaveNetscapeFile(
    NetscapeBookmarks& bookmarks, const QString& path, bool readOnly, QString* error, bool* changedOnDisk = nullptr);

// A link moved or copied within the file: the new record `to` takes the
// lines (dates, icon, description) of the one it came from, with its own
// folder, title and address.
void carryBookmarkLines(cBookmark& to, const cBookmark& from);

// Where the copy of the original file is kept; later versions that the
// program did not write get copies named by their time beside it, the newest
// few kept.
QString netscapeBackupPath(const QString& path);
inline constexpr int kNetscapeCopiesKept = 3;
