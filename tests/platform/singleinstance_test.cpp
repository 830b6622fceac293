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

// Every request survives its line: texts with spaces, line breaks, "%" and
// any script come back as they went; what is not a request is none.
TEST(SingleInstanceRequest, EveryRequestReadsBackAsItWasAndNothingElseIsOne)
{
    using platform::Request;
    const QList<Request> requests{{Request::Kind::Show, {}},
                                  {Request::Kind::Hide, {}},
                                  {Request::Kind::Toggle, {}},
                                  {Request::Kind::Find, {}},
                                  {Request::Kind::Find, QStringLiteral("caf\u00e9 100% \u65e5\u672c")},
                                  {Request::Kind::Open, QStringLiteral("http://a.example/?q=1&b=%20#x\nSHOW")}};
    for (const Request& request : requests) {
        const QByteArray line = SingleInstance::encode(request);
        EXPECT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1) << line.constData();
        const std::optional<Request> back = SingleInstance::parse(line);
        ASSERT_TRUE(back) << line.constData();
        EXPECT_EQ(*back, request) << line.constData();
    }
    EXPECT_EQ(SingleInstance::encode({}), QByteArray("SHOW\n")) << "what earlier copies send and take";
    for (const char* line : {"", "\n", "show\n", "SHOW now\n", "HIDE x\n", "FINDX\n", "GET / HTTP/1.1\r\n"})
        EXPECT_FALSE(SingleInstance::parse(line)) << line;
}
