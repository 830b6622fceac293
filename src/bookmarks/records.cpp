#include "bookmarks/records.h"
#include "bookmarks/keys.h"

#include "store/keyvalue.h"

#include <QDateTime>

void cBookmark::change(QString& field, QString&& value, bool& changed)
{
    if (value != field)
        m_lines.clear(); // they hold the old text
    // A record read from a file is rewritten only where it changed.
    if (m_own.isSet() && value != field) {
        changed = true;
        m_changedAt = QDateTime::currentSecsSinceEpoch();
    }
    field = std::move(value);
}

void cBookmark::setTitle(QString&& title)
{
    change(m_title, std::move(title), m_titleChanged);
}

void cBookmark::setURL(QString&& url)
{
    change(m_url, std::move(url), m_urlChanged);
}

void copyBookmarkContents(cBookmark& to, const cBookmark& from)
{
    to.m_bookmarkType = from.m_bookmarkType;
    to.m_folderLevel = from.m_folderLevel;
    to.m_parentFolder = from.m_parentFolder;
    to.m_title = from.m_title;
    to.m_url = from.m_url;
    to.m_readAsLatin1 = from.m_readAsLatin1;
    to.m_own = from.m_own;
    to.m_lines = from.m_lines;
    to.m_close = from.m_close;
    to.m_titleChanged = from.m_titleChanged;
    to.m_urlChanged = from.m_urlChanged;
    to.m_changedAt = from.m_changedAt;
    to.m_addedAt = from.m_addedAt;
}

void cCutItem::setKeyName(const QVariant& value)
{
    m_keyName = keyvalue::text(value);
}

void cCutItem::setName(const QVariant& value)
{
    m_name = keyvalue::text(value);
}

void cListHistory::setListType(int type)
{
    if (type < 0 || type > 255)
        throw cError(ErrorNumber::Overflow);
    m_listType = quint8(type);
}

std::shared_ptr<cListHistoryCollection> cListHistory::HistoryList()
{
    if (!m_historyList)
        m_historyList = std::make_shared<cListHistoryCollection>();
    return m_historyList;
}

void cListHistory::Append(const QString& location)
{
    const auto list = HistoryList();
    auto record = std::make_shared<cListHistoryRecord>();
    record->setHistoryLocation(location);
    list->Add(record, Keys::itemKey(list->Count()));
}
