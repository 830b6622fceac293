#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "platform/shell.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <algorithm>

namespace {

const QByteArray kFile = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
                         "<DT><A HREF=\"http://c.example/\">charlie</A>\r\n"
                         "<DT><H3>Folder</H3>\r\n<DL><p>\r\n"
                         "<DT><A HREF=\"http://one/\">One</A>\r\n"
                         "<DT><H3>Inner</H3>\r\n<DL><p>\r\n<DT><A HREF=\"http://inner/\">Inside</A>\r\n</DL><p>\r\n"
                         "<DT><A HREF=\"http://two/\">two</A>\r\n"
                         "<DT><A HREF=\"http://three/\">Three</A>\r\n"
                         "</DL><p>\r\n"
                         "<DT><A HREF=\"http://a.example/\">alpha</A>\r\n"
                         "<DT><A HREF=\"http://b.example/\">Bravo</A>\r\n"
                         "</DL><p>\r\n";

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

} // namespace

class NetscapeViewTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(regtest::writeFile(location(), kFile));
        cSettings stored;
        stored.setAppName(QStringLiteral("ORXMarkcrate"));
        stored.setBookmarkLocation(location());
        stored.Update();
        start();
    }
};

TEST_F(NetscapeViewTest, FoldersBecomeNodesAndLinksListByFolder)
{
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->Node(QStringLiteral("1X4A"))), QStringLiteral("Folder"));
    EXPECT_EQ(form->tvMain->Node(QStringLiteral("3X4A"))->parent(), form->tvMain->Node(QStringLiteral("1X4A")));
    show(QStringLiteral("4A"));
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"0X4A charlie", "7X4A alpha", "8X4A Bravo"}));
    EXPECT_EQ(dialog().state().CurrentNetscapeFolder, 0);
    EXPECT_TRUE(form->tlbMain->button(16)->isEnabled());
    show(QStringLiteral("1X4A"));
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"2X4A One", "5X4A two", "6X4A Three"}));
    EXPECT_EQ(dialog().state().CurrentNetscapeFolder, 1);
    EXPECT_TRUE(form->tlbMain->button(4)->isVisible()) << "a Netscape folder can be deleted";
    EXPECT_EQ(KeyedTreeView::Image(form->tvMain->Node(QStringLiteral("1X4A"))), 1);
    EXPECT_EQ(form->lblMain.at(1)->text(), QStringLiteral("3 items"));

    form->lvMain->setCurrentItem(form->lvMain->ItemAt(2));
    dialog().ClickLvMain();
    EXPECT_EQ(form->cboMain[1]->currentText(), QStringLiteral("http://two/"));
    dialog().DblClickLvMain();
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://two/")});
}

TEST_F(NetscapeViewTest, MovingABookmarkSwapsItInTheFileAndStopsAtTheEnds)
{
    show(QStringLiteral("1X4A"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().ClickTlbMain(16); // up from the top: nothing
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"2X4A One", "5X4A two", "6X4A Three"}));
    dialog().ClickTlbMain(17);
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"2X4A two", "5X4A One", "6X4A Three"}));
    EXPECT_EQ(form->lvMain->indexOfTopLevelItem(form->lvMain->SelectedItem()), 1) << "the moved item stays selected";
    const QByteArray saved = regtest::readFile(location());
    EXPECT_LT(saved.indexOf(">two</A>"), saved.indexOf(">One</A>"));
    EXPECT_EQ(regtest::readFile(location() + QStringLiteral(".markcrate-original")), kFile);
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(3));
    dialog().ClickTlbMain(17); // down from the bottom: nothing
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"2X4A two", "5X4A One", "6X4A Three"}));
}

TEST_F(NetscapeViewTest, AltDownMovesALinkOnAndAnEditKeepsItsPlace)
{
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    if (form->lvMain->height() < 50)
        dialog().ClickLbbMain(cMainDialog::MoreButton);
    show(QStringLiteral("1X4A"));
    QTest::mouseClick(
        form->lvMain->viewport(), Qt::LeftButton, {}, form->lvMain->visualItemRect(form->lvMain->ItemAt(1)).center());
    ASSERT_EQ(QApplication::focusWidget(), form->lvMain);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(KeyedTreeView::Key(form->tvMain->SelectedItem()), QStringLiteral("1X4A")) << "the folder stays";
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"2X4A two", "5X4A Three", "6X4A One"}));
    EXPECT_EQ(QApplication::focusWidget(), form->lvMain);

    // The first link's address changed: it stays first, on screen and in the file.
    QTest::mouseClick(
        form->lvMain->viewport(), Qt::LeftButton, {}, form->lvMain->visualItemRect(form->lvMain->ItemAt(1)).center());
    Modal::setHook([](QDialog& dialog) {
        const QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
        edits.at(1)->setText(QStringLiteral("http://two.example/"));
        edits.at(1)->setFocus();
        QTest::keyClick(edits.at(1), Qt::Key_Return);
        return 0;
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"2X4A two", "5X4A Three", "6X4A One"}));
    const QByteArray saved = regtest::readFile(location());
    EXPECT_TRUE(saved.contains("<DT><A HREF=\"http://two.example/\"")) << saved.toStdString();
    EXPECT_LT(saved.indexOf("http://two.example/"), saved.indexOf(">Three</A>"));
    EXPECT_LT(saved.indexOf(">Three</A>"), saved.indexOf(">One</A>"));
}

TEST_F(NetscapeViewTest, SortingANetscapeFolderReordersOnlyItsLinks)
{
    show(QStringLiteral("4A"));
    dialog().ClickTlbMain(20);
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"0X4A charlie", "7X4A Bravo", "8X4A alpha"}));
    NetscapeBookmarks& bookmarks = dialog().Bookmarks();
    EXPECT_EQ(bookmarks.records().at(QStringLiteral("3X"))->Title(), QStringLiteral("Inner")) << "folders untouched";
    EXPECT_EQ(bookmarks.records().at(QStringLiteral("2X"))->Title(), QStringLiteral("One"))
        << "other folders untouched";
    const QByteArray saved = regtest::readFile(location());
    EXPECT_LT(saved.indexOf(">Bravo</A>"), saved.indexOf(">alpha</A>"));

    dialog().ClickTlbMain(19);
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"0X4A alpha", "7X4A Bravo", "8X4A charlie"}));
}

TEST_F(NetscapeViewTest, SortingAnotherListChangesOnlyTheList)
{
    for (const char* title : {"b", "A", "c"})
        storetest::write(
            RegistryStores::webFavoritesKey(), QLatin1String(title), QStringLiteral("http://x/"), cRegistry::REG_SZ);
    show(QStringLiteral("1A"));
    const QByteArray before = regtest::readFile(location());
    dialog().ClickTlbMain(20);
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"3X c", "2X b", "1X A"}));
    EXPECT_EQ(regtest::readFile(location()), before) << "no save for another source";
    show(QStringLiteral("1A"));
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"1X A", "2X b", "3X c"}));
}

TEST_F(NetscapeViewTest, ReadOnlyNeverWritesAndASelectedFolderIsFoundAgain)
{
    settings.setTreatBookmarksAsReadOnly(true);
    show(QStringLiteral("1X4A"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().ClickTlbMain(17);
    EXPECT_EQ(regtest::readFile(location()), kFile);

    show(QStringLiteral("3X4A"));
    dialog().state().CurrentNetscapeFolder = 1;
    dialog().state().SelectedKey = QStringLiteral("99X4A");
    dialog().state().SelectedText = QStringLiteral("Inner");
    dialog().BuildFolderTree();
    EXPECT_EQ(KeyedTreeView::Key(form->tvMain->SelectedItem()), QStringLiteral("3X4A"));
}

// A browser's export, sorted with real clicks: the file on disk holds the
// same lines, the folder's entries in the new order, dates, icons,
// descriptions and separators kept.
TEST_F(NetscapeViewTest, ABrowsersExportSortedByClicksKeepsEveryLine)
{
    const QByteArray file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n"
        "    <DT><H3 ADD_DATE=\"1600000005\" PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>\n    <DL><p>\n"
        "        <DT><A HREF=\"https://q.example/?a=1&amp;b=2\" ADD_DATE=\"1600000001\" "
        "ICON=\"data:image/png;base64,QUJD\" "
        "SHORTCUTURL=\"q\">Qt signals &amp; slots</A>\n"
        "        <DD>How objects talk\n"
        "        <HR>\n"
        "        <DT><A HREF=\"https://b.example/\" ADD_DATE=\"1600000002\" TAGS=\"x\">Bravo</A>\n"
        "        <DT><A HREF=\"https://a.example/\" ADD_DATE=\"1600000003\">Alpha</A>\n"
        "    </DL><p>\n</DL>\n";
    ASSERT_TRUE(regtest::writeFile(location(), file));
    dialog().LoadBookmarkFile();
    dialog().BuildFolderTree();
    QTreeWidgetItem* toolbar =
        form->tvMain->findItems(QStringLiteral("Bookmarks Toolbar"), Qt::MatchRecursive).value(0);
    ASSERT_TRUE(toolbar);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    FlatButton* more = (*form->lbbMain)[int(cMainDialog::MoreButton)];
    if (more->Caption() == QLatin1String("More"))
        QTest::mouseClick(more, Qt::LeftButton); // the tree shows
    form->tvMain->scrollToItem(toolbar);
    QTest::mouseClick(form->tvMain->viewport(), Qt::LeftButton, {}, form->tvMain->visualItemRect(toolbar).center());
    QStringList shown;
    for (int i = 1; i <= form->lvMain->Count(); ++i)
        shown << KeyedListView::Text(form->lvMain->ItemAt(i));
    EXPECT_EQ(shown, (QStringList{"Qt signals & slots", "Bravo", "Alpha"})) << "titles shown as the user reads them";

    auto* sort = qobject_cast<QToolButton*>(form->tlbMain->widgetForAction(form->tlbMain->button(19)));
    ASSERT_TRUE(sort && sort->isEnabled());
    QTest::mouseClick(sort, Qt::LeftButton);
    const QByteArray saved = regtest::readFile(location());
    QList<QByteArray> before = file.split('\n');
    QList<QByteArray> after = saved.split('\n');
    EXPECT_TRUE(saved.contains(">Alpha</A>\n        <HR>\n        <DT><A HREF=\"https://b.example/\""))
        << "the separator keeps its place";
    EXPECT_TRUE(saved.contains(">Qt signals &amp; slots</A>\n        <DD>How objects talk\n"));
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before) << saved.toStdString();
}

// A bookmark file that is not where the settings say, or none chosen at all.
class MissingBookmarkFileTest : public MainWindowFixture
{
};

TEST_F(MissingBookmarkFileTest, AMistypedLocationIsToldAtStartAndAskedAboutBeforeAFileIsMade)
{
    ASSERT_TRUE(regtest::writeFile(location(), kFile));
    const QString mistyped = FreshHome::path() + QStringLiteral("/bookmark.html");
    startWithBookmarks(mistyped);
    EXPECT_EQ(boxes.filter(QStringLiteral("does not exist")).size(), 1) << boxes.join(QLatin1Char('|')).toStdString();

    QStringList asked;
    MessageBoxes::setHook([&asked](const MessageBoxes::Request& request) {
        asked << request.text;
        return QMessageBox::No;
    });
    enter(QStringLiteral("Mine"), QStringLiteral("http://mine/"));
    show(QStringLiteral("4A"));
    dialog().AddEntry();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked.first().contains(QStringLiteral("Do you want Markcrate to create it?")));
    EXPECT_FALSE(QFileInfo::exists(mistyped)) << "no second file without the user";

    answerYes();
    dialog().AddEntry();
    EXPECT_TRUE(regtest::readFile(mistyped).contains("http://mine/"));
    EXPECT_EQ(regtest::readFile(location()), kFile);
}

TEST_F(MissingBookmarkFileTest, WithNoFileChosenTheStatusLineSaysWhereToChooseOne)
{
    startWithBookmarks(QString());
    EXPECT_TRUE(boxes.filter(QStringLiteral("does not exist")).isEmpty());
    show(QStringLiteral("4A"));
    EXPECT_TRUE(form->stbMain->currentMessage().contains(QStringLiteral("Netscape Navigator tab of Options")))
        << form->stbMain->currentMessage().toStdString();
}
