#include "bookmarks/stores.h"

#include "bookmarks/browserstore.h"
#include "bookmarks/favorites.h"
#include "bookmarks/finder.h"
#include "bookmarks/forums.h"
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/storeparts.h"
#include "bookmarks/trashstore.h"
#include "platform/registry.h"

namespace Stores {

QString Store::folderPath(const QString&, const QString&) const
{
    return {};
}

QList<TreeNode> Store::tops() const
{
    return {{Keys::TopKey, Keys::rootKey(source()), Keys::sourceText(source()), TreeImage::Store}};
}

QString Store::existsMessage(const QString& name, const Place& folder) const
{
    return Names::existsInFolder(name, folder.folderText);
}

QString Store::addQuestion(const QString& name, const Place& folder) const
{
    return QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your '") + folder.folderText +
           QStringLiteral("' folder?");
}

QString Store::withScheme(const QString& address)
{
    return address.contains(QStringLiteral("//")) ? address : QStringLiteral("http://") + address;
}

Result Store::checkedAs(Names::Target target, const QString& name)
{
    const Names::Checked checked = Names::check(target, name);
    return checked.ok() ? Result::done(checked.name) : Result::refused(name, checked.refusal);
}

QList<Place> Store::entries(const Place& folder)
{
    QList<Place> places;
    for (const Row& row : list(folder))
        places.append(folder.entry(row.text, row.key));
    return places;
}

Result Store::checkNew(const Place& folder, const QString& name, const Place* replacing) const
{
    Result checked = checkName(name);
    if (!checked.ok() || !uniqueNames())
        return checked;
    // Names compare as the stores compare them: without regard to case.
    if (replacing && checked.what.compare(replacing->name, Qt::CaseInsensitive) == 0)
        return checked;
    if (contains(folder, checked.what))
        return Result::exists(checked.what, existsMessage(checked.what, folder));
    return checked;
}

RegistryFindPart::RegistryFindPart(QString key, std::function<std::vector<Find::Entry>()> gather)
    : m_key(std::move(key)), m_gather(std::move(gather))
{
}

bool RegistryFindPart::outOfDate(bool) const
{
    return platform::Registry::changeCount(m_key) != m_changes;
}

bool RegistryFindPart::gather(const QDeadlineTimer&, std::vector<Find::Entry>* entries)
{
    m_changes = platform::Registry::changeCount(m_key);
    *entries = m_gather();
    return true;
}

struct Table::Stores
{
    NetscapeBookmarks bookmarks;
    Forums::List forums;
    Favorites::FolderListings favoritesListings;
    Trash::Bin trash;
    std::array<std::unique_ptr<Store>, Keys::TrashSource + 1> roots;
    std::unique_ptr<Store> userFolders;
};

Table::Table(cSettings& settings) : m_stores(std::make_unique<Stores>())
{
    auto& roots = m_stores->roots;
    roots[Keys::CompuServeFavoritesSource] = makeFavoritesList(true, settings);
    roots[Keys::WebFavoritesSource] = makeFavoritesList(false, settings);
    roots[Keys::ForumsSource] = makeForumList(m_stores->forums, settings);
    roots[Keys::InternetExplorerSource] = makeShortcutFolder(m_stores->favoritesListings, settings);
    roots[Keys::NetscapeSource] = makeBookmarkFile(m_stores->bookmarks, settings);
    for (int source : {Keys::FirefoxSource, Keys::ChromiumSource})
        roots[size_t(source)] = std::make_unique<BrowserBookmarks>(source, settings);
    m_stores->userFolders = makeUserFolders(settings);
    roots[Keys::TrashSource] = std::make_unique<TrashStore>(m_stores->trash);
}

Table::~Table() = default;

Store* Table::at(int source) const
{
    if (source >= Keys::FirstUserFolder)
        return m_stores->userFolders.get();
    if (source < 0 || size_t(source) >= m_stores->roots.size())
        return nullptr;
    return m_stores->roots[size_t(source)].get();
}

Store* Table::forKey(const QString& key) const
{
    // The top node holds the stores, and is none itself; a list item's key names no store.
    const Keys::NodeKey node = Keys::NodeKey::parse(key);
    return node.kind == Keys::NodeKey::Kind::Root || node.kind == Keys::NodeKey::Kind::Folder ? at(node.source)
                                                                                              : nullptr;
}

QList<Store*> Table::inTreeOrder() const
{
    QList<Store*> stores;
    for (int source : {Keys::WebFavoritesSource,
                       Keys::ForumsSource,
                       Keys::CompuServeFavoritesSource,
                       Keys::NetscapeSource,
                       Keys::InternetExplorerSource,
                       Keys::FirefoxSource,
                       Keys::ChromiumSource})
        stores.append(at(source));
    stores.append(m_stores->userFolders.get());
    stores.append(m_stores->roots[Keys::TrashSource].get());
    return stores;
}

NetscapeBookmarks& Table::bookmarks() const
{
    return m_stores->bookmarks;
}

Forums::List& Table::forums() const
{
    return m_stores->forums;
}

Favorites::FolderListings& Table::favoritesListings() const
{
    return m_stores->favoritesListings;
}

Store& Table::userFolders() const
{
    return *m_stores->userFolders;
}

TrashStore& Table::trash() const
{
    return static_cast<TrashStore&>(*m_stores->roots[Keys::TrashSource]);
}

BrowserBookmarks& Table::browser(int source) const
{
    return static_cast<BrowserBookmarks&>(
        *m_stores->roots[size_t(Keys::isBrowserSource(source) ? source : Keys::FirefoxSource)]);
}

} // namespace Stores
