#pragma once

#include "platform/error.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// A key that compares and hashes without regard to case, without making a
// folded copy of the text.
struct CaseInsensitiveKey
{
    QString text;
    bool operator==(const CaseInsensitiveKey& other) const
    {
        return text.compare(other.text, Qt::CaseInsensitive) == 0;
    }
};

inline size_t qHash(const CaseInsensitiveKey& key, size_t seed = 0) noexcept
{
    size_t hash = seed ^ 0x9E3779B97F4A7C15ull;
    for (const QChar c : key.text) {
        char16_t folded = c.unicode();
        if (folded < 0x80) {
            if (folded >= u'A' && folded <= u'Z')
                folded = char16_t(folded + 32);
        } else {
            folded = c.toCaseFolded().unicode();
        }
        hash = (hash ^ folded) * 0x100000001B3ull;
    }
    return hash;
}

// An ordered collection of shared items with optional unique keys: insertion
// order, 1-based positions, lookup and removal by position or by key. Keys
// compare without regard to case. Lookups are by hash; a removal or an insert
// in the middle renumbers the items behind it.
template <typename T> class KeyedCollection
{
public:
    using Item = std::shared_ptr<T>;

    qsizetype Count() const { return qsizetype(m_entries.size()); }
    void reserve(qsizetype count)
    {
        m_entries.reserve(size_t(count));
        m_index.reserve(count);
    }
    bool isEmpty() const { return m_entries.empty(); }

    // Adds at the end; a key already present raises error 457 and adds nothing.
    void Add(Item item, const QString& key = {}) { Insert(Count() + 1, std::move(item), key); }

    // Adds at the end under a key the caller knows to be new (a reader numbering
    // its records). The key index is then built at the next lookup, in one go.
    void AppendNew(Item item, const QString& key)
    {
        m_entries.push_back(Entry{key, std::move(item)});
        m_indexValid = false;
    }

    // Inserts so that the item becomes number `position` (1 to Count() + 1).
    void Insert(qsizetype position, Item item, const QString& key = {})
    {
        if (position < 1 || position > Count() + 1)
            throw cError(ErrorNumber::SubscriptOutOfRange);
        ensureIndex();
        if (!key.isEmpty() && m_index.contains(CaseInsensitiveKey{key}))
            throw cError(ErrorNumber::DuplicateKey);
        const auto at = m_entries.begin() + (position - 1);
        m_entries.insert(at, Entry{key, std::move(item)});
        if (position <= Count() - 1)
            renumberFrom(position - 1);
        else if (!key.isEmpty())
            m_index.insert(CaseInsensitiveKey{key}, position - 1);
    }

    // Item by 1-based position; error 9 outside the collection.
    const Item& at(qsizetype position) const
    {
        if (position < 1 || position > Count())
            throw cError(ErrorNumber::SubscriptOutOfRange);
        return m_entries[size_t(position - 1)].item;
    }
    // Item by key; error 5 for a key that is not there.
    const Item& at(const QString& key) const
    {
        const qsizetype position = IndexOf(key);
        if (position == 0)
            throw cError(ErrorNumber::InvalidProcedureCall);
        return m_entries[size_t(position - 1)].item;
    }
    // Item by key, or null.
    Item find(const QString& key) const
    {
        const qsizetype position = IndexOf(key);
        return position == 0 ? Item() : m_entries[size_t(position - 1)].item;
    }
    bool Contains(const QString& key) const { return IndexOf(key) != 0; }
    // 1-based position of the key, 0 when absent.
    qsizetype IndexOf(const QString& key) const
    {
        if (key.isEmpty())
            return 0;
        ensureIndex();
        const auto it = m_index.constFind(CaseInsensitiveKey{key});
        return it == m_index.cend() ? 0 : *it + 1;
    }
    const QString& KeyAt(qsizetype position) const
    {
        if (position < 1 || position > Count())
            throw cError(ErrorNumber::SubscriptOutOfRange);
        return m_entries[size_t(position - 1)].key;
    }

    void Remove(qsizetype position)
    {
        if (position < 1 || position > Count())
            throw cError(ErrorNumber::SubscriptOutOfRange);
        ensureIndex();
        const bool last = position == Count();
        const QString key = m_entries[size_t(position - 1)].key;
        m_entries.erase(m_entries.begin() + (position - 1));
        if (last) {
            if (!key.isEmpty())
                m_index.remove(CaseInsensitiveKey{key});
        } else {
            renumberFrom(position - 1);
        }
    }
    void Remove(const QString& key)
    {
        const qsizetype position = IndexOf(key);
        if (position == 0)
            throw cError(ErrorNumber::InvalidProcedureCall);
        Remove(position);
    }
    void Clear()
    {
        m_entries.clear();
        m_index.clear();
        m_indexValid = true;
    }

private:
    struct Entry
    {
        QString key;
        Item item;
    };

public:
    // Range-for over the items in order.
    class const_iterator
    {
    public:
        using Inner = typename std::vector<Entry>::const_iterator;
        explicit const_iterator(Inner inner) : m_inner(inner) {}
        const Item& operator*() const { return m_inner->item; }
        const_iterator& operator++()
        {
            ++m_inner;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_inner == other.m_inner; }

    private:
        Inner m_inner;
    };
    const_iterator begin() const { return const_iterator(m_entries.cbegin()); }
    const_iterator end() const { return const_iterator(m_entries.cend()); }

private:
    void ensureIndex() const
    {
        if (m_indexValid)
            return;
        m_index.clear();
        m_index.reserve(qsizetype(m_entries.size()));
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (!m_entries[i].key.isEmpty())
                m_index.insert(CaseInsensitiveKey{m_entries[i].key}, qsizetype(i));
        }
        m_indexValid = true;
    }

    void renumberFrom(qsizetype index)
    {
        if (index == 0) {
            m_index.clear();
        } else {
            for (auto it = m_index.begin(); it != m_index.end();) {
                if (*it >= index)
                    it = m_index.erase(it);
                else
                    ++it;
            }
        }
        for (size_t i = size_t(index); i < m_entries.size(); ++i) {
            if (!m_entries[i].key.isEmpty())
                m_index.insert(CaseInsensitiveKey{m_entries[i].key}, qsizetype(i));
        }
    }

    std::vector<Entry> m_entries;
    mutable QHash<CaseInsensitiveKey, qsizetype> m_index;
    mutable bool m_indexValid = true;
};
