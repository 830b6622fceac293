#pragma once

// The stores behind Stores::Table, each made in its own file; only the table
// knows them by name.
#include "bookmarks/stores.h"

namespace Forums {
class List;
}
namespace Favorites {
class FolderListings;
}

namespace Stores {

// A part of the find index kept in one registry key, gathered again when the key changed.
class RegistryFindPart final : public FindPart
{
public:
    RegistryFindPart(QString key, std::function<std::vector<Find::Entry>()> gather);
    bool outOfDate(bool) const override;
    bool gather(const QDeadlineTimer&, std::vector<Find::Entry>* entries) override;

private:
    QString m_key;
    std::function<std::vector<Find::Entry>()> m_gather;
    quint64 m_changes = ~quint64(0);
};

std::unique_ptr<Store> makeFavoritesList(bool compuServe, const cSettings& settings);
std::unique_ptr<Store> makeForumList(Forums::List& list, const cSettings& settings);
std::unique_ptr<Store> makeShortcutFolder(Favorites::FolderListings& listings, const cSettings& settings);
std::unique_ptr<Store> makeBookmarkFile(NetscapeBookmarks& bookmarks, cSettings& settings);
std::unique_ptr<Store> makeUserFolders(cSettings& settings);

} // namespace Stores
