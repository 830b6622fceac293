// The CompuServe Web Forums list: a file of go words, one per line, kept in
// memory sorted and numbered, and written back whole after each change.
#include "bookmarks/exporter.h"
#include "bookmarks/finder.h"
#include "bookmarks/forums.h"
#include "bookmarks/keys.h"
#include "bookmarks/storeparts.h"
#include "store/cSettings.h"

#include <QDir>

namespace Stores {
namespace {

class ForumList final : public Store
{
public:
    ForumList(Forums::List& list, const cSettings& settings) : m_list(list), m_settings(settings) {}

    int source() const override { return Keys::ForumsSource; }
    int entryKind() const override { return 2; }
    Drop takesDropFrom(const Store&) const override { return Drop::HighlightOnly; } // a go word is typed, not dropped
    bool uniqueNames() const override { return false; }
    bool nameIsAddress() const override { return true; }
    bool keysChangeOnSave() const override { return true; }
    bool shown() override { return m_settings.SupportCompuServe(); }

    QList<Row> list(const Place&) override
    {
        m_list.loadIfNeeded();
        QList<Row> rows;
        rows.reserve(m_list.names().Count());
        qsizetype position = 0;
        for (const auto& word : m_list.names())
            rows.append({Keys::itemKey(position++), *word, ListImage::GoWord});
        return rows;
    }

    void exportTo(BookmarkExport& out, const Place&, const std::function<void()>&) override
    {
        m_list.loadIfNeeded();
        out.forums(m_list.names());
    }

    // Small, and changed only by this program between two openings of the list.
    std::unique_ptr<FindPart> findPart(const Place&) override
    {
        class Part final : public FindPart
        {
        public:
            explicit Part(const Forums::List& list) : m_list(list) {}
            bool outOfDate(bool lookAtDisk) const override { return lookAtDisk; }
            bool gather(const QDeadlineTimer&, std::vector<Find::Entry>* entries) override
            {
                *entries = Find::forums(m_list.names());
                return true;
            }

        private:
            const Forums::List& m_list;
        };
        return std::make_unique<Part>(m_list);
    }

    std::optional<Entry> read(const Place& entry) const override { return Entry{entry.name, entry.name, 2}; }

    Result checkName(const QString& name) const override
    {
        return Result::done(Names::check(Names::Target::GoWord, name).name);
    }

    bool contains(const Place&, const QString& name) const override
    {
        m_list.loadIfNeeded();
        for (const auto& word : m_list.names()) {
            if (*word == name)
                return true;
        }
        return false;
    }

    Result add(const Place&, const Entry& entry, const Place*) override
    {
        const Result checked = checkName(entry.name);
        m_list.loadIfNeeded();
        Forums::Collection& names = m_list.names();
        // Any key no word holds: the list is numbered afresh when it is read back.
        qsizetype number = names.Count();
        while (names.Contains(Keys::itemKey(number)))
            ++number;
        names.Add(std::make_shared<QString>(checked.what), Keys::itemKey(number));
        return checked;
    }

    Result change(const Place& old, const Entry& now) override
    {
        const Result checked = checkName(now.name);
        Forums::Collection& names = m_list.names();
        if (names.Contains(old.listKey))
            names.Remove(old.listKey);
        names.Add(std::make_shared<QString>(checked.what), old.listKey);
        return checked;
    }

    Result remove(const Place& entry, const Entry*) override
    {
        Forums::Collection& names = m_list.names();
        // By its key while the key still holds its word, else the first of that word.
        if (names.Contains(entry.listKey) && *names.find(entry.listKey) == entry.name) {
            names.Remove(entry.listKey);
            return Result::done(entry.name);
        }
        for (qsizetype position = 1; position <= names.Count(); ++position) {
            if (*names.at(position) == entry.name) {
                names.Remove(position);
                return Result::done(entry.name);
            }
        }
        return Result::refused(entry.name, {}); // gone since
    }

    // Written whole, then read back: the list stays sorted and numbered as the
    // file holds it, and after a failure shows what is on disk.
    Result save() override
    {
        QString error;
        const bool written = m_list.save(&error);
        m_list.load();
        if (written)
            return Result::done({});
        const Result failed =
            Result::failed({},
                           QStringLiteral("Markcrate could not write the forum list \"%1\": %2.\n\n"
                                          "The forum list on disk is unchanged, and so is the list shown.")
                               .arg(QDir::toNativeSeparators(Forums::listPath()), error));
        return failed; // the list has no folders: the caller shows it again
    }

    Storage storage() const override { return {{Forums::listPath()}, {}}; }
    void reread() override { m_list.load(); }

private:
    Forums::List& m_list;
    const cSettings& m_settings;
};

} // namespace

std::unique_ptr<Store> makeForumList(Forums::List& list, const cSettings& settings)
{
    return std::make_unique<ForumList>(list, settings);
}

} // namespace Stores
