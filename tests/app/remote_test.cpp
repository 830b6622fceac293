// The command line driving the running copy: the window here is the running
// copy, listening as start-up makes it listen; the real program, started with
// each option, asks it and ends.
#include "app/cApp.h"
#include "controls/SuggestionList.h"
#include "platform/singleinstance.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>

namespace {

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

} // namespace

class RemoteTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        regtest::writeFile(location(),
                           "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                           "    <DT><A HREF=\"http://alpha.example/\">Alpha Centauri</A>\n"
                           "</DL><p>\n");
        startWithBookmarks(location());
        // The private runtime folder a session has, where both copies meet.
        const QString runtime = FreshHome::path() + QStringLiteral("/.runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        instance = std::make_unique<platform::SingleInstance>();
        ASSERT_EQ(instance->start(), platform::SingleInstance::Role::Primary);
        app->followRequests(*instance);

        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override
    {
        instance.reset();
        MainWindowFixture::TearDown();
    }
    // The program started as a user starts it; this copy answers meanwhile.
    void run(const QStringList& arguments)
    {
        QProcess later;
        later.start(QStringLiteral(MARKCRATE_PROGRAM), arguments);
        ASSERT_TRUE(later.waitForStarted(10000));
        const bool ended = QTest::qWaitFor([&later] { return later.state() == QProcess::NotRunning; }, 15000);
        if (!ended) {
            later.kill();
            later.waitForFinished(1000);
        }
        ASSERT_TRUE(ended) << instance->socketPath().toStdString() << "\n"
                           << later.readAllStandardError().constData() << later.readAllStandardOutput().constData();
        EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later.exitCode(), 0) << later.readAllStandardError().constData();
    }
    bool shown() const { return form->isVisible() && !form->isMinimized(); }

    std::unique_ptr<platform::SingleInstance> instance;
};

TEST_F(RemoteTest, EachOptionIsDoneByTheRunningCopy)
{
    run({QStringLiteral("--hide")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return !shown(); }));

    run({QStringLiteral("--show")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown(); }));

    // Toggled away while it is the active window, and back.
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
    run({QStringLiteral("--toggle")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return !shown(); }));
    run({QStringLiteral("--toggle")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown(); }));

    // A start with no option shows a hidden window, as ever.
    run({QStringLiteral("--hide")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return !shown(); }));
    run({});
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown(); }));

    // Found from anywhere: the command box focused with the text, its suggestions open.
    run({QStringLiteral("--hide")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return !shown(); }));
    run({QStringLiteral("--find"), QStringLiteral("centauri")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown(); }));
    QComboBox* input = form->cboMain[1];
    EXPECT_EQ(input->currentText(), QStringLiteral("centauri"));
    EXPECT_EQ(input->lineEdit()->selectedText(), QStringLiteral("centauri"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == form->cboMain[1]; }));
    auto* suggestions = form->findChild<SuggestionList*>();
    ASSERT_NE(suggestions, nullptr);
    EXPECT_TRUE(suggestions->isVisible());
    ASSERT_GE(suggestions->topLevelItemCount(), 1);
    EXPECT_TRUE(suggestions->topLevelItem(0)->text(0).contains(QStringLiteral("Alpha Centauri")));

    // Opened as the command box's go opens it, and kept in its list.
    run({QStringLiteral("--open"), QStringLiteral("www.example.org/page")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://www.example.org/page")});
    EXPECT_EQ(input->itemText(0), QStringLiteral("www.example.org/page"));
}
