#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/transfer.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/modal.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace {

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

void shortcut(const QString& name, const QString& url)
{
    regtest::writeFile(FreshHome::path() + QStringLiteral("/Favorites/") + name + QStringLiteral(".url"),
                       "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n");
}

} // namespace

class MovingTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        regtest::writeFile(location(), "<DL><p>\r\n<DT><H3>Folder</H3>\r\n<DL><p>\r\n</DL><p>\r\n</DL><p>\r\n");
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Mine")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Mine"),
                         cRegistry::REG_SZ);
        cSettings stored;
        stored.setAppName(QStringLiteral("ORXMarkcrate"));
        stored.setBookmarkLocation(location());
        stored.Update();
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites"));
        shortcut(QStringLiteral("One"), QStringLiteral("http://one/"));
        shortcut(QStringLiteral("Two"), QStringLiteral("http://two/"));
        shortcut(QStringLiteral("Three"), QStringLiteral("http://three/"));
        start();
        answerYes();
    }
    void selectAll()
    {
        for (int i = 1; i <= form->lvMain->Count(); ++i)
            form->lvMain->ItemAt(i)->setSelected(true);
        form->lvMain->setCurrentItem(form->lvMain->ItemAt(1), 0, QItemSelectionModel::NoUpdate);
    }
    void dropOn(const QString& key)
    {
        form->tvMain->setDropHighlight(form->tvMain->Node(key));
        dialog().DragDropTvMain(form->lvMain, 0, 0);
    }
};

TEST_F(MovingTest, AFavoriteDroppedOnWebFavoritesTakesItsAddressFromTheShortcut)
{
    show(QStringLiteral("3A"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1)); // One
    dropOn(QStringLiteral("1A"));
    EXPECT_EQ(boxes, QStringList{QStringLiteral("Are you sure you wish to add 'One' to your list of Web Favorites?")});
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("One")), QStringLiteral("http://one/"));

    boxes.clear();
    selectAll();
    dropOn(QStringLiteral("1A"));
    EXPECT_EQ(boxes.first(), QStringLiteral("'One' already exists in your list of Web Favorites"));
    EXPECT_EQ(boxes.size(), 3) << "the others are still asked for";
}

TEST_F(MovingTest, AReadOnlyBookmarkFileRefusesTheWholeDropOnce)
{
    settings.setTreatBookmarksAsReadOnly(true);
    show(QStringLiteral("3A"));
    selectAll();
    dropOn(QStringLiteral("0X4A"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().startsWith(QStringLiteral("ORX Markcrate is currently configured")));
    EXPECT_EQ(dialog().Bookmarks().records().Count(), 1);

    settings.setTreatBookmarksAsReadOnly(false);
    boxes.clear();
    dropOn(QStringLiteral("0X4A"));
    EXPECT_EQ(boxes.first(), QStringLiteral("Are you sure you wish to add 'One' to your 'Folder' folder?"));
    EXPECT_TRUE(regtest::readFile(location()).contains("HREF=\"http://three/\""));
}

TEST_F(MovingTest, AGoWordDroppedOnAUserFolderIsStoredAsAForumEntry)
{
    dialog().ForumCollection().Clear();
    dialog().ForumCollection().Add(std::make_shared<QString>(QStringLiteral("gardening")), QStringLiteral("0X"));
    show(QStringLiteral("2A"));
    form->lvMain->Clear();
    form->lvMain->AddItem(QStringLiteral("0X"), QStringLiteral("gardening"), 1);
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dropOn(QStringLiteral("10A"));
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("gardening")),
              QStringLiteral("gardening"));
    EXPECT_EQ(RegistryStores::userEntryType(QStringLiteral("Mine"), QStringLiteral("gardening")), 2);
}

TEST_F(MovingTest, CutAndPasteMovesAndForeignTextPastesNothing)
{
    storetest::write(
        RegistryStores::webFavoritesKey(), QStringLiteral("Moved"), QStringLiteral("http://moved/"), cRegistry::REG_SZ);
    show(QStringLiteral("1A"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().CutEntries();
    EXPECT_TRUE(KeyedListView::Ghosted(form->lvMain->ItemAt(1)));
    EXPECT_EQ(Transfer::parse(QApplication::clipboard()->text()).value(0).address, QStringLiteral("http://moved/"));

    show(QStringLiteral("10A"));
    Modal::setHook([](QDialog& dialog) {
        auto& favorite = dynamic_cast<frmFavorite&>(dialog);
        EXPECT_EQ(favorite.txtFavorite[0]->text(), QStringLiteral("Moved"));
        favorite.txtFavorite[1]->setFocus();
        QTest::keyClick(favorite.txtFavorite[1], Qt::Key_Return);
        return 0;
    });
    dialog().PasteEntries();
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Moved")),
              QStringLiteral("http://moved/"));
    EXPECT_TRUE(RegistryStores::favoriteText(false, QStringLiteral("Moved")).isEmpty()) << "the cut entry is gone";

    // The same again: the list shows it already, so it is skipped.
    dialog().PasteEntries();
    EXPECT_EQ(form->lvMain->Count(), 1);

    QApplication::clipboard()->setText(QStringLiteral("just some text"));
    Modal::setHook([](QDialog&) -> int {
        ADD_FAILURE() << "no dialog for foreign text";
        return 0;
    });
    dialog().PasteEntries();
}

// Cut from one folder of the bookmark file and pasted into another, a link
// takes its lines along: dates, icon, keyword and description.
TEST_F(MovingTest, ABookmarkCutAndPastedWithinTheFileKeepsItsLines)
{
    const QByteArray link = "    <DT><A HREF=\"https://a.example/?x=1&amp;y=2\" ADD_DATE=\"1600000001\" "
                            "ICON=\"data:image/png;base64,QUJD\" "
                            "SHORTCUTURL=\"a\">A &amp; B</A>\n    <DD>Kept with it\n";
    const QByteArray file = "<DL><p>\n<DT><H3>From</H3>\n<DL><p>\n" + link +
                            "    <HR>\n</DL><p>\n<DT><H3>To</H3>\n<DL><p>\n"
                            "    <DT><A HREF=\"https://b.example/\">B</A>\n</DL><p>\n</DL>\n";
    ASSERT_TRUE(regtest::writeFile(location(), file));
    dialog().LoadBookmarkFile();
    dialog().BuildFolderTree();
    const QString from =
        KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("From"), Qt::MatchRecursive).value(0));
    const QString to = KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("To"), Qt::MatchRecursive).value(0));
    show(from);
    ASSERT_EQ(form->lvMain->Count(), 1);
    EXPECT_EQ(KeyedListView::Text(form->lvMain->ItemAt(1)), QStringLiteral("A & B"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().CutEntries();
    show(to);
    Modal::setHook([](QDialog& dialog) {
        auto& favorite = dynamic_cast<frmFavorite&>(dialog);
        EXPECT_EQ(favorite.txtFavorite[0]->text(), QStringLiteral("A & B"));
        EXPECT_EQ(favorite.txtFavorite[1]->text(), QStringLiteral("https://a.example/?x=1&y=2"));
        favorite.txtFavorite[1]->setFocus();
        QTest::keyClick(favorite.txtFavorite[1], Qt::Key_Return);
        return 0;
    });
    dialog().PasteEntries();
    EXPECT_EQ(regtest::readFile(location()),
              "<DL><p>\n<DT><H3>From</H3>\n<DL><p>\n    <HR>\n</DL><p>\n<DT><H3>To</H3>\n<DL><p>\n"
              "    <DT><A HREF=\"https://b.example/\">B</A>\n" +
                  link + "</DL><p>\n</DL>\n");
}
