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
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing &&
            category != QChar::Mark_SpacingCombining)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

const Folder& Entry::where() const
{
    static const Folder none;
    return folder ? *folder : none;
}

namespace {

bool isAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

void prepare(Entry& entry)
{
    // An ASCII title is matched as it stands, without regard to case: a folded
    // copy of each would cost the index a string for nearly every entry.
    entry.foldedTitle = isAscii(entry.title) ? QString() : fold(entry.title);
    entry.foldedAddress = fold(entry.address);
}

namespace {

using FolderPointer = std::shared_ptr<const Folder>;

FolderPointer
makeFolder(const QString& place, const QString& key, const QString& path = {}, const QString& listKeyEnd = {})
{
    return std::make_shared<const Folder>(Folder{place, key, path, listKeyEnd});
}

Entry make(int source, const QString& title, const QString& address, const FolderPointer& folder, int image)
{
    Entry entry;
    entry.source = source;
    entry.title = title;
    entry.address = address;
    entry.folder = folder;
    entry.image = image;
    prepare(entry);
    return entry;
}

} // namespace

std::vector<Entry> webFavorites(bool compuServe)
{
    const int source = compuServe ? Keys::CompuServeFavoritesSource : Keys::WebFavoritesSource;
    const FolderPointer folder = makeFolder(Keys::sourceText(source), Keys::rootKey(source));
    const QList<RegistryStores::ListEntry> items = RegistryStores::listFavorites(compuServe);
    std::vector<Entry> entries;
    entries.reserve(size_t(items.size()));
    for (const RegistryStores::ListEntry& item : items)
        entries.push_back(
            make(source, item.text, RegistryStores::favoriteText(compuServe, item.text), folder, item.image));
    return entries;
}

std::vector<Entry> forums(const Forums::Collection& forums)
{
    const FolderPointer folder = makeFolder(Keys::sourceText(Keys::ForumsSource), Keys::rootKey(Keys::ForumsSource));
    std::vector<Entry> entries;
    entries.reserve(size_t(forums.Count()));
    for (const auto& name : forums)
        entries.push_back(make(Keys::ForumsSource, *name, *name, folder, 1));
    return entries;
}

std::vector<Entry> userFolder(const QString& folderName, int source, bool supportCompuServe)
{
    const FolderPointer folder = makeFolder(folderName.trimmed(), Keys::rootKey(source), folderName);
    const QHash<QString, QString> urls = RegistryStores::userEntryUrls(folderName);
    const QList<RegistryStores::ListEntry> items = RegistryStores::listUserFolder(folderName, supportCompuServe);
    std::vector<Entry> entries;
    entries.reserve(size_t(items.size()));
    for (const RegistryStores::ListEntry& item : items)
        entries.push_back(make(source, item.text, urls.value(item.text), folder, item.image));
    return entries;
}

FavoritesGathering::FavoritesGathering(const QString& root, Favorites::FolderListings* listings)
    : m_root(root), m_listings(listings)
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
            const QString& relative = m_folders[m_next++];
            const QString folder = Favorites::pathIn(m_root, relative, QString());
            const platform::FileStamp stamp = platform::fileStamp(folder);
            m_stamps.push_back(FolderStamp{folder, stamp, platform::isSettled(stamp)});
            m_names.clear();
            m_nextName = 0;
            try {
                m_names = m_listings ? m_listings->listForIndex(folder) : Favorites::listFolder(folder);
            } catch (const cError&) {
                // an unreadable folder has nothing to find
            }
            const QString rootPlace = Keys::sourceText(Keys::InternetExplorerSource);
            m_folder = makeFolder(
                relative.isEmpty() ? rootPlace : rootPlace + QLatin1Char('\\') + relative, QString(), relative);
        }
        // The clock is asked every few files: one read costs microseconds.
        if (++read % 32 == 0 && deadline.hasExpired())
            return false;
        const QString& name = m_names[m_nextName++];
        m_entries.push_back(
            make(Keys::InternetExplorerSource,
                 name,
                 Favorites::ReadShortcutUrl(Favorites::pathIn(m_root, m_folder->path, name + QStringLiteral(".url"))),
                 m_folder,
                 3));
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
    return std::any_of(stamps.begin(), stamps.end(), [](const FolderStamp& folder) {
        return !folder.settled || platform::fileStamp(folder.path) != folder.stamp;
    });
}

bool NetscapeGathering::step(const NetscapeBookmarks& bookmarks, const QDeadlineTimer& deadline)
{
    const QString rootKey = Keys::rootKey(Keys::NetscapeSource);
    if (!m_started || m_generation != bookmarks.generation()) {
        m_started = true;
        m_generation = bookmarks.generation();
        // Room for the links alone: the part is kept as it is made.
        size_t links = 0;
        for (const auto& record : bookmarks.records())
            links += record->BookmarkType() == cBookmark::LinkType ? 1 : 0;
        m_entries.clear();
        m_entries.reserve(links);
        m_pending = {{0, makeFolder(Keys::sourceText(Keys::NetscapeSource), rootKey, QString(), rootKey)}};
        m_seen = {0};
    }
    int listed = 0;
    while (!m_pending.empty()) {
        // The clock is asked every few folders: one costs microseconds.
        if (++listed % 16 == 0 && deadline.hasExpired())
            return false;
        const Pending folder = m_pending.back();
        m_pending.pop_back();
        std::vector<Pending> subFolders;
        for (qsizetype position : bookmarks.childrenOf(folder.number)) {
            const cBookmark& record = *bookmarks.records().at(position);
            if (record.BookmarkType() == cBookmark::LinkType) {
                m_entries.push_back(make(Keys::NetscapeSource, record.Title(), record.URL(), folder.folder, 3));
                m_entries.back().key = record.Key();
            } else if (record.BookmarkType() == cBookmark::FolderType) {
                const int number = NetscapeBookmarks::folderNumber(record);
                if (!m_seen.contains(number)) {
                    m_seen.insert(number);
                    subFolders.push_back(Pending{number,
                                                 makeFolder(folder.folder->place + QLatin1Char('\\') + record.Title(),
                                                            record.Key() + rootKey,
                                                            QString(),
                                                            rootKey)});
                }
            }
        }
        for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it)
            m_pending.push_back(std::move(*it));
    }
    return true;
}

std::vector<Entry> netscape(const NetscapeBookmarks& bookmarks)
{
    NetscapeGathering gathering;
    gathering.step(bookmarks, QDeadlineTimer(QDeadlineTimer::Forever));
    return gathering.takeEntries();
}

std::vector<Entry> browser(int source, const Browsers::Folder& root)
{
    std::vector<Entry> entries;
    const QString rootKey = Keys::rootKey(source);
    auto addLinks = [&](const Browsers::Folder& folder, const QString& key, const QString& place) {
        const FolderPointer where = makeFolder(place, key);
        for (size_t i = 0; i < folder.links.size(); ++i) {
            entries.push_back(make(source, folder.links[i].title, folder.links[i].url, where, 3));
            entries.back().key = Keys::itemKey(qsizetype(i));
        }
    };
    addLinks(root, rootKey, Keys::sourceText(source));
    std::vector<QString> places;
    Browsers::forEachFolder(root, [&](int number, int parent, const Browsers::Folder& folder) {
        places.push_back((parent < 0 ? Keys::sourceText(source) : places[size_t(parent)]) + QLatin1Char('\\') +
                         folder.title);
        addLinks(folder, Keys::folderKey(number, source), places.back());
    });
    return entries;
}

void Index::setPart(int source, int order, std::vector<Entry> entries)
{
    removePart(source);
    // A part gathered as it was read may hold room for twice its entries; a
    // copy of the bookmark file's part, held room for its folders, would cost
    // more than it saves.
    if (entries.capacity() > entries.size() + entries.size() / 2)
        entries.shrink_to_fit();
    const auto place = std::upper_bound(
        m_parts.begin(), m_parts.end(), order, [](int value, const Part& part) { return value < part.order; });
    m_parts.insert(place, Part{source, order, std::move(entries)});
}

void Index::removePart(int source)
{
    m_parts.erase(
        std::remove_if(m_parts.begin(), m_parts.end(), [source](const Part& part) { return part.source == source; }),
        m_parts.end());
}

void Index::keepOnly(const QList<int>& sources)
{
    m_parts.erase(std::remove_if(m_parts.begin(),
                                 m_parts.end(),
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

std::vector<const Entry*> Index::entries() const
{
    std::vector<const Entry*> all;
    all.reserve(size_t(size()));
    for (const Part& part : m_parts) {
        for (const Entry& entry : part.entries)
            all.push_back(&entry);
    }
    return all;
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

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool isAsciiLetterOrNumber(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The same for an ASCII text and a folded word: only the places where a word
// of the text starts are compared, each without regard to case.
qsizetype asciiWordStart(const QString& text, const QString& word)
{
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* wanted = reinterpret_cast<const char16_t*>(word.constData());
    const qsizetype length = word.size();
    for (qsizetype at = 0; at + length <= text.size(); ++at) {
        if (at > 0 && isAsciiLetterOrNumber(chars[at - 1]))
            continue;
        qsizetype i = 0;
        while (i < length && asciiLower(chars[at + i]) == wanted[i])
            ++i;
        if (i == length)
            return at;
    }
    return -1;
}

qsizetype titleWordStart(const Entry& entry, const QString& word)
{
    return entry.foldedTitle.isNull() ? asciiWordStart(entry.title, word) : wordStart(entry.foldedTitle, word);
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
                const qsizetype at = titleWordStart(entry, word);
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
