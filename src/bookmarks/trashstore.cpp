#include "bookmarks/trashstore.h"

#include "bookmarks/finder.h"
#include "bookmarks/keys.h"

#include <QLocale>

namespace Stores {

int TrashStore::source() const
{
    return Keys::TrashSource;
}

QString TrashStore::rowText(const Trash::Entry& entry)
{
    QString text = entry.item.name;
    if (entry.item.folder)
        text += QStringLiteral(" (folder of %1)").arg(entry.item.count());
    return text + QStringLiteral("   from ") + entry.from() + QStringLiteral(", ") +
           QLocale().toString(entry.removed.toLocalTime(), QLocale::ShortFormat);
}

QList<Row> TrashStore::list(const Place&)
{
    QList<Row> rows;
    m_listed.clear();
    for (const Trash::Entry& entry : m_bin.entries()) {
        rows.append({Keys::itemKey(m_listed.size()),
                     rowText(entry),
                     entry.item.kind == 2 && !entry.item.folder ? ListImage::GoWord : ListImage::WebPage});
        m_listed.append(entry.id);
    }
    return rows;
}

std::optional<Trash::Entry> TrashStore::entryOf(const Place& row) const
{
    const Keys::NodeKey key = Keys::NodeKey::parse(row.listKey);
    if (key.kind != Keys::NodeKey::Kind::Item || key.number < 0 || key.number >= m_listed.size())
        return std::nullopt;
    return m_bin.find(m_listed.at(key.number));
}

// What was thrown away is not found.
std::unique_ptr<FindPart> TrashStore::findPart(const Place&)
{
    class Nothing final : public FindPart
    {
    public:
        bool outOfDate(bool) const override { return false; }
        bool gather(const QDeadlineTimer&, std::vector<Find::Entry>* entries) override
        {
            entries->clear();
            return true;
        }
    };
    return std::make_unique<Nothing>();
}

std::optional<Entry> TrashStore::read(const Place& entry) const
{
    const std::optional<Trash::Entry> trashed = entryOf(entry);
    if (!trashed || trashed->item.folder)
        return std::nullopt;
    return Entry{trashed->item.name, trashed->item.address, trashed->item.kind};
}

} // namespace Stores
