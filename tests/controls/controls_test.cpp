#include "controls/FlatButton.h"
#include "controls/ImageList.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/TrayIcon.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "platform/error.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

TEST(Controls, SystemColoursComeFromThePaletteAndOthersAreBgr)
{
    EXPECT_EQ(OleColor::toColor(OleColor::Highlight), QApplication::palette().color(QPalette::Highlight));
    EXPECT_EQ(OleColor::toColor(OleColor::Window), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(OleColor::toColor(0xFF), QColor(255, 0, 0));
    EXPECT_EQ(OleColor::toColor(0x8000), QColor(0, 128, 0));
    EXPECT_EQ(OleColor::toColor(0xFF0000), QColor(0, 0, 255));
}

TEST(Controls, FlatButtonsReportClicksAndMovesByIndexAndHighlightOnlyEnabledOnes)
{
    QWidget form;
    FlatButtonArray buttons(QStringLiteral("lbbTest"));
    for (int index : {0, 2, 5}) {
        auto* button = new FlatButton(QStringLiteral("B%1").arg(index), &form);
        Twips::setGeometry(button, index * 600, 0, 500, 255);
        buttons.add(index, button);
    }
    form.show();
    QSignalSpy clicks(&buttons, &FlatButtonArray::MouseClick);
    QSignalSpy moves(&buttons, &FlatButtonArray::MouseMove);
    QTest::mouseClick(buttons[5], Qt::LeftButton);
    QTest::mouseMove(buttons[2]);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.first().first().toInt(), 5);
    ASSERT_GE(moves.count(), 1);
    EXPECT_EQ(moves.last().first().toInt(), 2);

    buttons[0]->setEnabled(false);
    buttons[0]->setForeColor(0x123456);
    buttons.highlight(2, OleColor::Highlight, OleColor::Green);
    EXPECT_EQ(buttons[2]->ForeColor(), OleColor::Green);
    EXPECT_EQ(buttons[5]->ForeColor(), OleColor::Highlight);
    EXPECT_EQ(buttons[0]->ForeColor(), 0x123456u) << "disabled buttons keep their colour";
    EXPECT_EQ(buttons.Count(), 3);
    EXPECT_EQ(buttons[1], nullptr);
    buttons[5]->Move(1200);
    EXPECT_EQ(buttons[5]->Left(), 1200);
}

TEST(Controls, AButtonsHoverColourGoesWhenADialogOpensOverTheWindow)
{
    QWidget form;
    form.resize(400, 200);
    FlatButtonArray buttons(QStringLiteral("lbbTest"));
    auto* button = new FlatButton(QStringLiteral("Options"), &form);
    Twips::setGeometry(button, 0, 0, 1500, 255);
    buttons.add(10, button);
    QObject::connect(&buttons, &FlatButtonArray::MouseMove, &buttons, [&buttons](int index) {
        buttons.highlight(index, OleColor::Highlight, OleColor::Green);
    });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseMove(button, button->rect().center());
    ASSERT_EQ(button->ForeColor(), OleColor::Green);
    QDialog dialog(&form);
    dialog.setModal(true);
    dialog.show(); // what a click on the button opens
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(50);
    EXPECT_EQ(button->ForeColor(), OleColor::Highlight) << "not lit while the pointer is on the dialog";
}

TEST(Controls, KeyedTreeFindsNodesByKeyAndJoinsPathsWithBackslashes)
{
    KeyedTreeView tree;
    tree.AddNode({}, QStringLiteral("00A"), QStringLiteral("Bookmarks"), 1);
    tree.AddNode(QStringLiteral("00A"), QStringLiteral("3A"), QStringLiteral("Microsoft IE Favorites"), 4);
    QTreeWidgetItem* news = tree.AddNode(QStringLiteral("3A"), QStringLiteral("1X3A"), QStringLiteral("News"), 2);
    EXPECT_EQ(KeyedTreeView::FullPath(news), QStringLiteral("Bookmarks\\Microsoft IE Favorites\\News"));
    EXPECT_EQ(tree.Node(QStringLiteral("1X3A")), news);
    EXPECT_EQ(KeyedTreeView::Image(tree.Node(QStringLiteral("3A"))), 4);
    EXPECT_THROW(tree.AddNode(QStringLiteral("00A"), QStringLiteral("3A"), QStringLiteral("again"), 2), cError);
    EXPECT_THROW(tree.AddNode(QStringLiteral("9A"), QStringLiteral("x"), QStringLiteral("orphan"), 2), cError);
    EXPECT_EQ(tree.NodesInOrder().size(), 3);
    tree.Clear();
    EXPECT_EQ(tree.Node(QStringLiteral("3A")), nullptr);
}

TEST(Controls, ToolbarButtonsReportTheirIndexAndSeparatorsHaveIndexesToo)
{
    IndexedToolBar toolbar;
    toolbar.setButtons(
        {{1, nullptr, nullptr}, {2, "New Folder", "folder-new"}, {3, nullptr, nullptr}, {4, "Help", "help"}});
    QSignalSpy clicks(&toolbar, &IndexedToolBar::ButtonClick);
    toolbar.button(4)->trigger();
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.first().first().toInt(), 4);
    EXPECT_TRUE(toolbar.isSeparator(3));
    EXPECT_EQ(toolbar.button(2)->toolTip(), QStringLiteral("New Folder"));
    EXPECT_FALSE(toolbar.isFlat());
    toolbar.toggleFlat();
    EXPECT_TRUE(toolbar.isFlat());
}

TEST(Controls, TwipsFollowTheLogicalDpi)
{
    const double dpi = QApplication::primaryScreen()->logicalDotsPerInchX();
    EXPECT_EQ(Twips::toPixelsX(1440), qRound(dpi));
    EXPECT_EQ(Twips::fromPixelsX(Twips::toPixelsX(6375)), qRound(qRound(6375 * dpi / 1440) * 1440 / dpi));
}

TEST(Controls, RemovedItemsAndNodesCannotBeFoundByKeyAnyMore)
{
    KeyedListView list;
    list.AddItem(QStringLiteral("1X"), QStringLiteral("one"), 3);
    list.AddItem(QStringLiteral("2X"), QStringLiteral("two"), 3);
    list.RemoveItem(list.Item(QStringLiteral("1X")));
    EXPECT_EQ(list.Item(QStringLiteral("1X")), nullptr);
    EXPECT_EQ(list.Count(), 1);
    list.AddItem(QStringLiteral("1X"), QStringLiteral("again"), 3); // the key is free again

    KeyedTreeView tree;
    tree.AddNode({}, QStringLiteral("00A"), QStringLiteral("Bookmarks"), 1);
    tree.AddNode(QStringLiteral("00A"), QStringLiteral("4A"), QStringLiteral("Netscape Favorites"), 4);
    tree.AddNode(QStringLiteral("4A"), QStringLiteral("1X4A"), QStringLiteral("Folder"), 2);
    tree.RemoveNode(tree.Node(QStringLiteral("4A")));
    EXPECT_EQ(tree.Node(QStringLiteral("1X4A")), nullptr) << "the sub-tree goes with it";
    EXPECT_EQ(tree.NodeCount(), 1);
}

TEST(KeyedViews, ABatchOfEntriesIsAddedWholeOrNotAtAll)
{
    KeyedListView list;
    list.AddItem(QStringLiteral("9X"), QStringLiteral("there before"), 1);
    list.AddItems(
        {{QStringLiteral("1X"), QStringLiteral("Zebra"), 3}, {QStringLiteral("2X"), QStringLiteral("apple"), 5}});
    ASSERT_EQ(list.Count(), 3);
    QTreeWidgetItem* apple = list.Item(QStringLiteral("2X"));
    ASSERT_NE(apple, nullptr);
    EXPECT_EQ(KeyedListView::Text(apple), QStringLiteral("apple"));
    EXPECT_EQ(KeyedListView::Image(apple), 5);
    EXPECT_EQ(list.findItems(QStringLiteral("Zebra"), Qt::MatchExactly).value(0), list.Item(QStringLiteral("1X")));

    // Renamed in place, the entry shows and sorts by its new name.
    QSignalSpy changed(&list, &QTreeWidget::itemChanged);
    apple->setText(0, QStringLiteral("Banana"));
    EXPECT_EQ(KeyedListView::Text(apple), QStringLiteral("Banana"));
    EXPECT_EQ(changed.count(), 1);
    list.sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(KeyedListView::Text(list.ItemAt(1)), QStringLiteral("Banana"));

    // A key met twice, in the batch or already listed: nothing of the batch stays.
    for (const QString& clash : {QStringLiteral("3X"), QStringLiteral("9X")}) {
        SCOPED_TRACE(clash.toStdString());
        EXPECT_THROW(
            list.AddItems({{QStringLiteral("3X"), QStringLiteral("new"), 3}, {clash, QStringLiteral("clash"), 3}}),
            cError);
        EXPECT_EQ(list.Count(), 3);
        EXPECT_EQ(list.Item(QStringLiteral("3X")), nullptr);
        EXPECT_EQ(KeyedListView::Text(list.Item(QStringLiteral("9X"))), QStringLiteral("there before"));
    }
}

TEST(KeyedViews, ANameCutShortShowsWholeInATooltip)
{
    KeyedListView list;
    list.resize(120, 100);
    list.show();
    const QString longName = QStringLiteral("A bookmark with a name far too long for the list to show");
    list.AddItem(QStringLiteral("1X"), longName, 3);
    list.AddItem(QStringLiteral("2X"), QStringLiteral("Short"), 3);
    auto tipAt = [&](QTreeWidgetItem* item) {
        QToolTip::hideText();
        const QPoint at = list.visualItemRect(item).center();
        QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tipAt(list.ItemAt(2)).isEmpty()) << "a name shown whole needs no tooltip";
    EXPECT_EQ(tipAt(list.ItemAt(1)), longName);
}

TEST(KeyedViews, AFolderNameCutShortInTheTreeShowsWholeInATooltip)
{
    KeyedTreeView tree;
    tree.resize(110, 100);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.AddNode({}, QStringLiteral("00A"), QStringLiteral("Bookmarks"), 1)->setExpanded(true);
    QTreeWidgetItem* longRoot =
        tree.AddNode(QStringLiteral("00A"), QStringLiteral("2A"), QStringLiteral("CompuServe Web Forums"), 4);
    QTreeWidgetItem* shortRoot = tree.AddNode(QStringLiteral("00A"), QStringLiteral("1A"), QStringLiteral("Web"), 4);
    auto tipAt = [&](QTreeWidgetItem* item) {
        QToolTip::hideText();
        const QPoint at = tree.visualItemRect(item).center();
        QHelpEvent help(QEvent::ToolTip, at, tree.viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tipAt(shortRoot).isEmpty());
    EXPECT_EQ(tipAt(longRoot), QStringLiteral("CompuServe Web Forums"));
}

TEST(KeyedViews, ADragCarriesExactlyTheSelectedEntries)
{
    KeyedListView list;
    list.resize(200, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    for (int i = 1; i <= 9; ++i)
        list.AddItem(QStringLiteral("%1X").arg(i), QStringLiteral("Entry %1").arg(i), 3);
    QStringList carried;
    QObject::connect(&list, &KeyedListView::MouseMove, &list, [&](int button, int, int, int) {
        if (button == 1)
            carried.append(QString::number(list.selectedItems().size()));
    });
    QWidget* viewport = list.viewport();
    auto centre = [&](int row) { return list.visualItemRect(list.ItemAt(row)).center(); };
    const QPoint down(0, 3 * QApplication::startDragDistance());

    // Nine selected; a press on the fifth and a drag: all nine go.
    list.selectAll();
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre(5));
    EXPECT_EQ(list.selectedItems().size(), 9) << "the press keeps the selection";
    QTest::mouseMove(viewport, centre(5) + down);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(5) + down);
    EXPECT_EQ(carried, QStringList{QStringLiteral("9")});

    // The same press released without a drag selects that one alone, as a click does.
    carried.clear();
    list.selectAll();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(5));
    EXPECT_EQ(list.selectedItems(), QList<QTreeWidgetItem*>{list.ItemAt(5)});
    EXPECT_TRUE(carried.isEmpty());

    // One entry dragged downwards takes no row it passes.
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre(2));
    QTest::mouseMove(viewport, centre(2) + QPoint(0, 1));
    QTest::mouseMove(viewport, centre(3));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(3));
    EXPECT_EQ(carried, QStringList{QStringLiteral("1")});
    EXPECT_EQ(list.selectedItems(), QList<QTreeWidgetItem*>{list.ItemAt(2)});
}

TEST(IndexedToolBarSeparators, OnlyBetweenShownButtons)
{
    IndexedToolBar bar;
    bar.setButtons({{1, nullptr, nullptr},
                    {2, "A", "a"},
                    {3, nullptr, nullptr},
                    {4, "B", "b"},
                    {5, nullptr, nullptr},
                    {6, "C", "c"},
                    {7, nullptr, nullptr},
                    {8, "D", "d"}});
    bar.button(4)->setVisible(false);
    bar.tidySeparators();
    QList<int> shown;
    for (int index = 1; index <= 8; ++index) {
        if (bar.button(index)->isVisible())
            shown << index;
    }
    EXPECT_EQ(shown, (QList<int>{2, 3, 6, 7, 8})) << "one separator where B is gone, none at the start";
}

TEST(Icons, WithoutAnyIconThemeEveryToolbarButtonHasAPictureOfItsOwn)
{
    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    const QString fallback = QIcon::fallbackThemeName();
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QStringLiteral("no-such-theme"));
    QIcon::setFallbackThemeName(QString());
    const QList<IndexedToolBar::Button> buttons = {{2, "New Folder", "folder-new"},
                                                   {3, "Edit Folder", "document-properties"},
                                                   {4, "Delete Folder", "edit-delete"},
                                                   {6, "Export Folder", "document-export"},
                                                   {8, "Cut", "edit-cut"},
                                                   {9, "Copy", "edit-copy"},
                                                   {10, "Paste", "edit-paste"},
                                                   {12, "New Item", "document-new"},
                                                   {13, "Edit Item", "document-edit"},
                                                   {14, "Delete Item", "list-remove"},
                                                   {16, "Move Bookmark Up", "go-up"},
                                                   {17, "Move Bookmark Down", "go-down"},
                                                   {19, "Sort Ascending", "view-sort-ascending"},
                                                   {20, "Sort Descending", "view-sort-descending"},
                                                   {22, "Help", "help-contents"}};
    IndexedToolBar bar;
    bar.setButtons(buttons);
    QList<QImage> seen;
    for (const IndexedToolBar::Button& button : buttons) {
        const QImage image = bar.button(button.index)->icon().pixmap(16, 16).toImage();
        EXPECT_FALSE(image.isNull()) << button.toolTip;
        EXPECT_FALSE(seen.contains(image)) << button.toolTip << " looks like another button";
        seen << image;
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(theme);
    QIcon::setFallbackThemeName(fallback);
}

TEST(Icons, TheToolbarTakesEveryIconFromTheThemeTheProgramDependsOn)
{
    ImageList::useProgramIconTheme();
    IndexedToolBar bar;
    bar.setButtons({{8, "Cut", "edit-cut"},
                    {9, "Copy", "edit-copy"},
                    {3, "Edit Folder", "document-properties"},
                    {6, "Export Folder", "document-export"},
                    {16, "Move Bookmark Up", "go-up"},
                    {17, "Move Bookmark Down", "go-down"}});
    for (const char* name : {"folder-new",
                             "document-properties",
                             "edit-delete",
                             "document-export",
                             "edit-cut",
                             "edit-copy",
                             "edit-paste",
                             "document-new",
                             "document-edit",
                             "list-remove",
                             "go-up",
                             "go-down",
                             "view-sort-ascending",
                             "view-sort-descending",
                             "help-contents"})
        EXPECT_TRUE(QIcon::hasThemeIcon(QLatin1String(name))) << name;
    auto image = [&](int index) { return bar.button(index)->icon().pixmap(16, 16).toImage(); };
    EXPECT_NE(image(8), image(9)) << "Cut and Copy look different";
    EXPECT_NE(image(3), image(6));
    EXPECT_NE(image(16), image(17));
    EXPECT_FALSE(programIcon().pixmap(32, 32).isNull());
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/markcrate/org.markcrate.Markcrate.svg")))
        << "the program's own picture is built in, not the drawn stand-in";
}
