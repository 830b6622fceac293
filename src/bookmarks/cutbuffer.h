#pragma once

#include "bookmarks/stores.h"
#include "bookmarks/transfer.h"

#include <QSet>

#include <vector>

// What was cut, and from where, until it is pasted. A paste removes from
// the store it was cut from exactly the entries it wrote elsewhere, each
// only while it still is what was cut; what was not pasted stays cut.
class CutBuffer
{
public:
    struct Item
    {
        Transfer::Record record; // as it was when it was cut
        Stores::Place place;     // where it stood
    };

    void start(int source, std::vector<Item> items);
    void clear();
    bool pending() const { return !m_items.empty(); }
    int source() const { return m_source; }
    // The tree key of the folder the entries were cut from, where they show ghosted.
    const QString& folderKey() const { return m_folderKey; }
    const std::vector<Item>& items() const { return m_items; }
    QSet<QString> names() const;

    // One paste: records written elsewhere are matched to the cut entries
    // they came from, each at most once.
    class Paste
    {
    public:
        explicit Paste(const CutBuffer& buffer) : m_buffer(buffer), m_taken(buffer.items().size(), false) {}
        // The place of the cut entry a record (as it stands on the clipboard)
        // is, while not taken yet; -1 for none.
        qsizetype find(const Transfer::Record& record) const;
        void take(qsizetype index) { m_taken[size_t(index)] = true; }
        const std::vector<bool>& taken() const { return m_taken; }
        bool anyTaken() const;

    private:
        const CutBuffer& m_buffer;
        std::vector<bool> m_taken;
    };

    // Forgets the entries a paste took (they were removed where they were cut).
    void drop(const std::vector<bool>& taken);

private:
    int m_source = -1;
    QString m_folderKey;
    std::vector<Item> m_items;
};
