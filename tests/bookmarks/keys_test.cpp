#include "bookmarks/keys.h"

#include <gtest/gtest.h>

TEST(Keys, SourceAndRecordNumbersComeFromTheRightPartOfTheKey)
{
    EXPECT_EQ(Keys::sourceNumber(QStringLiteral("00A")), 0);
    EXPECT_EQ(Keys::sourceNumber(QStringLiteral("1A")), 1);
    EXPECT_EQ(Keys::sourceNumber(QStringLiteral("12A")), 12);
    EXPECT_EQ(Keys::folderPart(QStringLiteral("12X4A")), QStringLiteral("4A"));
    EXPECT_EQ(Keys::sourceNumber(QStringLiteral("12X4A")), 4);
    EXPECT_EQ(Keys::recordNumber(QStringLiteral("12X4A")), 12);
    EXPECT_EQ(Keys::sourceNumber(QStringLiteral("7X3A")), 3);
    EXPECT_EQ(Keys::folderPart(QStringLiteral("3X")), QString()) << "a list item has no folder part";
    EXPECT_EQ(Keys::leadingNumber(QStringLiteral("  42abc")), 42);
    EXPECT_EQ(Keys::leadingNumber(QStringLiteral("abc")), 0);
    EXPECT_EQ(Keys::rootKey(10), QStringLiteral("10A"));
}

TEST(Keys, FavoritesPathStartsAfterTheTopNodeAndSourceTexts)
{
    EXPECT_EQ(Keys::favoritesRelativePath(QStringLiteral("Bookmarks\\Microsoft IE Favorites\\News\\Local")),
              QStringLiteral("News\\Local"));
    EXPECT_EQ(Keys::favoritesRelativePath(QStringLiteral("Bookmarks\\Microsoft IE Favorites")), QString());
}

TEST(Keys, AnItemsKeyIsItsNumberAndAnXWhateverTheNumber)
{
    // Asked out of turn, so that the keys kept for reuse grow in jumps.
    for (qsizetype number : {qsizetype(5),
                             qsizetype(0),
                             qsizetype(16383),
                             qsizetype(70),
                             qsizetype(16384),
                             qsizetype(-12),
                             qsizetype(1234567890123)})
        EXPECT_EQ(Keys::itemKey(number), QString::number(number) + QLatin1Char('X')) << number;
    for (qsizetype number = 0; number < 20000; number += 7)
        ASSERT_EQ(Keys::itemKey(number), QString::number(number) + QLatin1Char('X')) << number;
}

TEST(NodeKey, EveryKeyOfTheSchemeReadsAndWritesBackTheSame)
{
    using Keys::NodeKey;
    const struct
    {
        const char* key;
        NodeKey node;
    } keys[] = {
        {"00A", NodeKey::top()},
        {"0A", NodeKey::root(0)},
        {"4A", NodeKey::root(4)},
        {"12A", NodeKey::root(12)},
        {"7X4A", NodeKey::folder(7, 4)},
        {"0X6A", NodeKey::folder(0, 6)},
        {"15X", NodeKey::item(15)},
    };
    for (const auto& [text, node] : keys) {
        EXPECT_EQ(NodeKey::parse(QLatin1String(text)), node) << text;
        EXPECT_EQ(node.text(), QLatin1String(text));
    }
    // What the scheme does not make names nothing, not source 0.
    for (const char* odd :
         {"", "A", "X", "X4A", "4", "4AX", "7X4", "7XA", "-1A", " 4A", "4A ", "7X4AA", "99999999999A", "1X2X3A"})
        EXPECT_EQ(NodeKey::parse(QLatin1String(odd)).kind, NodeKey::Kind::None) << odd;
}
