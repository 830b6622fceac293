#include "platform/filerun.h"
#include "support/freshhome.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Text of `size` bytes, not all alike.
QByteArray text(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('a' + (i * 7 + seed) % 26);
    return bytes;
}

} // namespace

// The hash is the same however the bytes are fed, and tells apart what differs in one byte.
TEST(FileRun, TheHashDoesNotDependOnHowTheBytesAreFed)
{
    const QByteArray bytes = text(3 * 1024 * 1024 + 17, 1);
    platform::filerun::Hash parts;
    for (qsizetype at = 0; at < bytes.size(); at += 96)
        parts.add(QByteArrayView(bytes).sliced(at, qMin<qsizetype>(96, bytes.size() - at)));
    EXPECT_EQ(parts.value(), platform::filerun::hashOf(bytes));
    QByteArray changed = bytes;
    changed[bytes.size() / 2] = '#';
    EXPECT_NE(platform::filerun::hashOf(changed), platform::filerun::hashOf(bytes));
    EXPECT_NE(platform::filerun::hashOf(bytes.chopped(1)), platform::filerun::hashOf(bytes));
}

// The old version held open while the file is replaced, compared with the
// new: only the run that changed is kept, and it is put back exactly, at any
// place (start, middle, end, across the parts it is read in) and any growth.
TEST(FileRun, TheRunThatChangedIsFoundAndPutBackWhereverItIs)
{
    const QString path = FreshHome::path() + QStringLiteral("/big.html");
    const QByteArray original = text(2 * 1024 * 1024 + 5, 3);
    struct Case
    {
        const char* name;
        qsizetype at;
        qsizetype removed;
        QByteArray inserted;
    };
    const Case cases[] = {
        {"start", 0, 3, "new start"},
        {"middle, across parts", 1024 * 1024 - 2, 10, "<DT>changed</DT>"},
        {"end", original.size() - 1, 1, "tail"},
        {"appended", original.size(), 0, QByteArray(5000, 'x')},
        {"shrunk to nothing", 0, original.size(), {}},
        {"unchanged", 100, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path, original);
        const platform::filerun::Held old = platform::filerun::Held::open(path, 1);
        ASSERT_TRUE(old.isOpen());
        QByteArray changed = original;
        changed.replace(c.at, c.removed, c.inserted);
        QFile::remove(path); // replaced, as an atomic save replaces it
        writeBytes(path, changed);
        const std::optional<platform::filerun::Run> run = platform::filerun::compare(old, path);
        ASSERT_TRUE(run);
        EXPECT_LE(run->before.size(), c.removed + 1);
        EXPECT_TRUE(platform::filerun::holds(path, run->afterSize, run->afterHash));
        EXPECT_FALSE(platform::filerun::holds(path, run->beforeSize, run->beforeHash) && changed != original);

        QString why;
        ASSERT_TRUE(platform::filerun::put(path, run->prefix, run->before, run->suffix, &why)) << why.toStdString();
        EXPECT_EQ(readBytes(path), original);
        EXPECT_TRUE(platform::filerun::holds(path, run->beforeSize, run->beforeHash));
        ASSERT_TRUE(platform::filerun::put(path, run->prefix, run->after, run->suffix, &why));
        EXPECT_EQ(readBytes(path), changed);
    }
}
