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

std::unique_ptr<Store> makeFavoritesList(bool compuServe);
std::unique_ptr<Store> makeForumList(Forums::List& list);
std::unique_ptr<Store> makeShortcutFolder(Favorites::FolderListings& listings);
std::unique_ptr<Store> makeBookmarkFile(NetscapeBookmarks& bookmarks, cSettings& settings);
std::unique_ptr<Store> makeUserFolders(cSettings& settings);

} // namespace Stores
