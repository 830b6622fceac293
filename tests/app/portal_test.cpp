// The global key through the desktop portal, against a portal of the test's
// own on a private session bus (ctest runs this under dbus-run-session): the
// calls made, in order, and an Activated signal showing the window.
#include "platform/singleinstance.h"
#include "support/mainwindowfixture.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

class Portal : public MainWindowFixture
{
};

TEST_F(Portal, TheKeyIsAskedOfThePortalAndItsActivationShowsTheWindow)
{
    if (!qEnvironmentVariableIsSet("MARKCRATE_TEST_BUS"))
        GTEST_SKIP() << "runs on a private session bus (the portal_tests entry of ctest)";
    QProcess portal;
    portal.start(QStringLiteral(FAKE_PORTAL), {});
    ASSERT_TRUE(portal.waitForStarted(5000));
    QByteArray calls;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            calls += portal.readAllStandardOutput();
            return calls.contains("ready");
        },
        10000))
        << portal.readAllStandardError().constData();

    start();
    cMainDialog& dialog = this->dialog();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return dialog.globalShortcutState() == QStringLiteral("Ctrl+Alt+B (desktop portal)"); }, 10000))
        << dialog.globalShortcutState().toStdString();
    calls += portal.readAllStandardOutput();
    const QList<QByteArray> lines = calls.trimmed().split('\n');
    EXPECT_EQ(lines,
              (QList<QByteArray>{"ready",
                                 "Register org.markcrate.Markcrate",
                                 "CreateSession show-find=CTRL+ALT+b",
                                 "BindShortcuts show-find=CTRL+ALT+b"}));

    // The desktop reports the key pressed: the window comes with its command box.
    dialog.Remote({platform::Request::Kind::Hide, {}});
    // (Without a tray, hidden is minimised.)
    const auto shown = [this] { return form->isVisible() && !form->isMinimized(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(); }));
    QDBusMessage press = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                        QStringLiteral("/org/freedesktop/portal/desktop"),
                                                        QStringLiteral("org.markcrate.test"),
                                                        QStringLiteral("Press"));
    ASSERT_EQ(QDBusConnection::sessionBus().call(press).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(QTest::qWaitFor(shown));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form->cboMain[1]; }));
    portal.kill();
    portal.waitForFinished(2000);
}
