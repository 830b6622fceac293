#include "app/ContextIDs.h"
#include "app/commandline.h"
#include "controls/KeyedTreeView.h"
#include "support/mainwindowfixture.h"

#include <QApplication>
#include <QTextBrowser>

class StartupTest : public MainWindowFixture
{
};

TEST_F(StartupTest, TheHideSwitchCountsInAnyCaseAnywhere)
{
    EXPECT_TRUE(cApp::HasHideSwitch({"markcrate", "-HIDE"}));
    EXPECT_TRUE(cApp::HasHideSwitch({"markcrate", "--verbose", "-hide"}));
    EXPECT_TRUE(cApp::HasHideSwitch({"markcrate", "x-HiDeY"}));
    EXPECT_FALSE(cApp::HasHideSwitch({"markcrate"}));
    EXPECT_FALSE(cApp::HasHideSwitch({"/opt/-hide/markcrate"})) << "the program's own path is not a switch";
    EXPECT_FALSE(cApp::HasHideSwitch({"markcrate", "HIDE"}));
}

TEST_F(StartupTest, StartingHiddenBuildsTheWindowButNeverLeavesItUnreachable)
{
    start(true);
    EXPECT_FALSE(dialog().state().IsShown);
    EXPECT_NE(form->tvMain->Node(QStringLiteral("1A")), nullptr) << "the window is built";
    // Without a notification area to come back from, hiding minimises.
    EXPECT_TRUE(!form->isVisible() || form->isMinimized());
    dialog().ShowFromElsewhere();
    EXPECT_TRUE(dialog().state().IsShown);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
}

TEST_F(StartupTest, TheDispatcherFollowsItsTable)
{
    start();
    boxes.clear();
    EXPECT_EQ(app->HandleError(0, QString()), cApp::GoOn);
    EXPECT_EQ(app->HandleError(5, QStringLiteral("Invalid procedure call")), cApp::GoOn);
    EXPECT_EQ(app->HandleError(393, QStringLiteral("x")), cApp::GoOn);
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(app->HandleError(339, QStringLiteral("Component missing")), cApp::Abandon);
    EXPECT_EQ(app->HandleError(53, QStringLiteral("File not found")), cApp::GoOn);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Component missing | ")));
    EXPECT_TRUE(boxes[0].endsWith(QStringLiteral(" - Code 339")));
    EXPECT_EQ(boxes[1], QStringLiteral("File not found | File not found - Code 53"));
}

TEST_F(StartupTest, HelpOpensAtTheMainTopicAndClosesWithTheWindow)
{
    EXPECT_EQ(ContextIDs::helpFilePath(QStringLiteral("C:\\"), QStringLiteral("markcrate.html")),
              QStringLiteral("C:\\markcrate.html"));
    EXPECT_EQ(ContextIDs::helpFilePath(QStringLiteral("/opt/markcrate"), QStringLiteral("markcrate.html")),
              QStringLiteral("/opt/markcrate/markcrate.html"));
    start();
    EXPECT_EQ(form->HelpContextID, 129);
    ASSERT_FALSE(ContextIDs::HelpFile().isEmpty());
    dialog().ClickTlbMain(22);
    auto* viewer = qobject_cast<QTextBrowser*>(ContextIDs::viewer());
    ASSERT_NE(viewer, nullptr) << ContextIDs::HelpFile().toStdString();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->source().fragment(), QStringLiteral("context-129"));
    EXPECT_TRUE(viewer->toPlainText().contains(QStringLiteral("The Markcrate window")));
    form->Unload();
    QApplication::processEvents();
    EXPECT_EQ(ContextIDs::viewer(), nullptr);
}

TEST(CommandLineCheck, HelpVersionHideAndQtsOwnOptionsPassAnythingElseIsReported)
{
    const auto check = [](QStringList arguments) {
        return CommandLine::check(QStringList{QStringLiteral("markcrate")} + arguments, QStringLiteral("1.2.3"));
    };
    EXPECT_TRUE(check({}).start);
    EXPECT_TRUE(check({QStringLiteral("-hide")}).start);
    EXPECT_TRUE(check({QStringLiteral("x-HiDe"), QStringLiteral("-platform"), QStringLiteral("offscreen")}).start);
    const CommandLine::Verdict version = check({QStringLiteral("--version")});
    EXPECT_FALSE(version.start);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, QStringLiteral("markcrate 1.2.3\n"));
    EXPECT_TRUE(check({QStringLiteral("--help")}).output.contains(QStringLiteral("-HIDE")));
    const CommandLine::Verdict unknown = check({QStringLiteral("--frobnicate")});
    EXPECT_FALSE(unknown.start);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.toStandardError);
    EXPECT_TRUE(unknown.output.contains(QStringLiteral("'--frobnicate'")));
}

// The running copy's requests: each option, its text after it or after "=",
// and an --open without a text refused.
TEST(CommandLineCheck, TheRequestsOfTheRunningCopyAndTheirTexts)
{
    using Kind = platform::Request::Kind;
    const auto check = [](QStringList arguments) {
        return CommandLine::check(QStringList{QStringLiteral("markcrate")} + arguments, QStringLiteral("1.2.3"));
    };
    const auto request = [&](QStringList arguments) {
        const CommandLine::Verdict verdict = check(arguments);
        EXPECT_TRUE(verdict.start) << verdict.output.toStdString();
        return verdict.request.value_or(platform::Request{Kind::Show, QStringLiteral("(none)")});
    };
    EXPECT_EQ(request({}), (platform::Request{Kind::Show, QStringLiteral("(none)")}));
    EXPECT_EQ(request({QStringLiteral("--show")}), (platform::Request{Kind::Show, {}}));
    EXPECT_EQ(request({QStringLiteral("--hide")}), (platform::Request{Kind::Hide, {}}));
    EXPECT_EQ(request({QStringLiteral("--toggle")}), (platform::Request{Kind::Toggle, {}}));
    EXPECT_EQ(request({QStringLiteral("--find")}), (platform::Request{Kind::Find, {}}));
    EXPECT_EQ(request({QStringLiteral("--find"), QStringLiteral("rust book")}),
              (platform::Request{Kind::Find, QStringLiteral("rust book")}));
    EXPECT_EQ(request({QStringLiteral("--find=a=b")}), (platform::Request{Kind::Find, QStringLiteral("a=b")}));
    EXPECT_EQ(request({QStringLiteral("--find"), QStringLiteral("-HIDE")}), (platform::Request{Kind::Find, {}}))
        << "an option after --find is no text";
    EXPECT_EQ(request({QStringLiteral("--open"), QStringLiteral("-minus.example")}),
              (platform::Request{Kind::Open, QStringLiteral("-minus.example")}))
        << "--open always takes what follows";
    EXPECT_EQ(request({QStringLiteral("--show"), QStringLiteral("--open"), QStringLiteral("a.example")}),
              (platform::Request{Kind::Open, QStringLiteral("a.example")}));
    for (const QStringList& wrong : {QStringList{QStringLiteral("--open")},
                                     QStringList{QStringLiteral("--open=  ")},
                                     QStringList{QStringLiteral("--hide=now")}}) {
        const CommandLine::Verdict verdict = check(wrong);
        EXPECT_FALSE(verdict.start) << wrong.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(verdict.exitCode, 2);
        EXPECT_TRUE(verdict.toStandardError);
    }
    const QString help = check({QStringLiteral("--help")}).output;
    for (const char* option : {"--show", "--hide", "--toggle", "--find [TEXT]", "--open TEXT"})
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
}
