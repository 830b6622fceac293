#include "platform/folderwatch.h"

#include "support/freshhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString folder(const QString& name)
{
    const QString path = FreshHome::path() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

using Names = QSet<QByteArray>;

TEST(FolderWatch, TellsEachNameThatCameWentOrWasRenamedAndWhenItLostTrack)
{
    platform::FolderWatch watch;
    const QString a = folder(QStringLiteral("a"));
    const QString b = folder(QStringLiteral("b"));
    platform::WatchedFolder first(watch, a);
    if (!first)
        GTEST_SKIP() << "the test folder's file system cannot be watched here";
    platform::WatchedFolder again(watch, a); // the same folder watched twice
    platform::WatchedFolder other(watch, b);
    EXPECT_EQ(first.changes(), Names());

    touch(a + QStringLiteral("/new.url"));
    QDir(a).mkdir(QStringLiteral("sub"));
    ASSERT_TRUE(QFile::rename(a + QStringLiteral("/new.url"), a + QStringLiteral("/renamed.url")));
    touch(b + QStringLiteral("/x"));
    ASSERT_TRUE(QFile::rename(b + QStringLiteral("/x"), a + QStringLiteral("/x")));
    EXPECT_EQ(first.changes(), (Names{"new.url", "sub", "renamed.url", "x"}));
    EXPECT_EQ(first.changes(), Names()) << "each change is told once";
    EXPECT_EQ(again.changes(), (Names{"new.url", "sub", "renamed.url", "x"}));
    EXPECT_EQ(other.changes(), (Names{"x"}));

    // A handle ended leaves the folder watched for the other.
    {
        platform::WatchedFolder moved = std::move(again);
    }
    QFile::remove(a + QStringLiteral("/x"));
    EXPECT_EQ(first.changes(), (Names{"x"}));

    // More changes than are worth patching, or the folder itself gone: lost.
    for (int i = 0; i <= platform::FolderWatch::kMostChanges; ++i)
        touch(a + QStringLiteral("/many %1").arg(i));
    EXPECT_EQ(first.changes(), std::nullopt);
    EXPECT_EQ(first.changes(), std::nullopt) << "a watch that lost track stays lost";
    ASSERT_TRUE(QDir(b).removeRecursively());
    EXPECT_EQ(other.changes(), std::nullopt);

    EXPECT_FALSE(platform::WatchedFolder(watch, FreshHome::path() + QStringLiteral("/missing")));
    EXPECT_EQ(platform::WatchedFolder().changes(), std::nullopt);
}

} // namespace
