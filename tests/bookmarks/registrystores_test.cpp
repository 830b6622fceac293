#include "bookmarks/registrystores.h"
#include "platform/shell.h"
#include "store/cRegistry.h"
#include "support/storetest.h"

#include <gtest/gtest.h>

namespace {

using storetest::write;

void entry(const QString& folder, const QString& title, const QString& url, const QVariant& type)
{
    write(RegistryStores::userEntryKey(folder, title), QStringLiteral("URL"), url, cRegistry::REG_SZ);
    if (type.isValid())
        write(RegistryStores::userEntryKey(folder, title), QStringLiteral("Type"), type, cRegistry::REG_DWORD);
}

QStringList shown(const QList<RegistryStores::ListEntry>& entries)
{
    QStringList out;
    for (const auto& e : entries)
        out << QStringLiteral("%1 %2 %3").arg(e.key, e.text).arg(e.image);
    return out;
}

} // namespace

TEST(RegistryStores, FavoritesListSortedWithOneBasedKeys)
{
    for (const char* title : {"b", "A", "c"})
        write(RegistryStores::webFavoritesKey(), QLatin1String(title), QStringLiteral("http://x/"), cRegistry::REG_SZ);
    EXPECT_EQ(shown(RegistryStores::listFavorites(false)), (QStringList{"1X A 3", "2X b 3", "3X c 3"}));
    EXPECT_TRUE(RegistryStores::listFavorites(true).isEmpty());
    write(RegistryStores::compuServeFavoritesKey(),
          QStringLiteral("Gardening"),
          QStringLiteral("garden"),
          cRegistry::REG_SZ);
    EXPECT_EQ(shown(RegistryStores::listFavorites(true)), (QStringList{"1X Gardening 1"}));
    EXPECT_EQ(RegistryStores::favoriteText(true, QStringLiteral("Gardening")), QStringLiteral("garden"));
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("missing")), QString());
}

TEST(RegistryStores, UserFoldersHideGoWordsWithoutCompuServeButKeepTheirNumbers)
{
    entry(QStringLiteral("Mine"), QStringLiteral("a page"), QStringLiteral("http://a/"), 0);
    entry(QStringLiteral("Mine"), QStringLiteral("b forum"), QStringLiteral("garden"), 2);
    entry(QStringLiteral("Mine"), QStringLiteral("c search"), QStringLiteral("cats"), 1);
    entry(QStringLiteral("Mine"), QStringLiteral("d odd"), QStringLiteral("x"), 9);
    entry(QStringLiteral("Mine"), QStringLiteral("e untyped"), QStringLiteral("y"), QVariant());
    EXPECT_EQ(shown(RegistryStores::listUserFolder(QStringLiteral("Mine"), true)),
              (QStringList{"1X a page 3", "2X b forum 1", "3X c search 5", "4X d odd 0", "5X e untyped 0"}));
    EXPECT_EQ(shown(RegistryStores::listUserFolder(QStringLiteral("Mine"), false)),
              (QStringList{"1X a page 3", "3X c search 5", "4X d odd 0", "5X e untyped 0"}));
    entry(QStringLiteral("Other"), QStringLiteral("a page"), QStringLiteral("http://other/"), 0);
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Other"), QStringLiteral("a page")),
              QStringLiteral("http://other/"));
    EXPECT_TRUE(RegistryStores::listUserFolder(QStringLiteral("Empty"), true).isEmpty());
}

TEST(RegistryStores, AUserFolderShownAgainListsEveryChangeMadeSince)
{
    entry(QStringLiteral("Kept"), QStringLiteral("b page"), QStringLiteral("http://b/"), 0);
    entry(QStringLiteral("Kept"), QStringLiteral("c forum"), QStringLiteral("garden"), 2);
    entry(QStringLiteral("Beside"), QStringLiteral("x"), QStringLiteral("http://x/"), 0);
    RegistryStores::UserFolderListings listings;
    const QString kept = QStringLiteral("Kept");
    EXPECT_EQ(shown(listings.list(kept, true)), (QStringList{"1X b page 3", "2X c forum 1"}));
    EXPECT_EQ(shown(listings.list(kept, false)), (QStringList{"1X b page 3"})) << "CompuServe switched off";

    entry(QStringLiteral("Beside"), QStringLiteral("y"), QStringLiteral("http://y/"), 0);
    EXPECT_EQ(shown(listings.list(kept, true)), (QStringList{"1X b page 3", "2X c forum 1"}));
    ASSERT_TRUE(RegistryStores::writeUserEntry(kept, QStringLiteral("a new"), QStringLiteral("cats"), 1));
    EXPECT_EQ(shown(listings.list(kept, true)), (QStringList{"1X a new 5", "2X b page 3", "3X c forum 1"}));
    write(
        RegistryStores::userEntryKey(kept, QStringLiteral("b page")), QStringLiteral("Type"), 1, cRegistry::REG_DWORD);
    EXPECT_EQ(shown(listings.list(kept, true)), (QStringList{"1X a new 5", "2X b page 5", "3X c forum 1"}))
        << "a kind changed";
    RegistryStores::removeUserEntry(kept, QStringLiteral("c forum"));
    EXPECT_EQ(shown(listings.list(kept, true)), (QStringList{"1X a new 5", "2X b page 5"}));
    EXPECT_EQ(shown(listings.list(QStringLiteral("Beside"), true)), (QStringList{"1X x 3", "2X y 3"}));
}

TEST(Shell, OnlyUsableAddressesReachTheDesktop)
{
    QStringList opened;
    platform::setLauncher([&opened](const QString& address) { opened << address; });
    for (const char* address : {"http://example.com/a b", "https://x/?q=1", "mailto:me@example.com"})
        platform::ShellOpen(QLatin1String(address));
    for (const char* address : {"", "   ", "http://", "no scheme here", "c:\\windows"})
        platform::ShellOpen(QLatin1String(address));
    platform::setLauncher({});
    EXPECT_EQ(opened, (QStringList{"http://example.com/a b", "https://x/?q=1", "mailto:me@example.com"}));
}
