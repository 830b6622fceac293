#include "bookmarks/forums.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList contents(const Forums::Collection& collection)
{
    QStringList out;
    for (qsizetype i = 1; i <= collection.Count(); ++i)
        out << collection.KeyAt(i) + QLatin1Char(' ') + *collection.at(i);
    return out;
}

} // namespace

TEST(Forums, TheListSortsWithKeysByPlaceAndWritesOneNamePerLine)
{
    const QString path = FreshHome::path() + QStringLiteral("/cforums.txt");
    ASSERT_TRUE(regtest::writeFile(path, "c\r\na\r\n\r\n  b  \r\n"));
    const Forums::File file = Forums::read(path);
    EXPECT_EQ(file.names, (QStringList{"c", "a", "", "  b  "}))
        << "names as they stand, an empty line is an empty name";
    Forums::Collection collection;
    Forums::fill(collection, file.names);
    EXPECT_EQ(contents(collection), (QStringList{"0X ", "1X   b  ", "2X a", "3X c"}));
    ASSERT_TRUE(Forums::write(path, collection, file.latin1));
    EXPECT_EQ(regtest::readFile(path), "\r\n  b  \r\na\r\nc\r\n");
    EXPECT_TRUE(Forums::read(FreshHome::path() + QStringLiteral("/missing.txt")).names.isEmpty());
}

TEST(Forums, Latin1NamesComeBackAsTheyWere)
{
    const QString path = FreshHome::path() + QStringLiteral("/cforums.txt");
    ASSERT_TRUE(regtest::writeFile(path, "Caf\xE9\r\nZ\r\n"));
    const Forums::File file = Forums::read(path);
    EXPECT_TRUE(file.latin1);
    Forums::Collection collection;
    Forums::fill(collection, file.names);
    ASSERT_TRUE(Forums::write(path, collection, file.latin1));
    EXPECT_EQ(regtest::readFile(path), "Caf\xE9\r\nZ\r\n");
}

TEST(Forums, AFilesByteOrderMarkIsNoPartOfTheFirstNameNorWrittenBackInside)
{
    const QString path = FreshHome::path() + QStringLiteral("/cforums.txt");
    ASSERT_TRUE(regtest::writeFile(path, "\xEF\xBB\xBFZulu\r\nAlpha\r\n"));
    Forums::File file = Forums::read(path);
    EXPECT_EQ(file.names, (QStringList{"Zulu", "Alpha"}));
    file.names << QStringLiteral("Mike");
    Forums::Collection collection;
    Forums::fill(collection, file.names);
    ASSERT_TRUE(Forums::write(path, collection, file.latin1));
    EXPECT_EQ(regtest::readFile(path), "Alpha\r\nMike\r\nZulu\r\n");

    // A name's own mark, taken from a page, stays the name's even as the first line.
    Forums::fill(collection, {QStringLiteral("\uFEFFAlpha"), QStringLiteral("Mike")});
    ASSERT_TRUE(Forums::write(path, collection, false));
    QStringList written;
    for (const auto& name : collection)
        written << *name;
    EXPECT_EQ(Forums::read(path).names, written);
}

TEST(Forums, APageGivesTheTextOfTheFirstLinkOfEachLine)
{
    const QString page = FreshHome::path() + QStringLiteral("/cforums.htm");
    ASSERT_TRUE(regtest::writeFile(page,
                                   "<HTML><BODY>\r\n"
                                   "<A HREF=\"/forums/garden\">Gardening</A>\r\n"
                                   "<A HREF=\"/forums/blank\">   </A>\r\n"
                                   "<A HREF=\"/a\">First</A> and <A HREF=\"/b\">Second</A>\r\n"
                                   "<A HREF=\"/forums/broken\"</A>\r\n"
                                   "<a href=\"/lower\">ignored</a>\r\n"
                                   "<A HREF=\"/forums/garden\"><B>Gardening</B></A>\r\n"
                                   "</BODY></HTML>\r\n"));
    // A name wrapped in another tag ends in that tag's ">": nothing after it, no name.
    EXPECT_EQ(Forums::namesFromPage(page), (QStringList{"Gardening", "First"}));
}
