#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <gtest/gtest.h>

namespace {

void store(const QString& name, const QVariant& value, qint32 type)
{
    storetest::write(cSettings::kRegistryKey, name, value, type);
}

cSettings loaded()
{
    cSettings settings;
    settings.setAppName(QStringLiteral("Markcrate"));
    return settings;
}

} // namespace

TEST(cSettings, ANewObjectHoldsNothingUntilItsNameIsGiven)
{
    const cSettings settings;
    EXPECT_FALSE(settings.AlwaysOnTop());
    EXPECT_FALSE(settings.SupportNetscape());
    EXPECT_FALSE(settings.ExpandFoldersOnRefresh());
    EXPECT_EQ(settings.ContentType(), 0);
    EXPECT_TRUE(settings.CForumURL().isEmpty());
    EXPECT_TRUE(settings.AppName().isEmpty());
}

TEST(cSettings, AnEmptyRegistryGivesEveryDefault)
{
    const cSettings settings = loaded();
    EXPECT_EQ(settings.AppName(), QStringLiteral("Markcrate"));
    EXPECT_TRUE(settings.AlwaysOnTop());
    EXPECT_FALSE(settings.HideOnLaunch());
    EXPECT_FALSE(settings.ShowMore());
    EXPECT_FALSE(settings.ReloadBookmarks());
    EXPECT_TRUE(settings.SupportCompuServe());
    EXPECT_TRUE(settings.SupportNetscape());
    EXPECT_TRUE(settings.SupportInternetExplorer());
    EXPECT_FALSE(settings.TreatBookmarksAsReadOnly());
    EXPECT_TRUE(settings.ExpandFoldersOnRefresh());
    EXPECT_EQ(settings.ContentType(), 0);
    EXPECT_TRUE(settings.BookmarkLocation().isEmpty());
    EXPECT_TRUE(settings.CForumURL().startsWith(QStringLiteral("http://")));
    EXPECT_TRUE(settings.CForumURL().endsWith(QStringLiteral("/VLForums/default.asp?SRV=")));
    EXPECT_TRUE(settings.YahooSearchURL().startsWith(QStringLiteral("http://")));
    EXPECT_TRUE(settings.YahooSearchURL().endsWith(QStringLiteral("/bin/query?p=")));
}

TEST(cSettings, LoadRulesForBlanksFlagsAndNumbers)
{
    store(QStringLiteral("BookmarkLocation"), QStringLiteral("   "), cRegistry::REG_SZ);
    store(QStringLiteral("YahooSearchURL"), QStringLiteral(" http://x/?q= "), cRegistry::REG_SZ);
    store(QStringLiteral("AlwaysOnTop"), 2, cRegistry::REG_DWORD);             // neither 0 nor 1: stays false
    store(QStringLiteral("ShowMore"), QStringLiteral("1"), cRegistry::REG_SZ); // the text "1" is the number 1
    store(QStringLiteral("SupportNetscape"), 0, cRegistry::REG_DWORD);
    store(QStringLiteral("SupportCompuServe"), QStringLiteral("yes"), cRegistry::REG_SZ);
    store(QStringLiteral("HideOnLaunch"), QStringLiteral(""), cRegistry::REG_SZ);
    store(QStringLiteral("ContentType"), 2, cRegistry::REG_DWORD);
    const cSettings settings = loaded();
    EXPECT_TRUE(settings.BookmarkLocation().isEmpty());
    EXPECT_EQ(settings.YahooSearchURL(), QStringLiteral(" http://x/?q= ")) << "texts are taken untrimmed";
    EXPECT_FALSE(settings.AlwaysOnTop());
    EXPECT_TRUE(settings.ShowMore());
    EXPECT_FALSE(settings.SupportNetscape());
    EXPECT_FALSE(settings.SupportCompuServe());
    EXPECT_FALSE(settings.HideOnLaunch());
    EXPECT_EQ(settings.ContentType(), 2);
}

TEST(cSettings, AContentTypeThatIsNoSixteenBitNumberTakesTheDefault)
{
    for (const QVariant& odd : {QVariant(70000), QVariant(-40000), QVariant(QStringLiteral("abc"))}) {
        store(QStringLiteral("ContentType"),
              odd,
              odd.typeId() == QMetaType::Int ? cRegistry::REG_DWORD : cRegistry::REG_SZ);
        EXPECT_EQ(loaded().ContentType(), 0) << odd.toString().toStdString();
    }
    store(QStringLiteral("ContentType"), -5, cRegistry::REG_DWORD);
    EXPECT_EQ(loaded().ContentType(), -5);
}

TEST(cSettings, UpdateWritesEverySettingWithItsType)
{
    cSettings settings = loaded();
    settings.setAlwaysOnTop(false);
    settings.setContentType(1);
    settings.setBookmarkLocation(QStringLiteral("/home/me/bookmarks \"q\".html"));
    settings.Update();

    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(cSettings::kRegistryKey);
    ASSERT_EQ(registry.ValueNameCollection()->Count(), 16);
    for (const auto& definition : cSettings::definitions()) {
        platform::DWORD type = 0;
        QByteArray data;
        ASSERT_TRUE(regtest::get(cSettings::kRegistryKey, QLatin1String(definition.valueName), &type, &data))
            << definition.valueName;
        EXPECT_EQ(type, definition.kind == cSettings::Kind::Text ? 1u : 4u) << definition.valueName;
    }
    platform::Registry::reset(); // a new run reads what the file holds
    const cSettings again = loaded();
    EXPECT_FALSE(again.AlwaysOnTop());
    EXPECT_EQ(again.ContentType(), 1);
    EXPECT_TRUE(again.SupportFirefox() && again.SupportChromium()) << "the browsers' stores are on by default";
    EXPECT_EQ(again.BookmarkLocation(), QStringLiteral("/home/me/bookmarks \"q\".html"));
    EXPECT_EQ(again.CForumURL(), settings.CForumURL());
    EXPECT_TRUE(again.ExpandFoldersOnRefresh());
}
