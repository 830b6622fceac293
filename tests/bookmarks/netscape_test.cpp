#include "bookmarks/netscape.h"
#include "support/freshhome.h"
#include "support/netscapetest.h"
#include "support/regtest.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using netscapetest::parse;

// "type parent level title url" for every record, in order.
QStringList dump(const NetscapeBookmarks& bookmarks)
{
    QStringList out;
    for (const auto& r : bookmarks.records()) {
        out << QStringLiteral("%1 %2 %3 %4 | %5 | %6")
                   .arg(r->BookmarkType())
                   .arg(r->ParentFolder())
                   .arg(r->FolderLevel())
                   .arg(r->Key(), r->Title(), r->URL());
    }
    return out;
}

// Titles, addresses and nesting, without keys or numbers: what a round trip keeps.
QStringList shape(const NetscapeBookmarks& bookmarks)
{
    QStringList out;
    std::function<void(int, const QString&)> walk = [&](int folder, const QString& indent) {
        for (qsizetype position : bookmarks.childrenOf(folder)) {
            const cBookmark& r = *bookmarks.records().at(position);
            if (r.BookmarkType() == cBookmark::LinkType)
                out << indent + QStringLiteral("link ") + r.Title() + QStringLiteral(" -> ") + r.URL();
        }
        for (qsizetype position : bookmarks.childrenOf(folder)) {
            const cBookmark& r = *bookmarks.records().at(position);
            if (r.BookmarkType() == cBookmark::FolderType) {
                out << indent + QStringLiteral("folder ") + r.Title();
                walk(NetscapeBookmarks::folderNumber(r), indent + QStringLiteral("  "));
            }
        }
    };
    walk(0, QString());
    return out;
}

QByteArray fixture(const char* name)
{
    return regtest::readFile(QStringLiteral(MARKCRATE_TEST_DATA "/") + QLatin1String(name));
}

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

} // namespace

TEST(Netscape, TheHeaderIsTheLinesUpToTheFirstListAsRead)
{
    const QByteArray file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n\r\n<TITLE>Bookmarks</TITLE>\r\n   "
                            "\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
    const NetscapeBookmarks b = parse(file);
    EXPECT_EQ(b.records().Count(), 0);
    EXPECT_EQ(b.header(), file);
    EXPECT_TRUE(b.loadedWhole());
    EXPECT_EQ(b.toBytes(), file);
}

TEST(Netscape, LinksAndFoldersInTheirForms)
{
    const NetscapeBookmarks b = parse("<DL><p>\n"
                                      "<DT><A HREF=\"a/b\" ADD_DATE=\"1\">  Site  </A>\n"
                                      "<DT><A HREF=\"http://empty/\" ADD_DATE=\"1\"></A>\n"
                                      "<DT><A HREF=\"http://noclose/\"</A>\n"
                                      "<DT><H3 FOLDED ADD_DATE=\"859692440\">News</H3>\n"
                                      "<DL><p>\n"
                                      "<DT><H3>Bare</H3>\n"
                                      "<DL><p>\n"
                                      "<DT><H3 FOLDED>Flag</H3>\n"
                                      "<DL><p>\n"
                                      "<DT><A HREF=\"http://deep/\">Deep</A>\n"
                                      "</DL><p>\n"
                                      "</DL><p>\n"
                                      "</DL><p>\n"
                                      "<DT><A HREF=\"http://root/\">Root again</A>\n"
                                      "<dt><a href=\"http://lower/\">lower case</a>\n"
                                      "</DL><p>\n");
    EXPECT_EQ(dump(b),
              (QStringList{
                  "0 0 0 0X | Site | a/b",
                  "0 0 0 1X | Bookmark #1 | http://empty/",
                  "0 0 0 2X | Bookmark #2 | http://noclose/",
                  "1 0 0 3X | News | 1",
                  "1 1 1 4X | Bare | 2",
                  "1 2 2 5X | Flag | 3",
                  "0 3 0 6X | Deep | http://deep/",
                  "0 0 0 7X | Root again | http://root/",
                  "0 0 0 8X | lower case | http://lower/",
              }));
}

TEST(Netscape, StrayClosingTagsNeverEndTheLoadEarly)
{
    const NetscapeBookmarks b =
        parse("<DL><p>\n</DL><p>\n</DL><p>\n<DT><H3>F</H3>\n<DL><p>\n<DT><A HREF=\"x\">in F</A>\n"
              "</DL><p>\n<DT><A HREF=\"y\">root</A>\n</DL>\n");
    EXPECT_EQ(dump(b), (QStringList{"1 0 0 0X | F | 1", "0 1 0 1X | in F | x", "0 0 0 2X | root | y"}));
}

TEST(Netscape, BinaryGivesWhatItCan)
{
    QByteArray binary(100000, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919) % 256);
    binary += "\n<DT><A HREF=\"http://after.junk/\">After junk</A>\n";
    const NetscapeBookmarks b = parse(binary);
    ASSERT_GE(b.records().Count(), 1);
    EXPECT_EQ(b.records().at(b.records().Count())->URL(), QStringLiteral("http://after.junk/"));
    if (b.loadedWhole()) {
        EXPECT_EQ(b.toBytes(), binary);
    }
    // One 50 MB line: read through, no record, no hang.
    EXPECT_EQ(parse(QByteArray(50 * 1024 * 1024, 'x')).records().Count(), 0);
}

TEST(Netscape, ANewFileGetsTheProgramsOwnFormAndNestsAsTheRecordsSay)
{
    NetscapeBookmarks b;
    auto add = [&b](int type, int parent, const char* title, const char* url) {
        auto r = std::make_shared<cBookmark>();
        r->setBookmarkType(type);
        r->setParentFolder(parent);
        r->setTitle(QString::fromUtf8(title));
        r->setURL(QString::fromUtf8(url));
        r->setKey(b.newKey());
        b.records().Add(r, r->Key());
    };
    add(1, 0, "F", "1");
    add(0, 1, "B", "b");
    add(1, 1, "G", "2");
    add(0, 2, "C", "c");
    add(0, 0, "A & <A>", "a?x=1&y=\"2\"");
    b.invalidateIndex();
    const QByteArray written = b.toBytes();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QByteArray date = QByteArray::number(now);
    EXPECT_TRUE(written.contains(QByteArray("<DT><H3 FOLDED ADD_DATE=\"" + date))) << written.toStdString();
    EXPECT_TRUE(written.contains(
        QByteArray("    <DT><A HREF=\"b\" ADD_DATE=\"" + date + "\" LAST_MODIFIED=\"" + date + "\">B</A>\r\n")));
    EXPECT_TRUE(written.contains(QByteArray("<DT><A HREF=\"a?x=1&amp;y=&quot;2&quot;\" ADD_DATE=\"" + date +
                                            "\" LAST_MODIFIED=\"" + date + "\">A &amp; &lt;A&gt;</A>\r\n")));
    const NetscapeBookmarks back = parse(written);
    EXPECT_TRUE(back.loadedWhole());
    EXPECT_TRUE(back.fixedForm());
    EXPECT_EQ(
        shape(back),
        (QStringList{"link A & <A> -> a?x=1&y=\"2\"", "folder F", "  link B -> b", "  folder G", "    link C -> c"}));
    EXPECT_EQ(back.toBytes(), written) << "read back, the same bytes";
    EXPECT_EQ(b.toBytes(), written) << "a new record keeps the date of its first writing";
}

TEST(Netscape, BrowserExportsLoadWholeAndKeepTheirShapeOverRepeatedSaves)
{
    for (const char* name : {"firefox-like.html", "chrome-like.html"}) {
        SCOPED_TRACE(name);
        const NetscapeBookmarks original = parse(fixture(name));
        EXPECT_TRUE(original.loadedWhole());
        const QStringList expected = shape(original);
        EXPECT_EQ(original.toBytes(), fixture(name)) << "unchanged, written back as read";
        NetscapeBookmarks again = parse(original.toBytes());
        EXPECT_EQ(shape(again), expected);
        const QByteArray second = again.toBytes();
        EXPECT_EQ(parse(second).toBytes(), second) << "a written file reads back to itself";
    }
    const NetscapeBookmarks firefox = parse(fixture("firefox-like.html"));
    EXPECT_EQ(shape(firefox),
              (QStringList{
                  "link Example & Co -> https://www.example.org/",
                  "link Root link after folders -> https://after.example/",
                  "folder Bookmarks Toolbar",
                  "  link Nachrichten – täglich -> https://news.example.com/",
                  "  folder Deeper",
                  "    link Recent Tags -> place:sort=8&maxResults=10",
                  "folder Other Bookmarks",
                  "  link Unfiled \"quoted\" -> https://unfiled.example/?a=1&b=2",
              }));
    const NetscapeBookmarks chrome = parse(fixture("chrome-like.html"));
    EXPECT_EQ(chrome.records().Count(), 8) << "4 folders and 4 links";
    EXPECT_EQ(chrome.lastFolderNumber(), 4);
}

TEST(Netscape, FoldersBeforeTheFirstListAreRecordsNotHeader)
{
    const QByteArray noOuterList = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>T</TITLE>\n<DT><H3>Top</H3>\n<DL><p>\n"
                                   "<DT><A HREF=\"http://in/\">In</A>\n</DL><p>\n<DT><A HREF=\"http://out/\">Out</A>\n";
    const NetscapeBookmarks b = parse(noOuterList);
    EXPECT_FALSE(b.header().contains("Top"));
    const QStringList expected{"link Out -> http://out/", "folder Top", "  link In -> http://in/"};
    EXPECT_EQ(shape(b), expected);
    NetscapeBookmarks once = parse(b.toBytes());
    EXPECT_EQ(shape(once), expected);
    EXPECT_EQ(shape(parse(once.toBytes())), expected);
}

TEST(Netscape, TitlesAndAddressesComeBackByteForByte)
{
    const QByteArray utf8Title = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC &lt;tag&gt; \"q\"";
    const QByteArray latin1Title = "Cr\xE8me br\xFBl\xE9";
    const QByteArray address = "http://example.com/a?b=\xC3\xA9&c=%20d";
    const QByteArray latin1Address = "http://example.com/\xE9t\xE9";
    const QByteArray file = "<DL><p>\r\n<DT><A HREF=\"" + address + "\">" + utf8Title + "</A>\r\n<DT><A HREF=\"" +
                            latin1Address + "\">" + latin1Title + "</A>\r\n<DT><H3>" + latin1Title +
                            "</H3>\r\n<DL><p>\r\n</DL><p>\r\n</DL><p>\r\n";
    const QByteArray written = parse(file).toBytes();
    auto has = [&written](const QByteArray& part) { return written.contains(part); };
    EXPECT_TRUE(has(QByteArray(">") + utf8Title + "</A>"));
    EXPECT_TRUE(has(QByteArray("HREF=\"") + address + "\""));
    EXPECT_TRUE(has(QByteArray(">") + latin1Title + "</A>"));
    EXPECT_TRUE(has(QByteArray("HREF=\"") + latin1Address + "\""));
    EXPECT_TRUE(has(QByteArray(">") + latin1Title + "</H3>"));
    EXPECT_EQ(parse(file).records().at(1)->Title(),
              QString::fromUtf8("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC <tag> \"q\""))
        << "shown with its references decoded";
    EXPECT_EQ(written, file);
}

TEST(Netscape, NestingThousandsDeepBuildsAndWritesWithoutRecursion)
{
    constexpr int kDepth = 20000;
    QByteArray text = "<DL><p>\n";
    for (int i = 0; i < kDepth; ++i)
        text += "<DT><H3>level</H3>\n<DL><p>\n";
    text += "<DT><A HREF=\"http://bottom/\">bottom</A>\n";
    for (int i = 0; i < kDepth; ++i)
        text += "</DL><p>\n";
    const NetscapeBookmarks b = parse(text);
    ASSERT_EQ(b.records().Count(), kDepth + 1);
    EXPECT_EQ(b.records().at(kDepth + 1)->ParentFolder(), kDepth);
    const QByteArray written = b.toBytes();
    EXPECT_EQ(written, text);
    EXPECT_EQ(parse(written).records().at(kDepth + 1)->ParentFolder(), kDepth);
}

TEST(NetscapeFile, SavingKeepsAnOriginalCopyOnceAndNeverWritesWhenReadOnly)
{
    const QByteArray original = fixture("chrome-like.html");
    ASSERT_TRUE(regtest::writeFile(location(), original));
    NetscapeBookmarks b;
    b.load(location());
    QString error;
    ASSERT_TRUE(SaveNetscapeFile(b, location(), true, &error));
    EXPECT_EQ(regtest::readFile(location()), original) << "read-only: untouched";
    EXPECT_FALSE(QFileInfo::exists(netscapeBackupPath(location())));

    ASSERT_TRUE(SaveNetscapeFile(b, location(), false, &error)) << error.toStdString();
    EXPECT_EQ(regtest::readFile(netscapeBackupPath(location())), original);
    EXPECT_EQ(regtest::readFile(location()), b.toBytes());
    b.records().at(1)->setTitle(QStringLiteral("Changed"));
    ASSERT_TRUE(SaveNetscapeFile(b, location(), false, &error));
    EXPECT_EQ(regtest::readFile(netscapeBackupPath(location())), original) << "the first original stays";
}

TEST(NetscapeFile, AChangeOfModeIsNoChangeOnDiskButAChangeOfBytesWithTheSameTimeIs)
{
    // Larger than the reader's parts, so that the hash taken while reading
    // and the one taken from the file must agree over several parts.
    QByteArray text = "<DL><p>\n";
    for (int i = 0; text.size() < 700 * 1024; ++i)
        text += "    <DT><A HREF=\"http://site" + QByteArray::number(i) + ".example/\">Site " + QByteArray::number(i) +
                "</A>\n";
    text += "</DL><p>\n";
    ASSERT_TRUE(regtest::writeFile(location(), text));
    const QByteArray path = QFile::encodeName(location());
    NetscapeBookmarks b;
    b.load(location());
    ASSERT_TRUE(b.loadedWhole());
    ASSERT_EQ(::chmod(path.constData(), 0640), 0);
    b.records().at(1)->setTitle(QStringLiteral("Renamed"));
    QString error;
    bool changedOnDisk = false;
    EXPECT_TRUE(SaveNetscapeFile(b, location(), false, &error, &changedOnDisk)) << error.toStdString();
    EXPECT_FALSE(changedOnDisk);

    // Another program changes one byte and puts the old time back: that is a change.
    QByteArray now = regtest::readFile(location());
    struct stat before = {};
    ASSERT_EQ(::stat(path.constData(), &before), 0);
    now[now.size() - 20] = now[now.size() - 20] == 'x' ? 'y' : 'x';
    {
        QFile file(location());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.write(now), now.size());
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    b.records().at(1)->setTitle(QStringLiteral("Again"));
    EXPECT_FALSE(SaveNetscapeFile(b, location(), false, &error, &changedOnDisk));
    EXPECT_TRUE(changedOnDisk);
    EXPECT_EQ(regtest::readFile(location()), now) << "the other program's version stays";
}

TEST(NetscapeFile, AFileNotReadWholeIsNeverWritten)
{
    NetscapeBookmarks b;
    QDir().mkpath(location());
    b.load(location());
    EXPECT_FALSE(b.loadedWhole());
    QString error;
    EXPECT_FALSE(SaveNetscapeFile(b, location(), false, &error));
    EXPECT_FALSE(error.isEmpty());
    QDir().rmdir(location());

    // A file that grows while it is read.
    ASSERT_TRUE(regtest::writeFile(location(), fixture("chrome-like.html").repeated(20)));
    b.load(location(), [] {
        QFile file(location());
        if (file.open(QIODevice::Append))
            file.write("<DT><A HREF=\"http://late/\">late</A>\n");
    });
    EXPECT_FALSE(b.loadedWhole());
    EXPECT_FALSE(SaveNetscapeFile(b, location(), false, &error));

    // A missing file is an empty collection that may be written.
    QFile::remove(location());
    b.load(location());
    EXPECT_TRUE(b.loadedWhole());
    EXPECT_EQ(b.records().Count(), 0);
}

TEST(NetscapeFile, AFailedSaveLeavesTheFileAsItWas)
{
    ASSERT_TRUE(regtest::writeFile(location(), "<DL><p>\n<DT><A HREF=\"x\">x</A>\n</DL><p>\n"));
    NetscapeBookmarks b;
    b.load(location());
    QString error;
    EXPECT_FALSE(
        SaveNetscapeFile(b, FreshHome::path() + QStringLiteral("/missing/folder/bookmarks.html"), false, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(SaveNetscapeFile(b, QString(), false, &error)) << "records with nowhere to go";
    NetscapeBookmarks empty;
    EXPECT_TRUE(SaveNetscapeFile(empty, QString(), false, &error)) << "nothing to write, nowhere to write it";
}
