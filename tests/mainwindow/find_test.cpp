// Finding from the command box as the user does it: a click into the input
// box, typed keys, Down, Enter; what opens and what the window shows.
#include "bookmarks/finder.h"
#include "bookmarks/histories.h"
#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/SuggestionList.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

namespace {

const QByteArray kBookmarks = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
                              "<DT><H3>Dev</H3>\r\n<DL><p>\r\n"
                              "<DT><A HREF=\"https://doc.qt.io/\">Qt Documentation</A>\r\n"
                              "<DT><A HREF=\"https://cmake.org/\">CMake Reference</A>\r\n"
                              "</DL><p>\r\n"
                              "<DT><A HREF=\"http://garden.example/\">Garden notes</A>\r\n"
                              "</DL><p>\r\n";

void shortcut(const QString& relative, const QByteArray& url)
{
    const QString path = FreshHome::path() + QStringLiteral("/Favorites/") + relative;
    QDir().mkpath(QFileInfo(path).path());
    regtest::writeFile(path, "[InternetShortcut]\r\nURL=" + url + "\r\n");
}

QStringList rows(const SuggestionList* list)
{
    QStringList out;
    for (int i = 0; list && i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0) + QStringLiteral(" | ") + list->topLevelItem(i)->text(2);
    return out;
}

} // namespace

class FindTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Histories::resetAll();
        storetest::write(RegistryStores::webFavoritesKey(),
                         QStringLiteral("Qt Forum"),
                         QStringLiteral("http://forum.qt.io/"),
                         cRegistry::REG_SZ);
        storetest::write(RegistryStores::userEntryKey(QStringLiteral("Reading"), QStringLiteral("Qt book")),
                         QStringLiteral("URL"),
                         QStringLiteral("http://book.example/qt"),
                         cRegistry::REG_SZ);
        shortcut(QStringLiteral("Tools/Qt Creator.url"), "https://qt.io/creator");
        const QString file = FreshHome::path() + QStringLiteral("/bookmarks.html");
        regtest::writeFile(file, kBookmarks);
        startWithBookmarks(file);
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        // Into the input box as a user clicks into it.
        QComboBox* input = form->cboMain[1];
        QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(10, input->height() / 2));
        typing = QApplication::focusWidget();
    }
    SuggestionList* suggestions() { return dialog().Suggestions(); }
    bool showing() { return suggestions() && suggestions()->isVisible(); }
    void press(int key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(typing, Qt::Key(key), modifiers); }

    QWidget* typing = nullptr;
};

TEST_F(FindTest, TypingSuggestsEntriesOfEveryStoreAndEnterOpensTheChosenOneAsADoubleClickWould)
{
    ASSERT_TRUE(typing == form->cboMain[1] || typing == form->cboMain[1]->lineEdit());
    QTest::keyClicks(typing, QStringLiteral("qt"));
    ASSERT_TRUE(showing());
    EXPECT_EQ(rows(suggestions()),
              (QStringList{"Qt Forum | Web Favorites",
                           "Qt Documentation | Netscape Favorites\\Dev",
                           "Qt Creator | Microsoft IE Favorites\\Tools",
                           "Qt book | Reading"}));
    QTest::keyClicks(typing, QStringLiteral(" doc"));
    EXPECT_EQ(rows(suggestions()), QStringList{"Qt Documentation | Netscape Favorites\\Dev"}) << "each word narrows";

    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://doc.qt.io/")});
    EXPECT_FALSE(showing());
    EXPECT_TRUE(form->cboMain[1]->currentText().isEmpty());
    EXPECT_EQ(Histories::forKind(0).HistoryList()->at(1)->HistoryLocation(), QStringLiteral("https://doc.qt.io/"))
        << "remembered as a double-click remembers it";
    EXPECT_EQ(form->cboMain[1]->itemText(0), QStringLiteral("https://doc.qt.io/"));
}

TEST_F(FindTest, EnterWithoutAChosenSuggestionOpensTheTypedTextAndEscapeKeepsIt)
{
    QTest::keyClicks(typing, QStringLiteral("garden"));
    ASSERT_TRUE(showing());
    press(Qt::Key_Escape);
    EXPECT_FALSE(showing());
    EXPECT_EQ(form->cboMain[1]->currentText(), QStringLiteral("garden"));
    EXPECT_TRUE(opened.isEmpty());

    QTest::keyClicks(typing, QStringLiteral(".example"));
    ASSERT_TRUE(showing());
    press(Qt::Key_Down);
    press(Qt::Key_Up); // back into the input box: nothing chosen
    press(Qt::Key_Return);
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://garden.example")});
}

TEST_F(FindTest, CtrlEnterShowsTheEntryInItsFolder)
{
    QTest::keyClicks(typing, QStringLiteral("creator"));
    ASSERT_TRUE(showing());
    press(Qt::Key_Down);
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(showing());
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->SelectedItem()), QStringLiteral("Tools"));
    ASSERT_NE(form->lvMain->SelectedItem(), nullptr);
    EXPECT_EQ(KeyedListView::Text(form->lvMain->SelectedItem()), QStringLiteral("Qt Creator"));
    EXPECT_EQ((*form->lbbMain)[cMainDialog::MoreButton]->Caption(), QStringLiteral("Less")) << "the window opened up";
    EXPECT_EQ(QApplication::focusWidget(), form->lvMain);
}

TEST_F(FindTest, OtherKindsSuggestOnlyAfterCtrlFAndChangesAreFoundAtOnce)
{
    form->cboMain[0]->setCurrentIndex(1); // a search text
    QTest::mouseClick(form->cboMain[1], Qt::LeftButton, {}, QPoint(10, form->cboMain[1]->height() / 2));
    typing = QApplication::focusWidget();
    QTest::keyClicks(typing, QStringLiteral("cmake"));
    EXPECT_FALSE(showing()) << "a search text is no find";
    form->tvMain->setFocus();
    QTest::keyClick(form->tvMain, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(showing());
    EXPECT_EQ(rows(suggestions()), QStringList{"CMake Reference | Netscape Favorites\\Dev"});
    EXPECT_TRUE(form->cboMain[1]->lineEdit()->hasSelectedText()) << "the text is selected, to type over";
    press(Qt::Key_Escape);

    // A favorite added by the program is found at the next key.
    form->cboMain[0]->setCurrentIndex(0);
    storetest::write(RegistryStores::webFavoritesKey(),
                     QStringLiteral("CMake Discourse"),
                     QStringLiteral("http://discourse.cmake.org/"),
                     cRegistry::REG_SZ);
    QTest::mouseClick(form->cboMain[1], Qt::LeftButton, {}, QPoint(10, form->cboMain[1]->height() / 2));
    typing = QApplication::focusWidget();
    QTest::keyClicks(typing, QStringLiteral("cmake"));
    EXPECT_EQ(rows(suggestions()),
              (QStringList{"CMake Discourse | Web Favorites", "CMake Reference | Netscape Favorites\\Dev"}));
    press(Qt::Key_Escape);
    // A shortcut another program saved is found when the list opens again.
    shortcut(QStringLiteral("Tools/CMake Tutorial.url"), "https://cmake.org/tutorial");
    form->cboMain[1]->setEditText(QString());
    QTest::keyClicks(typing, QStringLiteral("cmake tut"));
    EXPECT_EQ(rows(suggestions()), QStringList{"CMake Tutorial | Microsoft IE Favorites\\Tools"});
}

TEST_F(FindTest, AClickOnASuggestionOpensItAndWhatTheProgramDeletesIsNoLongerFound)
{
    QTest::keyClicks(typing, QStringLiteral("garden"));
    ASSERT_TRUE(showing());
    SuggestionList* list = suggestions();
    const QRect row = list->visualItemRect(list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://garden.example/")});
    EXPECT_FALSE(showing());

    // Deleted from its folder in the window, as the user deletes it.
    const QString dev = KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("Dev"), Qt::MatchRecursive).value(0));
    show(dev);
    for (int i = 1; i <= form->lvMain->Count(); ++i) {
        if (KeyedListView::Text(form->lvMain->ItemAt(i)) == QLatin1String("CMake Reference"))
            form->lvMain->setCurrentItem(form->lvMain->ItemAt(i));
    }
    dialog().ClickLbbMain(cMainDialog::DeleteEntriesButton);
    ASSERT_EQ(form->lvMain->Count(), 1) << boxes.join(u'\n').toStdString();
    QTest::mouseClick(form->cboMain[1], Qt::LeftButton, {}, QPoint(10, form->cboMain[1]->height() / 2));
    typing = QApplication::focusWidget();
    QTest::keyClicks(typing, QStringLiteral("cmake"));
    EXPECT_FALSE(showing()) << rows(suggestions()).join(u',').toStdString();
}

TEST_F(FindTest, TheIndexIsBuiltInStepsOnceTheWindowShowsAndTheStepsEnd)
{
    int turns = 0;
    while (!dialog().RefreshFindIndex(false, 0) && turns < 100) {
        QApplication::processEvents();
        ++turns;
    }
    ASSERT_LT(turns, 100) << "the steps never finish";
    const qsizetype size = dialog().FindIndex().size();
    EXPECT_GE(size, 6) << "every store's entries";
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    EXPECT_TRUE(dialog().RefreshFindIndex(false, 0)) << "nothing is left out of date by a finished build";
    EXPECT_EQ(dialog().FindIndex().size(), size);
}
