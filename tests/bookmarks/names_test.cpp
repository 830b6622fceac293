#include "bookmarks/names.h"

#include <gtest/gtest.h>

using Names::Target;

TEST(Names, LineBreaksAndControlsBecomeBlanksInEveryStore)
{
    for (Target target : {Target::RegistryValue,
                          Target::RegistryKey,
                          Target::ShortcutFile,
                          Target::Directory,
                          Target::NetscapeTitle,
                          Target::GoWord}) {
        const Names::Checked checked = Names::check(target,
                                                    QStringLiteral("a\r\nb\tc\x7f"
                                                                   "d\nе"));
        EXPECT_TRUE(checked.ok());
        EXPECT_EQ(checked.name, QString::fromUtf8("a b c d е"));
    }
    EXPECT_EQ(Names::address(QStringLiteral("http://x/\r\n[Other]")), QStringLiteral("http://x/ [Other]"));
}

TEST(Names, SeparatorsGetLookAlikesOnlyWhereTheyWouldSplitAPathAndComeBackElsewhere)
{
    EXPECT_EQ(Names::check(Target::ShortcutFile, QStringLiteral("a/b\\c")).name, QString::fromUtf8("a∕b＼c"));
    EXPECT_EQ(Names::check(Target::ShortcutFile, QString::fromUtf8("read⧵from disk")).name,
              QString::fromUtf8("read⧵from disk"))
        << "a file's own backslash keeps naming that file";
    EXPECT_EQ(Names::check(Target::RegistryKey, QStringLiteral("a\\b")).name, QString::fromUtf8("a＼b"));
    EXPECT_EQ(Names::check(Target::RegistryKey, QString::fromUtf8("AC∕DC⧵x")).name, QString::fromUtf8("AC/DC＼x"))
        << "a key keeps a real slash; the old look-alike is read";
    for (Target target : {Target::NetscapeTitle, Target::RegistryValue, Target::GoWord})
        EXPECT_EQ(Names::check(target, QString::fromUtf8("AC∕DC ⧵ a＼b")).name, QStringLiteral("AC/DC \\ a\\b"));
    EXPECT_EQ(Names::check(Target::RegistryValue, QStringLiteral("a\\b")).name, QStringLiteral("a\\b"))
        << "a value name may hold one";
    EXPECT_EQ(Names::check(Target::NetscapeTitle, QStringLiteral("a/b")).name, QStringLiteral("a/b"));
}

TEST(Names, WhatAStoreCannotKeepIsRefused)
{
    EXPECT_FALSE(Names::check(Target::RegistryKey, QStringLiteral("  ")).ok());
    EXPECT_FALSE(Names::check(Target::RegistryValue, QString()).ok());
    EXPECT_TRUE(Names::check(Target::NetscapeTitle, QString()).ok()) << "the file keeps an empty title";
    EXPECT_TRUE(Names::check(Target::GoWord, QString()).ok());
    EXPECT_FALSE(Names::check(Target::Directory, QStringLiteral("..")).ok());
    EXPECT_TRUE(Names::check(Target::ShortcutFile, QStringLiteral("..")).ok()) << "\"...url\" is an ordinary file";
    EXPECT_TRUE(Names::check(Target::ShortcutFile, QString(251, QLatin1Char('x'))).ok());
    EXPECT_FALSE(Names::check(Target::ShortcutFile, QString(252, QLatin1Char('x'))).ok())
        << "with \".url\", past 255 bytes";
    EXPECT_FALSE(Names::check(Target::Directory, QString(128, QChar(0x00E9))).ok())
        << "bytes are counted, not characters";
    EXPECT_FALSE(Names::check(Target::RegistryKey, QString(256, QLatin1Char('k'))).ok());
}
