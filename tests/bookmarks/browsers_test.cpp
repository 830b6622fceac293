#include "bookmarks/browsers.h"
#include "support/browserstest.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Browsers;

namespace {

// A folder as text: titles nested by indentation, links with their address.
QStringList outline(const Folder& folder, int depth = 0)
{
    QStringList out;
    const QString indent(2 * depth, QLatin1Char(' '));
    for (const Folder& sub : folder.folders) {
        out << indent + sub.title + QLatin1Char('/');
        out += outline(sub, depth + 1);
    }
    for (const Link& link : folder.links)
        out << indent + link.title + QStringLiteral(" = ") + link.url;
    return out;
}

} // namespace

TEST(Browsers, FirefoxIsReadFromAPrivateCopyWithItsWalWhileTheBrowserHoldsItsLock)
{
    const QString places = FreshHome::path() + QStringLiteral("/ff/places.sqlite");
    const QString lock =
        browserstest::makePlaces(places,
                                 {{10, 1, 2, "Menu link", nullptr, "http://menu.example/"},
                                  {11, 2, 3, "Toolbar folder", nullptr, nullptr},
                                  {12, 1, 11, "Deep", nullptr, "http://deep.example/"},
                                  {13, 3, 3, "", nullptr, nullptr},                            // a separator
                                  {14, 1, 3, "Recent", nullptr, "place:sort=8&maxResults=10"}, // a query
                                  {15, 1, 4, "tagged", nullptr, "http://tag.example/"}}, // the tags root: not shown
                                 {{20, 1, 3, "Only in the wal", nullptr, "http://wal.example/"},
                                  {21, 1, 6, "", nullptr, "http://untitled.example/"}});
    {
        // The lock is real: a plain reader is refused.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(places);
        other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        ASSERT_TRUE(other.open());
        QSqlQuery probe(other);
        EXPECT_FALSE(probe.exec(QStringLiteral("SELECT count(*) FROM moz_bookmarks")));
        EXPECT_TRUE(probe.lastError().text().contains(QLatin1String("locked")))
            << probe.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    ASSERT_FALSE(browserstest::bytesOf(places + QStringLiteral("-wal")).isEmpty())
        << "part of the store is only in the -wal file";
    const QByteArray before = browserstest::bytesOf(places) + browserstest::bytesOf(places + QStringLiteral("-wal"));
    const QString copies = FreshHome::path() + QStringLiteral("/.runtime/markcrate");

    QString problem;
    const Folder read = readFirefox(places, copies, &problem);
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    EXPECT_EQ(outline(read),
              (QStringList{"Bookmarks Menu/",
                           "  Menu link = http://menu.example/",
                           "Bookmarks Toolbar/",
                           "  Toolbar folder/",
                           "    Deep = http://deep.example/",
                           "  Only in the wal = http://wal.example/",
                           "Mobile Bookmarks/",
                           "  http://untitled.example/ = http://untitled.example/"}));
    EXPECT_EQ(read.folders.at(0).links.at(0).added, 1600000010) << "when it was bookmarked, from microseconds";
    EXPECT_EQ(browserstest::bytesOf(places) + browserstest::bytesOf(places + QStringLiteral("-wal")), before)
        << "the browser's files are only read";
    EXPECT_TRUE(QDir(copies).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty()) << "the copy is removed";
    QSqlDatabase::removeDatabase(lock);
}

TEST(Browsers, AStoreThatCannotBeReadGivesNothingAndSaysWhichFile)
{
    const QString damaged = FreshHome::path() + QStringLiteral("/bad/places.sqlite");
    QDir().mkpath(FreshHome::path() + QStringLiteral("/bad"));
    ASSERT_TRUE(regtest::writeFile(damaged, QByteArray("SQLite format 3") + QByteArray(5000, '\x7f')));
    QString problem;
    EXPECT_TRUE(readFirefox(damaged, FreshHome::path() + QStringLiteral("/copies"), &problem).empty());
    EXPECT_TRUE(problem.contains(damaged)) << problem.toStdString();

    // A database of another shape (a newer or an older schema).
    const QString other = FreshHome::path() + QStringLiteral("/other/places.sqlite");
    QDir().mkpath(FreshHome::path() + QStringLiteral("/other"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shape"));
        db.setDatabaseName(other);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shape"));
    problem.clear();
    EXPECT_TRUE(readFirefox(other, FreshHome::path() + QStringLiteral("/copies"), &problem).empty());
    EXPECT_TRUE(problem.contains(other)) << problem.toStdString();

    const QString json = FreshHome::path() + QStringLiteral("/Bookmarks");
    ASSERT_TRUE(regtest::writeFile(json, "{\"roots\": {\"bookmark_bar\": "));
    problem.clear();
    EXPECT_TRUE(readChromium(json, &problem).empty());
    EXPECT_TRUE(problem.contains(json)) << problem.toStdString();
    problem.clear();
    EXPECT_TRUE(readChromium(FreshHome::path() + QStringLiteral("/missing"), &problem).empty());
    EXPECT_FALSE(problem.isEmpty());
}

TEST(Browsers, ChromiumFamilyProfilesAreFoundByBrowserAndProfileAndRead)
{
    const QByteArray bookmarks =
        "{\"roots\": {\"bookmark_bar\": {\"type\": \"folder\", \"name\": \"Bookmarks bar\", \"children\": ["
        "  {\"type\": \"url\", \"name\": \"Qt\", \"url\": \"https://qt.io/\", \"date_added\": \"13244440000000000\"},"
        "  {\"type\": \"folder\", \"name\": \"Dev\", \"children\": [{\"type\": \"url\", \"name\": \"CMake\", \"url\": "
        "\"https://cmake.org/\"}]}]},"
        " \"other\": {\"type\": \"folder\", \"children\": []},"
        " \"synced\": {\"type\": \"folder\", \"children\": [{\"type\": \"url\", \"name\": \"Phone\", \"url\": "
        "\"http://phone.example/\"}]}},"
        " \"version\": 1}";
    const QString home = FreshHome::path();
    QDir().mkpath(home + QStringLiteral("/.config/chromium/Default"));
    QDir().mkpath(home + QStringLiteral("/.config/chromium/Profile 1"));
    QDir().mkpath(home + QStringLiteral("/.config/chromium/System Profile")); // no Bookmarks: not a store
    QDir().mkpath(home + QStringLiteral("/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default"));
    ASSERT_TRUE(regtest::writeFile(home + QStringLiteral("/.config/chromium/Default/Bookmarks"), bookmarks));
    ASSERT_TRUE(regtest::writeFile(home + QStringLiteral("/.config/chromium/Profile 1/Bookmarks"), bookmarks));
    ASSERT_TRUE(regtest::writeFile(home + QStringLiteral("/.config/chromium/Local State"),
                                   "{\"profile\": {\"info_cache\": {\"Profile 1\": {\"name\": \"Work\"}}}}"));
    ASSERT_TRUE(regtest::writeFile(
        home + QStringLiteral("/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/Bookmarks"),
        bookmarks));

    const QList<Profile> profiles = chromiumProfiles();
    QStringList names;
    for (const Profile& profile : profiles)
        names << profile.name;
    EXPECT_EQ(names, (QStringList{"Chromium\tDefault", "Chromium\tWork", "Brave\tDefault"}));

    const Source source = chromiumSource(profiles);
    EXPECT_TRUE(source.problems.isEmpty());
    EXPECT_EQ(source.watched.size(), 3);
    const QStringList shown = outline(source.root);
    EXPECT_EQ(shown.mid(0, 9),
              (QStringList{"Chromium/",
                           "  Default/",
                           "    Bookmarks bar/",
                           "      Dev/",
                           "        CMake = https://cmake.org/",
                           "      Qt = https://qt.io/",
                           "    Mobile bookmarks/",
                           "      Phone = http://phone.example/",
                           "  Work/"}))
        << "an empty root is left out";
    // Microseconds since 1601, as the Chromium family keeps them.
    const Folder& bar = source.root.folders.at(0).folders.at(0).folders.at(0);
    EXPECT_EQ(bar.links.at(0).added, 13244440000 - 11644473600);
    EXPECT_EQ(bar.folders.at(0).links.at(0).added, 0) << "no date kept: none given";
    EXPECT_EQ(shown.mid(15, 2), (QStringList{"Brave/", "  Bookmarks bar/"})) << "one profile: its roots directly";
}

TEST(Browsers, FirefoxProfilesComeFromProfilesIniTheDefaultFirst)
{
    const QString base = FreshHome::path() + QStringLiteral("/.mozilla/firefox");
    for (const char* folder : {"a.old", "b.default-release"}) {
        QDir().mkpath(base + QLatin1Char('/') + QLatin1String(folder));
        regtest::writeFile(base + QLatin1Char('/') + QLatin1String(folder) + QStringLiteral("/places.sqlite"), "x");
    }
    QDir().mkpath(base + QStringLiteral("/c.empty"));
    ASSERT_TRUE(regtest::writeFile(base + QStringLiteral("/profiles.ini"),
                                   "[Profile0]\nName=old\nIsRelative=1\nPath=a.old\nDefault=1\n\n"
                                   "[Profile1]\nName=default-release\nIsRelative=1\nPath=b.default-release\n\n"
                                   "[Profile2]\nName=empty\nIsRelative=1\nPath=c.empty\n\n"
                                   "[Install4F96D1932A9F858E]\nDefault=b.default-release\nLocked=1\n"));
    QStringList names;
    for (const Profile& profile : firefoxProfiles())
        names << profile.name;
    EXPECT_EQ(names, (QStringList{"default-release", "old"}))
        << "the installation's default first; no database, no store";
}
