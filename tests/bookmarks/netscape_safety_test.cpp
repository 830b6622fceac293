// The bookmark file is never rewritten unless it was read whole, what is
// written reads back the same, and a file changed by another program is
// never overwritten.
#include "bookmarks/netscape.h"
#include "support/freshhome.h"
#include "support/netscapetest.h"
#include "support/regtest.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using netscapetest::parse;

QStringList records(const NetscapeBookmarks& bookmarks)
{
    QStringList out;
    for (const auto& r : bookmarks.records())
        out << QStringLiteral("%1 %2 %3 [%4] [%5]")
                   .arg(r->BookmarkType())
                   .arg(r->ParentFolder())
                   .arg(r->FolderLevel())
                   .arg(r->Title(), r->URL());
    return out;
}

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

QByteArray links(int count, const QByteArray& lineEnd)
{
    QByteArray text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>" + lineEnd + "<DL><p>" + lineEnd + "<DT><H3>Folder</H3>" +
                      lineEnd + "<DL><p>" + lineEnd;
    for (int i = 0; i < count; ++i)
        text += "<DT><A HREF=\"http://site" + QByteArray::number(i) + "/\">Site " + QByteArray::number(i) + "</A>" +
                lineEnd;
    return text + "</DL><p>" + lineEnd + "</DL><p>" + lineEnd;
}

} // namespace

TEST(NetscapeSafety, CrLfAndCrAloneAllEndALine)
{
    const NetscapeBookmarks lf = parse(links(110, "\n"));
    EXPECT_EQ(lf.records().Count(), 111);
    EXPECT_EQ(records(parse(links(110, "\r"))), records(lf)) << "classic Mac line ends";
    EXPECT_EQ(records(parse(links(110, "\r\n"))), records(lf));
    EXPECT_TRUE(parse(links(110, "\r")).loadedWhole());
}

TEST(NetscapeSafety, EntriesThatCannotBeReadMakeTheFileNotReadWhole)
{
    const struct
    {
        const char* name;
        QByteArray text;
        int records;
    } cases[] = {
        {"a link that never closes",
         "<DL><p>\n<DT><A HREF=\"http://a/\">A\n<DT><A HREF=\"http://b/\">B</A>\n</DL><p>\n",
         1},
        {"a folder that never closes", "<DL><p>\n<DT><H3>F\n<DL><p>\n</DL><p>\n</DL><p>\n", 0},
        {"a link inside another's title",
         "<DL><p>\n<DT><A HREF=\"http://a/\">A<DT><A HREF=\"http://b/\">B</A>\n</DL><p>\n",
         1},
    };
    for (const auto& c : cases) {
        const NetscapeBookmarks b = parse(c.text);
        EXPECT_FALSE(b.loadedWhole()) << c.name;
        EXPECT_EQ(b.records().Count(), c.records) << c.name << ": what could be read is still read";
        EXPECT_TRUE(b.loadProblem().contains(QStringLiteral("could not be read"))) << b.loadProblem().toStdString();
    }
    EXPECT_EQ(parse("<DL><p>\n<dt><a href=\"x\">a\n<dt><a href=\"y\">b\n</DL>\n").loadProblem(),
              QStringLiteral("2 links in it could not be read, so changes to it will not be saved"));

    const QByteArray unclosed = "<DL><p>\n<dt><a href=\"http://a/\">A\n</DL><p>\n";
    ASSERT_TRUE(regtest::writeFile(location(), unclosed));
    NetscapeBookmarks b;
    b.load(location());
    QString error;
    EXPECT_FALSE(SaveNetscapeFile(b, location(), false, &error));
    EXPECT_EQ(regtest::readFile(location()), unclosed);
}

TEST(NetscapeSafety, TitlesAndAddressesHoldingMarkersReadBackIntoTheSameRecords)
{
    NetscapeBookmarks b = parse("<DL><p>\n</DL><p>\n");
    auto add = [&b](int type, int parent, int level, const QString& title, const QString& url) {
        auto r = std::make_shared<cBookmark>();
        r->setBookmarkType(type);
        r->setParentFolder(parent);
        r->setFolderLevel(qint16(level));
        r->setTitle(title);
        r->setURL(url);
        r->setKey(b.newKey());
        b.records().Add(r, r->Key());
        b.invalidateIndex();
    };
    add(1, 0, 0, QStringLiteral("HTML </DL> lists"), QStringLiteral("1"));
    add(0, 1, 0, QStringLiteral("see <DT><H3>x</H3> here"), QStringLiteral("http://q/?a=\"b\""));
    add(1, 1, 1, QStringLiteral("<A HREF=\"x\">y</A>"), QStringLiteral("2"));
    add(0, 2, 0, QStringLiteral("a > b\tand tab"), QStringLiteral("http://x/<DT><H3>"));
    add(0, 0, 0, QStringLiteral("two\r\nlines"), QStringLiteral("http://two/"));
    const QByteArray written = b.toBytes();
    const NetscapeBookmarks back = parse(written);
    EXPECT_TRUE(back.loadedWhole()) << back.loadProblem().toStdString();
    EXPECT_EQ(records(back),
              (QStringList{QStringLiteral("1 0 0 [HTML </DL> lists] [1]"),
                           QStringLiteral("0 1 0 [see <DT><H3>x</H3> here] [http://q/?a=\"b\"]"),
                           QStringLiteral("1 1 1 [<A HREF=\"x\">y</A>] [2]"),
                           QStringLiteral("0 2 0 [a > b\tand tab] [http://x/<DT><H3>]"),
                           QStringLiteral("0 0 0 [two lines] [http://two/]")}))
        << "each as typed, in the collection's order";
    EXPECT_EQ(back.toBytes(), written) << "a second round changes nothing";
    EXPECT_TRUE(parse(written).fixedForm());
}

// Found by fuzzing: what a file held comes back from a rewrite as it was.
TEST(NetscapeSafety, ARewriteKeepsWhatTheFileHeldByteForByte)
{
    static const char text[] = "<DL><p>\n<DT><A HREF=\"http://c/\x01\x00x<y\">x<b &amp; a<c</A>\n"
                               "<DT><H3>1 < 2 and <b></H3>\n<DL><p>\n</DL><p>\n</DL><p>\n";
    const QByteArray file(text, sizeof(text) - 1);
    const NetscapeBookmarks read = parse(file);
    ASSERT_TRUE(read.loadedWhole());
    ASSERT_EQ(read.records().Count(), 2);
    EXPECT_EQ(read.records().at(1)->Title(), QStringLiteral("x<b & a<c"));
    const QByteArray written = read.toBytes();
    EXPECT_EQ(written, file);
    const NetscapeBookmarks back = parse(written);
    EXPECT_EQ(records(back), records(read));
    EXPECT_EQ(back.records().at(1)->URL(), QString::fromUtf8("http://c/\x01\x00x<y", 14))
        << "control characters are data";
    EXPECT_EQ(back.toBytes(), written);
}

TEST(NetscapeSafety, ACollectionWithoutAHeaderWritesAFileThatOpensItsList)
{
    NetscapeBookmarks fresh;
    auto link = std::make_shared<cBookmark>();
    link->setTitle(QStringLiteral("A"));
    link->setURL(QStringLiteral("http://a/"));
    link->setKey(fresh.newKey());
    fresh.records().Add(link, link->Key());
    fresh.invalidateIndex();
    const QByteArray written = fresh.toBytes();
    EXPECT_TRUE(written.startsWith("<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
    const NetscapeBookmarks back = parse(written);
    EXPECT_TRUE(back.fixedForm());
    EXPECT_EQ(back.toBytes(), written);
}

TEST(NetscapeSafety, WriteReadWriteIsStableForAnyCollection)
{
    // Titles and addresses drawn from the characters that matter to the markers.
    const QStringList pieces{QStringLiteral("<"),
                             QStringLiteral(">"),
                             QStringLiteral("\""),
                             QStringLiteral("</A>"),
                             QStringLiteral("<DT><H3>"),
                             QStringLiteral("</H3>"),
                             QStringLiteral("</DL>"),
                             QStringLiteral("<DL>"),
                             QStringLiteral("<a href=x>"),
                             QStringLiteral(" "),
                             QStringLiteral("\t"),
                             QStringLiteral("\r\n"),
                             QStringLiteral("\r"),
                             QString::fromUtf8("é"),
                             QString::fromUtf8("\u00F3"),
                             QString(QChar(0xFEFF)),
                             QStringLiteral("word"),
                             QStringLiteral("&lt;"),
                             QStringLiteral("HREF=")};
    QRandomGenerator random(20261208);
    auto text = [&]() -> QString {
        QString t;
        const int n = int(random.bounded(6));
        for (int i = 0; i < n; ++i)
            t += pieces[int(random.bounded(pieces.size()))];
        return t + QStringLiteral("x"); // the reader names an empty link title itself
    };
    for (int round = 0; round < 200; ++round) {
        NetscapeBookmarks b = parse("<DL><p>\n</DL><p>\n");
        int folders = 0;
        for (int i = 0; i < 12; ++i) {
            auto r = std::make_shared<cBookmark>();
            const bool folder = random.bounded(3) == 0;
            const int parent = folders == 0 ? 0 : int(random.bounded(folders + 1));
            r->setBookmarkType(folder ? 1 : 0);
            r->setParentFolder(parent);
            r->setTitle(text());
            r->setURL(folder ? QString::number(++folders) : text());
            r->setKey(b.newKey());
            b.records().Add(r, r->Key());
        }
        b.invalidateIndex();
        const NetscapeBookmarks first = parse(b.toBytes());
        ASSERT_TRUE(first.loadedWhole()) << first.loadProblem().toStdString() << "\n" << b.toBytes().toStdString();
        const NetscapeBookmarks second = parse(first.toBytes());
        EXPECT_EQ(first.toBytes(), second.toBytes());
        EXPECT_EQ(records(first), records(second));
        EXPECT_EQ(b.toBytes(), first.toBytes()) << "what was written is what reads back";
    }
}

TEST(NetscapeSafety, AFileChangedOnDiskIsNeverOverwrittenAndEachForeignVersionIsKept)
{
    ASSERT_TRUE(regtest::writeFile(location(), links(3, "\r\n")));
    NetscapeBookmarks b;
    b.load(location());
    QString error;
    ASSERT_TRUE(SaveNetscapeFile(b, location(), false, &error)) << error.toStdString();
    EXPECT_EQ(regtest::readFile(netscapeBackupPath(location())), links(3, "\r\n"));

    // The browser exports again while the program runs.
    const QByteArray newer = links(5, "\n");
    ASSERT_TRUE(regtest::writeFile(location() + QStringLiteral(".new"), newer));
    ASSERT_TRUE(QFile::rename(location() + QStringLiteral(".new"), location()) ||
                (QFile::remove(location()) && QFile::rename(location() + QStringLiteral(".new"), location())));
    bool changed = false;
    EXPECT_FALSE(SaveNetscapeFile(b, location(), false, &error, &changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(regtest::readFile(location()), newer);

    // Read again, the newer export is copied before its first rewrite.
    b.load(location());
    ASSERT_TRUE(SaveNetscapeFile(b, location(), false, &error)) << error.toStdString();
    const QStringList copies =
        QDir(FreshHome::path()).entryList({QStringLiteral("bookmarks.html.markcrate-original-*")});
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(regtest::readFile(FreshHome::path() + QLatin1Char('/') + copies.first()), newer);
    ASSERT_TRUE(SaveNetscapeFile(b, location(), false, &error));
    EXPECT_EQ(QDir(FreshHome::path()).entryList({QStringLiteral("bookmarks.html.markcrate-original-*")}).size(), 1)
        << "a version the program wrote itself needs no copy";
}

TEST(NetscapeSafety, SessionsThatEachKeepACopyWithinOneSecondAllSave)
{
    QString error;
    // Each session finds a version the browser exported, which it copies before its first rewrite.
    for (int session = 0; session < 3; ++session) {
        ASSERT_TRUE(regtest::writeFile(location(), links(3 + session, "\r\n")));
        NetscapeBookmarks b;
        b.load(location());
        ASSERT_TRUE(SaveNetscapeFile(b, location(), false, &error)) << session << ": " << error.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(netscapeBackupPath(location())));
    EXPECT_EQ(QDir(FreshHome::path()).entryList({QStringLiteral("bookmarks.html.markcrate-original-*")}).size(), 2);
}

TEST(NetscapeSafety, OnlyRegularFilesAreReadAndTitlesKeepEveryByte)
{
    const QString fifo = FreshHome::path() + QStringLiteral("/pipe.html");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    NetscapeBookmarks b;
    b.load(fifo); // must not block
    EXPECT_FALSE(b.loadedWhole());
    EXPECT_EQ(b.loadProblem(), QStringLiteral("it is not a regular file"));

    const NetscapeBookmarks bom =
        parse("<DL><p>\n<DT><A HREF=\"http://b/\">\xEF\xBB\xBFMarked\t</A>\n<DT><H3\">x</H3>\n</DL><p>\n");
    ASSERT_GE(bom.records().Count(), 1);
    EXPECT_EQ(bom.records().at(1)->Title(), QString(QChar(0xFEFF)) + QStringLiteral("Marked\t"))
        << "the mark and the tab stay";
}
