#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/twips.h"
#include "platform/shell.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

namespace {

using storetest::write;

void shortcut(const QString& relative, const QString& url)
{
    const QString path = FreshHome::path() + QStringLiteral("/Favorites/") + relative;
    QDir().mkpath(QFileInfo(path).path());
    regtest::writeFile(path, "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n");
}

QStringList listed(KeyedListView* list)
{
    QStringList out;
    for (int i = 1; i <= list->Count(); ++i)
        out << QStringLiteral("%1 %2 %3")
                   .arg(KeyedListView::Key(list->ItemAt(i)), KeyedListView::Text(list->ItemAt(i)))
                   .arg(KeyedListView::Image(list->ItemAt(i)));
    return out;
}

} // namespace

class NavigationTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        for (const char* title : {"News", "bank", "Art"})
            write(RegistryStores::webFavoritesKey(),
                  QLatin1String(title),
                  QStringLiteral("http://%1.example/").arg(QLatin1String(title)),
                  cRegistry::REG_SZ);
        write(RegistryStores::userEntryKey(QStringLiteral("Mine"), QStringLiteral("search me")),
              QStringLiteral("URL"),
              QStringLiteral("cats and dogs"),
              cRegistry::REG_SZ);
        write(RegistryStores::userEntryKey(QStringLiteral("Mine"), QStringLiteral("search me")),
              QStringLiteral("Type"),
              1,
              cRegistry::REG_DWORD);
        shortcut(QStringLiteral("Top.url"), QStringLiteral("http://top.example/"));
        shortcut(QStringLiteral("Travel/Trains.url"), QStringLiteral("http://trains.example/"));
        shortcut(QStringLiteral("Travel/Boats.URL"), QStringLiteral("http://boats.example/"));
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites/.Secret"));
        start();
    }
    void select(int position)
    {
        KeyedListView* list = form->lvMain;
        list->setCurrentItem(list->ItemAt(position));
    }
    bool offered(int button)
    {
        return (*form->lbbMain)[button]->isVisibleTo(form.get()) && (*form->lbbMain)[button]->isEnabled();
    }
    bool toolOffered(int index)
    {
        return form->tlbMain->button(index)->isVisible() && form->tlbMain->button(index)->isEnabled();
    }
};

TEST_F(NavigationTest, EachSourceListsItsEntriesAndCountsThem)
{
    show(QStringLiteral("1A"));
    EXPECT_EQ(listed(form->lvMain), (QStringList{"1X Art 3", "2X bank 3", "3X News 3"}));
    EXPECT_EQ(form->lblMain.at(1)->text(), QStringLiteral("3 items"));
    show(QStringLiteral("3A"));
    EXPECT_EQ(listed(form->lvMain), (QStringList{"0X Top 3"}));
    const QString travel =
        KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("Travel"), Qt::MatchRecursive).value(0));
    show(travel);
    EXPECT_EQ(listed(form->lvMain), (QStringList{"0X Boats 3", "1X Trains 3"}));
    show(QStringLiteral("10A"));
    EXPECT_EQ(listed(form->lvMain), (QStringList{"1X search me 5"}));
    show(QStringLiteral("00A"));
    EXPECT_TRUE(listed(form->lvMain).isEmpty());
    EXPECT_EQ(form->lblMain.at(1)->text(), QStringLiteral("0 items"));
}

TEST_F(NavigationTest, AFavoritesFolderClickedAgainShowsWhatAnotherProgramChangedInIt)
{
    QTreeWidgetItem* travel = form->tvMain->findItems(QStringLiteral("Travel"), Qt::MatchRecursive).value(0);
    QTreeWidgetItem* top = form->tvMain->Node(QStringLiteral("3A"));
    ASSERT_TRUE(travel && top);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseClick((*form->lbbMain)[cMainDialog::MoreButton], Qt::LeftButton); // the tree shows
    for (QTreeWidgetItem* parent = travel->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    form->tvMain->scrollToItem(travel);
    const auto click = [this](QTreeWidgetItem* node) {
        QTest::mouseClick(form->tvMain->viewport(), Qt::LeftButton, {}, form->tvMain->visualItemRect(node).center());
    };
    click(travel);
    EXPECT_EQ(listed(form->lvMain), (QStringList{"0X Boats 3", "1X Trains 3"}));

    const QString folder = FreshHome::path() + QStringLiteral("/Favorites/Travel/");
    shortcut(QStringLiteral("Travel/Buses.url"), QStringLiteral("http://buses.example/"));
    QFile::remove(folder + QStringLiteral("Trains.url"));
    QDir().mkpath(folder + QStringLiteral("Cars.url"));
    click(top);
    click(travel);
    EXPECT_EQ(listed(form->lvMain), (QStringList{"0X Boats 3", "1X Buses 3"}));
    ASSERT_TRUE(QFile::rename(folder + QStringLiteral("Boats.URL"), folder + QStringLiteral("Ships.url")));
    click(top);
    click(travel);
    EXPECT_EQ(listed(form->lvMain), (QStringList{"0X Buses 3", "1X Ships 3"}));
}

TEST_F(NavigationTest, TheButtonsFollowTheKindOfNode)
{
    show(QStringLiteral("00A"));
    EXPECT_FALSE(offered(cMainDialog::DeleteFolderButton));
    EXPECT_FALSE(offered(cMainDialog::AddEntryButton));
    EXPECT_FALSE(toolOffered(12));
    EXPECT_FALSE(form->tlbMain->button(20)->isEnabled());
    EXPECT_EQ(KeyedTreeView::Image(form->tvMain->Node(QStringLiteral("00A"))), 3);

    show(QStringLiteral("4A"));
    EXPECT_FALSE(offered(cMainDialog::DeleteFolderButton));
    EXPECT_TRUE(offered(cMainDialog::AddEntryButton));
    EXPECT_TRUE(form->tlbMain->button(16)->isEnabled()) << "moving bookmarks is for Netscape";
    EXPECT_EQ(KeyedTreeView::Image(form->tvMain->Node(QStringLiteral("4A"))), 3);

    show(QStringLiteral("1A"));
    EXPECT_FALSE(form->tlbMain->button(16)->isEnabled());
    EXPECT_EQ(KeyedTreeView::Image(form->tvMain->Node(QStringLiteral("4A"))), 4) << "repainted when left";

    QTreeWidgetItem* secret = form->tvMain->findItems(QStringLiteral(".Secret"), Qt::MatchRecursive).value(0);
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(KeyedTreeView::Image(secret), 6);
    show(KeyedTreeView::Key(secret));
    EXPECT_EQ(KeyedTreeView::Image(secret), 5);
    EXPECT_TRUE(offered(cMainDialog::DeleteFolderButton));
    EXPECT_TRUE(toolOffered(4));

    show(QStringLiteral("10A"));
    EXPECT_TRUE(offered(cMainDialog::DeleteFolderButton));
    EXPECT_EQ(KeyedTreeView::Image(form->tvMain->Node(QStringLiteral("10A"))), 1);
    EXPECT_EQ(KeyedTreeView::Image(secret), 6);

    // Whatever was shown before, only the node shown now looks open.
    const QList<QTreeWidgetItem*> nodes = form->tvMain->NodesInOrder();
    for (QTreeWidgetItem* shown : nodes) {
        show(KeyedTreeView::Key(shown));
        for (QTreeWidgetItem* node : nodes) {
            const QString key = KeyedTreeView::Key(node);
            if (node == shown || key == QStringLiteral("00A"))
                continue;
            const int image = KeyedTreeView::Image(node);
            EXPECT_TRUE(image == 2 || image == 4 || image == 6) << key.toStdString() << " is " << image << " with "
                                                                << KeyedTreeView::Key(shown).toStdString() << " shown";
        }
    }
}

TEST_F(NavigationTest, ClickingAnEntryFillsTheCommandBoxAndDoubleClickingOpensIt)
{
    show(QStringLiteral("1A"));
    select(2);
    dialog().ClickLvMain();
    EXPECT_EQ(form->cboMain[1]->currentText(), QStringLiteral("http://bank.example/"));
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 0);
    dialog().DblClickLvMain();
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://bank.example/")});
    EXPECT_EQ(form->cboMain[1]->itemText(0), QStringLiteral("http://bank.example/"));
    EXPECT_TRUE(form->cboMain[1]->currentText().isEmpty());

    const QString travel =
        KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("Travel"), Qt::MatchRecursive).value(0));
    show(travel);
    select(2);
    dialog().DblClickLvMain();
    EXPECT_EQ(opened.last(), QStringLiteral("http://trains.example/")) << "read from the folder shown";

    show(QStringLiteral("10A"));
    select(1);
    dialog().ClickLvMain();
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 1) << "the entry's kind";
    EXPECT_EQ(form->cboMain[1]->currentText(), QStringLiteral("cats and dogs"));
    dialog().DblClickLvMain();
    EXPECT_EQ(opened.last(), settings.YahooSearchURL() + QStringLiteral("cats%20and%20dogs"));
}

TEST_F(NavigationTest, KeysInTheListActLikeClicks)
{
    show(QStringLiteral("1A"));
    form->lvMain->setFocus();
    select(1);
    QTest::keyClick(form->lvMain, Qt::Key_Down);
    EXPECT_EQ(form->cboMain[1]->currentText(), QStringLiteral("http://bank.example/"));
    QTest::keyClick(form->lvMain, Qt::Key_Return);
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://bank.example/")});
    QTest::keyClick(form->lvMain, Qt::Key_Left);
    EXPECT_EQ(opened.size(), 1);

    // The release of an Enter that answered a dialog is not the list's: it opens nothing.
    QTest::keyRelease(form->lvMain, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 1);
    QTest::keyPress(form->lvMain, Qt::Key_Return);
    form->cboMain[1]->setFocus(); // the press was the list's, but the focus went on
    QTest::keyRelease(form->lvMain, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(NavigationTest, ThePointerPreviewsAnEntryAndABusyTreeIgnoresClicks)
{
    show(QStringLiteral("1A"));
    form->show();
    const QRect row = form->lvMain->visualItemRect(form->lvMain->ItemAt(3));
    dialog().MouseMoveLvMain(0, 0, Twips::fromPixelsX(row.center().x()), Twips::fromPixelsY(row.center().y()));
    EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("News   "));
    dialog().MouseMoveLvMain(0, 0, 0, Twips::fromPixelsY(2000));
    EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("News   ")) << "no item: the text stays";

    dialog().state().TreeBusy = true;
    show(QStringLiteral("00A"));
    EXPECT_EQ(form->lvMain->Count(), 3) << "a click during a fill is ignored";
    dialog().state().TreeBusy = false;
}
