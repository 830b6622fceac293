// Every writer against a disk that fills up part-way: a real short write
// (a file-size limit, with the signal it raises ignored) leaves the old file
// as it was and reports the failure.
#include "bookmarks/favorites.h"
#include "bookmarks/forums.h"
#include "bookmarks/netscape.h"
#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

// The file-size limit of the process while it lives: larger files end short.
class DiskFillsUp
{
public:
    explicit DiskFillsUp(rlim_t bytes = 4096)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFillsUp()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

const QByteArray kOld = "old contents\r\n";

QString file(const char* name)
{
    return FreshHome::path() + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

TEST(FullDisk, EveryWriterKeepsTheOldFileAndSaysWhy)
{
    const QString big(20000, QLatin1Char('b'));
    // The disk fills before the first byte, inside the header, inside a
    // buffer, at a buffer's end and a byte short of the whole file.
    for (const rlim_t room : {rlim_t(0), rlim_t(1), rlim_t(100), rlim_t(4096), rlim_t(16384), rlim_t(19999)}) {
        SCOPED_TRACE(testing::Message() << "room for " << room << " bytes");
        for (const char* name : {"plain.txt", "bookmarks.html", "cforums.txt", "site.url"})
            ASSERT_TRUE(regtest::writeFile(file(name), kOld));

        NetscapeBookmarks bookmarks;
        bookmarks.load(file("bookmarks.html"));
        auto link = std::make_shared<cBookmark>();
        link->setTitle(big);
        link->setURL(QStringLiteral("http://big/"));
        link->setKey(bookmarks.newKey());
        bookmarks.records().Add(link, link->Key());
        bookmarks.invalidateIndex();
        Forums::Collection forums;
        forums.Add(std::make_shared<QString>(big), QStringLiteral("0X"));

        QString plainError, bookmarkError, forumError, shortcutError;
        {
            DiskFillsUp full(room);
            EXPECT_FALSE(platform::writeFileAtomically(
                file("plain.txt"),
                [&](QIODevice& device) { return device.write(big.toUtf8()) == big.size(); },
                &plainError));
            EXPECT_FALSE(SaveNetscapeFile(bookmarks, file("bookmarks.html"), false, &bookmarkError));
            EXPECT_FALSE(Forums::write(file("cforums.txt"), forums, false, &forumError));
            EXPECT_FALSE(Favorites::WriteShortcut(file("site.url"), QStringLiteral("http://x/") + big, &shortcutError));
        }
        for (const QString& error : {plainError, bookmarkError, forumError, shortcutError})
            EXPECT_FALSE(error.isEmpty());
        for (const char* name : {"plain.txt", "bookmarks.html", "cforums.txt", "site.url"})
            EXPECT_EQ(regtest::readFile(file(name)), kOld) << name;
        EXPECT_EQ(QDir(FreshHome::path()).entryList({QStringLiteral("*.markcrate-*")}, QDir::Files | QDir::Hidden),
                  QStringList())
            << "a failed save removes its temporary file";
    }
}

TEST(FullDisk, TheRegistryKeepsItsFileTellsOnceAndSavesWhenItCanAgain)
{
    platform::Registry::reset();
    ASSERT_TRUE(
        regtest::set(QStringLiteral("Software\\Test"), QStringLiteral("small"), 1, regtest::sz(QStringLiteral("v"))) ==
        0);
    const QString path = platform::Registry::instance().userFilePath();
    const QByteArray before = regtest::readFile(path);
    ASSERT_FALSE(before.isEmpty());
    QStringList told;
    platform::Registry::setSaveFailureHandler([&told](const QString& text) { told << text; });
    {
        DiskFillsUp full;
        regtest::set(
            QStringLiteral("Software\\Test"), QStringLiteral("big"), 1, regtest::sz(QString(20000, QLatin1Char('r'))));
        regtest::set(
            QStringLiteral("Software\\Test"), QStringLiteral("big2"), 1, regtest::sz(QString(20000, QLatin1Char('s'))));
    }
    EXPECT_EQ(regtest::readFile(path), before) << "the file on disk is whole";
    ASSERT_EQ(told.size(), 1) << "told once";
    EXPECT_TRUE(told.first().contains(path));
    EXPECT_TRUE(platform::Registry::instance().hasUnsavedChanges());

    regtest::set(QStringLiteral("Software\\Test"), QStringLiteral("after"), 1, regtest::sz(QStringLiteral("a")));
    EXPECT_FALSE(platform::Registry::instance().hasUnsavedChanges());
    EXPECT_TRUE(regtest::readRegistryText(path).contains("big2"))
        << "what was held in memory is saved at the next change";
    platform::Registry::setSaveFailureHandler({});
    platform::Registry::reset();
}

TEST(FullDisk, ARegistrySaveThatFailsBeforeAnyoneCanBeToldIsToldAsSoonAsSomeoneCan)
{
    platform::Registry::reset();
    platform::Registry::setSaveFailureHandler({});
    {
        DiskFillsUp full; // at start-up: the window that tells is not up yet
        regtest::set(
            QStringLiteral("Software\\Test"), QStringLiteral("big"), 1, regtest::sz(QString(20000, QLatin1Char('r'))));
    }
    QStringList told;
    platform::Registry::setSaveFailureHandler([&told](const QString& text) { told << text; });
    EXPECT_EQ(told.size(), 1) << "told when the handler comes, not at exit";
    platform::Registry::setSaveFailureHandler({});
    platform::Registry::reset();
}

namespace {

// A device that takes `limit` bytes and then fails, or, with `shortWrites`,
// takes at most a few bytes a call and says so.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(qint64 limit, bool shortWrites) : m_limit(limit), m_short(shortWrites) { open(QIODevice::WriteOnly); }
    qint64 written() const { return m_written; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        if (m_short)
            return std::min<qint64>(size, 7);
        if (m_written + size > m_limit)
            return -1;
        m_written += size;
        return size;
    }

private:
    qint64 m_limit;
    bool m_short;
    qint64 m_written = 0;
};

} // namespace

TEST(FullDisk, TheBookmarkWriterReportsADeviceThatFailsOrWritesShort)
{
    NetscapeBookmarks bookmarks;
    for (int i = 0; i < 20000; ++i) {
        auto link = std::make_shared<cBookmark>();
        link->setTitle(QStringLiteral("link %1").arg(i));
        link->setURL(QStringLiteral("http://site%1.example/").arg(i));
        link->setKey(bookmarks.newKey());
        bookmarks.records().AppendNew(link, link->Key());
    }
    bookmarks.invalidateIndex();
    const qint64 size = bookmarks.toBytes().size();
    for (qint64 limit : {qint64(0), qint64(1), qint64(1 << 20), size - 1}) {
        FailingDevice device(limit, false);
        EXPECT_FALSE(bookmarks.write(device)) << "failing after " << limit << " bytes";
    }
    FailingDevice whole(size, false);
    EXPECT_TRUE(bookmarks.write(whole));
    EXPECT_EQ(whole.written(), size);
    FailingDevice shortWrites(size, true);
    EXPECT_FALSE(bookmarks.write(shortWrites)) << "a short write is a failure, not a success";
}
