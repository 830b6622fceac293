#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>

using namespace platform;

TEST(AtomicFile, AWriterThatFailsHalfwayLeavesTheOldFileAndNoLeftovers)
{
    const QString path = FreshHome::path() + QStringLiteral("/data.txt");
    ASSERT_TRUE(regtest::writeFile(path, "old contents\r\n"));
    QString error;
    const bool ok = writeFileAtomically(
        path,
        [](QIODevice& device) {
            device.write(QByteArray(100000, 'n'));
            return false; // the device "failed" after some bytes
        },
        &error);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(regtest::readFile(path), "old contents\r\n");
    EXPECT_EQ(QDir(FreshHome::path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.txt")});

    EXPECT_TRUE(writeFileAtomically(path, [](QIODevice& device) { return device.write("new") == 3; }));
    EXPECT_EQ(regtest::readFile(path), "new");
}

TEST(AtomicFile, ASaveIntoAFolderThatCannotHoldTheFileFailsCleanly)
{
    const QString blocker = FreshHome::path() + QStringLiteral("/not-a-folder");
    ASSERT_TRUE(regtest::writeFile(blocker, "x"));
    QString error;
    EXPECT_FALSE(writeFileAtomically(
        blocker + QStringLiteral("/file"), [](QIODevice&) { return true; }, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(AtomicFile, ALinkStaysALinkAndPermissionsAreKeptOrGivenByTheUmask)
{
    const QString folder = FreshHome::path();
    const QString target = folder + QStringLiteral("/real.html");
    const QString link = folder + QStringLiteral("/link.html");
    ASSERT_TRUE(regtest::writeFile(target, "old"));
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                        QFileDevice::WriteUser | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(target, shared));
    ASSERT_TRUE(QFile::link(QStringLiteral("real.html"), link)); // relative, as users make them

    EXPECT_TRUE(writeFileAtomically(link, [](QIODevice& device) { return device.write("new") == 3; }));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(regtest::readFile(target), "new");
    EXPECT_EQ(QFile::permissions(target), shared);
    // Asked-for permissions do not override what an existing file has.
    EXPECT_TRUE(writeFileAtomically(
        target,
        [](QIODevice& device) { return device.write("newer") == 5; },
        nullptr,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(QFile::permissions(target), shared);

    const mode_t mask = ::umask(022);
    const QString fresh = folder + QStringLiteral("/fresh.txt");
    EXPECT_TRUE(writeFileAtomically(fresh, [](QIODevice& device) { return device.write("x") == 1; }));
    EXPECT_EQ(QFile::permissions(fresh), shared | QFileDevice::ReadOther);
    const QString secret = folder + QStringLiteral("/secret.reg");
    EXPECT_TRUE(writeFileAtomically(
        secret,
        [](QIODevice& device) { return device.write("x") == 1; },
        nullptr,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(QFile::permissions(secret),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    ::umask(mask);
}

TEST(AtomicFile, AFileMadeReadOnlyIsNotReplacedEvenWhereThisUserCould)
{
    const QString target = FreshHome::path() + QStringLiteral("/read-only.html");
    ASSERT_TRUE(regtest::writeFile(target, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0); // the superuser could still write it
    QString why;
    EXPECT_FALSE(writeFileAtomically(
        target, [](QIODevice& device) { return device.write("new") == 3; }, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("not writable"))) << why.toStdString();
    EXPECT_EQ(regtest::readFile(target), "old");
}

TEST(AtomicFile, OnlyTheTemporaryFilesOfSavesWhoseProcessIsGoneAreSwept)
{
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForStarted());
    const QString dead = QString::number(gone.processId());
    ASSERT_TRUE(gone.waitForFinished());
    const QString self = QString::number(QCoreApplication::applicationPid());

    const QString folder = FreshHome::path() + QStringLiteral("/sweep");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList swept{QStringLiteral(".data.txt.markcrate-") + dead + QStringLiteral("-Ab12Cd"),
                            QStringLiteral(".other.html.markcrate-") + dead + QStringLiteral("-zzzzzz")};
    const QStringList kept{
        QStringLiteral(".data.txt.markcrate-") + self + QStringLiteral("-Ab12Cd"), // a save in progress
        QStringLiteral(".data.txt.markcrate-1-Ab12Cd"),                            // a process that runs
        QStringLiteral(".data.txt.markcrate-") + dead + QStringLiteral("-Ab12"),   // not of the save's form
        QStringLiteral(".data.txt.markcrate-+") + dead + QStringLiteral("-Ab12Cd"),
        QStringLiteral("data.txt.markcrate-") + dead + QStringLiteral("-Ab12Cd"), // not hidden: the user's
        QStringLiteral(".markcrate-") + dead + QStringLiteral("-Ab12Cd"),
        QStringLiteral("data.txt"),
    };
    for (const QString& name : swept + kept)
        ASSERT_TRUE(regtest::writeFile(folder + QLatin1Char('/') + name, "x"));

    // The first save into a folder sweeps it.
    ASSERT_TRUE(writeFileAtomically(folder + QStringLiteral("/data.txt"),
                                    [](QIODevice& device) { return device.write("new") == 3; }));
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(left, expected);
    EXPECT_EQ(regtest::readFile(folder + QStringLiteral("/data.txt")), "new");
    EXPECT_EQ(removeSaveLeftovers(folder), 0);
}

// A writer process rewrites the registry file over and over, each time with
// every value carrying one generation number, and is killed at a random
// moment: the file left behind always reads completely and holds one
// generation throughout.
TEST(AtomicFile, AKilledRegistryWriterLeavesTheOldOrTheNewFile)
{
    constexpr int kValues = 300;
    QRandomGenerator random(20261207);
    for (int round = 0; round < 100; ++round) {
        QProcess writer;
        writer.setProgram(QStringLiteral(REGISTRY_WRITER));
        writer.setArguments({QString::number(kValues)});
        writer.start();
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "writer did not start";
        QThread::msleep(random.bounded(1, 60));
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished(5000);

        Registry::reset();
        EXPECT_TRUE(Registry::instance().takeLoadReport().isEmpty()) << "round " << round;
        HKEY key = 0;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Writer"), 0, KEY_READ, &key),
                  ERROR_SUCCESS);
        QByteArray first;
        for (int i = 0; i < kValues; ++i) {
            QByteArray data;
            ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("v%1").arg(i), nullptr, &data), ERROR_SUCCESS) << i;
            if (i == 0)
                first = data;
            ASSERT_EQ(data, first) << "value " << i << " of round " << round;
        }
        RegCloseKey(key);
        Registry::reset();
        // Each start sweeps what the writer killed before left.
        EXPECT_EQ(QDir(configDir()).entryList({QStringLiteral(".registry.reg.*")}, QDir::Files | QDir::Hidden),
                  QStringList())
            << "round " << round;
    }
}

TEST(AtomicFile, LeftoversOfInterruptedRegistrySavesGoAtStartOnly)
{
    platform::Registry::reset();
    const QString folder = platform::configDir();
    QDir().mkpath(folder);
    for (const char* name :
         {"registry.reg.Ab12Cd", "registry.reg.zzzzzz", "registry.reg.keep", "registry.reg.backup1", "notes.txt"})
        ASSERT_TRUE(regtest::writeFile(folder + QLatin1Char('/') + QLatin1String(name), "x"));
    platform::Registry::instance();
    QStringList left = QDir(folder).entryList(QDir::Files);
    left.removeAll(QStringLiteral("registry.reg"));
    left.sort();
    EXPECT_EQ(left,
              (QStringList{QStringLiteral("notes.txt"),
                           QStringLiteral("registry.reg.backup1"),
                           QStringLiteral("registry.reg.keep")}))
        << "only names of the save's own form";
    platform::Registry::reset();
}
