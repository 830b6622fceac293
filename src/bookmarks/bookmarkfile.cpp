// The Netscape bookmark file: kept in memory as records, and written back
// after each change, changing only what was changed. Titles need not be
// unique; the user may have the program treat the file as read-only.
#include "bookmarks/exporter.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/storeparts.h"
#include "platform/error.h"
#include "platform/files.h"
#include "store/cSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace Stores {
namespace {

class BookmarkFile final : public Store
{
public:
    BookmarkFile(NetscapeBookmarks& bookmarks, cSettings& settings) : m_bookmarks(bookmarks), m_settings(settings) {}

    int source() const override { return Keys::NetscapeSource; }
    bool hasSubFolders() const override { return true; }
    Drop takesDropFrom(const Store& from) const override
    {
        return from.entryKind() == 2 ? Drop::HighlightOnly : Drop::Add; // a go word is no address
    }
    bool writable() const override { return !m_settings.TreatBookmarksAsReadOnly(); }
    QString writeRefusal() const override
    {
        return QStringLiteral(
            "ORX Markcrate is currently configured to treat your Netscape Bookmark File as Read-Only.  "
            "If you would like to modify your bookmark's file please modify your settings.");
    }
    bool uniqueNames() const override { return false; }
    QString setUpNote() const override
    {
        if (!m_settings.BookmarkLocation().trimmed().isEmpty())
            return {};
        return QStringLiteral(
            "No bookmark file is chosen: choose one on the Netscape Navigator tab of Options (the Options button at "
            "the top).");
    }
    QString creationQuestion() const override
    {
        const QString path = m_settings.BookmarkLocation();
        if (path.trimmed().isEmpty() || QFileInfo::exists(platform::nativePath(path)))
            return {};
        return QStringLiteral("The bookmark file \"%1\" does not exist. Do you want Markcrate to create it?")
            .arg(QDir::toNativeSeparators(path));
    }
    bool shown() override { return m_settings.SupportNetscape(); }

    // The folders of the file as read (the window reads it once); a failed
    // build ends quietly with what it gave.
    QStringList readFolders(const std::function<void(const TreeNode&)>& add, const std::function<void()>&) override
    {
        try {
            addFolders(add);
        } catch (const cError&) {
        }
        return {};
    }
    QString typedAddress(const QString& typed) const override { return withScheme(typed); }

    QList<Row> list(const Place& folder) override
    {
        QList<Row> rows;
        const int number = folderNumber(folder);
        if (number < 0)
            return rows;
        const QString root = Keys::rootKey(Keys::NetscapeSource);
        const std::vector<qsizetype>& children = m_bookmarks.childrenOf(number);
        rows.reserve(qsizetype(children.size()));
        for (qsizetype position : children) {
            const cBookmark& record = *m_bookmarks.records().at(position);
            if (record.BookmarkType() == cBookmark::LinkType)
                rows.append({record.Key() + root, record.Title(), ListImage::WebPage});
        }
        return rows;
    }

    // A folder is named by its path below the file's top.
    QString folderPath(const QString& fullPath, const QString&) const override
    {
        return fullPath.section(QLatin1Char('\\'), 2);
    }

    void exportTo(BookmarkExport& out, const Place& folder, const std::function<void()>&) override
    {
        const bool top = folder.folderKey == Keys::rootKey(Keys::NetscapeSource);
        out.netscape(
            m_bookmarks, top ? 0 : folderNumber(folder), top ? QString() : QLatin1Char('\\') + folder.folderPath);
    }

    // A hundred thousand links are listed over several steps; a change
    // between two steps starts the listing again.
    std::unique_ptr<FindPart> findPart(const Place&) override
    {
        class Part final : public FindPart
        {
        public:
            explicit Part(const NetscapeBookmarks& bookmarks) : m_bookmarks(bookmarks) {}
            bool outOfDate(bool) const override { return m_bookmarks.generation() != m_generation; }
            bool gather(const QDeadlineTimer& deadline, std::vector<Find::Entry>* entries) override
            {
                if (!m_gathering)
                    m_gathering = std::make_unique<Find::NetscapeGathering>();
                if (!m_gathering->step(m_bookmarks, deadline))
                    return false;
                m_generation = m_gathering->generation();
                *entries = m_gathering->takeEntries();
                m_gathering.reset();
                return true;
            }

        private:
            const NetscapeBookmarks& m_bookmarks;
            std::unique_ptr<Find::NetscapeGathering> m_gathering;
            quint64 m_generation = ~quint64(0);
        };
        return std::make_unique<Part>(m_bookmarks);
    }

    std::optional<Entry> read(const Place& entry) const override
    {
        const auto record = m_bookmarks.records().find(NetscapeBookmarks::recordKey(entry.listKey));
        return Entry{entry.name, record ? record->URL() : QString(), 0};
    }

    // A title can hold anything once it is one line.
    Result checkName(const QString& name) const override
    {
        return Result::done(Names::check(Names::Target::NetscapeTitle, name).name);
    }

    bool contains(const Place& folder, const QString& name) const override
    {
        const int number = folderNumber(folder);
        if (number < 0)
            return false;
        for (qsizetype position : m_bookmarks.childrenOf(number)) {
            const cBookmark& record = *m_bookmarks.records().at(position);
            if (record.BookmarkType() == cBookmark::LinkType && record.Title() == name)
                return true;
        }
        return false;
    }

    Result add(const Place& folder, const Entry& entry, const Place* origin) override
    {
        const Result checked = checkName(entry.name);
        const int number = folderNumber(folder);
        if (number < 0)
            return Result::refused(checked.what, {}); // the folder is gone
        auto link = std::make_shared<cBookmark>();
        link->setTitle(checked.what);
        link->setURL(Names::address(entry.address));
        link->setKey(m_bookmarks.newKey());
        link->setParentFolder(number);
        link->setBookmarkType(cBookmark::LinkType);
        if (origin) {
            // A link copied within the file takes its lines along (its dates,
            // icon and the rest), while it still is the link copied.
            if (const auto from = findLink(*origin, link->URL()))
                carryBookmarkLines(*link, *from);
        }
        m_bookmarks.records().Add(link, link->Key());
        m_bookmarks.invalidateIndex();
        return checked;
    }

    // Its ADD_DATE, read from its lines.
    qint64 addedAt(const Place& entry) const override
    {
        const QByteArray lines = bytesOf(entry);
        const qsizetype at = lines.indexOf("ADD_DATE=\"");
        if (at < 0) {
            const auto record = m_bookmarks.records().find(NetscapeBookmarks::recordKey(entry.listKey));
            return record ? record->AddedAt() : 0;
        }
        const qsizetype start = at + 10;
        const qsizetype end = lines.indexOf('"', start);
        return end > start ? lines.mid(start, end - start).toLongLong() : 0;
    }

    QByteArray bytesOf(const Place& entry) const override
    {
        const auto record = m_bookmarks.records().find(NetscapeBookmarks::recordKey(entry.listKey));
        return record && record->BookmarkType() == cBookmark::LinkType ? m_bookmarks.linesOf(*record) : QByteArray();
    }

    // Back with its lines: its dates, icon and description (the writer
    // checks that they still read back as this link).
    Result addWithBytes(const Place& folder, const Entry& entry, const QByteArray& bytes) override
    {
        const qsizetype before = m_bookmarks.records().Count();
        const Result added = add(folder, entry, nullptr);
        if (added.ok() && m_bookmarks.records().Count() == before + 1)
            m_bookmarks.records().at(before + 1)->setLines(bytes);
        return added;
    }

    // Changed where it stands: its place, dates and the rest of its lines stay.
    Result change(const Place& old, const Entry& now) override
    {
        const auto record = m_bookmarks.records().find(NetscapeBookmarks::recordKey(old.listKey));
        if (!record)
            return add(old, now, nullptr);
        const Result checked = checkName(now.name);
        record->setTitle(checked.what);
        record->setURL(Names::address(now.address));
        m_bookmarks.touch();
        return checked;
    }

    // The folder's links take the order given; every record keeps its key
    // and place (the contents move), other records are not touched.
    Result reorder(const Place& folder, const QStringList& listKeys) override
    {
        const int number = folderNumber(folder);
        if (number < 0)
            return Result::refused(folder.folderText, {});
        NetscapeBookmarks::Records& records = m_bookmarks.records();
        std::vector<std::shared_ptr<cBookmark>> places;
        QHash<QString, cBookmark> copies;
        for (qsizetype position : m_bookmarks.childrenOf(number)) {
            const auto& record = records.at(position);
            if (record->BookmarkType() != cBookmark::LinkType)
                continue;
            places.push_back(record);
            copies.insert(record->Key(), *record);
        }
        // The order given, then what it left out in the order it had: no
        // link is lost or doubled, whatever the keys.
        std::vector<cBookmark> order;
        order.reserve(places.size());
        for (const QString& key : listKeys) {
            const auto copy = copies.constFind(NetscapeBookmarks::recordKey(key));
            if (copy == copies.cend())
                continue;
            order.push_back(*copy);
            copies.erase(copy);
        }
        for (const auto& place : places) {
            if (copies.contains(place->Key()))
                order.push_back(copies.value(place->Key()));
        }
        for (size_t k = 0; k < places.size(); ++k)
            copyBookmarkContents(*places[k], order[k]);
        m_bookmarks.invalidateIndex();
        return Result::done(folder.folderText);
    }

    Result remove(const Place& entry, const Entry* expected) override
    {
        const std::shared_ptr<cBookmark> record =
            expected ? findLink(entry, expected->address)
                     : m_bookmarks.records().find(NetscapeBookmarks::recordKey(entry.listKey));
        if (!record)
            return Result::refused(entry.name, {}); // changed or gone since: not ours to remove
        // Retired, not removed: keys stay unique while the program runs.
        record->setBookmarkType(cBookmark::RetiredLinkType);
        m_bookmarks.invalidateIndex();
        return Result::done(entry.name);
    }

    bool holdsFolders() const override { return true; }
    bool ordered() const override { return true; }
    bool folderCanChange(const Place& folder) const override
    {
        return Keys::NodeKey::parse(folder.folderKey).kind == Keys::NodeKey::Kind::Folder;
    }
    Result checkFolderName(const QString& name) const override { return checkName(name); }

    // Folder names are unique among the folders of one depth, wherever they stand.
    Result addFolder(const Place& parent, const QString& name) override
    {
        int number = 0;
        int level = 0;
        if (parent.folderKey != Keys::rootKey(Keys::NetscapeSource)) {
            const auto folder = m_bookmarks.records().find(NetscapeBookmarks::recordKey(parent.folderKey));
            if (!folder)
                return Result::refused(name, {});
            number = NetscapeBookmarks::folderNumber(*folder);
            level = folder->FolderLevel() + 1;
        }
        // The highest number among all folder records, deleted ones too: a
        // deleted folder's links still name its number, and must not come back.
        int highest = m_bookmarks.lastFolderNumber();
        for (const auto& record : m_bookmarks.records()) {
            if (record->BookmarkType() == cBookmark::FolderType && record->FolderLevel() == level &&
                record->Title() == name)
                return Result::exists(name, {});
            if (record->BookmarkType() != cBookmark::LinkType)
                highest = qMax(highest, NetscapeBookmarks::folderNumber(*record));
        }
        auto folder = std::make_shared<cBookmark>();
        folder->setTitle(name);
        folder->setKey(m_bookmarks.newKey());
        folder->setParentFolder(number);
        folder->setURL(QString::number(highest + 1));
        folder->setFolderLevel(qint16(level));
        folder->setBookmarkType(cBookmark::FolderType);
        m_bookmarks.records().Add(folder, folder->Key());
        m_bookmarks.invalidateIndex();
        return Result::done(name);
    }

    Result renameFolder(const Place& place, const QString& name) override
    {
        const auto folder = m_bookmarks.records().find(NetscapeBookmarks::recordKey(place.folderKey));
        if (!folder)
            return Result::refused(name, {});
        for (const auto& record : m_bookmarks.records()) {
            if (record != folder && record->BookmarkType() == cBookmark::FolderType &&
                record->FolderLevel() == folder->FolderLevel() && record->Title() == name)
                return Result::exists(name, {});
        }
        folder->setTitle(name);
        return Result::done(name);
    }

    // Retired with what it holds, which no folder then shows.
    Result removeFolder(const Place& place, const std::function<void()>&) override
    {
        if (const auto folder = m_bookmarks.records().find(NetscapeBookmarks::recordKey(place.folderKey)))
            folder->setBookmarkType(cBookmark::RetiredLinkType);
        m_bookmarks.invalidateIndex();
        return Result::done(place.folderText);
    }

    Result save() override
    {
        QString error;
        bool changedOnDisk = false;
        const QString path = m_settings.BookmarkLocation();
        if (SaveNetscapeFile(m_bookmarks, path, m_settings.TreatBookmarksAsReadOnly(), &error, &changedOnDisk))
            return Result::done({});
        const QString file = QDir::toNativeSeparators(path);
        Result failed = Result::failed(
            {},
            changedOnDisk
                ? QStringLiteral("The bookmark file \"%1\" was changed on disk by another program since "
                                 "Markcrate read it, so your change was not made.\n\n"
                                 "Markcrate has read the file again and shows it as it is now.")
                      .arg(file)
                // The change is in the window but not on disk: say so rather than let it vanish at the next start.
                : QStringLiteral("Markcrate could not write the bookmark file \"%1\": %2.\n\n"
                                 "The bookmark file on disk is unchanged, and your change was not made.")
                      .arg(file, error));
        if (m_bookmarks.loadedWhole() || changedOnDisk) {
            // Back to what the file holds, so that the window never shows what is not saved.
            m_bookmarks.load(path, [] { QCoreApplication::processEvents(); });
            failed.reloaded = true;
            failed.changedElsewhere = changedOnDisk;
        }
        return failed;
    }

    Storage storage() const override
    {
        const QString path = m_settings.BookmarkLocation();
        if (path.trimmed().isEmpty() || !writable())
            return {};
        return {{path}, {}};
    }
    void reread() override
    {
        m_bookmarks.load(m_settings.BookmarkLocation(), [] {});
    }

private:
    // The link of that title and address in the place's folder: the record
    // the list key names while it holds them, else the one that does (a
    // move in the folder swaps what records hold); null when none does.
    std::shared_ptr<cBookmark> findLink(const Place& place, const QString& address) const
    {
        const int parent = folderNumber(place);
        const auto live = [&](const std::shared_ptr<cBookmark>& link) {
            return link && link->BookmarkType() == cBookmark::LinkType && link->Title() == place.name &&
                   link->URL() == address && link->ParentFolder() == parent;
        };
        if (auto record = m_bookmarks.records().find(NetscapeBookmarks::recordKey(place.listKey)); live(record))
            return record;
        if (parent < 0)
            return nullptr;
        for (qsizetype position : m_bookmarks.childrenOf(parent)) {
            if (live(m_bookmarks.records().at(position)))
                return m_bookmarks.records().at(position);
        }
        return nullptr;
    }

    // The folder number of a place: 0 for the file's root, -1 for a folder that is gone.
    // Folders in collection order at every level, depth first without recursion.
    void addFolders(const std::function<void(const TreeNode&)>& add) const
    {
        const QString root = Keys::rootKey(Keys::NetscapeSource);
        const NetscapeBookmarks::Records& records = m_bookmarks.records();
        struct Open
        {
            const std::vector<qsizetype>* children;
            size_t next;
            QString parentNode;
        };
        std::vector<Open> stack{{&m_bookmarks.childrenOf(0), 0, root}};
        QSet<int> added{0};
        while (!stack.empty()) {
            Open& open = stack.back();
            if (open.next >= open.children->size()) {
                stack.pop_back();
                continue;
            }
            const cBookmark& record = *records.at((*open.children)[open.next++]);
            const int number = NetscapeBookmarks::folderNumber(record);
            if (record.BookmarkType() != cBookmark::FolderType || added.contains(number))
                continue;
            added.insert(number);
            QString key = record.Key() + root;
            add({open.parentNode, key, record.Title(), TreeImage::Folder});
            stack.push_back(Open{&m_bookmarks.childrenOf(number), 0, std::move(key)});
        }
    }

    int folderNumber(const Place& place) const
    {
        const Keys::NodeKey key = Keys::NodeKey::parse(place.folderKey);
        if (key.kind == Keys::NodeKey::Kind::Root)
            return 0;
        const auto record =
            key.kind == Keys::NodeKey::Kind::Folder ? m_bookmarks.records().find(Keys::itemKey(key.number)) : nullptr;
        return record ? NetscapeBookmarks::folderNumber(*record) : -1;
    }

    NetscapeBookmarks& m_bookmarks;
    cSettings& m_settings;
};

} // namespace

std::unique_ptr<Store> makeBookmarkFile(NetscapeBookmarks& bookmarks, cSettings& settings)
{
    return std::make_unique<BookmarkFile>(bookmarks, settings);
}

} // namespace Stores
