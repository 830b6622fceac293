#include "support/freshhome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString runtimeFolder()
{
    return FreshHome::path() + QStringLiteral("/.runtime");
}

QString registryFile()
{
    return FreshHome::path() + QStringLiteral("/.config/markcrate/registry.reg");
}

// Starts the program and waits until it listens for later starts.
bool startFirst(QProcess& process, const QStringList& arguments = {})
{
    QDir().mkpath(runtimeFolder());
    QFile::setPermissions(runtimeFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    process.setProgram(QStringLiteral(MARKCRATE_PROGRAM));
    process.setArguments(arguments);
    process.start();
    if (!process.waitForStarted(10000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        if (QFileInfo::exists(runtimeFolder() + QStringLiteral("/markcrate/instance.socket")) &&
            QFileInfo::exists(registryFile()))
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return false;
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Process, ASecondStartHandsOverAndEndsWithoutTouchingTheRegistry)
{
    QProcess first;
    ASSERT_TRUE(startFirst(first, {QStringLiteral("-hide")}));
    QThread::msleep(300); // let the first start finish writing its settings
    const QByteArray before = read(registryFile());
    const QDateTime modified = QFileInfo(registryFile()).lastModified();
    ASSERT_FALSE(before.isEmpty());

    QProcess second;
    second.start(QStringLiteral(MARKCRATE_PROGRAM), {});
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(read(registryFile()), before);
    EXPECT_EQ(QFileInfo(registryFile()).lastModified(), modified);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first copy goes on";

    first.kill();
    first.waitForFinished(5000);
}

TEST(Process, ASocketLeftByACrashDoesNotStopTheNextStart)
{
    QProcess crashed;
    ASSERT_TRUE(startFirst(crashed));
    ::kill(pid_t(crashed.processId()), SIGKILL);
    crashed.waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(runtimeFolder() + QStringLiteral("/markcrate/instance.socket")));

    QProcess next;
    next.start(QStringLiteral(MARKCRATE_PROGRAM), {});
    EXPECT_FALSE(next.waitForFinished(1500)) << "the new start runs as the first copy";
    EXPECT_EQ(next.state(), QProcess::Running);
    next.kill();
    next.waitForFinished(5000);
}

TEST(Process, HelpAndVersionAnswerWithoutAWindowOrTheRegistry)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const QString& option :
         {QStringLiteral("--version"), QStringLiteral("--help"), QStringLiteral("--nonsense")}) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(MARKCRATE_PROGRAM), {option});
        ASSERT_TRUE(process.waitForFinished(10000)) << option.toStdString();
        const QByteArray out = process.readAllStandardOutput();
        if (option == QLatin1String("--nonsense")) {
            EXPECT_EQ(process.exitCode(), 2);
            EXPECT_TRUE(process.readAllStandardError().contains("unknown option '--nonsense'"));
        } else {
            EXPECT_EQ(process.exitCode(), 0) << option.toStdString();
            EXPECT_TRUE(option == QLatin1String("--help") ? out.startsWith("Usage: markcrate")
                                                          : out.startsWith("markcrate "));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(registryFile())) << "nothing was started";
}

TEST(Process, StartAtLoginFromTheCommandLine)
{
    const QString entry = FreshHome::path() + QStringLiteral("/.config/autostart/org.markcrate.Markcrate.desktop");
    QProcess on;
    on.start(QStringLiteral(MARKCRATE_PROGRAM), {QStringLiteral("--start-at-login")});
    ASSERT_TRUE(on.waitForFinished(10000));
    EXPECT_EQ(on.exitCode(), 0);
    EXPECT_TRUE(read(entry).contains(" -HIDE\n")) << read(entry).toStdString();
    QProcess off;
    off.start(QStringLiteral(MARKCRATE_PROGRAM), {QStringLiteral("--no-start-at-login")});
    ASSERT_TRUE(off.waitForFinished(10000));
    EXPECT_EQ(off.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_FALSE(QFileInfo::exists(registryFile())) << "nothing else was started";
}
