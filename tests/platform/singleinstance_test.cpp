#include "platform/paths.h"
#include "platform/singleinstance.h"
#include "support/freshhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::SingleInstance;

TEST(SingleInstanceFolder, OnlyAPrivateRuntimeFolderOfTheUsersOwnIsUsed)
{
    const QString runtime = FreshHome::path() + QStringLiteral("/run");
    ASSERT_TRUE(QDir().mkpath(runtime + QStringLiteral("/markcrate")));
    ::chmod(QFile::encodeName(runtime + QStringLiteral("/markcrate")).constData(),
            0755); // as another user might leave it
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    EXPECT_EQ(SingleInstance::folder(), platform::configDir()) << "a folder others can enter is not used";
    ::chmod(QFile::encodeName(runtime + QStringLiteral("/markcrate")).constData(), 0700);
    EXPECT_EQ(SingleInstance::folder(), runtime + QStringLiteral("/markcrate"));
    qunsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstanceFolder, TheSocketNameAlwaysFits)
{
    const QString home = FreshHome::path() + QLatin1Char('/') + QString(120, QLatin1Char('h'));
    ASSERT_TRUE(QDir().mkpath(home));
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qunsetenv("XDG_RUNTIME_DIR");
    SingleInstance instance;
    EXPECT_LE(QFile::encodeName(instance.socketPath()).size(), 107);
    EXPECT_EQ(instance.start(), SingleInstance::Role::Primary);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}
