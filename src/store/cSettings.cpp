#include "store/cSettings.h"

#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/keyvalue.h"

#include <limits>

const std::array<cSettings::Definition, cSettings::SettingCount>& cSettings::definitions()
{
    // In the order Update writes them, which is the order they enumerate in a new key.
    static const std::array<Definition, SettingCount> table = {{
        {AlwaysOnTopSetting, "AlwaysOnTop", Kind::Boolean, true},
        {HideOnLaunchSetting, "HideOnLaunch", Kind::Boolean, false},
        {SupportInternetExplorerSetting, "SupportInternetExplorer", Kind::Boolean, true},
        {SupportNetscapeSetting, "SupportNetscape", Kind::Boolean, true},
        {SupportCompuServeSetting, "SupportCompuServe", Kind::Boolean, true},
        {ShowMoreSetting, "ShowMore", Kind::Boolean, false},
        {ReloadBookmarksSetting, "ReloadBookmarks", Kind::Boolean, false},
        {TreatBookmarksAsReadOnlySetting, "TreatBookmarksAsReadOnly", Kind::Boolean, false},
        {ExpandFoldersOnRefreshSetting, "ExpandFoldersOnRefresh", Kind::Boolean, true},
        {ContentTypeSetting, "ContentType", Kind::Integer16, 0},
        {CForumURLSetting,
         "CForumURL",
         Kind::Text,
         QStringLiteral("http://forums.compuserve.com/VLForums/default.asp?SRV=")},
        {YahooSearchURLSetting, "YahooSearchURL", Kind::Text, QStringLiteral("http://search.yahoo.com/bin/query?p=")},
        {BookmarkLocationSetting, "BookmarkLocation", Kind::Text, QString()},
        {SupportFirefoxSetting, "SupportFirefox", Kind::Boolean, true},
        {SupportChromiumSetting, "SupportChromium", Kind::Boolean, true},
        {GlobalShortcutSetting, "GlobalShortcut", Kind::Text, QStringLiteral("Ctrl+Alt+B")},
    }};
    return table;
}

cSettings::cSettings()
{
    // Before AppName is assigned: every flag false, ContentType 0, every text empty.
    for (const Definition& definition : definitions()) {
        switch (definition.kind) {
        case Kind::Boolean:
            m_values[definition.setting] = false;
            break;
        case Kind::Integer16:
            m_values[definition.setting] = 0;
            break;
        case Kind::Text:
            m_values[definition.setting] = QString();
            break;
        }
    }
}

void cSettings::setAppName(const QString& name)
{
    m_appName = name;
    load();
}

void cSettings::load()
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(kRegistryKey);
    for (const Definition& definition : definitions()) {
        registry.setKeyType(definition.kind == Kind::Text ? cRegistry::REG_SZ : cRegistry::REG_DWORD);
        registry.setValueName(QLatin1StringView(definition.valueName));
        const QVariant stored = registry.KeyValue();
        QVariant& value = m_values[definition.setting];
        if (keyvalue::isBlank(stored)) {
            value = definition.defaultValue;
            continue;
        }
        switch (definition.kind) {
        case Kind::Boolean: {
            // Only the numbers 0 and 1 count; anything else keeps what was there.
            const std::optional<double> number = keyvalue::toNumber(stored);
            if (number == 0.0)
                value = false;
            else if (number == 1.0)
                value = true;
            break;
        }
        case Kind::Integer16: {
            const std::optional<qint32> number = keyvalue::toLong(stored);
            const bool fits = number && *number >= std::numeric_limits<qint16>::min() &&
                              *number <= std::numeric_limits<qint16>::max();
            value = fits ? QVariant(int(*number)) : definition.defaultValue;
            break;
        }
        case Kind::Text:
            value = keyvalue::text(stored);
            break;
        }
    }
}

void cSettings::Update()
{
    platform::RegistryBatch batch; // one write of the file for every value
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(kRegistryKey);
    for (const Definition& definition : definitions()) {
        registry.setValueName(QLatin1StringView(definition.valueName));
        const QVariant& value = m_values[definition.setting];
        switch (definition.kind) {
        case Kind::Boolean:
            registry.setKeyType(cRegistry::REG_DWORD);
            registry.setKeyValue(value.toBool() ? 1 : 0);
            break;
        case Kind::Integer16:
            registry.setKeyType(cRegistry::REG_DWORD);
            registry.setKeyValue(int(qint16(value.toInt())));
            break;
        case Kind::Text:
            registry.setKeyType(cRegistry::REG_SZ);
            registry.setKeyValue(value.toString());
            break;
        }
    }
}
