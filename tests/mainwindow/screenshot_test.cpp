// The expanded window with stores that look like a user's, saved as a
// picture for the documentation when MARKCRATE_SCREENSHOT names a file.
#include "bookmarks/registrystores.h"
#include "controls/ImageList.h"
#include "controls/KeyedTreeView.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QDir>
#include <QPixmap>
#include <QTest>

TEST_F(MainWindowFixture, ScreenshotOfTheExpandedWindow)
{
    const QString target = qEnvironmentVariable("MARKCRATE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "set MARKCRATE_SCREENSHOT to a file name to take it";
    ImageList::useProgramIconTheme();
    const QString bookmarks = FreshHome::path() + QStringLiteral("/bookmarks.html");
    regtest::writeFile(bookmarks,
                       "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<DL><p>\r\n"
                       "<DT><H3>News</H3>\r\n<DL><p>\r\n"
                       "<DT><A HREF=\"https://news.example.org/\">Morning News</A>\r\n"
                       "<DT><A HREF=\"https://weather.example.org/\">Weather Today</A>\r\n"
                       "<DT><A HREF=\"https://tech.example.org/\">Tech Daily</A>\r\n"
                       "<DT><A HREF=\"https://science.example.org/\">Science Weekly</A>\r\n"
                       "</DL><p>\r\n<DT><H3>Recipes</H3>\r\n<DL><p>\r\n"
                       "<DT><A HREF=\"https://bread.example.org/\">Sourdough Bread</A>\r\n</DL><p>\r\n"
                       "</DL><p>\r\n");
    for (const char* name : {"Bank", "Library", "Train Times"})
        storetest::write(RegistryStores::webFavoritesKey(),
                         QLatin1String(name),
                         QString(QStringLiteral("https://example.org/") + QLatin1String(name)),
                         cRegistry::REG_SZ);
    QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites/Travel"));
    regtest::writeFile(FreshHome::path() + QStringLiteral("/Favorites/Maps.url"),
                       "[InternetShortcut]\r\nURL=https://maps.example.org/\r\n");
    startWithBookmarks(bookmarks);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    dialog().ClickLbbMain(cMainDialog::MoreButton);
    QTreeWidgetItem* news =
        form->tvMain->findItems(QStringLiteral("News"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(news, nullptr);
    show(KeyedTreeView::Key(news));
    QTest::qWait(50);
    ASSERT_TRUE(form->grab().save(target));
}
