#include "bookmarks/favorites.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/netscapetest.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace {

Find::Entry entry(int source, const char* title, const char* address)
{
    Find::Entry made;
    made.source = source;
    made.title = QString::fromUtf8(title);
    made.address = QString::fromUtf8(address);
    Find::prepare(made);
    return made;
}

QStringList titles(const std::vector<const Find::Entry*>& found)
{
    QStringList out;
    for (const Find::Entry* item : found)
        out << item->title;
    return out;
}

} // namespace

TEST(FindIndex, EveryWordMatchesAWordStartOfTheTitleOrAnywhereInTheAddressInAnyOrderCaseAndAccents)
{
    Find::Index index;
    index.setPart(1,
                  1,
                  {entry(1, "Qt Documentation", "https://doc.qt.io/"),
                   entry(1, "Café Crème recipes", "http://cooking.example/creme"),
                   entry(1, "Bookshop", "http://shop.example/"),
                   entry(1, "ÉCOLE normale", "http://ens.example/"),
                   entry(1, "Notebook", "http://paper.example/notebook"),
                   entry(1, "STRASSE and Qt-Widgets", "http://x.example/")});
    EXPECT_EQ(titles(index.find(QStringLiteral("documentation qt"), 10)), QStringList{"Qt Documentation"})
        << "any order";
    EXPECT_EQ(titles(index.find(QStringLiteral("Strasse ＷＩＤＧＥＴＳ"), 10)), QStringList{"STRASSE and Qt-Widgets"})
        << "a folded query against a title all ASCII; a word after a hyphen";
    EXPECT_TRUE(index.find(QStringLiteral("idgets"), 10).empty()) << "not inside a word of the title";
    EXPECT_TRUE(index.find(QStringLiteral("strasse-and-qt-widgets-and-more"), 10).empty());
    EXPECT_EQ(titles(index.find(QStringLiteral("CREME cafe"), 10)), QStringList{"Café Crème recipes"})
        << "case, accents";
    EXPECT_EQ(titles(index.find(QStringLiteral("ecole"), 10)), QStringList{"ÉCOLE normale"});
    // "book" starts a word of "Bookshop" only; "Notebook" has it inside a
    // word of its title but in its address as well.
    EXPECT_EQ(titles(index.find(QStringLiteral("book"), 10)), (QStringList{"Bookshop", "Notebook"}));
    EXPECT_EQ(titles(index.find(QStringLiteral("ebo"), 10)), QStringList{"Notebook"}) << "inside the address";
    EXPECT_EQ(titles(index.find(QStringLiteral("doc.qt"), 10)), QStringList{"Qt Documentation"});
    EXPECT_TRUE(index.find(QStringLiteral("qt missing"), 10).empty()) << "every word must match";
    EXPECT_TRUE(index.find(QStringLiteral("   "), 10).empty());
}

TEST(FindIndex, TitleStartsComeFirstThenWordStartsThenAddressesTiesInStoreOrder)
{
    Find::Index index;
    // Parts given out of order: the store order decides, not the call order.
    index.setPart(
        4, 3, {entry(4, "Python news", "http://a.example/"), entry(4, "The Python tutorial", "http://b.example/")});
    index.setPart(1, 1, {entry(1, "Snakes", "http://python.example/"), entry(1, "Python docs", "http://c.example/")});
    index.setPart(10, 5, {entry(10, "Learn Python", "http://d.example/")});
    EXPECT_EQ(titles(index.find(QStringLiteral("python"), 10)),
              (QStringList{"Python docs", "Python news", "The Python tutorial", "Learn Python", "Snakes"}));
    EXPECT_EQ(titles(index.find(QStringLiteral("python"), 2)), (QStringList{"Python docs", "Python news"}));

    index.setPart(1, 1, {}); // a store emptied is emptied in the index
    EXPECT_EQ(index.size(), 3);
    index.keepOnly({10});
    EXPECT_EQ(titles(index.find(QStringLiteral("python"), 10)), QStringList{"Learn Python"});
}

TEST(FindIndex, TheGatherersNameWhereEachEntryLivesAndHowToFindItAgain)
{
    const auto bookmarks =
        netscapetest::parse("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                            "<DT><A HREF=\"http://top.example/\">Top link</A>\n"
                            "<DT><H3>Dev</H3>\n<DL><p>\n<DT><H3>Qt</H3>\n<DL><p>\n"
                            "<DT><A HREF=\"https://doc.qt.io/\">Qt docs</A>\n</DL><p>\n</DL><p>\n</DL><p>\n");
    const std::vector<Find::Entry> links = Find::netscape(bookmarks);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].place(), QStringLiteral("Netscape Favorites"));
    EXPECT_EQ(links[0].folderKey(), QStringLiteral("4A"));
    EXPECT_EQ(links[1].place(), QStringLiteral("Netscape Favorites\\Dev\\Qt"));
    EXPECT_EQ(links[1].address, QStringLiteral("https://doc.qt.io/"));
    EXPECT_TRUE(links[1].folderKey().endsWith(QLatin1String("X4A")));
    EXPECT_TRUE(links[1].listKey().endsWith(QLatin1String("X4A")));

    storetest::write(RegistryStores::webFavoritesKey(),
                     QStringLiteral("News"),
                     QStringLiteral("http://news.example/"),
                     cRegistry::REG_SZ);
    storetest::write(RegistryStores::userEntryKey(QStringLiteral("Mine"), QStringLiteral("cats")),
                     QStringLiteral("URL"),
                     QStringLiteral("cats and dogs"),
                     cRegistry::REG_SZ);
    const auto favorites = Find::webFavorites(false);
    ASSERT_EQ(favorites.size(), 1u);
    EXPECT_EQ(favorites[0].address, QStringLiteral("http://news.example/"));
    EXPECT_EQ(favorites[0].place(), QStringLiteral("Web Favorites"));
    const auto mine = Find::userFolder(QStringLiteral("Mine"), 10, false);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0].address, QStringLiteral("cats and dogs"));
    EXPECT_EQ(mine[0].folderPath(), QStringLiteral("Mine"));
}

TEST(FindIndex, TheFavoritesFolderIsWalkedWholeAndItsChangesAreSeen)
{
    const QString root = FreshHome::path() + QStringLiteral("/FindFavorites/");
    auto shortcut = [&root](const QString& relative, const QByteArray& url) {
        QDir().mkpath(QFileInfo(root + relative).path());
        regtest::writeFile(root + relative, "[InternetShortcut]\r\nURL=" + url + "\r\n");
    };
    shortcut(QStringLiteral("Top.url"), "http://top.example/");
    shortcut(QStringLiteral("Travel/Rail/Trains.url"), "http://trains.example/");
    std::vector<Find::FolderStamp> stamps;
    const auto found = Find::favoritesFolder(QString(root).replace(QLatin1Char('/'), QLatin1Char('\\')), &stamps);
    QStringList places;
    for (const Find::Entry& item : found)
        places << item.place() + QStringLiteral(" | ") + item.title + QStringLiteral(" | ") + item.address +
                      QStringLiteral(" | ") + item.folderPath();
    EXPECT_EQ(places,
              (QStringList{"Microsoft IE Favorites | Top | http://top.example/ | ",
                           "Microsoft IE Favorites\\Travel\\Rail | Trains | http://trains.example/ | Travel\\Rail"}));
    // Folders made just before they were read may change again within the
    // same tick of the clock, unseen: they count as changed until read again.
    EXPECT_TRUE(Find::changedSince(stamps));
    QThread::msleep(2100);
    Find::favoritesFolder(QString(root).replace(QLatin1Char('/'), QLatin1Char('\\')), &stamps);
    EXPECT_FALSE(Find::changedSince(stamps));
    shortcut(QStringLiteral("Travel/Rail/Trams.url"), "http://trams.example/");
    EXPECT_TRUE(Find::changedSince(stamps)) << "a shortcut saved into a folder";
}

TEST(FindIndex, AFavoritesFolderReadInStepsGivesWhatOneReadingGives)
{
    const QString root = FreshHome::path() + QStringLiteral("/SteppedFavorites/");
    for (const char* folder : {"", "A/", "A/Deep/", "B/"}) {
        QDir().mkpath(root + QLatin1String(folder));
        for (int i = 0; i < 70; ++i)
            regtest::writeFile(root + QLatin1String(folder) + QStringLiteral("s%1.url").arg(i),
                               "[InternetShortcut]\r\nURL=http://x/" + QByteArray(folder) + QByteArray::number(i) +
                                   "\r\n");
    }
    const QString native = QString(root).replace(QLatin1Char('/'), QLatin1Char('\\'));
    auto describe = [](const std::vector<Find::Entry>& entries) {
        QStringList lines;
        for (const Find::Entry& item : entries)
            lines << item.place() + QLatin1Char('|') + item.title + QLatin1Char('|') + item.address + QLatin1Char('|') +
                         item.folderPath();
        return lines;
    };
    std::vector<Find::FolderStamp> stamps;
    const QStringList whole = describe(Find::favoritesFolder(native, &stamps));
    ASSERT_EQ(whole.size(), 280);

    // A deadline already past: each step reads only the few files between two looks at the clock.
    Find::FavoritesGathering gathering(native);
    int steps = 1;
    while (!gathering.step(QDeadlineTimer(0)))
        ++steps;
    EXPECT_GT(steps, 4) << "folders of 70 shortcuts are read over several steps";
    EXPECT_EQ(describe(gathering.takeEntries()), whole);
    EXPECT_EQ(gathering.takeStamps().size(), stamps.size());
}

TEST(FindIndex, ALargeFavoritesFolderTheIndexReadsIsReadyForItsFirstShowing)
{
    const QString root = FreshHome::path() + QStringLiteral("/KeptFavorites/");
    QDir().mkpath(root + QStringLiteral("Large"));
    QDir().mkpath(root + QStringLiteral("Small"));
    for (int i = 0; i < Favorites::FolderListings::kWorthKeeping; ++i)
        regtest::writeFile(root + QStringLiteral("Large/s%1.url").arg(i), "[InternetShortcut]\r\nURL=http://x/\r\n");
    regtest::writeFile(root + QStringLiteral("Small/s.url"), "[InternetShortcut]\r\nURL=http://x/\r\n");
    const QString native = QString(root).replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString large = native + QStringLiteral("Large\\");
    const QString small = native + QStringLiteral("Small\\");

    Favorites::FolderListings listings;
    Find::FavoritesGathering gathering(native, &listings);
    while (!gathering.step(QDeadlineTimer(QDeadlineTimer::Forever))) {
    }
    EXPECT_EQ(gathering.takeEntries().size(), size_t(Favorites::FolderListings::kWorthKeeping) + 1);
    EXPECT_EQ(listings.wholeReads(), 3);
    EXPECT_EQ(listings.list(large), Favorites::listFolder(large));
    EXPECT_EQ(listings.list(small), (QStringList{"s"}));
    platform::FolderWatch probe;
    if (platform::WatchedFolder(probe, root)) {
        EXPECT_EQ(listings.wholeReads(), 4) << "the large folder is shown from what the index read";
    }
}

namespace {

QByteArray nestedBookmarkFile(const QByteArray& prefix)
{
    // 40 folders, every fourth inside the one before it, three links each.
    QByteArray text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    int open = 0;
    for (int f = 0; f < 40; ++f) {
        text += "<DT><H3>" + prefix + " folder " + QByteArray::number(f) + "</H3>\n<DL><p>\n";
        for (int l = 0; l < 3; ++l)
            text += "<DT><A HREF=\"http://x.example/" + QByteArray::number(f) + "/" + QByteArray::number(l) + "\">" +
                    prefix + " link " + QByteArray::number(l) + "</A>\n";
        if (f % 4 == 0) {
            ++open; // the next folder goes inside this one
        } else {
            text += "</DL><p>\n";
        }
    }
    for (; open > 0; --open)
        text += "</DL><p>\n";
    return text + "</DL><p>\n";
}

QStringList described(const std::vector<Find::Entry>& entries)
{
    QStringList lines;
    for (const Find::Entry& entry : entries)
        lines << entry.place() + QLatin1Char('|') + entry.title + QLatin1Char('|') + entry.address + QLatin1Char('|') +
                     entry.listKey();
    return lines;
}

} // namespace

TEST(FindIndex, TheBookmarkFileListedInStepsGivesWhatOneListingGivesEvenIfItChangesBetweenSteps)
{
    NetscapeBookmarks bookmarks = netscapetest::parse(nestedBookmarkFile("Old"));
    const QStringList whole = described(Find::netscape(bookmarks));
    ASSERT_EQ(whole.size(), 120);

    Find::NetscapeGathering stepped;
    int steps = 1;
    while (!stepped.step(bookmarks, QDeadlineTimer(0))) // a deadline already past: the least a step does
        ++steps;
    EXPECT_GT(steps, 1);
    EXPECT_EQ(described(stepped.takeEntries()), whole);

    // Read again between two steps: the listing starts over on the new records.
    Find::NetscapeGathering interrupted;
    ASSERT_FALSE(interrupted.step(bookmarks, QDeadlineTimer(0)));
    QBuffer changed;
    changed.setData(nestedBookmarkFile("New"));
    changed.open(QIODevice::ReadOnly);
    bookmarks.load(changed);
    while (!interrupted.step(bookmarks, QDeadlineTimer(0))) {
    }
    EXPECT_EQ(interrupted.generation(), bookmarks.generation());
    const QStringList renewed = described(interrupted.takeEntries());
    EXPECT_EQ(renewed, described(Find::netscape(bookmarks)));
    EXPECT_TRUE(renewed.filter(QStringLiteral("Old")).isEmpty());
}
