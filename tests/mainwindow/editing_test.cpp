#include "bookmarks/registrystores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "dialogs/modal.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

const QByteArray kBookmarks =
    "<DL><p>\r\n<DT><H3>News</H3>\r\n<DL><p>\r\n<DT><A HREF=\"http://n/\">N</A>\r\n</DL><p>\r\n"
    "<DT><H3>Tech</H3>\r\n<DL><p>\r\n</DL><p>\r\n</DL><p>\r\n";

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

// Answers the next dialog by typing `text` into its first box and pressing Enter.
void typeAndEnter(const QString& text)
{
    Modal::setHook([text](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
        return dialog.result();
    });
}

} // namespace

class EditingTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(regtest::writeFile(location(), kBookmarks));
        for (const char* title : {"a", "b", "c"})
            storetest::write(RegistryStores::webFavoritesKey(),
                             QLatin1String(title),
                             QStringLiteral("http://x/"),
                             cRegistry::REG_SZ);
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Alpha")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Alpha"),
                         cRegistry::REG_SZ);
        storetest::write(RegistryStores::userEntryKey(QStringLiteral("Alpha"), QStringLiteral("entry")),
                         QStringLiteral("URL"),
                         QStringLiteral("http://e/"),
                         cRegistry::REG_SZ);
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Beta")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Beta"),
                         cRegistry::REG_SZ);
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites/.Hidden"));
        startWithBookmarks(location());
    }
};

TEST_F(EditingTest, DeletingSeveralEntriesRemovesThemAllAndCounts)
{
    show(QStringLiteral("1A"));
    form->lvMain->ItemAt(1)->setSelected(true);
    form->lvMain->ItemAt(3)->setSelected(true);
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(3), 0, QItemSelectionModel::NoUpdate);
    dialog().ClickLbbMain(cMainDialog::DeleteEntriesButton);
    EXPECT_EQ(boxes, QStringList{QStringLiteral("Are you sure you wish to delete the selected entries?")});
    EXPECT_EQ(form->lvMain->Count(), 1);
    EXPECT_EQ(form->lblMain.at(1)->text(), QStringLiteral("1 items"));
    EXPECT_EQ(RegistryStores::listFavorites(false).size(), 1);
}

TEST_F(EditingTest, DeletingManyEntriesOfAUserFolderWritesTheRegistryOnce)
{
    for (int i = 0; i < 50; ++i)
        storetest::write(RegistryStores::userEntryKey(QStringLiteral("Beta"), QStringLiteral("e%1").arg(i)),
                         QStringLiteral("URL"),
                         QStringLiteral("http://e/%1").arg(i),
                         cRegistry::REG_SZ);
    QTreeWidgetItem* beta =
        form->tvMain->findItems(QStringLiteral("Beta"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(beta, nullptr);
    show(KeyedTreeView::Key(beta));
    ASSERT_EQ(form->lvMain->Count(), 50);
    for (int i = 1; i <= 40; ++i)
        form->lvMain->ItemAt(i)->setSelected(true);
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1), 0, QItemSelectionModel::NoUpdate);
    const quint64 writes = platform::Registry::fileWrites();
    dialog().ClickLbbMain(cMainDialog::DeleteEntriesButton);
    EXPECT_EQ(platform::Registry::fileWrites(), writes + 1);
    EXPECT_EQ(form->lvMain->Count(), 10);
    platform::Registry::reset(); // read back from the file
    EXPECT_EQ(RegistryStores::listUserFolder(QStringLiteral("Beta"), true).size(), 10);
}

TEST_F(EditingTest, ReadOnlyBookmarksRefuseEveryChangeButOtherSourcesStillTakeThem)
{
    settings.setTreatBookmarksAsReadOnly(true);
    show(QStringLiteral("0X4A"));
    dialog().NewFolder();
    dialog().DeleteFolder();
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes.first().startsWith(
        QStringLiteral("ORX Markcrate is currently configured to treat your Netscape Bookmark File as Read-Only.")));
    EXPECT_EQ(regtest::readFile(location()), kBookmarks);

    show(QStringLiteral("00A"));
    typeAndEnter(QStringLiteral("Gamma"));
    dialog().NewFolder();
    EXPECT_NE(form->tvMain->findItems(QStringLiteral("Gamma"), Qt::MatchExactly | Qt::MatchRecursive).value(0),
              nullptr);
}

TEST_F(EditingTest, ANetscapeFolderNameInUseAtThatDepthIsRefused)
{
    show(QStringLiteral("4A"));
    typeAndEnter(QStringLiteral("Tech"));
    dialog().NewFolder();
    EXPECT_EQ(boxes,
              QStringList{QStringLiteral(
                  "A folder already exists with the name 'Tech'.  The folder name will not be created.")});
    typeAndEnter(QStringLiteral("Sport"));
    dialog().NewFolder();
    EXPECT_TRUE(regtest::readFile(location()).contains(">Sport</H3>"));
}

TEST_F(EditingTest, AHiddenFavoritesFolderIsNotDeletedAndADeletedFolderShowsItsSibling)
{
    QTreeWidgetItem* hidden = form->tvMain->findItems(QStringLiteral(".Hidden"), Qt::MatchRecursive).value(0);
    ASSERT_NE(hidden, nullptr);
    show(KeyedTreeView::Key(hidden));
    dialog().DeleteFolder();
    EXPECT_EQ(boxes.last(), QStringLiteral("'.Hidden' is a Hidden or System folder and cannot be deleted"));
    EXPECT_TRUE(QFileInfo(FreshHome::path() + QStringLiteral("/Favorites/.Hidden")).isDir());

    show(QStringLiteral("10A"));
    dialog().DeleteFolder();
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->SelectedItem()), QStringLiteral("Beta")) << "the next sibling";
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Alpha"), QStringLiteral("entry")), QString());

    show(QStringLiteral("0X4A")); // News
    dialog().DeleteFolder();
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->SelectedItem()), QStringLiteral("Tech"));
    EXPECT_FALSE(regtest::readFile(location()).contains(">News</H3>"));
    EXPECT_FALSE(regtest::readFile(location()).contains("http://n/")) << "its contents go with it";
}

TEST_F(EditingTest, RenamingAUserFolderTakesItsEntriesAlong)
{
    show(QStringLiteral("10A"));
    typeAndEnter(QStringLiteral("Alpha")); // unchanged: nothing happens
    dialog().RenameFolder();
    typeAndEnter(QStringLiteral("Beta"));
    dialog().RenameFolder();
    EXPECT_EQ(boxes,
              QStringList{QStringLiteral(
                  "A folder already exists with the name 'Beta'.  The folder name will not been changed.")});
    typeAndEnter(QStringLiteral("Renamed"));
    dialog().RenameFolder();
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->Node(QStringLiteral("10A"))), QStringLiteral("Renamed"));
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Renamed"), QStringLiteral("entry")),
              QStringLiteral("http://e/"));
    EXPECT_TRUE(RegistryStores::listUserFolder(QStringLiteral("Alpha"), true).isEmpty());
}

TEST_F(EditingTest, AddingAForumKeepsTheListSortedWithFreshKeys)
{
    show(QStringLiteral("2A"));
    for (const char* word : {"zebra", "ape"}) {
        typeAndEnter(QString::fromLatin1(word));
        dialog().AddEntry();
    }
    ASSERT_EQ(form->lvMain->Count(), 2);
    EXPECT_EQ(KeyedListView::Key(form->lvMain->ItemAt(1)) + KeyedListView::Text(form->lvMain->ItemAt(1)),
              QStringLiteral("0Xape"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().DeleteEntries();
    typeAndEnter(QStringLiteral("moose"));
    dialog().AddEntry();
    EXPECT_EQ(form->lvMain->Count(), 2);
    EXPECT_EQ(KeyedListView::Text(form->lvMain->ItemAt(1)), QStringLiteral("moose"));
}
