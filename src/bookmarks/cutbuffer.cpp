#include "bookmarks/cutbuffer.h"

void CutBuffer::start(int source, std::vector<Item> items)
{
    m_source = source;
    m_items = std::move(items);
    m_folderKey = m_items.empty() ? QString() : m_items.front().place.folderKey;
}

void CutBuffer::clear()
{
    m_items.clear();
    m_folderKey.clear();
    m_source = -1;
}

QSet<QString> CutBuffer::names() const
{
    QSet<QString> names;
    for (const Item& item : m_items)
        names.insert(item.record.name);
    return names;
}

qsizetype CutBuffer::Paste::find(const Transfer::Record& record) const
{
    const std::vector<Item>& items = m_buffer.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const Transfer::Record& cut = items[i].record;
        // A name as the clipboard carries it may have lost its outer blanks.
        if (!m_taken[i] && cut.kind == record.kind && cut.address == record.address &&
            cut.name.trimmed() == record.name.trimmed())
            return qsizetype(i);
    }
    return -1;
}

bool CutBuffer::Paste::anyTaken() const
{
    return std::find(m_taken.begin(), m_taken.end(), true) != m_taken.end();
}

void CutBuffer::drop(const std::vector<bool>& taken)
{
    std::vector<Item> remaining;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (i >= taken.size() || !taken[i])
            remaining.push_back(std::move(m_items[i]));
    }
    m_items = std::move(remaining);
    if (m_items.empty())
        clear();
}
