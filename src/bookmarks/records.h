#pragma once

#include "platform/collection.h"

#include <QString>
#include <QVariant>

#include <memory>

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
    void setURL(const QString& url) { m_url = url; }
    void setURL(QString&& url) { m_url = std::move(url); }
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    void setTitle(QString&& title) { m_title = std::move(title); }
    // The file's bytes for this record were not UTF-8 and were read as
    // Latin-1; the writer gives them back the same way.
    bool ReadAsLatin1() const { return m_readAsLatin1; }
    void setReadAsLatin1(bool latin1) { m_readAsLatin1 = latin1; }

private:
    QString m_title;
    QString m_url;
    QString m_key;
    qint32 m_parentFolder = 0;
    qint32 m_bookmarkType = LinkType;
    qint16 m_folderLevel = 0;
    bool m_readAsLatin1 = false;
};

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
