#include "dialogs/frmAbout.h"
#include "dialogs/messagebox.h"
#include "dialogs/modal.h"
#include "platform/registry.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace {

void machineRegistry(const QByteArray& sections)
{
    const QString dir = FreshHome::path() + QStringLiteral("/etc-xdg/markcrate");
    QDir().mkpath(dir);
    regtest::writeFile(dir + QStringLiteral("/machine.reg"), "Windows Registry Editor Version 5.00\r\n\r\n" + sections);
    platform::Registry::reset();
}

class AboutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBoxes::setHook([this](const MessageBoxes::Request& request) {
            told << request.text;
            return QMessageBox::Ok;
        });
    }
    void TearDown() override
    {
        MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    }
    QStringList told;
};

bool waitForFile(const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        if (QFileInfo::exists(path))
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace

TEST_F(AboutTest, TheBoxShowsTheProgramsVersion)
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    frmAbout about;
    EXPECT_EQ(about.Display(), 0);
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 1.2 Build 3"));
    EXPECT_EQ(about.lblRelease->text(), QStringLiteral(" Rev 32"));
    EXPECT_EQ(about.lblTitle->text(), QCoreApplication::applicationName());
}

TEST_F(AboutTest, TheBoxOpensOverTheWindowThatAsksForIt)
{
    QWidget window;
    window.setGeometry(300, 200, 600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    frmAbout about(&window);
    QPoint shownAt;
    Modal::setHook([&shownAt](QDialog& dialog) {
        shownAt = dialog.frameGeometry().center();
        return 0;
    });
    about.Display();
    Modal::setHook([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_LE((shownAt - window.frameGeometry().center()).manhattanLength(), 4) << shownAt.x() << "," << shownAt.y();
}

TEST_F(AboutTest, TheSystemInfoButtonLeavesTheBoxOpen)
{
    frmAbout about;
    about.show();
    about.cmdSysInfo->click();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(told, QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
}

TEST_F(AboutTest, TheToolIsFoundByTheFirstValueOrInTheSecondsFolder)
{
    frmAbout about;
    about.StartSysInfo();
    EXPECT_EQ(told, QStringList{QStringLiteral("System Information Is Unavailable At This Time")});

    // The first value names a missing program: nothing starts, nothing is said, the second is not tried.
    const QString folder = FreshHome::path() + QStringLiteral("/tools");
    QDir().mkpath(folder);
    const QString marker = FreshHome::path() + QStringLiteral("/started");
    regtest::writeFile(folder + QStringLiteral("/MSINFO32.EXE"), "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
    QFile::setPermissions(folder + QStringLiteral("/MSINFO32.EXE"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    machineRegistry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n\"PATH\"=\"/nowhere/msinfo\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\r\n\"MSINFO\"=\"" +
        folder.toUtf8() + "\"\r\n");
    told.clear();
    about.StartSysInfo();
    EXPECT_TRUE(told.isEmpty());
    QThread::msleep(200);
    EXPECT_FALSE(QFileInfo::exists(marker));

    machineRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\r\n\"MSINFO\"=\"" +
                    folder.toUtf8() + "\"\r\n");
    about.StartSysInfo();
    EXPECT_TRUE(told.isEmpty());
    EXPECT_TRUE(waitForFile(marker)) << "MSINFO32.EXE in the named folder is started";
}
