#include "bookmarks/forums.h"
#include "controls/KeyedListView.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"

#include <QComboBox>
#include <QDir>

class ForumsViewTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        QDir().mkpath(QFileInfo(Forums::listPath()).path());
        ASSERT_TRUE(regtest::writeFile(Forums::listPath(), "c\r\na\r\nb\r\n"));
        page = FreshHome::path() + QStringLiteral("/cforums.htm");
        ASSERT_TRUE(regtest::writeFile(page, "<A HREF=\"/x\">Zebras</A>\r\n<A HREF=\"/y\">Apes</A>\r\n"));
    }
    void TearDown() override
    {
        MessageBoxes::setOpenFileHook([](const QString&, const QString&) { return QString(); });
        MainWindowFixture::TearDown();
    }
    QString page;
};

TEST_F(ForumsViewTest, TheForumsListSortedAndOpenAsGoWords)
{
    start();
    EXPECT_TRUE(dialog().state().ForumsLoaded);
    show(QStringLiteral("2A"));
    KeyedListView* list = form->lvMain;
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ(KeyedListView::Key(list->ItemAt(1)) + KeyedListView::Text(list->ItemAt(1)), QStringLiteral("0Xa"));
    EXPECT_EQ(KeyedListView::Key(list->ItemAt(3)) + KeyedListView::Text(list->ItemAt(3)), QStringLiteral("2Xc"));
    EXPECT_EQ(KeyedListView::Image(list->ItemAt(1)), 1);
    list->setCurrentItem(list->ItemAt(2));
    dialog().ClickLvMain();
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 2);
    EXPECT_EQ(form->cboMain[1]->currentText(), QStringLiteral("b"));
    dialog().DblClickLvMain();
    EXPECT_EQ(opened, QStringList{settings.CForumURL() + QStringLiteral("b")});
}

TEST_F(ForumsViewTest, ImportingAsksBeforeReplacingAnExistingList)
{
    start();
    MessageBoxes::setOpenFileHook([this](const QString&, const QString&) { return page; });
    MessageBoxes::setHook([this](const MessageBoxes::Request& request) {
        boxes << request.text;
        return QMessageBox::No;
    });
    dialog().ImportForumList();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first(),
              QStringLiteral("A List of CompuServe Forums Already Exists.  Would you like to replace this list?"));
    EXPECT_EQ(regtest::readFile(Forums::listPath()), "c\r\na\r\nb\r\n") << "No leaves the old list";

    MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Yes; });
    dialog().ImportForumList();
    EXPECT_EQ(regtest::readFile(Forums::listPath()), "Zebras\r\nApes\r\n") << "page order, not sorted";
    EXPECT_EQ(dialog().state().CurrentSource, -1);
    EXPECT_EQ(*dialog().ForumCollection().at(1), QStringLiteral("a")) << "the list in memory is not rebuilt";

    MessageBoxes::setOpenFileHook([](const QString&, const QString&) { return QString(); });
    dialog().ImportForumList(); // cancelled: nothing happens
    EXPECT_EQ(regtest::readFile(Forums::listPath()), "Zebras\r\nApes\r\n");
}
