#include "bookmarks/favorites.h"
#include "bookmarks/sortnames.h"
#include "platform/error.h"
#include "platform/profilefile.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <sys/stat.h>
#include <thread>

namespace {

QString root()
{
    return FreshHome::path() + QStringLiteral("/Favorites");
}

void mkdir(const QString& relative)
{
    QDir().mkpath(root() + QLatin1Char('/') + relative);
}

void shortcut(const QString& relative, const QByteArray& bytes)
{
    const QString path = root() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(regtest::writeFile(path, bytes));
}

QStringList tree(const QString& folder)
{
    QStringList out;
    Favorites::loadTree(folder, [&out](const Favorites::FolderNode& node) {
        out << QStringLiteral("%1<%2 %3 %4").arg(node.key, node.parentKey, node.text).arg(node.image);
    });
    return out;
}

void setFavoritesValue(const QString& value)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
    registry.setKeyType(cRegistry::REG_SZ);
    registry.setValueName(QStringLiteral("Favorites"));
    registry.setKeyValue(value);
}

} // namespace

TEST(SortNames, AscendingByLowerCaseAndStable)
{
    QStringList names{"b", "A", "c", "a", "B", "Ä", "_x", "10", "9"};
    SortNames(names);
    EXPECT_EQ(names, (QStringList{"10", "9", "_x", "A", "a", "b", "B", "c", "Ä"}));
    QStringList empty;
    SortNames(empty);
    EXPECT_TRUE(empty.isEmpty());

    // In order already, names equal in lower case still keep their order.
    QStringList ordered{"A", "a", "b", "Ä", "ä"};
    SortNames(ordered);
    EXPECT_EQ(ordered, (QStringList{"A", "a", "b", "Ä", "ä"}));
    EXPECT_EQ(SortedOrder({"Zeta", "alpha", "ALPHA"}), (std::vector<qsizetype>{1, 2, 0}));
}

TEST(SortNames, AnyNamesComeInTheOrderOfTheirLowerCaseForms)
{
    // Names that share long beginnings (all of them, or some), are prefixes
    // of one another, differ only past the first few characters, or hold a
    // NUL or a letter beyond ASCII: the order must be that of the whole
    // lower-case names.
    std::mt19937 random(7);
    const QString pieces[] = {"Favorite site ", "fav", "F", "a", "Ä", "ä", QString(QChar(0)), "\u00df", "1", "", "zz"};
    for (const QString& everyOnesStart : {QString(), QStringLiteral("Shortcut "), QStringLiteral("SHORT")}) {
        QStringList names;
        for (int i = 0; i < 3000; ++i) {
            QString name = everyOnesStart;
            for (int n = int(random() % 5); n >= 0; --n)
                name += pieces[random() % std::size(pieces)];
            names.append(i % 2 ? name : name.toUpper());
        }
        std::vector<qsizetype> expected(size_t(names.size()));
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&names](qsizetype a, qsizetype b) {
            return names[a].toLower() < names[b].toLower();
        });
        EXPECT_EQ(SortedOrder(names), expected) << everyOnesStart.toStdString();
    }
}

TEST(Favorites, TheFolderComesFromTheRegistryAndABlankOneIsNoSource)
{
    EXPECT_EQ(Favorites::folder(), root() + QLatin1Char('\\')) << "seeded at first start";
    for (const char* odd : {"", "   ", "C:\\Documents and Settings\\Favorites", "relative/dir"}) {
        setFavoritesValue(QLatin1String(odd));
        EXPECT_EQ(Favorites::folder(), QString()) << odd;
        EXPECT_TRUE(tree(Favorites::folder()).isEmpty());
    }
    setFavoritesValue(QStringLiteral("  ") + root() + QStringLiteral("  "));
    EXPECT_EQ(Favorites::folder(), root() + QLatin1Char('\\'));
}

TEST(Favorites, TheTreeSortsTheTopLevelAndNumbersFoldersInPreOrder)
{
    mkdir(QStringLiteral("b"));
    mkdir(QStringLiteral("A/Q"));
    mkdir(QStringLiteral("c"));
    mkdir(QStringLiteral(".hidden"));
    shortcut(QStringLiteral("A/file.url"), "[InternetShortcut]\r\nURL=http://x/\r\n");
    EXPECT_EQ(tree(Favorites::folder()),
              (QStringList{"0X3A<3A .hidden 6", "1X3A<3A A 2", "2X3A<1X3A Q 2", "3X3A<3A b 2", "4X3A<3A c 2"}));
}

TEST(Favorites, ALoopOfLinksEndsTheWalk)
{
    mkdir(QStringLiteral("A/B"));
    ASSERT_TRUE(QFile::link(root() + QStringLiteral("/A"), root() + QStringLiteral("/A/B/back")));
    ASSERT_TRUE(QFile::link(root(), root() + QStringLiteral("/A/top")));
    // The links show as folders once; what they lead back to is not walked again.
    QStringList texts;
    for (const QString& node : tree(Favorites::folder()))
        texts << node.section(QLatin1Char(' '), 1, 1);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"A", "B", "back", "top"}));
}

TEST(Favorites, AFolderListsOnlyItsShortcutsSorted)
{
    mkdir(QStringLiteral("d.url"));
    shortcut(QStringLiteral("b.url"), "");
    shortcut(QStringLiteral("a.URL"), "");
    shortcut(QStringLiteral("c.txt"), "");
    shortcut(QStringLiteral("C.Url"), "");
    EXPECT_EQ(Favorites::listFolder(Favorites::folder()), (QStringList{"a", "b", "C"}));
    mkdir(QStringLiteral("empty"));
    EXPECT_TRUE(Favorites::listFolder(Favorites::folder() + QStringLiteral("empty")).isEmpty());
    EXPECT_THROW(Favorites::listFolder(Favorites::folder() + QStringLiteral("missing")), cError);
}

TEST(Favorites, AFolderShownAgainListsEveryChangeMadeSince)
{
    shortcut(QStringLiteral("Shown/a.url"), "");
    shortcut(QStringLiteral("Shown/b.url"), "");
    shortcut(QStringLiteral("Elsewhere/target"), "");
    ASSERT_TRUE(QFile::link(root() + QStringLiteral("/Elsewhere/target"), root() + QStringLiteral("/Shown/e.url")));
    shortcut(QStringLiteral("Quiet/q.url"), "");
    // Only a folder left alone for a while is kept as it was listed.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const QString shown = Favorites::folder() + QStringLiteral("Shown\\");
    const QString quiet = Favorites::folder() + QStringLiteral("Quiet\\");
    // Whether or not the system tells what changed, the listings are the same.
    struct Both
    {
        Favorites::FolderListings watched;
        Favorites::FolderListings unwatched{false};
        QStringList list(const QString& folder)
        {
            const QStringList seen = watched.list(folder);
            EXPECT_EQ(unwatched.list(folder), seen);
            return seen;
        }
    } listings;
    EXPECT_EQ(listings.list(shown), (QStringList{"a", "b", "e"}));
    EXPECT_EQ(listings.list(quiet), (QStringList{"q"}));

    // The link's target became a folder: the folder holding the link is unchanged.
    QFile::remove(root() + QStringLiteral("/Elsewhere/target"));
    mkdir(QStringLiteral("Elsewhere/target"));
    EXPECT_EQ(listings.list(shown), (QStringList{"a", "b"}));

    shortcut(QStringLiteral("Shown/c.url"), "");
    EXPECT_EQ(listings.list(shown), (QStringList{"a", "b", "c"}));
    // At once again, within the same tick of the file system's clock.
    QFile::remove(root() + QStringLiteral("/Shown/c.url"));
    shortcut(QStringLiteral("Shown/d.url"), "");
    EXPECT_EQ(listings.list(shown), (QStringList{"a", "b", "d"}));
    ASSERT_TRUE(QFile::rename(root() + QStringLiteral("/Shown/a.url"), root() + QStringLiteral("/Shown/z.url")));
    EXPECT_EQ(listings.list(shown), (QStringList{"b", "d", "z"}));
    EXPECT_EQ(listings.list(quiet), (QStringList{"q"}));
    // Another folder put where the shown one was.
    ASSERT_TRUE(QDir(root()).rename(QStringLiteral("Shown"), QStringLiteral("Moved")));
    shortcut(QStringLiteral("Shown/x.url"), "");
    EXPECT_EQ(listings.list(shown), (QStringList{"x"}));

    QDir(root() + QStringLiteral("/Quiet")).removeRecursively();
    EXPECT_THROW(listings.watched.list(quiet), cError) << "a folder gone is not listed from memory";
    EXPECT_THROW(listings.unwatched.list(quiet), cError);
}

TEST(Favorites, AWatchedFolderIsBroughtUpToDateNameByNameAsIfReadAgain)
{
    mkdir(QStringLiteral("Watched"));
    mkdir(QStringLiteral("Outside"));
    const QString watched = root() + QStringLiteral("/Watched/");
    const QString outside = root() + QStringLiteral("/Outside/");
    const QString folder = Favorites::folder() + QStringLiteral("Watched");
    for (int i = 0; i < 300; ++i)
        shortcut(QStringLiteral("Watched/Shortcut %1.url").arg(i), "");
    Favorites::FolderListings listings;
    EXPECT_EQ(listings.list(folder), Favorites::listFolder(folder));
    platform::FolderWatch probe;
    const bool watchable = bool(platform::WatchedFolder(probe, watched));

    // Changes that need no new read: a name in, one out, one renamed, a folder named like a shortcut.
    shortcut(QStringLiteral("Watched/New.url"), "");
    QFile::remove(watched + QStringLiteral("Shortcut 7.url"));
    ASSERT_TRUE(QFile::rename(watched + QStringLiteral("Shortcut 8.url"), watched + QStringLiteral("Renamed.url")));
    mkdir(QStringLiteral("Watched/Folder.url"));
    EXPECT_EQ(listings.list(folder), Favorites::listFolder(folder));
    if (watchable) {
        EXPECT_EQ(listings.wholeReads(), 1);
    }

    // Then any mix of names, kinds and moves, each time as a new read gives it.
    const QStringList stems = {"a", "A", "b", "é", "É", "ß", "x\\y", ".h", "a ", "Shortcut 1"};
    const QStringList ends = {".url", ".URL", ".Url ", ".txt", "", ".url.url"};
    std::mt19937 random(20261209);
    const auto pick = [&random](const QStringList& from) { return from.at(int(random() % from.size())); };
    const auto anyName = [&]() -> QString { return pick(stems) + pick(ends); };
    const auto make = [](const QString& path) { // where a folder of that name stands, nothing is made
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    };
    int listed = 1;
    for (int step = 0; step < 200; ++step) {
        const QStringList present = QDir(watched).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const QString existing = present.isEmpty() ? QString() : watched + pick(present);
        switch (random() % 6) {
        case 0:
        case 1:
            make(watched + anyName());
            break;
        case 2:
            mkdir(QStringLiteral("Watched/") + anyName());
            break;
        case 3:
            if (!existing.isEmpty() && !QFile::remove(existing))
                QDir(existing).removeRecursively();
            break;
        case 4:
            if (!existing.isEmpty())
                std::rename(QFile::encodeName(existing).constData(),
                            QFile::encodeName(watched + anyName()).constData());
            break;
        case 5: // into the folder from outside, or out of it
            if (random() % 2 && !existing.isEmpty()) {
                std::rename(QFile::encodeName(existing).constData(),
                            QFile::encodeName(outside + anyName()).constData());
            } else {
                make(outside + anyName());
                const QStringList there = QDir(outside).entryList(QDir::Files | QDir::Hidden);
                if (!there.isEmpty())
                    std::rename(QFile::encodeName(outside + there.first()).constData(),
                                QFile::encodeName(watched + anyName()).constData());
            }
            break;
        }
        if (random() % 3 == 0) { // several changes between two showings, too
            ++listed;
            ASSERT_EQ(listings.list(folder), Favorites::listFolder(folder)) << "after step " << step;
        }
    }
    if (watchable) {
        EXPECT_LT(listings.wholeReads(), listed) << "names alike in lower case need a new read, others not";
    }
}

TEST(Favorites, ShortcutsReadWhateverTheirEncodingAndLineEnds)
{
    const QString longAddress = QStringLiteral("http://example.com/") + QString(200, QLatin1Char('x'));
    QStringEncoder utf16(QStringConverter::Utf16LE);
    const QList<QPair<const char*, QByteArray>> files = {
        {"crlf", "[InternetShortcut]\r\nURL=http://crlf/\r\n"},
        {"lf", "[DEFAULT]\nBASEURL=http://other/\n[internetshortcut]\n  url =  http://lf/  \n"},
        {"bom", "\xEF\xBB\xBF[InternetShortcut]\r\nURL=http://bom/\r\n"},
        {"utf16",
         QByteArray("\xFF\xFE") +
             QByteArray(utf16.encode(QStringLiteral("[InternetShortcut]\r\nURL=http://utf16/\r\n")))},
        {"latin1", "[InternetShortcut]\r\nURL=http://caf\xE9/\r\n"},
        {"binary", QByteArray("\x00\x01\x02[Intern\xFF\x00", 12)},
        {"long", "[InternetShortcut]\r\nURL=" + longAddress.toUtf8() + "\r\n"},
    };
    for (const auto& [name, bytes] : files)
        shortcut(QLatin1String(name) + QStringLiteral(".url"), bytes);
    const QString folder = Favorites::folder();
    auto read = [&folder](const char* name) {
        return Favorites::ReadShortcutUrl(folder + QLatin1String(name) + QStringLiteral(".url"));
    };
    EXPECT_EQ(read("crlf"), QStringLiteral("http://crlf/"));
    EXPECT_EQ(read("lf"), QStringLiteral("http://lf/"));
    EXPECT_EQ(read("bom"), QStringLiteral("http://bom/"));
    EXPECT_EQ(read("utf16"), QStringLiteral("http://utf16/"));
    EXPECT_EQ(read("latin1"), QStringLiteral("http://café/"));
    EXPECT_EQ(read("binary"), QString());
    EXPECT_EQ(read("long"), longAddress.left(127));
    EXPECT_EQ(read("missing"), QString());
}

TEST(Favorites, WritingAShortcutMakesTheOneKeyFile)
{
    const QString file = Favorites::folder() + QStringLiteral("New.url");
    shortcut(QStringLiteral("New.url"), "[Other]\r\nx=1\r\n");
    ASSERT_TRUE(Favorites::WriteShortcut(file, QStringLiteral("http://new/ü")));
    EXPECT_EQ(regtest::readFile(root() + QStringLiteral("/New.url")),
              "[InternetShortcut]\r\nURL=http://new/\xC3\xBC\r\n");
    EXPECT_EQ(Favorites::ReadShortcutUrl(file), QStringLiteral("http://new/ü"));
}

TEST(Favorites, DeletingAFolderGoesDepthFirstAndNeverFollowsALink)
{
    mkdir(QStringLiteral("Gone/Inner/.hidden dir"));
    shortcut(QStringLiteral("Gone/.hidden.url"), "x");
    shortcut(QStringLiteral("Gone/Inner/.hidden dir/deep.url"), "x");
    shortcut(QStringLiteral("Gone/Inner/a.url"), "x");
    const QString outside = FreshHome::path() + QStringLiteral("/outside");
    QDir().mkpath(outside);
    regtest::writeFile(outside + QStringLiteral("/keep.txt"), "keep");
    ASSERT_TRUE(QFile::link(outside, root() + QStringLiteral("/Gone/Inner/link")));
    ASSERT_TRUE(QFile::link(outside, root() + QStringLiteral("/Linked")));

    Favorites::DeleteFolderTree(Favorites::folder() + QStringLiteral("Gone"));
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/Gone")));
    Favorites::DeleteFolderTree(Favorites::folder() + QStringLiteral("Linked\\"));
    EXPECT_FALSE(QFileInfo(root() + QStringLiteral("/Linked")).isSymLink());
    EXPECT_EQ(regtest::readFile(outside + QStringLiteral("/keep.txt")), "keep");
    EXPECT_TRUE(QFileInfo(root()).isDir());

    mkdir(QStringLiteral("Kept/Sub"));
    shortcut(QStringLiteral("Kept/Sub/x.url"), "x");
    Favorites::EmptyFolderTree(Favorites::folder() + QStringLiteral("Kept"));
    EXPECT_TRUE(QDir(root() + QStringLiteral("/Kept")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(ProfileFile, NamesMatchWithoutCaseAndTheBufferLimitsTheValue)
{
    const QString file = FreshHome::path() + QStringLiteral("/p.ini");
    regtest::writeFile(file, "[One]\r\nKey = value one \r\n[Two]\r\nkey=two\r\n");
    using platform::GetPrivateProfileString;
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("one"), QStringLiteral("KEY"), QStringLiteral("d"), 128, file),
              QStringLiteral("value one"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("One"), QStringLiteral("Key"), QString(), 4, file),
              QStringLiteral("val"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Three"), QStringLiteral("key"), QStringLiteral("d"), 128, file),
              QStringLiteral("d"));
    ASSERT_TRUE(
        platform::WritePrivateProfileString(QStringLiteral("two"), QStringLiteral("KEY"), QStringLiteral("2"), file));
    ASSERT_TRUE(
        platform::WritePrivateProfileString(QStringLiteral("One"), QStringLiteral("New"), QStringLiteral("n"), file));
    EXPECT_EQ(regtest::readFile(file), "[One]\r\nKey = value one \r\nNew=n\r\n[Two]\r\nKEY=2\r\n");
}

TEST(FavoritesWalk, AFolderNamedInBytesThatAreNotUtf8StopsNothing)
{
    const QString root = FreshHome::path() + QStringLiteral("/Fav");
    QDir().mkpath(root + QStringLiteral("/Zed"));
    ASSERT_EQ(::mkdir(QByteArray(QFile::encodeName(root) + "/bad\xff").constData(), 0700), 0);
    ASSERT_EQ(::mkdir(QByteArray(QFile::encodeName(root) + "/bad\xff/inner").constData(), 0700), 0);
    QStringList texts;
    Favorites::loadTree(root + QLatin1Char('/'), [&texts](const Favorites::FolderNode& node) { texts << node.text; });
    EXPECT_TRUE(texts.contains(QStringLiteral("Zed"))) << texts.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(texts.size(), 3) << "the odd folder is shown and walked, the folders after it too";
    const QString odd = texts.value(0);
    EXPECT_TRUE(odd.startsWith(QStringLiteral("bad"))) << odd.toStdString();

    // Handled by its bytes: deleting it removes the very folder.
    const QByteArray file = QByteArray(QFile::encodeName(root)) + "/bad\xff/inner/x\xfe.url";
    FILE* handle = std::fopen(file.constData(), "w");
    ASSERT_NE(handle, nullptr);
    std::fclose(handle);
    Favorites::DeleteFolderTree(root + QLatin1Char('\\') + odd);
    struct stat info;
    EXPECT_NE(::stat(QByteArray(QFile::encodeName(root) + "/bad\xff").constData(), &info), 0);
    EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/Zed")));
}
