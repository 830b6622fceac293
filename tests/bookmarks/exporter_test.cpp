#include "bookmarks/exporter.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(Export, EntriesStandInTwoFixedColumns)
{
    BookmarkExport out;
    out.line(QString(60, QLatin1Char('t')), QStringLiteral("  http://x/  "));
    out.line(QString(), QStringLiteral("http://empty/"));
    const QStringList lines = out.text().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0],
              QStringLiteral("    ") + QString(50, QLatin1Char('t')) + QString(5, QLatin1Char(' ')) +
                  QStringLiteral("http://x/"));
    EXPECT_EQ(lines[0].indexOf(QStringLiteral("http")), 59) << "column 60";
    EXPECT_EQ(lines[1], QString(59, QLatin1Char(' ')) + QStringLiteral("http://empty/"));
}

TEST(Export, SectionsOfTheRegistryStores)
{
    storetest::write(
        RegistryStores::webFavoritesKey(), QStringLiteral("b"), QStringLiteral("http://b/"), cRegistry::REG_SZ);
    storetest::write(
        RegistryStores::webFavoritesKey(), QStringLiteral("A"), QStringLiteral("http://a/"), cRegistry::REG_SZ);
    storetest::write(RegistryStores::userEntryKey(QStringLiteral("Mine"), QStringLiteral("forum")),
                     QStringLiteral("URL"),
                     QStringLiteral("garden"),
                     cRegistry::REG_SZ);
    storetest::write(RegistryStores::userEntryKey(QStringLiteral("Mine"), QStringLiteral("forum")),
                     QStringLiteral("Type"),
                     2,
                     cRegistry::REG_DWORD);
    BookmarkExport out;
    out.webFavorites(false);
    out.userFolder(QStringLiteral(" Mine "), false);
    const QString pad(59 - 5, QLatin1Char(' '));
    EXPECT_EQ(out.text(),
              QStringLiteral("\r\nWeb Favorites Folder\r\n\r\n"
                             "    A") +
                  pad +
                  QStringLiteral("http://a/\r\n"
                                 "    b") +
                  pad +
                  QStringLiteral("http://b/\r\n"
                                 "\r\nMine\r\n\r\n"));
}

TEST(Export, FavoritesFoldersNestWithTheirPaths)
{
    const QString root = FreshHome::path() + QStringLiteral("/Favorites/");
    QDir().mkpath(root + QStringLiteral("Links/Tools"));
    regtest::writeFile(root + QStringLiteral("top.url"), "[InternetShortcut]\r\nURL=http://top/\r\n");
    regtest::writeFile(root + QStringLiteral("Links/Tools/hammer.url"), "[InternetShortcut]\r\nURL=http://hammer/\r\n");
    BookmarkExport all;
    all.favoritesFolder(root.chopped(1) + QLatin1Char('\\'), QString());
    EXPECT_TRUE(all.text().startsWith(QStringLiteral("\r\nMicrosoft Internet Explorer Favorites\r\n\r\n    top")));
    EXPECT_TRUE(all.text().contains(QStringLiteral("\r\n    \\Links\r\n\r\n\r\n    \\Links\\Tools\r\n\r\n    hammer")));
    BookmarkExport one;
    one.favoritesFolder(root.chopped(1) + QLatin1Char('\\'), QStringLiteral("Links"));
    EXPECT_TRUE(one.text().startsWith(QStringLiteral("\r\n    Links\r\n\r\n\r\n    Links\\Tools\r\n")));
    EXPECT_FALSE(one.text().contains(QStringLiteral("Microsoft Internet Explorer Favorites")));
}

TEST(Export, NetscapeLinksComeBeforeTheirSubFolders)
{
    NetscapeBookmarks bookmarks;
    QBuffer file;
    file.setData("<DL><p>\n<DT><H3>News</H3>\n<DL><p>\n<DT><A HREF=\"http://n/\">N</A>\n</DL><p>\n"
                 "<DT><A HREF=\"http://r/\">R</A>\n</DL><p>\n");
    file.open(QIODevice::ReadOnly);
    bookmarks.load(file);
    BookmarkExport out;
    out.netscape(bookmarks, 0, QString());
    const QString pad(59 - 5, QLatin1Char(' '));
    EXPECT_EQ(out.text(),
              QStringLiteral("\r\nNetscape Favorites\r\n\r\n    R") + pad +
                  QStringLiteral("http://r/\r\n"
                                 "\r\n    \\News\r\n\r\n    N") +
                  pad + QStringLiteral("http://n/\r\n"));
}
