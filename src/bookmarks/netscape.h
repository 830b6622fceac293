#pragma once

#include "bookmarks/records.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;

// The Netscape bookmark file: an HTML file read line by line for a few fixed,
// case-sensitive markers into an ordered collection of records, and written
// back in a fixed, simple form. Titles and addresses come back byte for byte.
class NetscapeBookmarks
{
public:
    using Records = KeyedCollection<cBookmark>;

    Records& records() { return m_records; }
    const Records& records() const { return m_records; }
    // The leading lines of the file, kept between a load and a save.
    const QByteArray& header() const { return m_header; }

    // Reads the file; a missing file or an empty path gives an empty
    // collection and keeps the header. `yield` runs every few hundred lines.
    void load(const QString& path, const std::function<void()>& yield = {});
    void load(QIODevice& device, const std::function<void()>& yield = {});
    // False when the last load stopped before the end of the file; the file
    // is then not to be written, or what was not read would be lost.
    bool loadedWhole() const { return m_loadedWhole; }
    QString loadProblem() const { return m_loadProblem; }

    // Writes the collection: the header, root links, then every folder with
    // its contents. Retired records and what no folder holds are left out.
    bool write(QIODevice& device) const;
    QByteArray toBytes() const;

    // The records of one folder (0: the root), in collection order, as
    // positions in the collection (1-based); built once per change.
    const std::vector<qsizetype>& childrenOf(int folderNumber) const;
    // Call after changing records' ParentFolder or BookmarkType.
    void invalidateIndex() { m_indexValid = false; }

    // The record key a tree node or list item key stands for: its number and "X".
    static QString recordKey(const QString& nodeKey);
    // A key no record uses yet, of the form "<number>X".
    QString newKey() const;

    // The folder number of a folder record (its URL), or -1.
    static int folderNumber(const cBookmark& folder);

    // Folder numbering of the reader, for records the program adds later.
    int lastFolderNumber() const { return m_lastFolder; }

private:
    void clearForLoad();
    void readLine(QByteArrayView line);
    void buildIndex() const;

    Records m_records;
    QByteArray m_header;
    bool m_loadedWhole = true;
    QString m_loadProblem;
    int m_lastFolder = 0;

    // Reader state.
    struct Reader
    {
        int record = 0;
        int folder = 0;
        int level = 0;
        int parent = 0;
        std::vector<int> parentAt;
        QByteArray header;
        bool inHeader = true;
        bool headerSaved = false;
    } m_reader;

    mutable std::vector<std::vector<qsizetype>> m_children;
    mutable bool m_indexValid = false;
};

// Writes the collection to the file, unless `readOnly`. The file is replaced
// in one step; before the program first rewrites a file, a copy of it as it
// was is kept beside it. Returns false with `error` set when nothing was written
// because of a failure (a read-only skip is not a failure).
bool SaveNetscapeFile(const NetscapeBookmarks& bookmarks, const QString& path, bool readOnly, QString* error);

// Gives `to` everything `from` holds but its key, so that two records can
// trade places in the collection while each keeps its key.
void copyBookmarkContents(cBookmark& to, const cBookmark& from);

// Where the copy of the original file is kept.
QString netscapeBackupPath(const QString& path);
