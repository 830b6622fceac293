#include "bookmarks/exporter.h"
#include "bookmarks/forums.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <gtest/gtest.h>

TEST(ForumEncodings, TheListIsWrittenInOneEncoding)
{
    const QString path = FreshHome::path() + QStringLiteral("/cforums.txt");
    ASSERT_TRUE(regtest::writeFile(path, "Caf\xE9\r\n"));
    Forums::File file = Forums::read(path);
    ASSERT_TRUE(file.latin1);
    Forums::Collection forums;
    Forums::fill(forums, file.names << QString::fromUtf8("Euro € Forum"));
    ASSERT_TRUE(Forums::write(path, forums, file.latin1));
    EXPECT_EQ(Forums::read(path).names, (QStringList{QString::fromUtf8("Café"), QString::fromUtf8("Euro € Forum")}));

    const QString page = FreshHome::path() + QStringLiteral("/cforums.htm");
    ASSERT_TRUE(regtest::writeFile(page, "<A HREF=\"x\">\xEF\xBB\xBFMarked\x0B</A>\n<A HREF=\"y\">\t Plain \t</A>\n"));
    EXPECT_EQ(Forums::namesFromPage(page),
              (QStringList{QString(QChar(0xFEFF)) + QStringLiteral("Marked\x0B"), QStringLiteral("Plain")}));
}

TEST(ExportListing, TitlesAreCutAndPaddedByCharacters)
{
    BookmarkExport listing;
    QString title(49, QLatin1Char('a'));
    title += QString::fromUtf8("😀😀");
    listing.line(title, QStringLiteral("http://x/"));
    const QString line = listing.text().section(QStringLiteral("\r\n"), 0, 0);
    EXPECT_EQ(line,
              QStringLiteral("    ") + QString(49, QLatin1Char('a')) + QString::fromUtf8("😀") +
                  QString(5, QLatin1Char(' ')) + QStringLiteral("http://x/"));
    EXPECT_FALSE(listing.bytes().contains('?'));
}
