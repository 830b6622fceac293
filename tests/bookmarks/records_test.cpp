#include "bookmarks/histories.h"
#include "bookmarks/records.h"

#include <gtest/gtest.h>

TEST(Records, HistoryListIsCreatedOnceAndListTypeRefusesOverflow)
{
    cListHistory history;
    const auto list = history.HistoryList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(history.HistoryList(), list);

    history.setListType(200);
    try {
        history.setListType(256);
        ADD_FAILURE() << "no overflow";
    } catch (const cError& error) {
        EXPECT_EQ(error.Number(), ErrorNumber::Overflow);
    }
    EXPECT_EQ(history.ListType(), 200);
    EXPECT_THROW(history.setListType(-1), cError);
}

TEST(Records, CutItemKeepsTheTextFormOfWhatItIsGiven)
{
    cCutItem item;
    item.setKeyName(12);
    EXPECT_EQ(item.KeyName(), QVariant(QStringLiteral("12")));
    item.setName(2.5);
    EXPECT_EQ(item.Name(), QVariant(QStringLiteral("2.5")));
    item.setBranch(QStringLiteral("Software\\Veltrane Software\\Markcrate\\Folders\\F\\T\\"));
    EXPECT_TRUE(item.Branch().endsWith(QLatin1Char('\\')));
}

TEST(Records, HistoriesKeepEveryEntryInOrderPerKindForTheRunOnly)
{
    Histories::resetAll();
    Histories::forKind(ContentKind::WebAddress).Append(QStringLiteral("http://a/"));
    Histories::forKind(ContentKind::WebAddress).Append(QStringLiteral("http://a/"));
    Histories::forKind(ContentKind::SearchText).Append(QStringLiteral("cats"));
    const auto web = Histories::forKind(ContentKind::WebAddress).HistoryList();
    ASSERT_EQ(web->Count(), 2);
    EXPECT_EQ(web->at(QStringLiteral("0X"))->HistoryLocation(), QStringLiteral("http://a/"));
    EXPECT_EQ(web->at(QStringLiteral("1X"))->HistoryLocation(), QStringLiteral("http://a/"));
    EXPECT_EQ(Histories::forKind(ContentKind::SearchText).HistoryList()->Count(), 1);
    EXPECT_EQ(Histories::forKind(ContentKind::ForumGoWord).ListType(), ContentKind::ForumGoWord);
    EXPECT_THROW(Histories::forKind(3), cError);

    Histories::resetAll();
    EXPECT_EQ(Histories::forKind(ContentKind::WebAddress).HistoryList()->Count(), 0);
}
