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
    write(RegistryStores::compuServeFavoritesKey(), QStringLiteral("Gardening"), QStringLiteral("garden"), cRegistry::REG_SZ);
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
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Other"), QStringLiteral("a page")), QStringLiteral("http://other/"));
    EXPECT_TRUE(RegistryStores::listUserFolder(QStringLiteral("Empty"), true).isEmpty());
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
