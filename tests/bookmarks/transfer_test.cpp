#include "bookmarks/transfer.h"

#include <gtest/gtest.h>

TEST(Transfer, RecordsRoundTripAndForeignTextIsIgnored)
{
    const QString text = Transfer::makeRecord(0, QStringLiteral("Example"), QStringLiteral("http://example.com/?a=1")) +
                         Transfer::makeRecord(2, QStringLiteral(" Gardening "), QStringLiteral("garden"));
    EXPECT_TRUE(text.startsWith(QString(QChar(0xF4)) + QStringLiteral("ORX0") + QChar(0xF3)));
    const QList<Transfer::Record> records = Transfer::parse(QStringLiteral("  ") + text);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].kind, 0);
    EXPECT_EQ(records[0].name, QStringLiteral("Example"));
    EXPECT_EQ(records[0].address, QStringLiteral("http://example.com/?a=1"));
    EXPECT_EQ(records[1].kind, 2);
    EXPECT_EQ(records[1].name, QStringLiteral("Gardening")) << "names are trimmed";
    EXPECT_TRUE(Transfer::parse(QStringLiteral("http://copied.from/elsewhere")).isEmpty());
    EXPECT_TRUE(Transfer::parse(QStringLiteral("ORX0")).isEmpty());
    EXPECT_TRUE(Transfer::parse(QString()).isEmpty());
}

TEST(Transfer, TheProgramsOwnFormatKeepsEveryFieldWhole)
{
    const QList<Transfer::Record> records{{0, QString::fromUtf8(" Canción "), QString::fromUtf8("http://x/?q=ó")},
                                          {2, QString(QChar(0xF4)) + QStringLiteral("ORX"), QStringLiteral("go")}};
    EXPECT_EQ(Transfer::decode(Transfer::encode(records)), records);
    EXPECT_TRUE(Transfer::decode("not json").isEmpty());
    EXPECT_TRUE(Transfer::decode("[{\"kind\":0}]").isEmpty()) << "an entry without its fields is not ours";
}
