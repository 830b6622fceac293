#include "controls/FlatButton.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/frmMessage.h"
#include "dialogs/messagebox.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `action` on the box once it is shown modally; closes it if the action
// did not, so that a failing test cannot hang.
void whenShown(QDialog* box, const std::function<void(QDialog*)>& action)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [box, action, poll] {
        if (!box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action(box);
        if (box->isVisible())
            box->done(0);
    });
    poll->start(10);
}

class BoxesTest : public ::testing::Test
{
protected:
    void SetUp() override { MessageBoxes::clearHook(); }
    void TearDown() override
    {
        MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    }
};

} // namespace

TEST_F(BoxesTest, EnterAnswersYesAndAnyOtherCloseAnswersNo)
{
    frmQuestion question;
    question.setMessage(QStringLiteral("Delete the entry?"));
    EXPECT_EQ(question.Message(), QStringLiteral("Delete the entry?"));
    whenShown(&question, [](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_TRUE(question.Display(nullptr));

    whenShown(&question, [](QDialog* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_TRUE(box->isVisible()) << "Escape does not close the box";
        box->close();
    });
    EXPECT_FALSE(question.Display(nullptr));

    whenShown(&question, [&question](QDialog*) { QTest::mouseClick((*question.lbbQuestion())[1], Qt::LeftButton); });
    EXPECT_FALSE(question.Display(nullptr));
}

TEST_F(BoxesTest, AMessageClosesOnAnEnterPressedAndReleasedOnItNotOnTheReleaseOfOneThatOpenedIt)
{
    frmMessage message;
    message.setMessage(QStringLiteral("Please enter a name."));
    bool stayed = false;
    whenShown(&message, [&stayed](QDialog* box) {
        // The Enter pressed in the dialog below opened this box; its release comes here.
        QTest::keyRelease(box, Qt::Key_Return);
        stayed = box->isVisible();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_TRUE(message.Display(nullptr));
    EXPECT_TRUE(stayed) << "the message is there to be read";
}

TEST_F(BoxesTest, AMessageCentresOnItsParentOrOnTheScreen)
{
    frmMessage message;
    message.setMessage(QStringLiteral("The entry was moved."));
    QPoint shownAt;
    whenShown(&message, [&](QDialog* box) {
        shownAt = box->geometry().center();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_TRUE(message.Display(nullptr));
    const QPoint screenCentre = QApplication::primaryScreen()->geometry().center();
    EXPECT_NEAR(shownAt.x(), screenCentre.x(), 2);
    EXPECT_NEAR(shownAt.y(), screenCentre.y(), 2);

    QWidget parent;
    parent.setGeometry(100, 100, 600, 400);
    parent.show();
    whenShown(&message, [&](QDialog* box) {
        shownAt = box->geometry().center();
        QTest::mouseClick((*message.lbbMessage())[0], Qt::LeftButton);
    });
    EXPECT_TRUE(message.Display(&parent));
    EXPECT_NEAR(shownAt.x(), parent.frameGeometry().center().x(), 2);
    EXPECT_NEAR(shownAt.y(), parent.frameGeometry().center().y(), 2);
}

TEST_F(BoxesTest, ButtonsHighlightUnderThePointerAndTestsCanAnswer)
{
    frmQuestion question;
    question.lbbQuestion()->MouseMove(1);
    EXPECT_EQ((*question.lbbQuestion())[1]->ForeColor(), OleColor::Window);
    EXPECT_EQ((*question.lbbQuestion())[0]->ForeColor(), OleColor::Highlight);

    QStringList asked;
    MessageBoxes::setHook([&asked](const MessageBoxes::Request& request) {
        asked << request.text;
        return QMessageBox::Yes;
    });
    question.setMessage(QStringLiteral("Paste here?"));
    EXPECT_TRUE(question.Display(nullptr));
    EXPECT_EQ(asked, QStringList{QStringLiteral("Paste here?")});
}
