#pragma once

#include "platform/collection.h"

#include <QString>
#include <QVariant>

#include <memory>

// Where a record read from a file stands in the bytes it was read from, so
// that a save gives back what the user did not change as it was.
struct BookmarkSpan
{
    qsizetype start = 0;
    qsizetype size = -1; // -1: none
    bool isSet() const { return size >= 0; }
};

// One folder or link of the Netscape bookmark file.
class cBookmark
{
public:
    static constexpr qint32 LinkType = 0;
    static constexpr qint32 FolderType = 1;
    static constexpr qint32 RetiredLinkType = 2; // removed by a cut and paste; never written

    qint32 BookmarkType() const { return m_bookmarkType; }
    void setBookmarkType(qint32 type) { m_bookmarkType = type; }
    qint16 FolderLevel() const { return m_folderLevel; }
    void setFolderLevel(qint16 level) { m_folderLevel = level; }
    qint32 ParentFolder() const { return m_parentFolder; }
    void setParentFolder(qint32 folder) { m_parentFolder = folder; }
    QString Key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }
    void setKey(QString&& key) { m_key = std::move(key); }
    // A link's address; a folder's own number in decimal.
    QString URL() const { return m_url; }
    void setURL(const QString& url) { setURL(QString(url)); }
    void setURL(QString&& url);
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { setTitle(QString(title)); }
    void setTitle(QString&& title);
    // The file's bytes for this record were not UTF-8 and were read as
    // Latin-1; the writer gives them back the same way.
    bool ReadAsLatin1() const { return m_readAsLatin1; }
    void setReadAsLatin1(bool latin1) { m_readAsLatin1 = latin1; }

    using Span = BookmarkSpan;
    // What stood before the record in its folder (separators, blank lines):
    // it belongs to the place, and stays there when the record moves or goes.
    Span Lead() const { return m_lead; }
    void setLead(Span lead) { m_lead = lead; }
    // The record's own lines: a link's tag with its description; a folder's
    // heading up to and with the line that opens its list.
    Span Own() const { return m_own; }
    // A folder's end: what followed its last entry, and the line closing its list.
    Span Close() const { return m_close; }
    void setSource(Span own, Span close = {})
    {
        m_own = own;
        m_close = close;
        m_titleChanged = m_urlChanged = false;
    }
    bool TitleChanged() const { return m_titleChanged; }
    bool URLChanged() const { return m_urlChanged; }
    // When the title or address was last changed (seconds since 1970; 0: never).
    qint64 ChangedAt() const { return m_changedAt; }
    // The lines a link held in a file (its tag, its description), when it
    // is put back from the Trash: written as they are while its title and
    // address are the ones they hold. Not kept past a change of either.
    QByteArray Lines() const { return m_lines; }
    void setLines(const QByteArray& lines) { m_lines = lines; }
    // When a record the program made was first written (0: not yet).
    qint64 AddedAt() const { return m_addedAt; }
    void setAddedAt(qint64 seconds) { m_addedAt = seconds; }

private:
    friend void copyBookmarkContents(cBookmark& to, const cBookmark& from);
    void change(QString& field, QString&& value, bool& changed);

    QString m_title;
    QString m_url;
    QString m_key;
    QByteArray m_lines;
    Span m_lead;
    Span m_own;
    Span m_close;
    qint64 m_changedAt = 0;
    qint64 m_addedAt = 0;
    qint32 m_parentFolder = 0;
    qint32 m_bookmarkType = LinkType;
    qint16 m_folderLevel = 0;
    bool m_readAsLatin1 = false;
    bool m_titleChanged = false;
    bool m_urlChanged = false;
};

// Gives `to` everything `from` holds but its key and its place (the lead), so
// that two records can trade places in the collection while each keeps its key.
void copyBookmarkContents(cBookmark& to, const cBookmark& from);

// One entry of the folder list the tree's top-level nodes are built from.
class cFolder
{
public:
    QString Name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    QString Key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }

private:
    QString m_name;
    QString m_key;
};

// One entry of the program's own cut and copy list.
class cCutItem
{
public:
    QString Branch() const { return m_branch; }
    void setBranch(const QString& branch) { m_branch = branch; }
    // Any value is kept as its text form and handed back as text.
    QVariant KeyName() const { return m_keyName; }
    void setKeyName(const QVariant& value);
    QString KeyValue() const { return m_keyValue; }
    void setKeyValue(const QString& value) { m_keyValue = value; }
    QVariant Name() const { return m_name; }
    void setName(const QVariant& value);

private:
    QString m_keyName;
    QString m_name;
    QString m_keyValue;
    QString m_branch;
};

class cListHistoryRecord
{
public:
    QString HistoryLocation() const { return m_historyLocation; }
    void setHistoryLocation(const QString& location) { m_historyLocation = location; }

private:
    QString m_historyLocation;
};

using cListHistoryCollection = KeyedCollection<cListHistoryRecord>;

// What was typed into the command box for one kind, oldest first.
class cListHistory
{
public:
    int ListType() const { return m_listType; }
    // 0 to 255; anything else raises an overflow error and keeps the old value.
    void setListType(int type);

    // Created empty on first read, then always the same collection.
    std::shared_ptr<cListHistoryCollection> HistoryList();
    void setHistoryList(std::shared_ptr<cListHistoryCollection> list) { m_historyList = std::move(list); }

    // Adds a record at the end under the key "<count>X".
    void Append(const QString& location);

private:
    quint8 m_listType = 0;
    std::shared_ptr<cListHistoryCollection> m_historyList;
};
