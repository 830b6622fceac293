// A process saving the bookmark file over and over is killed at random
// moments: the file left behind always reads whole and holds one save.
#include "bookmarks/netscape.h"
#include "platform/atomicfile.h"
#include "support/freshhome.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

static QStringList leftovers()
{
    return QDir(FreshHome::path())
        .entryList({QStringLiteral(".bookmarks.html.markcrate-*")}, QDir::Files | QDir::Hidden);
}

TEST(KilledSaves, AKilledBookmarkWriterLeavesTheOldOrTheNewFile)
{
    constexpr int kLinks = 300;
    const QString path = FreshHome::path() + QStringLiteral("/bookmarks.html");
    QRandomGenerator random(20261208);
    for (int round = 0; round < 100; ++round) {
        QProcess writer;
        writer.setProgram(QStringLiteral(BOOKMARK_WRITER));
        writer.setArguments({path, QString::number(kLinks)});
        writer.start();
        ASSERT_TRUE(writer.waitForReadyRead(10000))
            << "writer did not start: " << writer.readAllStandardError().toStdString();
        QThread::msleep(random.bounded(1, 40));
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished(5000);

        NetscapeBookmarks bookmarks;
        bookmarks.load(path);
        ASSERT_TRUE(bookmarks.loadedWhole()) << "round " << round;
        ASSERT_EQ(bookmarks.records().Count(), kLinks) << "round " << round;
        const QString first = bookmarks.records().at(1)->Title();
        for (const auto& link : bookmarks.records())
            ASSERT_EQ(link->Title(), first) << "round " << round;
        // Each writer sweeps what the one killed before it left.
        ASSERT_LE(leftovers().size(), 1) << "round " << round << ": " << leftovers().join(u' ').toStdString();
    }
    platform::removeSaveLeftovers(FreshHome::path());
    EXPECT_EQ(leftovers(), QStringList());
}
