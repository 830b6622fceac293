#include "bookmarks/finder.h"

#include "bookmarks/browsers.h"
#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "platform/error.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace Find {

QString fold(const QString& text)
{
    bool ascii = true;
    bool lower = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
        lower = lower && !(c.unicode() >= 'A' && c.unicode() <= 'Z');
    }
    if (ascii)
        return lower ? text : text.toLower(); // shares the text when nothing changes
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing && category != QChar::Mark_SpacingCombining)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

void prepare(Entry& entry)
{
    entry.foldedTitle = fold(entry.title);
    entry.foldedAddress = fold(entry.address);
}

namespace {

Entry make(int source, const QString& title, const QString& address, const QString& place, int image)
{
    Entry entry;
    entry.source = source;
    entry.title = title;
    entry.address = address;
    entry.place = place;
    entry.image = image;
    prepare(entry);
    return entry;
}

} // namespace

std::vector<Entry> webFavorites(bool compuServe)
{
    const int source = compuServe ? Keys::CompuServeFavoritesSource : Keys::WebFavoritesSource;
    const QString place = Keys::sourceText(source);
    std::vector<Entry> entries;
    for (const RegistryStores::ListEntry& item : RegistryStores::listFavorites(compuServe)) {
        entries.push_back(make(source, item.text, RegistryStores::favoriteText(compuServe, item.text), place, item.image));
        entries.back().folderKey = Keys::rootKey(source);
    }
    return entries;
}

std::vector<Entry> forums(const Forums::Collection& forums)
{
    const QString place = Keys::sourceText(Keys::ForumsSource);
    std::vector<Entry> entries;
    entries.reserve(size_t(forums.Count()));
    for (const auto& name : forums) {
        entries.push_back(make(Keys::ForumsSource, *name, *name, place, 1));
        entries.back().folderKey = Keys::rootKey(Keys::ForumsSource);
    }
    return entries;
}

std::vector<Entry> userFolder(const QString& folderName, int source, bool supportCompuServe)
{
    std::vector<Entry> entries;
    const QString place = folderName.trimmed();
    const QHash<QString, QString> urls = RegistryStores::userEntryUrls(folderName);
    for (const RegistryStores::ListEntry& item : RegistryStores::listUserFolder(folderName, supportCompuServe)) {
        entries.push_back(make(source, item.text, urls.value(item.text), place, item.image));
        entries.back().folderKey = Keys::rootKey(source);
        entries.back().folderPath = folderName;
    }
    return entries;
}

FavoritesGathering::FavoritesGathering(const QString& root)
    : m_root(root)
{
    if (root.isEmpty())
        return;
    // The folders as the tree walks them, each with its path below the root.
    QHash<QString, QString> pathOfKey{{Keys::rootKey(Keys::InternetExplorerSource), QString()}};
    m_folders.push_back(QString());
    try {
        Favorites::loadTree(root, [&](const Favorites::FolderNode& node) {
            const QString parent = pathOfKey.value(node.parentKey);
            const QString path = parent.isEmpty() ? node.text : parent + QLatin1Char('\\') + node.text;
            pathOfKey.insert(node.key, path);
            m_folders.push_back(path);
        });
    } catch (const cError&) {
        // What was walked is found; the tree tells of the failure.
    }
}

bool FavoritesGathering::step(const QDeadlineTimer& deadline)
{
    int read = 0;
    for (;;) {
        while (m_nextName >= m_names.size()) {
            if (m_next >= m_folders.size())
                return true;
            m_relative = m_folders[m_next++];
            const QString folder = Favorites::pathIn(m_root, m_relative, QString());
            m_stamps.push_back(FolderStamp{folder, platform::fileStamp(folder)});
            m_names.clear();
            m_nextName = 0;
            try {
                m_names = Favorites::listFolder(folder);
            } catch (const cError&) {
                // an unreadable folder has nothing to find
            }
            const QString rootPlace = Keys::sourceText(Keys::InternetExplorerSource);
            m_place = m_relative.isEmpty() ? rootPlace : rootPlace + QLatin1Char('\\') + m_relative;
        }
        // The clock is asked every few files: one read costs microseconds.
        if (++read % 32 == 0 && deadline.hasExpired())
            return false;
        const QString& name = m_names[m_nextName++];
        m_entries.push_back(make(Keys::InternetExplorerSource, name,
                                 Favorites::ReadShortcutUrl(Favorites::pathIn(m_root, m_relative, name + QStringLiteral(".url"))),
                                 m_place, 3));
        m_entries.back().folderPath = m_relative;
    }
}

std::vector<Entry> favoritesFolder(const QString& root, std::vector<FolderStamp>* stamps)
{
    FavoritesGathering gathering(root);
    gathering.step(QDeadlineTimer(QDeadlineTimer::Forever));
    if (stamps)
        *stamps = gathering.takeStamps();
    return gathering.takeEntries();
}

bool changedSince(const std::vector<FolderStamp>& stamps)
{
    return std::any_of(stamps.begin(), stamps.end(),
                       [](const FolderStamp& folder) { return platform::fileStamp(folder.path) != folder.stamp; });
}

std::vector<Entry> netscape(const NetscapeBookmarks& bookmarks)
{
    std::vector<Entry> entries;
    entries.reserve(size_t(bookmarks.records().Count()));
    struct Folder
    {
        int number;
        QString key;
        QString place;
    };
    const QString rootKey = Keys::rootKey(Keys::NetscapeSource);
    std::vector<Folder> pending{{0, rootKey, Keys::sourceText(Keys::NetscapeSource)}};
    QSet<int> seen{0};
    while (!pending.empty()) {
        const Folder folder = pending.back();
        pending.pop_back();
        std::vector<Folder> subFolders;
        for (qsizetype position : bookmarks.childrenOf(folder.number)) {
            const cBookmark& record = *bookmarks.records().at(position);
            if (record.BookmarkType() == cBookmark::LinkType) {
                entries.push_back(make(Keys::NetscapeSource, record.Title(), record.URL(), folder.place, 3));
                entries.back().folderKey = folder.key;
                entries.back().listKey = record.Key() + rootKey;
            } else if (record.BookmarkType() == cBookmark::FolderType) {
                const int number = NetscapeBookmarks::folderNumber(record);
                if (!seen.contains(number)) {
                    seen.insert(number);
                    subFolders.push_back(Folder{number, record.Key() + rootKey, folder.place + QLatin1Char('\\') + record.Title()});
                }
            }
        }
        for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it)
            pending.push_back(std::move(*it));
    }
    return entries;
}

std::vector<Entry> browser(int source, const Browsers::Folder& root)
{
    std::vector<Entry> entries;
    const QString rootKey = Keys::rootKey(source);
    auto addLinks = [&](const Browsers::Folder& folder, const QString& key, const QString& place) {
        for (size_t i = 0; i < folder.links.size(); ++i) {
            entries.push_back(make(source, folder.links[i].title, folder.links[i].url, place, 3));
            entries.back().folderKey = key;
            entries.back().listKey = Keys::itemKey(qsizetype(i));
        }
    };
    addLinks(root, rootKey, Keys::sourceText(source));
    std::vector<QString> places;
    Browsers::forEachFolder(root, [&](int number, int parent, const Browsers::Folder& folder) {
        places.push_back((parent < 0 ? Keys::sourceText(source) : places[size_t(parent)]) + QLatin1Char('\\') + folder.title);
        addLinks(folder, Keys::browserFolderKey(number, source), places.back());
    });
    return entries;
}

void Index::setPart(int source, int order, std::vector<Entry> entries)
{
    removePart(source);
    const auto place = std::upper_bound(m_parts.begin(), m_parts.end(), order,
                                        [](int value, const Part& part) { return value < part.order; });
    m_parts.insert(place, Part{source, order, std::move(entries)});
}

void Index::removePart(int source)
{
    m_parts.erase(std::remove_if(m_parts.begin(), m_parts.end(), [source](const Part& part) { return part.source == source; }),
                  m_parts.end());
}

void Index::keepOnly(const QList<int>& sources)
{
    m_parts.erase(std::remove_if(m_parts.begin(), m_parts.end(),
                                 [&sources](const Part& part) { return !sources.contains(part.source); }),
                  m_parts.end());
}

bool Index::hasPart(int source) const
{
    return std::any_of(m_parts.begin(), m_parts.end(), [source](const Part& part) { return part.source == source; });
}

qsizetype Index::size() const
{
    qsizetype count = 0;
    for (const Part& part : m_parts)
        count += qsizetype(part.entries.size());
    return count;
}

namespace {

bool startsWord(const QString& text, qsizetype at)
{
    return at == 0 || !text.at(at - 1).isLetterOrNumber();
}

// Where `word` starts a word of `text`, or -1.
qsizetype wordStart(const QString& text, const QString& word)
{
    for (qsizetype at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1)) {
        if (startsWord(text, at))
            return at;
    }
    return -1;
}

} // namespace

std::vector<const Entry*> Index::find(const QString& query, qsizetype limit) const
{
    const QStringList words = fold(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<const Entry*> tiers[3];
    if (words.isEmpty() || limit <= 0)
        return {};
    for (const Part& part : m_parts) {
        for (const Entry& entry : part.entries) {
            bool all = true;
            bool allInTitle = true;
            bool beginsTitle = false;
            for (const QString& word : words) {
                const qsizetype at = wordStart(entry.foldedTitle, word);
                if (at >= 0) {
                    beginsTitle = beginsTitle || at == 0;
                    continue;
                }
                allInTitle = false;
                if (!entry.foldedAddress.contains(word)) {
                    all = false;
                    break;
                }
            }
            if (!all)
                continue;
            const int tier = beginsTitle && allInTitle ? 0 : allInTitle ? 1 : 2;
            // Only the first `limit` of a tier can ever be shown.
            if (qsizetype(tiers[tier].size()) < limit)
                tiers[tier].push_back(&entry);
        }
    }
    std::vector<const Entry*> found;
    for (const auto& tier : tiers) {
        for (const Entry* entry : tier) {
            if (qsizetype(found.size()) == limit)
                return found;
            found.push_back(entry);
        }
    }
    return found;
}

} // namespace Find
