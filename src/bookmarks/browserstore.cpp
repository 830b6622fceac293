#include "bookmarks/browserstore.h"

#include "bookmarks/exporter.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "platform/paths.h"
#include "store/cSettings.h"

namespace Stores {

QList<Row> BrowserBookmarks::list(const Place& place)
{
    QList<Row> rows;
    if (const Browsers::Folder* shown = folder(place.folderKey)) {
        rows.reserve(qsizetype(shown->links.size()));
        for (size_t i = 0; i < shown->links.size(); ++i)
            rows.append({Keys::itemKey(qsizetype(i)), shown->links[i].title, ListImage::WebPage});
    }
    return rows;
}

void BrowserBookmarks::exportTo(BookmarkExport& out, const Place& place, const std::function<void()>&)
{
    if (const Browsers::Folder* shown = folder(place.folderKey))
        out.browser(Keys::sourceText(m_source),
                    *shown,
                    place.folderPath.isEmpty() ? QString() : QLatin1Char('\\') + place.folderPath);
}

// Gathered again after each reading of the store.
std::unique_ptr<FindPart> BrowserBookmarks::findPart(const Place&)
{
    class Part final : public FindPart
    {
    public:
        explicit Part(const BrowserBookmarks& store) : m_store(store) {}
        bool outOfDate(bool) const override { return m_store.generation() != m_generation; }
        bool gather(const QDeadlineTimer&, std::vector<Find::Entry>* entries) override
        {
            m_generation = m_store.generation();
            *entries = Find::browser(m_store.source(), m_store.contents().root);
            return true;
        }

    private:
        const BrowserBookmarks& m_store;
        quint64 m_generation = ~quint64(0);
    };
    return std::make_unique<Part>(*this);
}

std::optional<Entry> BrowserBookmarks::read(const Place& entry) const
{
    const Browsers::Folder* shown = folder(entry.folderKey);
    const int index = Keys::leadingNumber(entry.listKey);
    if (!shown || index < 0 || size_t(index) >= shown->links.size())
        return std::nullopt;
    return Entry{entry.name, shown->links[size_t(index)].url, 0};
}

qint64 BrowserBookmarks::addedAt(const Place& entry) const
{
    const Browsers::Folder* shown = folder(entry.folderKey);
    const int index = Keys::leadingNumber(entry.listKey);
    return shown && index >= 0 && size_t(index) < shown->links.size() ? shown->links[size_t(index)].added : 0;
}

bool BrowserBookmarks::shown()
{
    if (findProfiles(m_source == Keys::FirefoxSource ? m_settings.SupportFirefox() : m_settings.SupportChromium()))
        return true;
    clear();
    return false;
}

QStringList BrowserBookmarks::readFolders(const std::function<void(const TreeNode&)>& add, const std::function<void()>&)
{
    readAgain(platform::runtimeDir());
    for (const auto& [number, parent, folder] : m_folders) {
        add({parent < 0 ? Keys::rootKey(m_source) : Keys::folderKey(parent, m_source),
             Keys::folderKey(number, m_source),
             folder->title,
             TreeImage::Folder});
    }
    QStringList tell;
    QSet<QString> damaged;
    for (const QString& problem : m_contents.problems) {
        const QString file = problem.section(QLatin1Char('"'), 1, 1); // each text names its file first
        damaged.insert(file);
        if (!m_told.contains(file))
            tell.append(problem + QStringLiteral(" Its bookmarks are not shown."));
    }
    m_told = damaged;
    return tell;
}

bool BrowserBookmarks::findProfiles(bool wanted)
{
    m_profiles = !wanted                           ? QList<Browsers::Profile>()
                 : m_source == Keys::FirefoxSource ? Browsers::firefoxProfiles()
                                                   : Browsers::chromiumProfiles();
    return !m_profiles.isEmpty();
}

bool BrowserBookmarks::changedSinceRead() const
{
    for (auto it = m_readStamps.cbegin(); it != m_readStamps.cend(); ++it) {
        if (!(platform::fileStamp(it.key()) == it.value()))
            return true;
    }
    return false;
}

void BrowserBookmarks::readAgain(const QString& copyFolder)
{
    QHash<QString, platform::FileStamp> before;
    for (const QString& file : std::as_const(m_contents.watched))
        before.insert(file, platform::fileStamp(file));
    m_folders.clear();
    m_contents = m_source == Keys::FirefoxSource ? Browsers::firefoxSource(m_profiles, copyFolder)
                                                 : Browsers::chromiumSource(m_profiles);
    ++m_generation;
    m_readStamps.clear();
    for (const QString& file : std::as_const(m_contents.watched))
        m_readStamps.insert(file, before.contains(file) ? before.value(file) : platform::fileStamp(file));
    Browsers::forEachFolder(m_contents.root, [&](int number, int parent, const Browsers::Folder& folder) {
        m_folders.push_back({number, parent, &folder});
    });
}

void BrowserBookmarks::clear()
{
    m_folders.clear();
    m_contents = {};
    m_readStamps.clear();
}

const Browsers::Folder* BrowserBookmarks::folder(const QString& nodeKey) const
{
    if (Keys::sourceNumber(nodeKey) != m_source)
        return nullptr;
    if (nodeKey == Keys::rootKey(m_source))
        return &m_contents.root;
    const int number = Keys::recordNumber(nodeKey);
    return number >= 0 && size_t(number) < m_folders.size() ? m_folders[size_t(number)].folder : nullptr;
}

} // namespace Stores
