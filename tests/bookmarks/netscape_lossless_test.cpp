// A browser's export edited in the program comes back as it was apart from
// what the user changed; every form browsers and tools write is read.
#include "bookmarks/netscape.h"
#include "support/freshhome.h"
#include "support/netscapetest.h"
#include "support/regtest.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using netscapetest::parse;

QByteArray fixture(const char* name)
{
    return regtest::readFile(QStringLiteral(MARKCRATE_TEST_DATA "/") + QLatin1String(name));
}

// Lines removed from `before` and added in `after`, by a longest common
// subsequence of whole lines.
struct LineDiff
{
    QList<QByteArray> removed;
    QList<QByteArray> added;
};

LineDiff diff(const QByteArray& before, const QByteArray& after)
{
    const QList<QByteArray> a = before.split('\n');
    const QList<QByteArray> b = after.split('\n');
    const size_t n = size_t(a.size());
    const size_t m = size_t(b.size());
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;) {
        for (size_t j = m; j-- > 0;)
            common[i][j] = a[qsizetype(i)] == b[qsizetype(j)] ? common[i + 1][j + 1] + 1
                                                              : std::max(common[i + 1][j], common[i][j + 1]);
    }
    LineDiff d;
    size_t i = 0;
    size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[qsizetype(i)] == b[qsizetype(j)]) {
            ++i;
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            d.added << b[qsizetype(j++)];
        } else {
            d.removed << a[qsizetype(i++)];
        }
    }
    return d;
}

std::shared_ptr<cBookmark> linkTitled(NetscapeBookmarks& b, const QString& title)
{
    for (const auto& record : b.records()) {
        if (record->BookmarkType() == cBookmark::LinkType && record->Title() == title)
            return record;
    }
    return nullptr;
}

int folderTitled(const NetscapeBookmarks& b, const QString& title)
{
    for (const auto& record : b.records()) {
        if (record->BookmarkType() == cBookmark::FolderType && record->Title() == title)
            return NetscapeBookmarks::folderNumber(*record);
    }
    return -1;
}

// The folder's links in title order, as the sort of the window makes them:
// each place keeps its key, the contents move.
void sortLinks(NetscapeBookmarks& b, int folder)
{
    std::vector<std::shared_ptr<cBookmark>> places;
    std::vector<cBookmark> contents;
    for (qsizetype position : b.childrenOf(folder)) {
        const auto& record = b.records().at(position);
        if (record->BookmarkType() == cBookmark::LinkType) {
            places.push_back(record);
            contents.push_back(*record);
        }
    }
    std::stable_sort(contents.begin(), contents.end(), [](const cBookmark& x, const cBookmark& y) {
        return x.Title().toLower() < y.Title().toLower();
    });
    for (size_t k = 0; k < places.size(); ++k)
        copyBookmarkContents(*places[k], contents[k]);
    b.invalidateIndex();
}

// Titles, addresses and nesting of the live records, in collection order.
QStringList outline(const NetscapeBookmarks& bookmarks)
{
    QStringList out;
    std::function<void(int, const QString&)> walk = [&](int folder, const QString& indent) {
        for (qsizetype position : bookmarks.childrenOf(folder)) {
            const cBookmark& r = *bookmarks.records().at(position);
            if (r.BookmarkType() == cBookmark::LinkType) {
                out << indent + r.Title() + QStringLiteral(" -> ") + r.URL();
            } else {
                out << indent + QStringLiteral("[") + r.Title() + QStringLiteral("]");
                walk(NetscapeBookmarks::folderNumber(r), indent + QStringLiteral("  "));
            }
        }
    };
    walk(0, QString());
    return out;
}

QByteArray now()
{
    return QByteArray::number(QDateTime::currentSecsSinceEpoch());
}

} // namespace

TEST(NetscapeLossless, EachEditChangesOnlyTheLinesOfWhatItTouched)
{
    const QByteArray original = fixture("browser-export.html");
    {
        SCOPED_TRACE("nothing changed");
        const NetscapeBookmarks b = parse(original);
        ASSERT_TRUE(b.loadedWhole()) << b.loadProblem().toStdString();
        EXPECT_EQ(b.toBytes(), original);
    }
    {
        SCOPED_TRACE("a title");
        NetscapeBookmarks b = parse(original);
        linkTitled(b, QStringLiteral("Qt signals & slots"))->setTitle(QStringLiteral("Signals & slots <Qt 6>"));
        const LineDiff d = diff(original, b.toBytes());
        ASSERT_EQ(d.removed.size(), 1);
        ASSERT_EQ(d.added.size(), 1);
        EXPECT_TRUE(d.removed[0].contains("Qt signals &amp; slots"));
        QByteArray expected = d.removed[0];
        expected.replace("LAST_MODIFIED=\"1600000002\"", QByteArray("LAST_MODIFIED=\"" + now() + "\""));
        expected.replace(">Qt signals &amp; slots<", ">Signals &amp; slots &lt;Qt 6&gt;<");
        EXPECT_EQ(d.added[0], expected) << "dates, icon, keyword and tags kept";
        EXPECT_EQ(outline(parse(b.toBytes())).first(),
                  QStringLiteral("Signals & slots <Qt 6> -> https://qt.example/signals?a=1&b=2"));
    }
    {
        SCOPED_TRACE("an address, on a link without LAST_MODIFIED");
        NetscapeBookmarks b = parse(original);
        linkTitled(b, QStringLiteral("Delta 'quoted'"))->setURL(QStringLiteral("https://delta.example/?q=\"x\"&r=1"));
        const LineDiff d = diff(original, b.toBytes());
        ASSERT_EQ(d.added.size(), 1);
        EXPECT_EQ(d.added[0],
                  "        <DT><A HREF=\"https://delta.example/?q=&quot;x&quot;&amp;r=1\" ADD_DATE=\"1600000011\" "
                  "ICON=\"data:image/png;base64,AAAA\" LAST_MODIFIED=\"" +
                      now() + "\">Delta &#39;quoted&#39;</A>");
    }
    {
        SCOPED_TRACE("a folder's name");
        NetscapeBookmarks b = parse(original);
        for (const auto& record : b.records()) {
            if (record->Title() == QStringLiteral("Tools"))
                record->setTitle(QStringLiteral("Tools & more"));
        }
        const LineDiff d = diff(original, b.toBytes());
        ASSERT_EQ(d.added.size(), 1);
        EXPECT_EQ(d.added[0],
                  "        <DT><H3 ADD_DATE=\"1600000012\" LAST_MODIFIED=\"" + now() + "\">Tools &amp; more</H3>");
    }
    {
        SCOPED_TRACE("an addition");
        NetscapeBookmarks b = parse(original);
        auto link = std::make_shared<cBookmark>();
        link->setTitle(QStringLiteral("New"));
        link->setURL(QStringLiteral("https://new.example/"));
        link->setKey(b.newKey());
        link->setParentFolder(folderTitled(b, QStringLiteral("Bookmarks Toolbar")));
        b.records().Add(link, link->Key());
        b.invalidateIndex();
        const QByteArray written = b.toBytes();
        const LineDiff d = diff(original, written);
        EXPECT_TRUE(d.removed.isEmpty());
        ASSERT_EQ(d.added.size(), 1);
        EXPECT_EQ(d.added[0],
                  "        <DT><A HREF=\"https://new.example/\" ADD_DATE=\"" + now() + "\" LAST_MODIFIED=\"" + now() +
                      "\">New</A>")
            << "dated now, indented as its neighbours, with the file's line ends";
        EXPECT_TRUE(written.contains(QByteArray("Bravo</A>\n" + d.added[0] + "\n    </DL><p>")))
            << "last in its folder";
    }
    {
        SCOPED_TRACE("a deletion");
        NetscapeBookmarks b = parse(original);
        linkTitled(b, QStringLiteral("Alpha"))->setBookmarkType(cBookmark::RetiredLinkType);
        const LineDiff d = diff(original, b.toBytes());
        EXPECT_TRUE(d.added.isEmpty());
        EXPECT_EQ(d.removed,
                  (QList<QByteArray>{"        <DT><A HREF=\"https://alpha.example/\" ADD_DATE=\"1600000009\" "
                                     "LAST_MODIFIED=\"1600000010\" SHORTCUTURL=\"al\">Alpha</A>",
                                     "        <DD>First of all"}))
            << "its description goes with it, the separator after it stays";
    }
    {
        SCOPED_TRACE("a move to another folder");
        NetscapeBookmarks b = parse(original);
        const auto from = linkTitled(b, QStringLiteral("Alpha"));
        auto moved = std::make_shared<cBookmark>();
        moved->setTitle(from->Title());
        moved->setURL(from->URL());
        moved->setKey(b.newKey());
        moved->setParentFolder(folderTitled(b, QStringLiteral("Other Bookmarks")));
        carryBookmarkLines(*moved, *from);
        b.records().Add(moved, moved->Key());
        from->setBookmarkType(cBookmark::RetiredLinkType);
        b.invalidateIndex();
        const QByteArray written = b.toBytes();
        const LineDiff d = diff(original, written);
        EXPECT_EQ(d.removed, d.added) << "the same lines, elsewhere";
        EXPECT_EQ(d.removed.size(), 2);
        EXPECT_TRUE(
            written.contains("Unfiled</A>\n        <DT><A HREF=\"https://alpha.example/\" ADD_DATE=\"1600000009\""));
        EXPECT_TRUE(written.contains("Mike</A>\n        <HR>\n")) << "the separator stays where it stood";
    }
    {
        SCOPED_TRACE("a sort");
        NetscapeBookmarks b = parse(original);
        sortLinks(b, folderTitled(b, QStringLiteral("Bookmarks Toolbar")));
        const QByteArray written = b.toBytes();
        QList<QByteArray> before = original.split('\n');
        QList<QByteArray> after = written.split('\n');
        EXPECT_EQ(after.indexOf("        <HR>"), before.indexOf("        <HR>")) << "the separator keeps its place";
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before) << "whole entries reordered, no line changed";
        EXPECT_EQ(outline(parse(written)).mid(3, 6),
                  (QStringList{QStringLiteral("  Alpha -> https://alpha.example/"),
                               QStringLiteral("  Bravo -> https://bravo.example/"),
                               QStringLiteral("  Delta 'quoted' -> https://delta.example/"),
                               QStringLiteral("  [Tools]"),
                               QStringLiteral("    Tool -> https://tool.example/"),
                               QStringLiteral("  Mike -> https://mike.example/")}));
        EXPECT_TRUE(written.contains("Alpha</A>\n        <DD>First of all\n")) << "a description goes with its entry";
    }
}

TEST(NetscapeLossless, EveryFormBrowsersAndToolsWriteIsReadWithItsNesting)
{
    const struct
    {
        const char* name;
        QByteArray text;
        QStringList outline;
    } cases[] = {
        {"lower-case tags",
         "<dl><p>\n<dt><h3>F</h3>\n<dl><p>\n<dt><a href=\"http://a/\">A</a>\n</dl><p>\n<dt><a "
         "href=\"http://b/\">B</a>\n</dl>\n",
         {"[F]", "  A -> http://a/", "B -> http://b/"}},
        {"HREF not the first attribute",
         "<DL><p>\n<DT><A SUBSCRIBE ADD_DATE=\"1\" HREF=\"http://a/\">A</A>\n</DL><p>\n",
         {"A -> http://a/"}},
        {"<DT> alone on its line",
         "<DL><p>\n<DT>\n<H3>F</H3>\n<DL><p>\n<DT>\n<A HREF=\"http://a/\">A</A>\n</DL><p>\n</DL><p>\n",
         {"[F]", "  A -> http://a/"}},
        {"a link inside a <DD>",
         "<DL><p>\n<DT><A HREF=\"http://a/\">A</A>\n<DD><A HREF=\"http://b/\">B</A>\n</DL><p>\n",
         {"A -> http://a/", "B -> http://b/"}},
        {"several entries on a line",
         "<DL><p><DT><H3>F</H3><DL><p><DT><A HREF=\"http://a/\">A</A><DT><A HREF=\"http://b/\">B</A></DL><p><DT><A "
         "HREF=\"http://c/\">C</A></DL>",
         {"[F]", "  A -> http://a/", "  B -> http://b/", "C -> http://c/"}},
        {"single quotes and none",
         "<DL><p>\n<DT><A HREF='http://a/?x=\"1\"' ADD_DATE='2'>A</A>\n<DT><A HREF=http://b/ ADD_DATE=3>B</A>\n</DL>\n",
         {"A -> http://a/?x=\"1\"", "B -> http://b/"}},
        {"<HR> with more on its line",
         "<DL><p>\n    <HR>    <DT><A HREF=\"http://a/\">A</A>\n    <HR><DT><H3>F</H3>\n    <DL><p>\n    "
         "</DL><p>\n</DL>\n",
         {"A -> http://a/", "[F]"}},
        {"a title holding markup",
         "<DL><p>\n<DT><A HREF=\"http://a/\">x<b>bold</b> y</A>\n</DL>\n",
         {"y -> http://a/"}}, // the title is what follows the last ">"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetscapeBookmarks b = parse(c.text);
        EXPECT_TRUE(b.loadedWhole()) << b.loadProblem().toStdString();
        EXPECT_EQ(outline(b), c.outline);
        EXPECT_EQ(b.toBytes(), c.text);
        // Every entry renamed and given a new address reads back so, and nothing else moves.
        for (const auto& record : b.records()) {
            record->setTitle(record->Title() + QStringLiteral(" & new"));
            if (record->BookmarkType() == cBookmark::LinkType)
                record->setURL(record->URL() + QStringLiteral("?n=1"));
        }
        const NetscapeBookmarks back = parse(b.toBytes());
        EXPECT_TRUE(back.loadedWhole()) << back.loadProblem().toStdString() << "\n" << b.toBytes().toStdString();
        EXPECT_EQ(outline(back), outline(b)) << b.toBytes().toStdString();
    }
}

TEST(NetscapeLossless, ReferencesAreShownDecodedAndWrittenAsTheFileHadThem)
{
    const QByteArray file =
        "<DL><p>\n<DT><A HREF=\"http://x/?a=1&amp;b=2&c=3\">Tom &amp; Jerry &#39;s &lt;3 &#x263A; &bogus; AT&T</A>\n"
        "<DT><H3>R&amp;D</H3>\n<DL><p>\n</DL><p>\n</DL>\n";
    NetscapeBookmarks b = parse(file);
    ASSERT_EQ(b.records().Count(), 2);
    EXPECT_EQ(b.records().at(1)->Title(), QString::fromUtf8("Tom & Jerry 's <3 \u263A &bogus; AT&T"));
    EXPECT_EQ(b.records().at(1)->URL(), QStringLiteral("http://x/?a=1&b=2&c=3"));
    EXPECT_EQ(b.records().at(2)->Title(), QStringLiteral("R&D"));
    EXPECT_EQ(b.toBytes(), file);
    // Typed text is written so that it reads back as typed.
    b.records().at(1)->setTitle(QStringLiteral("&amp; is how \"&\" is written, <tag>"));
    b.records().at(2)->setTitle(QStringLiteral("Q&A"));
    const NetscapeBookmarks back = parse(b.toBytes());
    EXPECT_EQ(back.records().at(1)->Title(), QStringLiteral("&amp; is how \"&\" is written, <tag>"));
    EXPECT_EQ(back.records().at(1)->URL(), QStringLiteral("http://x/?a=1&b=2&c=3"));
    EXPECT_EQ(back.records().at(2)->Title(), QStringLiteral("Q&A"));
}

// Random exports with attributes, separators and descriptions; random edits,
// additions, deletions and sorts: what is read back is what was held, and
// every record not touched is in the file as it was read.
TEST(NetscapeLossless, RandomExportsAndChangesKeepEveryUntouchedEntry)
{
    QRandomGenerator random(20261209);
    const QStringList titles{QStringLiteral("News"),
                             QStringLiteral("A & B"),
                             QStringLiteral("<b>"),
                             QString::fromUtf8("Café"),
                             QStringLiteral("x"),
                             QStringLiteral("Q&amp;A"),
                             QStringLiteral("it's \"quoted\"")};
    auto pick = [&](const QStringList& list) { return list[int(random.bounded(list.size()))]; };
    for (int round = 0; round < 150; ++round) {
        // The file.
        QByteArray text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<DL><p>\n";
        int depth = 0;
        for (int i = 0; i < 25; ++i) {
            const QByteArray indent(4 * (depth + 1), ' ');
            switch (random.bounded(7)) {
            case 0:
                text += indent + "<DT><H3 ADD_DATE=\"" + QByteArray::number(i) + "\">Folder " + QByteArray::number(i) +
                        "</H3>\n";
                if (random.bounded(2))
                    text += indent + "<DD>About folder " + QByteArray::number(i) + "\n";
                text += indent + "<DL><p>\n";
                ++depth;
                break;
            case 1:
                if (depth > 0) {
                    --depth;
                    text += QByteArray(4 * (depth + 1), ' ') + "</DL><p>\n";
                }
                break;
            case 2:
                text += indent + "<HR>\n";
                break;
            default:
                text += indent + "<DT><A HREF=\"http://e.example/" + QByteArray::number(i) +
                        "?a=1&amp;b=" + QByteArray::number(round) + "\" ADD_DATE=\"17" + QByteArray::number(i) +
                        "\" ICON=\"data:image/png;base64,QUJD\" TAGS=\"t\">" + pick(titles).toHtmlEscaped().toUtf8() +
                        "</A>\n";
                if (random.bounded(3) == 0)
                    text += indent + "<DD>Description &amp; more " + QByteArray::number(i) + "\n";
            }
        }
        while (depth-- > 0)
            text += QByteArray(4 * (depth + 1), ' ') + "</DL><p>\n";
        text += "</DL>\n";
        NetscapeBookmarks b = parse(text);
        ASSERT_TRUE(b.loadedWhole()) << text.toStdString();
        ASSERT_EQ(b.toBytes(), text);
        // The changes.
        std::vector<QByteArray> untouched;
        const qsizetype count = b.records().Count();
        for (qsizetype position = 1; position <= count; ++position) {
            const auto& record = b.records().at(position);
            const QByteArray own = text.mid(record->Own().start, record->Own().size);
            switch (random.bounded(8)) {
            case 0:
                record->setTitle(pick(titles) + QStringLiteral(" edited"));
                break;
            case 1:
                if (record->BookmarkType() == cBookmark::LinkType)
                    record->setURL(QStringLiteral("https://changed.example/?x=1&y=") + pick(titles));
                else
                    untouched.push_back(own);
                break;
            case 2:
                if (record->BookmarkType() == cBookmark::LinkType)
                    record->setBookmarkType(cBookmark::RetiredLinkType);
                else
                    untouched.push_back(own);
                break;
            case 3: {
                auto link = std::make_shared<cBookmark>();
                link->setTitle(pick(titles));
                link->setURL(QStringLiteral("http://added.example/"));
                link->setKey(b.newKey());
                link->setParentFolder(record->ParentFolder());
                b.records().Add(link, link->Key());
                untouched.push_back(own);
                break;
            }
            default:
                untouched.push_back(own);
            }
        }
        b.invalidateIndex();
        if (random.bounded(2))
            sortLinks(b, 0);
        const QByteArray written = b.toBytes();
        const NetscapeBookmarks back = parse(written);
        ASSERT_TRUE(back.loadedWhole()) << written.toStdString();
        EXPECT_EQ(outline(back), outline(b)) << written.toStdString();
        for (const QByteArray& own : untouched)
            EXPECT_TRUE(written.contains(own)) << own.toStdString() << "\n" << written.toStdString();
        EXPECT_EQ(back.toBytes(), written) << "written again, the same bytes";
    }
}

// A file of several megabytes is read in parts; saved twice with changes in
// between, it reads back with every change and every untouched entry as it
// was, the second save working from what the first one wrote.
TEST(NetscapeLossless, ALargeFileReadInPartsAndSavedTwiceKeepsEveryEntry)
{
    QByteArray text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<DL><p>\n";
    const QByteArray icon(900, 'Q');
    for (int f = 0; f < 60; ++f) {
        text += "    <DT><H3 ADD_DATE=\"" + QByteArray::number(f) + "\">Folder " + QByteArray::number(f) +
                "</H3>\n    <DD>About\n    <DL><p>\n";
        for (int i = 0; i < 60; ++i) {
            const QByteArray n = QByteArray::number(f * 100 + i);
            text += "        <DT><A HREF=\"http://e.example/" + n +
                    "?a=1&amp;b=2\" ADD_DATE=\"1\" ICON=\"data:image/png;base64," + icon + "\">Link " + n +
                    " &amp; more</A>\n";
            if (i % 7 == 0)
                text += "        <DD>Said of " + n + "\n";
            if (i % 11 == 0)
                text += "        <HR>    <DT><A HREF=\"http://hr.example/" + n + "\">After a rule " + n + "</A>\n";
        }
        text += "    </DL><p>\n";
    }
    // Over a megabyte on one line: no place to stop inside it.
    text += "    <DT><H3>One line</H3><DL><p>";
    for (int i = 0; i < 1200; ++i)
        text += "<DT><A HREF=\"http://line.example/" + QByteArray::number(i) + "\" ICON=\"" + icon + "\">On a line " +
                QByteArray::number(i) + "</A>";
    text += "</DL><p>\n</DL>\n";
    ASSERT_GT(text.size(), 4 * 1024 * 1024);
    const QString path = FreshHome::path() + QStringLiteral("/large.html");
    ASSERT_TRUE(regtest::writeFile(path, text));

    NetscapeBookmarks b;
    b.load(path);
    ASSERT_TRUE(b.loadedWhole()) << b.loadProblem().toStdString();
    EXPECT_EQ(b.records().Count(), 60 + 3600 + 6 * 60 + 1 + 1200);
    EXPECT_EQ(outline(b), outline(parse(text))) << "read in parts as read from memory";
    EXPECT_EQ(b.toBytes(), text);

    auto change = [&b](int seed) {
        QRandomGenerator random{quint32(seed)};
        for (const auto& record : b.records()) {
            switch (random.bounded(40)) {
            case 0:
                record->setTitle(record->Title() + QStringLiteral(" <changed ") + QString::number(seed) +
                                 QStringLiteral(">"));
                break;
            case 1:
                if (record->BookmarkType() == cBookmark::LinkType)
                    record->setBookmarkType(cBookmark::RetiredLinkType);
                break;
            case 2: {
                auto link = std::make_shared<cBookmark>();
                link->setTitle(QStringLiteral("Added ") + QString::number(seed));
                link->setURL(QStringLiteral("http://added.example/?x&y"));
                link->setKey(b.newKey());
                link->setParentFolder(record->ParentFolder());
                b.records().Add(link, link->Key());
                break;
            }
            default:
                break;
            }
        }
        b.invalidateIndex();
    };
    QString error;
    change(1);
    ASSERT_TRUE(SaveNetscapeFile(b, path, false, &error)) << error.toStdString();
    change(2);
    sortLinks(b, 5);
    ASSERT_TRUE(SaveNetscapeFile(b, path, false, &error)) << error.toStdString();
    const QByteArray saved = regtest::readFile(path);
    EXPECT_EQ(b.toBytes(), saved) << "the records stand where the last save put them";
    NetscapeBookmarks back;
    back.load(path);
    ASSERT_TRUE(back.loadedWhole()) << back.loadProblem().toStdString();
    EXPECT_EQ(outline(back), outline(b));
    int untouched = 0;
    for (const auto& record : back.records()) {
        if (record->Title().startsWith(QStringLiteral("Link ")) &&
            record->Title().endsWith(QStringLiteral(" & more"))) {
            const QByteArray n = record->Title().mid(5).section(u' ', 0, 0).toUtf8();
            EXPECT_TRUE(saved.contains(QByteArray("        <DT><A HREF=\"http://e.example/" + n +
                                                  "?a=1&amp;b=2\" ADD_DATE=\"1\" "
                                                  "ICON=\"data:image/png;base64," +
                                                  icon + "\">Link " + n + " &amp; more</A>\n")))
                << n.toStdString();
            ++untouched;
        }
    }
    EXPECT_GT(untouched, 3000);
    EXPECT_TRUE(
        saved.contains(QByteArray("<DT><A HREF=\"http://line.example/7\" ICON=\"" + icon + "\">On a line 7</A><DT>")));
}
