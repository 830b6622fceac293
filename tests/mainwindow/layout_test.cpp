#include "controls/FlatButton.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "store/cRegistry.h"
#include "support/mainwindowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>

#include <utility>

namespace {

// One twips unit of rounding per pixel conversion.
constexpr int kSlack = 20;

int storedNumber(const char* name)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(cSettings::kRegistryKey + QStringLiteral("\\WindowPosition"));
    registry.setValueName(QLatin1String(name));
    return registry.KeyValue().toInt();
}

void sendMouse(QWidget* target, QEvent::Type type, int xTwips, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPointF local(Twips::toPixelsX(xTwips), 5);
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class LayoutTest : public MainWindowFixture
{
protected:
    FlatButton* button(int index) { return (*form->lbbMain)[index]; }
    void expand()
    {
        if (button(cMainDialog::MoreButton)->Caption() == QLatin1String("More"))
            QTest::mouseClick(button(cMainDialog::MoreButton), Qt::LeftButton);
    }
};

TEST_F(LayoutTest, TheWindowStartsCollapsedAndMoreOpensIt)
{
    start();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ORX Markcrate"));
    EXPECT_NEAR(form->Height(), cMainDialog::kCollapsedHeight, kSlack);
    EXPECT_EQ(button(cMainDialog::MoreButton)->Caption(), QStringLiteral("More"));
    // Collapsed, the height cannot change.
    form->setHeight(4000);
    EXPECT_NEAR(form->Height(), cMainDialog::kCollapsedHeight, kSlack);

    expand();
    EXPECT_EQ(button(cMainDialog::MoreButton)->Caption(), QStringLiteral("Less"));
    EXPECT_NEAR(form->Height(), cMainDialog::kExpandedHeight, kSlack);
    form->stbMain->showMessage(QStringLiteral("preview"));
    QTest::mouseClick(button(cMainDialog::MoreButton), Qt::LeftButton);
    EXPECT_EQ(button(cMainDialog::MoreButton)->Caption(), QStringLiteral("More"));
    EXPECT_TRUE(form->stbMain->currentMessage().isEmpty());
    EXPECT_NEAR(form->Height(), cMainDialog::kCollapsedHeight, kSlack);
}

TEST_F(LayoutTest, ShowMoreStartsExpandedAtTheRestoredPlacement)
{
    cSettings stored;
    stored.setAppName(QStringLiteral("ORXMarkcrate"));
    stored.setShowMore(true);
    stored.Update();
    start();
    EXPECT_EQ(button(cMainDialog::MoreButton)->Caption(), QStringLiteral("Less"));
    EXPECT_NEAR(form->Height(), cMainDialog::kExpandedHeight, kSlack);
    // Centred on the screen at first start.
    const QRect screen = form->screenTwips();
    EXPECT_NEAR(form->Left(), (screen.width() - form->Width()) / 2, kSlack);
}

TEST_F(LayoutTest, ResizeKeepsTheMinimumWidthAndLaysOutRowsTreeAndList)
{
    start();
    expand();
    form->setWidth(3000);
    EXPECT_NEAR(form->ScaleWidth(), cMainDialog::kMinimumInnerWidth, kSlack);

    form->Move(form->Left(), form->Top(), 9000, 6000);
    const int W = form->Width();
    const int H = form->Height();
    EXPECT_NEAR(button(cMainDialog::ExitButton)->Left(), W - (button(cMainDialog::ExitButton)->Width() + 225), kSlack);
    EXPECT_NEAR(button(cMainDialog::HideButton)->Left(),
                button(cMainDialog::ExitButton)->Left() - (button(cMainDialog::HideButton)->Width() + 50),
                kSlack);
    EXPECT_NEAR(button(cMainDialog::DeleteEntriesButton)->Left(),
                W - (button(cMainDialog::DeleteEntriesButton)->Width() + 225),
                kSlack);
    EXPECT_NEAR(button(cMainDialog::AddEntryButton)->Left(),
                button(cMainDialog::EditEntryButton)->Left() - (button(cMainDialog::AddEntryButton)->Width() + 50),
                kSlack);
    QComboBox* input = form->cboMain[1];
    EXPECT_NEAR(Twips::width(input), W - (Twips::left(input) + 125), kSlack);
    EXPECT_NEAR(Twips::height(form->tvMain), H - Twips::top(form->tvMain) - 1325, kSlack);
    EXPECT_NEAR(Twips::width(form->lvMain), W - 150 - Twips::left(form->lvMain), kSlack);
    EXPECT_NEAR(form->lvMain->ColumnWidthTwips(), Twips::width(form->lvMain) - 650, kSlack);
    QWidget* bar = form->picMain.at(cMainDialog::kSplitter);
    EXPECT_NEAR(Twips::left(bar), Twips::left(form->tvMain) + Twips::width(form->tvMain) + 15, kSlack);
    EXPECT_EQ(bar->height(), form->tvMain->height());
    EXPECT_EQ(form->picMain.at(20)->y(), form->tvMain->geometry().bottom() + 1);
    EXPECT_NEAR(Twips::left(form->lblMain.at(3)), W - 175 - Twips::width(form->lblMain.at(3)), kSlack);
}

TEST_F(LayoutTest, TheStatusLineIsWholeAtTheWindowsBottomWhateverItsFont)
{
    start();
    expand();
    QFont large = form->stbMain->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    form->stbMain->setFont(large);
    form->stbMain->showMessage(QStringLiteral("Exported to somewhere"));
    QApplication::processEvents();
    form->setHeight(form->Height() + 150); // as the first showing of the window does, with the desktop's font
    QApplication::processEvents();
    EXPECT_GE(form->stbMain->height(), form->stbMain->sizeHint().height()) << "no line of its text cut off";
    EXPECT_EQ(form->stbMain->geometry().bottom(), form->height() - 1);
    EXPECT_LE(form->picMain.at(20)->geometry().bottom(), form->stbMain->geometry().top())
        << "the bottom strip stays above it";
}

TEST_F(LayoutTest, TheBarBetweenTreeAndListIsThereToSeeAndGrab)
{
    start();
    expand();
    QWidget* bar = form->picMain.at(cMainDialog::kSplitter);
    EXPECT_GE(bar->width(), 5);
    EXPECT_EQ(bar->cursor().shape(), Qt::SplitHCursor);
    EXPECT_EQ(bar->parentWidget()->childAt(bar->geometry().center()), bar) << "nothing covers it";
    EXPECT_GT(form->lvMain->geometry().left(), bar->geometry().right());
    const int treeWidth = form->tvMain->width();
    const QPoint grip(bar->width() / 2, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(40, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(40, 0));
    EXPECT_NEAR(form->tvMain->width(), treeWidth + 40, 2) << "a real press and move widens the tree";
}

TEST_F(LayoutTest, TheSplitterFollowsTheMouseAndIsCorrectedOnlyOutOfRange)
{
    start();
    expand();
    QWidget* bar = form->picMain.at(cMainDialog::kSplitter);
    const int startLeft = Twips::left(bar);

    sendMouse(bar, QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    sendMouse(bar, QEvent::MouseMove, 600, Qt::NoButton, Qt::LeftButton);
    EXPECT_NEAR(Twips::left(bar), startLeft + 600, kSlack);
    EXPECT_NEAR(Twips::width(form->tvMain), Twips::left(bar) - 15, kSlack);
    EXPECT_NEAR(Twips::left(form->lvMain), Twips::left(bar) + Twips::width(bar), kSlack);
    EXPECT_NEAR(Twips::left(form->lvMain) + Twips::width(form->lvMain), form->ScaleWidth(), kSlack);
    EXPECT_NEAR(button(cMainDialog::ContentHeading)->Left(), Twips::left(bar) + Twips::width(bar), kSlack);
    sendMouse(bar, QEvent::MouseButtonRelease, 0, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(Twips::left(bar), startLeft + 600, kSlack) << "in range: stays";

    // Dropped left of the form's edge: 250.
    sendMouse(bar, QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    sendMouse(bar, QEvent::MouseButtonRelease, -(Twips::left(bar) + 500), Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(Twips::left(bar), 250, kSlack);
    EXPECT_NEAR(Twips::width(form->tvMain), 250, kSlack);

    // Dropped within 300 of the right edge: W - 250.
    const int W = form->Width();
    sendMouse(bar, QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    sendMouse(bar, QEvent::MouseButtonRelease, W - 200 - Twips::left(bar), Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(Twips::left(bar), W - 250, kSlack);
}

TEST_F(LayoutTest, ButtonsHighlightInTheirOwnColoursAndRestoreOffThem)
{
    start();
    dialog().MouseMoveLbbMain(cMainDialog::ExitButton);
    EXPECT_EQ(button(cMainDialog::ExitButton)->ForeColor(), OleColor::Red);
    EXPECT_EQ(button(cMainDialog::GoButton)->ForeColor(), OleColor::Highlight);
    dialog().MouseMoveLbbMain(cMainDialog::GoButton);
    EXPECT_EQ(button(cMainDialog::GoButton)->ForeColor(), OleColor::Green);
    dialog().MouseMoveLbbMain(cMainDialog::OptionsButton);
    EXPECT_EQ(button(cMainDialog::OptionsButton)->ForeColor(), OleColor::Window);
    // Moving over the form body without a button held restores them all.
    QTest::mouseMove(form.get(), QPoint(Twips::toPixelsX(3000), Twips::toPixelsY(1230)));
    dialog().MouseMoveMainForm(0, 0, 10, 10);
    EXPECT_EQ(button(cMainDialog::OptionsButton)->ForeColor(), OleColor::Highlight);
}

TEST_F(LayoutTest, DraggingTheBodyMovesTheWindow)
{
    start();
    const QPoint before = form->pos();
    dialog().MouseDownMainForm(1, 0, 300, 300);
    dialog().MouseMoveMainForm(1, 0, 300 + 150, 300 + 300);
    EXPECT_NEAR(form->pos().x() - before.x(), Twips::toPixelsX(150), 1);
    EXPECT_NEAR(form->pos().y() - before.y(), Twips::toPixelsY(300), 1);
}

TEST_F(LayoutTest, PlacementIsSavedOnCloseAndRestoredAtTheNextStart)
{
    start();
    expand();
    form->Move(1500, 900, 7500, 5100);
    form->Unload();
    EXPECT_EQ(storedNumber("WindowState"), 0);
    EXPECT_NEAR(storedNumber("Left"), 1500, kSlack);
    EXPECT_NEAR(storedNumber("Top"), 900, kSlack);
    EXPECT_NEAR(storedNumber("Width"), 7500, kSlack);
    EXPECT_NEAR(storedNumber("Height"), 5100, kSlack);

    form.reset();
    app.reset();
    start();
    EXPECT_NEAR(form->Left(), 1500, kSlack);
    EXPECT_NEAR(form->Width(), 7500, kSlack);
    EXPECT_NEAR(form->Height(), cMainDialog::kCollapsedHeight, kSlack) << "collapsed unless ShowMore";

    // Closing maximised keeps the earlier normal placement.
    form->showMaximized();
    QApplication::processEvents();
    form->Unload();
    EXPECT_EQ(storedNumber("WindowState"), 2);
    EXPECT_NEAR(storedNumber("Left"), 1500, kSlack);
    form.reset();
    app.reset();
    start();
    EXPECT_EQ(form->WindowState(), 0) << "the window always opens normal";
    EXPECT_NEAR(form->Left(), 1500, kSlack);
}

TEST_F(LayoutTest, ShowMoreOpensExpandedEvenAfterACollapsedClose)
{
    start(); // collapsed, and closed so
    dialog().UnloadMainForm();
    form.reset();
    app.reset();
    cSettings stored;
    stored.setAppName(QStringLiteral("ORXMarkcrate"));
    stored.setShowMore(true);
    stored.Update();
    settings = cSettings();
    start();
    EXPECT_EQ(button(cMainDialog::MoreButton)->Caption(), QStringLiteral("Less"));
    EXPECT_NEAR(form->Height(), cMainDialog::kExpandedHeight, kSlack) << "not a collapsed window reading Less";
}

TEST_F(LayoutTest, APartialPlacementCentresTheWindowAtTheHeightItOpensWith)
{
    // "Height" stored, "Top" missing: the collapsed window is centred as it shows.
    cRegistry record = userKey(QStringLiteral("Software\\Veltrane Software\\Markcrate\\WindowPosition"));
    record.setKeyType(cRegistry::REG_DWORD);
    record.setValueName(QStringLiteral("Height"));
    record.setKeyValue(6000);
    start();
    const QRect screen = form->screenTwips();
    EXPECT_NEAR(form->Height(), cMainDialog::kCollapsedHeight, kSlack);
    EXPECT_NEAR(form->Top(), (screen.height() - form->Height()) / 2, kSlack);
}

TEST_F(LayoutTest, ARealPointerOverGoAndExitGivesThemTheirColours)
{
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    for (const auto& [index, colour] : {std::pair{int(cMainDialog::GoButton), OleColor::Green},
                                        std::pair{int(cMainDialog::ExitButton), OleColor::Red}}) {
        FlatButton* target = button(index);
        QMouseEvent move(QEvent::MouseMove,
                         QPointF(target->rect().center()),
                         target->mapToGlobal(QPointF(target->rect().center())),
                         Qt::NoButton,
                         Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        EXPECT_EQ(target->ForeColor(), colour) << "the form does not take the move back";
    }
}

TEST_F(LayoutTest, TabVisitsTheControlsThatActAndShowInReadingOrder)
{
    start();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto visit = [&](int presses) {
        QStringList seen;
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            while (focused && focused->objectName().isEmpty())
                focused = focused->parentWidget(); // the input box's line edit stands for the box
            seen << (focused ? focused->objectName() + QLatin1Char(':') +
                                   (qobject_cast<FlatButton*>(focused) ? qobject_cast<FlatButton*>(focused)->Caption()
                                                                       : QString())
                             : QStringLiteral("none"));
        }
        return seen;
    };
    QStringList expected;
    for (int index : {9, 10, 2, 3, 4}) {
        if (button(index)->isVisible()) // Hide shows only where there is a tray
            expected << QStringLiteral("lbbMain_%1:").arg(index) + button(index)->Caption();
    }
    expected << QStringLiteral("cboMain_0:") << QStringLiteral("cboMain_1:");
    const QStringList collapsed = visit(int(expected.size()));
    EXPECT_EQ(collapsed, expected) << "no caption, and nothing outside the collapsed window";
    dialog().ClickLbbMain(cMainDialog::MoreButton);
    form->cboMain[1]->setFocus();
    const QStringList expanded = visit(3);
    EXPECT_EQ(expanded,
              (QStringList{QStringLiteral("tvMain:"), QStringLiteral("lvMain:"), QStringLiteral("lbbMain_15:Add")}))
        << "expanded, the tree, the list and the bottom rows follow";
}
