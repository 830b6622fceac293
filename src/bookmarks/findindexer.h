#pragma once

#include "bookmarks/finder.h"
#include "bookmarks/stores.h"

#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <vector>

namespace Find {

// Keeps the find index up to date with the stores the tree shows: each
// store's part is gathered again when the store changed, in steps of one
// store (and within a large store, of a deadline) so that the window answers.
class Indexer
{
public:
    explicit Indexer(Stores::Table& stores) : m_stores(stores) {}

    // A store the tree shows: its source number and shown name (a user folder's name).
    struct Shown
    {
        int source;
        QString name;
    };
    // Brings the index up to date with `shown`, in the tree's order; files
    // that other programs change are looked at only with `lookAtDisk`.
    // Gathers at most `mostParts` stores (all when negative); true when
    // nothing is left out of date.
    bool refresh(const std::vector<Shown>& shown, bool supportCompuServe, bool lookAtDisk, int mostParts);

    const Index& index() const { return m_index; }

private:
    struct Kept
    {
        QString name;
        std::unique_ptr<Stores::FindPart> part;
    };

    Stores::Table& m_stores;
    Index m_index;
    QString m_shown;             // the stores shown when last gathered
    QSet<int> m_stale;           // sources to gather again since the tree's stores changed
    std::map<int, Kept> m_parts; // by source
};

} // namespace Find
