#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

QString shortcutFile(const QString& name)
{
    return FreshHome::path() + QStringLiteral("/Favorites/") + name + QStringLiteral(".url");
}

const QByteArray kBookmarks = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                              "    <DT><A HREF=\"http://c.example/\" ADD_DATE=\"3\">Charlie</A>\n"
                              "    <DT><A HREF=\"http://a.example/\" ADD_DATE=\"1\" ICON=\"data:x\">Alpha</A>\n"
                              "    <DD>About Alpha\n"
                              "    <DT><A HREF=\"http://b.example/\" ADD_DATE=\"2\">Bravo</A>\n"
                              "</DL><p>\n";
const QByteArray kOne = "[InternetShortcut]\r\nURL=http://one/\r\nIconIndex=7\r\n";

} // namespace

// The window as a user undoes with it: real clicks and keys, the stores checked on disk.
class UndoViewTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        regtest::writeFile(location(), kBookmarks);
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites"));
        regtest::writeFile(shortcutFile(QStringLiteral("One")), kOne);
        regtest::writeFile(shortcutFile(QStringLiteral("Two")), "[InternetShortcut]\r\nURL=http://two/\r\n");
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Mine")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Mine"),
                         cRegistry::REG_SZ);
        startWithBookmarks(location());
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        if (form->lvMain->height() < 50)
            dialog().ClickLbbMain(cMainDialog::MoreButton); // the list shows in the expanded window
    }

    // Shows a folder and clicks the list's row of that text, which takes the focus.
    void clickRow(const QString& folderKey, const QString& text)
    {
        show(folderKey);
        for (int i = 1; i <= form->lvMain->Count(); ++i) {
            if (KeyedListView::Text(form->lvMain->ItemAt(i)).startsWith(text)) {
                const QRect row = form->lvMain->visualItemRect(form->lvMain->ItemAt(i));
                QTest::mouseClick(form->lvMain->viewport(), Qt::LeftButton, {}, row.center());
                ASSERT_EQ(QApplication::focusWidget(), form->lvMain);
                return;
            }
        }
        FAIL() << "no row " << text.toStdString() << " in " << listed().join(QLatin1Char(',')).toStdString();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    void clickTool(int index)
    {
        QWidget* button = form->tlbMain->widgetForAction(form->tlbMain->button(index));
        ASSERT_TRUE(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString status() const { return form->stbMain->currentMessage(); }
    QStringList listed() const
    {
        QStringList texts;
        for (int i = 1; i <= form->lvMain->Count(); ++i)
            texts << KeyedListView::Text(form->lvMain->ItemAt(i));
        return texts;
    }
};

TEST_F(UndoViewTest, CtrlZBringsBackDeletedShortcutsExactlyAndTheRedoKeysDeleteThemAgain)
{
    clickRow(QStringLiteral("3A"), QStringLiteral("One"));
    QTest::mouseClick(form->lvMain->viewport(),
                      Qt::LeftButton,
                      Qt::ControlModifier,
                      form->lvMain->visualItemRect(form->lvMain->ItemAt(2)).center());
    key(Qt::Key_Delete);
    ASSERT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("One"))));
    ASSERT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("Two"))));

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(regtest::readFile(shortcutFile(QStringLiteral("One"))), kOne) << "every byte, not only the address";
    EXPECT_TRUE(QFileInfo::exists(shortcutFile(QStringLiteral("Two"))));
    EXPECT_EQ(status(), QStringLiteral("Undone: Delete 2 items from Microsoft IE Favorites"));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));

    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("One"))));
    EXPECT_EQ(status(), QStringLiteral("Redone: Delete 2 items from Microsoft IE Favorites"));
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("Two"))));
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(UndoViewTest, ASortAndAMoveInTheBookmarkFileAreTakenBackByteForByte)
{
    clickRow(QStringLiteral("4A"), QStringLiteral("Charlie"));
    clickTool(cMainDialog::SortAscendingTool);
    ASSERT_EQ(listed(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Bravo"), QStringLiteral("Charlie")}));
    ASSERT_NE(regtest::readFile(location()), kBookmarks);
    clickRow(QStringLiteral("4A"), QStringLiteral("Bravo"));
    key(Qt::Key_Up, Qt::AltModifier);
    ASSERT_EQ(listed(), (QStringList{QStringLiteral("Bravo"), QStringLiteral("Alpha"), QStringLiteral("Charlie")}));

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(status(), QStringLiteral("Undone: Move Up 'Bravo'"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(status(), QStringLiteral("Undone: Sort Netscape Favorites"));
    EXPECT_EQ(regtest::readFile(location()), kBookmarks);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Charlie"), QStringLiteral("Alpha"), QStringLiteral("Bravo")}));

    // The file as read again takes the next change: nothing is refused as changed on disk.
    clickRow(QStringLiteral("4A"), QStringLiteral("Bravo"));
    key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_TRUE(regtest::readFile(location()).indexOf("Bravo") < regtest::readFile(location()).indexOf("Alpha"));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(UndoViewTest, UndoingAMoveBetweenStoresTakesItOutOfTheTargetAndPutsItBackAsOneStep)
{
    clickRow(QStringLiteral("3A"), QStringLiteral("One"));
    key(Qt::Key_X, Qt::ControlModifier);
    show(QStringLiteral("10A"));
    form->tvMain->setFocus();
    enter(QStringLiteral("One"));
    key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("One")),
              QStringLiteral("http://one/"));
    ASSERT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("One"))));

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(regtest::readFile(shortcutFile(QStringLiteral("One"))), kOne);
    EXPECT_FALSE(RegistryStores::hasUserEntry(QStringLiteral("Mine"), QStringLiteral("One")));
    EXPECT_TRUE(status().startsWith(QStringLiteral("Undone: Paste into Mine")));
}

TEST_F(UndoViewTest, CtrlZTakesBackADropAndLeavesTheSourceAsItWas)
{
    clickRow(QStringLiteral("3A"), QStringLiteral("One"));
    form->tvMain->setDropHighlight(form->tvMain->Node(QStringLiteral("1A")));
    dialog().DragDropTvMain(form->lvMain, 0, 0);
    ASSERT_EQ(RegistryStores::favoriteText(false, QStringLiteral("One")), QStringLiteral("http://one/"));

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(RegistryStores::hasFavorite(false, QStringLiteral("One")));
    EXPECT_EQ(regtest::readFile(shortcutFile(QStringLiteral("One"))), kOne) << "a drop copies: the source stays";
    EXPECT_EQ(status(), QStringLiteral("Undone: Drop on Web Favorites"));
}

// Another program changed the file since: the undo is refused with one
// message, and the file stays as the other program left it.
TEST_F(UndoViewTest, AnUndoOverAnotherProgramsChangeIsRefusedAndSaid)
{
    clickRow(QStringLiteral("4A"), QStringLiteral("Alpha"));
    key(Qt::Key_Delete);
    ASSERT_FALSE(regtest::readFile(location()).contains("Alpha"));
    QByteArray changed = regtest::readFile(location());
    changed.replace("Bravo", "Bravo (renamed elsewhere)");
    regtest::writeFile(location(), changed);
    boxes.clear();

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(regtest::readFile(location()), changed);
    ASSERT_EQ(boxes.size(), 1) << boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(boxes.first().contains(QStringLiteral("cannot undo \"Delete 'Alpha' from Netscape Favorites\"")))
        << boxes.first().toStdString();
    EXPECT_TRUE(boxes.first().contains(QStringLiteral("another program changed it")));
}

// The right-click menu names the step; the command box keeps Ctrl+Z for its own text.
TEST_F(UndoViewTest, TheListsMenuOffersTheNamedStepAndTheCommandBoxKeepsItsKeys)
{
    clickRow(QStringLiteral("3A"), QStringLiteral("Two"));
    key(Qt::Key_Delete);
    ASSERT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("Two"))));

    form->cboMain[1]->setFocus();
    form->cboMain[1]->setEditText(QStringLiteral("typed"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("Two"))));

    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                offered << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
        }
        QTest::keyClick(menu, Qt::Key_Down); // the first item: the undo
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint at = form->lvMain->visualItemRect(form->lvMain->ItemAt(1)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, form->lvMain->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form->lvMain->viewport(), &click);
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(offered.first(), QStringLiteral("Undo Delete 'Two' from Microsoft IE Favorites"));
    EXPECT_TRUE(offered.contains(QStringLiteral("Redo (off)")));
    EXPECT_TRUE(offered.contains(QStringLiteral("Cut")));
    EXPECT_TRUE(QFileInfo::exists(shortcutFile(QStringLiteral("Two"))));
}

// What a delete removed waits in the Trash across a restart, and comes back
// exactly, by the menu or dragged onto a folder; a restore is itself undone.
TEST_F(UndoViewTest, TheTrashKeepsWhatWasDeletedAcrossARestartAndRestoresIt)
{
    const QString trashKey = Keys::rootKey(Keys::TrashSource);
    ASSERT_EQ(form->tvMain->Node(trashKey), nullptr) << "an empty Trash is not shown";
    clickRow(QStringLiteral("3A"), QStringLiteral("One"));
    key(Qt::Key_Delete);
    clickRow(QStringLiteral("4A"), QStringLiteral("Alpha"));
    key(Qt::Key_Delete);
    ASSERT_NE(form->tvMain->Node(trashKey), nullptr);

    // The next session.
    form.reset();
    app.reset();
    start();
    answerYes();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    if (form->lvMain->height() < 50)
        dialog().ClickLbbMain(cMainDialog::MoreButton);
    clickRow(trashKey, QStringLiteral("Alpha   from Netscape Favorites, "));
    ASSERT_EQ(form->lvMain->Count(), 2);

    // Alpha dragged onto the user folder: restored there.
    form->tvMain->setDropHighlight(form->tvMain->Node(QStringLiteral("10A")));
    dialog().DragDropTvMain(form->lvMain, 0, 0);
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Alpha")),
              QStringLiteral("http://a.example/"));
    ASSERT_EQ(form->lvMain->Count(), 1);

    // One restored by the menu: back in its folder with every byte.
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("Restore")) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        ADD_FAILURE() << "no Restore";
        menu->close();
    });
    const QPoint at = form->lvMain->visualItemRect(form->lvMain->ItemAt(1)).center();
    form->lvMain->ItemAt(1)->setSelected(true);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, form->lvMain->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form->lvMain->viewport(), &click);
    EXPECT_EQ(regtest::readFile(shortcutFile(QStringLiteral("One"))), kOne);
    EXPECT_EQ(form->tvMain->Node(trashKey), nullptr) << "the Trash is empty again";

    // The restore is a step: undone, the shortcut goes back to the Trash.
    form->activateWindow();
    clickRow(QStringLiteral("3A"), QStringLiteral("One"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("One"))));
    EXPECT_NE(form->tvMain->Node(trashKey), nullptr);

    // Emptied, after the question, for good.
    boxes.clear();
    dialog().DeleteFromTrash(true);
    EXPECT_TRUE(boxes.value(0).startsWith(QStringLiteral("Are you sure you wish to empty the Trash?")));
    EXPECT_EQ(form->tvMain->Node(trashKey), nullptr);
}

// An entry whose user folder was deleted since goes back into that folder made anew, never into a nameless one.
TEST_F(UndoViewTest, AnEntryOfAUserFolderDeletedSinceComesBackInThatFolderMadeAgain)
{
    ASSERT_TRUE(RegistryStores::writeUserEntry(
        QStringLiteral("Mine"), QStringLiteral("Mail"), QStringLiteral("http://mail.example/"), 0));
    clickRow(QStringLiteral("10A"), QStringLiteral("Mail"));
    key(Qt::Key_Delete);
    ASSERT_FALSE(RegistryStores::hasUserEntry(QStringLiteral("Mine"), QStringLiteral("Mail")));
    show(QStringLiteral("10A"));
    dialog().DeleteFolder();
    ASSERT_FALSE(RegistryStores::hasUserFolder(QStringLiteral("Mine")));

    clickRow(Keys::rootKey(Keys::TrashSource), QStringLiteral("Mail   from Mine"));
    boxes.clear();
    dialog().RestoreFromTrash();
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Mail")),
              QStringLiteral("http://mail.example/"));
    EXPECT_EQ(RegistryStores::userFolderNames(), QStringList{QStringLiteral("Mine")}) << "no folder without a name";
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first(), QStringLiteral("The folder Mine was made again for 'Mail'."));
}
