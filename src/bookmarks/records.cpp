#include "bookmarks/records.h"

#include "store/keyvalue.h"

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
    list->Add(record, QString::number(list->Count()) + QLatin1Char('X'));
}
