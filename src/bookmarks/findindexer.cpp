#include "bookmarks/findindexer.h"

#include "bookmarks/keys.h"

#include <QDeadlineTimer>

namespace Find {
namespace {

// How long one step of the index build may keep the window from answering.
constexpr qint64 kStepMilliseconds = 50;

} // namespace

bool Indexer::refresh(const std::vector<Shown>& shown, bool supportCompuServe, bool lookAtDisk, int mostParts)
{
    // A change of options or of the user folders gathers every store again.
    // The list is taken as known only once a whole pass has gathered what it changed.
    QString stores;
    for (const Shown& store : shown)
        stores += QString::number(store.source) + QLatin1Char('\t') + store.name + QLatin1Char('\n');
    stores += supportCompuServe ? QLatin1Char('C') : QLatin1Char('-');
    if (stores != m_shown) {
        m_shown = stores;
        m_stale.clear();
        for (const Shown& store : shown)
            m_stale.insert(store.source);
    }

    QList<int> present;
    int order = 0;
    int gathered = 0;
    bool complete = true;
    for (const Shown& root : shown) {
        const int source = root.source;
        present.append(source);
        ++order;
        Stores::Store* store = m_stores.at(source);
        if (!store)
            continue;
        Kept& kept = m_parts[source];
        if (!kept.part || kept.name != root.name) {
            const Stores::Place top{Keys::rootKey(source), root.name, root.name, {}, {}};
            kept = {root.name, store->findPart(top)};
        }
        if (!kept.part->outOfDate(lookAtDisk) && !m_stale.contains(source) && m_index.hasPart(source))
            continue;
        if (mostParts >= 0 && gathered >= mostParts) {
            m_stale.insert(source); // known out of date: a later pass gathers it
            complete = false;
            continue;
        }
        std::vector<Entry> entries;
        const bool done = kept.part->gather(
            mostParts < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(kStepMilliseconds), &entries);
        ++gathered;
        if (done) {
            m_index.setPart(source, order, std::move(entries));
            m_stale.remove(source);
        } else {
            m_stale.insert(source);
            complete = false;
        }
    }
    // Stores no longer shown are not found either.
    m_index.keepOnly(present);
    return complete;
}

} // namespace Find
