#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/TrayIcon.h"
#include "support/mainwindowfixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

namespace {

// A controller that only records which operation each event reached.
class Recorder : public cMainDialog
{
public:
    using cMainDialog::cMainDialog;
    QStringList calls;

    void LoadMainForm() override { calls << QStringLiteral("LoadMainForm"); }
    void UnloadMainForm() override { calls << QStringLiteral("UnloadMainForm"); }
    void ResizeMainForm() override { calls << QStringLiteral("ResizeMainForm"); }
    void MouseDownMainForm(int button, int, int, int) override
    {
        calls << QStringLiteral("MouseDownMainForm(%1)").arg(button);
    }
    void MouseMoveMainForm(int, int, int, int) override { calls << QStringLiteral("MouseMoveMainForm"); }
    void ClickCboMain(int index) override { calls << QStringLiteral("ClickCboMain(%1)").arg(index); }
    void KeyPressCboMain(int index, int key) override
    {
        calls << QStringLiteral("KeyPressCboMain(%1,%2)").arg(index).arg(key);
    }
    void ClickLbbMain(int index) override { calls << QStringLiteral("ClickLbbMain(%1)").arg(index); }
    void MouseMoveLbbMain(int index) override { calls << QStringLiteral("MouseMoveLbbMain(%1)").arg(index); }
    void ClickLvMain() override { calls << QStringLiteral("ClickLvMain"); }
    void DblClickLvMain() override { calls << QStringLiteral("DblClickLvMain"); }
    void KeyUpLvMain(int key, int) override { calls << QStringLiteral("KeyUpLvMain(%1)").arg(key); }
    void MouseMoveLvMain(int, int, int, int) override { calls << QStringLiteral("MouseMoveLvMain"); }
    void ClickTVMain() override { calls << QStringLiteral("ClickTVMain"); }
    void MouseDownTvMain(int button, int, int, int) override
    {
        calls << QStringLiteral("MouseDownTvMain(%1)").arg(button);
    }
    void MouseMoveTvMain() override { calls << QStringLiteral("MouseMoveTvMain"); }
    void DragOverTvMain(QObject*, int, int, int) override { calls << QStringLiteral("DragOverTvMain"); }
    void DragDropTvMain(QObject*, int, int) override { calls << QStringLiteral("DragDropTvMain"); }
    void ClickTlbMain(int index) override { calls << QStringLiteral("ClickTlbMain(%1)").arg(index); }
    void MouseDownPicMain(int index, int, int, int, int) override
    {
        calls << QStringLiteral("MouseDownPicMain(%1)").arg(index);
    }
    void MouseMovePicMain(int index, int, int, int, int) override
    {
        calls << QStringLiteral("MouseMovePicMain(%1)").arg(index);
    }
    void MouseUpPicMain(int index, int, int, int, int) override
    {
        calls << QStringLiteral("MouseUpPicMain(%1)").arg(index);
    }
    void TimerTmrMain(int index) override { calls << QStringLiteral("TimerTmrMain(%1)").arg(index); }
    void MouseDownTrayIcon(int button, int) override { calls << QStringLiteral("MouseDownTrayIcon(%1)").arg(button); }
    void ClickMnuMARKCRATEChild(int index) override
    {
        calls << QStringLiteral("ClickMnuMARKCRATEChild(%1)").arg(index);
    }
};

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class ForwardingTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        settings.setAppName(QStringLiteral("ORXMarkcrate"));
        app = std::make_unique<cApp>(settings);
        form = std::make_unique<frmMain>(settings, *app);
        recorder = std::make_unique<Recorder>(settings, *app);
        recorder->setMainForm(form.get());
        form->SetObjPtr(recorder.get());
        form->show();
        QApplication::processEvents();
        recorder->calls.clear();
    }
    void TearDown() override
    {
        form.reset();
        recorder.reset();
        MainWindowFixture::TearDown();
    }
    // Runs the action and gives the calls it caused.
    QStringList after(const std::function<void()>& action)
    {
        recorder->calls.clear();
        action();
        QApplication::processEvents();
        return recorder->calls;
    }
    std::unique_ptr<Recorder> recorder;
};

TEST_F(ForwardingTest, FormEventsReachTheirOperations)
{
    EXPECT_EQ(after([&] { form->Load(); }), QStringList{"LoadMainForm"});
    EXPECT_TRUE(after([&] { form->Load(); }).isEmpty()) << "the form loads once";
    EXPECT_TRUE(after([&] { form->resize(500, 400); }).contains(QStringLiteral("ResizeMainForm")));
    EXPECT_TRUE(after([&] {
                    mouse(form.get(), QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
                }).contains(QStringLiteral("MouseDownMainForm(1)")));
    EXPECT_TRUE(after([&] {
                    mouse(form.get(), QEvent::MouseMove, {6, 6}, Qt::NoButton, Qt::NoButton);
                }).contains(QStringLiteral("MouseMoveMainForm")));
    EXPECT_EQ(after([&] {
                  QTimer* timer = form->tmrMain[1];
                  timer->setSingleShot(true);
                  timer->setInterval(1);
                  timer->start();
                  QTest::qWait(100);
              }),
              QStringList{"TimerTmrMain(1)"});
    EXPECT_EQ(after([&] { emit form->cTrayIcon1->MouseDown(2, 0); }), QStringList{"MouseDownTrayIcon(2)"});
    EXPECT_EQ(after([&] { form->cTrayIcon1->item(6)->trigger(); }), QStringList{"ClickMnuMARKCRATEChild(6)"});
    EXPECT_EQ(after([&] { form->close(); }), QStringList{"UnloadMainForm"});
}

TEST_F(ForwardingTest, ButtonsAndToolbarCarryTheirIndex)
{
    for (int index = 0; index <= 18; ++index) {
        FlatButton* button = (*form->lbbMain)[index];
        ASSERT_NE(button, nullptr) << index;
        button->setVisible(true);
        EXPECT_TRUE(after([&] {
                        QTest::mouseClick(button, Qt::LeftButton);
                    }).contains(QStringLiteral("ClickLbbMain(%1)").arg(index)));
        EXPECT_TRUE(after([&] {
                        mouse(button, QEvent::MouseMove, {2, 2}, Qt::NoButton, Qt::NoButton);
                    }).contains(QStringLiteral("MouseMoveLbbMain(%1)").arg(index)));
    }
    for (int index : {2, 3, 4, 6, 8, 9, 10, 12, 13, 14, 16, 17, 19, 20, 22}) {
        EXPECT_EQ(after([&] { form->tlbMain->button(index)->trigger(); }),
                  QStringList{QStringLiteral("ClickTlbMain(%1)").arg(index)});
    }
    for (int index : {1, 5, 7, 11, 15, 18, 21})
        EXPECT_TRUE(form->tlbMain->isSeparator(index)) << index;
}

TEST_F(ForwardingTest, CommandBoxEventsCarryTheirIndexAndKey)
{
    form->cboMain[0]->addItems({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_TRUE(after([&] { form->cboMain[0]->setCurrentIndex(1); }).contains(QStringLiteral("ClickCboMain(0)")));
    form->cboMain[1]->addItem(QStringLiteral("history"));
    EXPECT_EQ(after([&] { emit form->cboMain[1]->activated(0); }), QStringList{"ClickCboMain(1)"});
    QLineEdit* edit = form->cboMain[1]->lineEdit();
    EXPECT_EQ(after([&] { QTest::keyClick(edit, Qt::Key_Return); }), QStringList{"KeyPressCboMain(1,13)"});
    EXPECT_EQ(after([&] { QTest::keyClick(edit, Qt::Key_A); }), QStringList{"KeyPressCboMain(1,97)"});
    EXPECT_EQ(after([&] { QTest::keyClick(form->cboMain[0], Qt::Key_B); }), QStringList{"KeyPressCboMain(0,98)"});
}

TEST_F(ForwardingTest, TreeListAndSplitterEventsArrive)
{
    form->tvMain->AddNode({}, QStringLiteral("00A"), QStringLiteral("Bookmarks"), 1);
    QTreeWidgetItem* web =
        form->tvMain->AddNode(QStringLiteral("00A"), QStringLiteral("1A"), QStringLiteral("Web Favorites"), 4);
    form->tvMain->expandAll();
    form->resize(800, 600);
    form->tvMain->setGeometry(10, 200, 300, 300);
    QApplication::processEvents();
    const QPoint nodeAt = form->tvMain->visualItemRect(web).center();
    const QStringList click = after([&] { QTest::mouseClick(form->tvMain->viewport(), Qt::LeftButton, {}, nodeAt); });
    EXPECT_TRUE(click.contains(QStringLiteral("MouseDownTvMain(1)")));
    EXPECT_TRUE(click.contains(QStringLiteral("ClickTVMain")));
    EXPECT_EQ(form->tvMain->DropHighlight(), web) << "the clicked node becomes the drop highlight first";
    EXPECT_TRUE(after([&] {
                    mouse(form->tvMain->viewport(), QEvent::MouseMove, nodeAt, Qt::NoButton, Qt::NoButton);
                }).contains(QStringLiteral("MouseMoveTvMain")));

    form->lvMain->AddItem(QStringLiteral("1X"), QStringLiteral("entry"), 3);
    form->lvMain->setGeometry(320, 200, 300, 300);
    QApplication::processEvents();
    const QPoint itemAt = form->lvMain->visualItemRect(form->lvMain->ItemAt(1)).center();
    EXPECT_TRUE(after([&] {
                    QTest::mouseClick(form->lvMain->viewport(), Qt::LeftButton, {}, itemAt);
                }).contains(QStringLiteral("ClickLvMain")));
    EXPECT_TRUE(after([&] {
                    QTest::mouseDClick(form->lvMain->viewport(), Qt::LeftButton, {}, itemAt);
                }).contains(QStringLiteral("DblClickLvMain")));
    EXPECT_TRUE(
        after([&] { QTest::keyClick(form->lvMain, Qt::Key_Return); }).contains(QStringLiteral("KeyUpLvMain(13)")));
    EXPECT_TRUE(after([&] {
                    mouse(form->lvMain->viewport(), QEvent::MouseMove, itemAt, Qt::NoButton, Qt::NoButton);
                }).contains(QStringLiteral("MouseMoveLvMain")));

    for (int index : {0, 3, 4, 5, 6, 7, 20}) {
        QWidget* pic = form->picMain.at(index);
        EXPECT_EQ(after([&] {
                      mouse(pic, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
                      mouse(pic, QEvent::MouseMove, {2, 1}, Qt::NoButton, Qt::LeftButton);
                      mouse(pic, QEvent::MouseButtonRelease, {2, 1}, Qt::LeftButton, Qt::NoButton);
                  }),
                  (QStringList{QStringLiteral("MouseDownPicMain(%1)").arg(index),
                               QStringLiteral("MouseMovePicMain(%1)").arg(index),
                               QStringLiteral("MouseUpPicMain(%1)").arg(index)}));
    }
}
