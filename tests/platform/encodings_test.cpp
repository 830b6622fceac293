// Text as it reaches the program's own files: every correct line stays
// correct, every character survives, nothing blocks on a file that is not one.
#include "platform/files.h"
#include "platform/profilefile.h"
#include "platform/regfile.h"
#include "platform/registryhive.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform;

namespace {

QString text(const RegKey& root, const QString& key, const QString& name)
{
    const RegKey* found = root.child(key);
    const RegValue* value = found ? found->value(name) : nullptr;
    if (!value)
        return {};
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return utf8.decode(value->data.chopped(1));
}

} // namespace

TEST(Encodings, OneLineThatIsNotUtf8LeavesEveryOtherLineAsItIs)
{
    const QByteArray file = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"
                            "\"Home\"=\"/home/J\xC3\xBCrgen\"\r\n"
                            "\"Old\"=\"caf\xE9\"\r\n"
                            "\"Marked\"=\"\xEF\xBB\xBFmarked\"\r\n";
    RegKey root;
    const RegFileReadResult result = readRegFile(file, root, QStringLiteral("HKEY_CURRENT_USER"));
    EXPECT_FALSE(result.complete) << "the user hears of the odd line";
    EXPECT_EQ(text(root, QStringLiteral("Software"), QStringLiteral("Home")), QString::fromUtf8("/home/Jürgen"));
    EXPECT_EQ(text(root, QStringLiteral("Software"), QStringLiteral("Old")), QString::fromUtf8("café"));
    EXPECT_EQ(text(root, QStringLiteral("Software"), QStringLiteral("Marked")),
              QString(QChar(0xFEFF)) + QStringLiteral("marked"));

    RegKey again;
    EXPECT_TRUE(
        readRegFile(writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER")), again, QStringLiteral("HKEY_CURRENT_USER"))
            .complete);
    EXPECT_EQ(text(again, QStringLiteral("Software"), QStringLiteral("Marked")),
              QString(QChar(0xFEFF)) + QStringLiteral("marked"))
        << "the mark survives a save";
}

TEST(Encodings, ShortcutsAreReadOnlyFromRegularFilesAndWrittenInWhatTheTextNeeds)
{
    const QString pipe = FreshHome::path() + QStringLiteral("/pipe.url");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString(), 128, pipe),
              QString())
        << "must not block";

    const QString latin1 = FreshHome::path() + QStringLiteral("/old.url");
    ASSERT_TRUE(regtest::writeFile(latin1, "[InternetShortcut]\r\nURL=http://caf\xE9/\r\n"));
    ASSERT_TRUE(WritePrivateProfileString(
        QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString::fromUtf8("http://日本.jp/"), latin1));
    EXPECT_EQ(
        GetPrivateProfileString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString(), 128, latin1),
        QString::fromUtf8("http://日本.jp/"));

    const QString emoji = FreshHome::path() + QStringLiteral("/emoji.url");
    QString address = QStringLiteral("http://x/");
    while (address.toUcs4().size() < 140)
        address += QString::fromUtf8("😀");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), address, emoji));
    const QString read =
        GetPrivateProfileString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString(), 128, emoji);
    EXPECT_EQ(read.toUcs4().size(), 127) << "characters are counted, and none is split";
}

TEST(Encodings, ABackslashInANameFromDiskIsShownAsItsLookAlikeAndFoundAgain)
{
    const QString root = FreshHome::path();
    ASSERT_TRUE(regtest::writeFile(root + QStringLiteral("/a\\b.url"), "x"));
    ASSERT_TRUE(regtest::writeFile(root + QString::fromUtf8("/c⧵d.url"), "y")); // a look-alike the name really holds
    QStringList shown;
    for (const FileEntry& entry : findNativeEntries(root, FileAttribute::Directory | FileAttribute::Hidden))
        shown << entry.name;
    shown.sort();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("a⧵b.url")));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("c⧵d.url")));
    EXPECT_EQ(diskPath(root + QString::fromUtf8("/a⧵b.url")), root + QStringLiteral("/a\\b.url"));
    EXPECT_EQ(diskPath(root + QString::fromUtf8("/c⧵d.url")), root + QString::fromUtf8("/c⧵d.url"))
        << "as written, when it exists so";
    EXPECT_EQ(diskPath(diskPath(root + QString::fromUtf8("/a⧵b.url"))), root + QStringLiteral("/a\\b.url"))
        << "twice is once";
    EXPECT_EQ(diskPath(root + QString::fromUtf8("/new⧵name.url")), root + QString::fromUtf8("/new⧵name.url"));
}

TEST(Encodings, AFileIsReadWholeOrUpToItsLimitWhateverItsSize)
{
    const QByteArray bytes = QByteArray(100000, 'a') + "end";
    QBuffer buffer;
    buffer.setData(bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    EXPECT_EQ(readAtMost(buffer, 1 << 20), bytes);
    buffer.seek(0);
    EXPECT_EQ(readAtMost(buffer, 10), QByteArray(10, 'a'));
    EXPECT_EQ(readAtMost(buffer, 0), QByteArray());

    // A pipe tells no size: it is read to its end all the same.
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("head -c 70000 /dev/zero; printf end")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(readAtMost(process, 1 << 20), QByteArray(70000, '\0') + "end");

    // By path: a regular file only, whole or to the limit; nothing else is opened for long.
    const QString file = FreshHome::path() + QStringLiteral("/big.url");
    ASSERT_TRUE(regtest::writeFile(file, bytes));
    QByteArray read;
    EXPECT_TRUE(readRegularFile(file, 1 << 20, &read));
    EXPECT_EQ(read, bytes);
    EXPECT_TRUE(readRegularFile(file, 10, &read));
    EXPECT_EQ(read, QByteArray(10, 'a'));
    const QString pipe = FreshHome::path() + QStringLiteral("/read.pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& other : QStringList{pipe, FreshHome::path(), FreshHome::path() + QStringLiteral("/missing")}) {
        read = "kept";
        EXPECT_FALSE(readRegularFile(other, 1 << 20, &read)) << other.toStdString();
        EXPECT_EQ(read, QByteArray("kept"));
    }
}
