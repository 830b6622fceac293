#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

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
    EXPECT_EQ(QDir(FreshHome::path()).entryList(QDir::Files), QStringList{QStringLiteral("data.txt")});

    EXPECT_TRUE(writeFileAtomically(path, [](QIODevice& device) { return device.write("new") == 3; }));
    EXPECT_EQ(regtest::readFile(path), "new");
}

TEST(AtomicFile, ASaveIntoAFolderThatCannotHoldTheFileFailsCleanly)
{
    const QString blocker = FreshHome::path() + QStringLiteral("/not-a-folder");
    ASSERT_TRUE(regtest::writeFile(blocker, "x"));
    QString error;
    EXPECT_FALSE(writeFileAtomically(blocker + QStringLiteral("/file"), [](QIODevice&) { return true; }, &error));
    EXPECT_FALSE(error.isEmpty());
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
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Writer"), 0, KEY_READ, &key), ERROR_SUCCESS);
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
    }
}

TEST(AtomicFile, LeftoversOfInterruptedRegistrySavesGoAtStartOnly)
{
    platform::Registry::reset();
    const QString folder = platform::configDir();
    QDir().mkpath(folder);
    for (const char* name : {"registry.reg.Ab12Cd", "registry.reg.zzzzzz", "registry.reg.keep", "registry.reg.backup1", "notes.txt"})
        ASSERT_TRUE(regtest::writeFile(folder + QLatin1Char('/') + QLatin1String(name), "x"));
    platform::Registry::instance();
    QStringList left = QDir(folder).entryList(QDir::Files);
    left.removeAll(QStringLiteral("registry.reg"));
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("notes.txt"), QStringLiteral("registry.reg.backup1"), QStringLiteral("registry.reg.keep")}))
        << "only names of the save's own form";
    platform::Registry::reset();
}
