#pragma once

#include <QString>
#include <QVariant>

#include <array>

// The program's settings, kept under the user's registry key of the program.
// Assigning AppName loads them all; the let operations change memory only and
// Update writes all of them back.
class cSettings
{
public:
    // Inline, so that other files' constants built from it see it initialised.
    static inline const QString kRegistryKey = QStringLiteral("Software\\Veltrane Software\\Markcrate");

    enum Setting
    {
        AlwaysOnTopSetting,
        HideOnLaunchSetting,
        SupportInternetExplorerSetting,
        SupportNetscapeSetting,
        SupportCompuServeSetting,
        ShowMoreSetting,
        ReloadBookmarksSetting,
        TreatBookmarksAsReadOnlySetting,
        ExpandFoldersOnRefreshSetting,
        ContentTypeSetting,
        CForumURLSetting,
        YahooSearchURLSetting,
        BookmarkLocationSetting,
        SupportFirefoxSetting,
        SupportChromiumSetting,
        GlobalShortcutSetting,
        SettingCount
    };
    enum class Kind
    {
        Boolean,
        Integer16,
        Text
    };
    struct Definition
    {
        Setting setting;
        const char* valueName;
        Kind kind;
        QVariant defaultValue;
    };
    // Every setting once: its registry value name, its kind and its default.
    static const std::array<Definition, SettingCount>& definitions();

    cSettings();

    QString BookmarkLocation() const { return text(BookmarkLocationSetting); }
    void setBookmarkLocation(const QString& value) { m_values[BookmarkLocationSetting] = value; }
    qint16 ContentType() const { return qint16(m_values[ContentTypeSetting].toInt()); }
    void setContentType(qint16 value) { m_values[ContentTypeSetting] = int(value); }
    bool ExpandFoldersOnRefresh() const { return flag(ExpandFoldersOnRefreshSetting); }
    void setExpandFoldersOnRefresh(bool value) { m_values[ExpandFoldersOnRefreshSetting] = value; }
    bool ReloadBookmarks() const { return flag(ReloadBookmarksSetting); }
    void setReloadBookmarks(bool value) { m_values[ReloadBookmarksSetting] = value; }
    bool ShowMore() const { return flag(ShowMoreSetting); }
    void setShowMore(bool value) { m_values[ShowMoreSetting] = value; }
    bool SupportCompuServe() const { return flag(SupportCompuServeSetting); }
    void setSupportCompuServe(bool value) { m_values[SupportCompuServeSetting] = value; }
    bool SupportInternetExplorer() const { return flag(SupportInternetExplorerSetting); }
    void setSupportInternetExplorer(bool value) { m_values[SupportInternetExplorerSetting] = value; }
    bool SupportNetscape() const { return flag(SupportNetscapeSetting); }
    void setSupportNetscape(bool value) { m_values[SupportNetscapeSetting] = value; }
    QString YahooSearchURL() const { return text(YahooSearchURLSetting); }
    void setYahooSearchURL(const QString& value) { m_values[YahooSearchURLSetting] = value; }
    QString CForumURL() const { return text(CForumURLSetting); }
    void setCForumURL(const QString& value) { m_values[CForumURLSetting] = value; }
    bool HideOnLaunch() const { return flag(HideOnLaunchSetting); }
    void setHideOnLaunch(bool value) { m_values[HideOnLaunchSetting] = value; }
    bool AlwaysOnTop() const { return flag(AlwaysOnTopSetting); }
    void setAlwaysOnTop(bool value) { m_values[AlwaysOnTopSetting] = value; }
    // The browsers' own stores, shown read-only where they exist.
    bool SupportFirefox() const { return flag(SupportFirefoxSetting); }
    void setSupportFirefox(bool value) { m_values[SupportFirefoxSetting] = value; }
    bool SupportChromium() const { return flag(SupportChromiumSetting); }
    void setSupportChromium(bool value) { m_values[SupportChromiumSetting] = value; }
    // The key that shows the window from any application ("none": no key).
    QString GlobalShortcut() const { return text(GlobalShortcutSetting); }
    void setGlobalShortcut(const QString& value) { m_values[GlobalShortcutSetting] = value; }
    bool TreatBookmarksAsReadOnly() const { return flag(TreatBookmarksAsReadOnlySetting); }
    void setTreatBookmarksAsReadOnly(bool value) { m_values[TreatBookmarksAsReadOnlySetting] = value; }

    QString AppName() const { return m_appName; }
    // Stores the name and loads every setting from the registry.
    void setAppName(const QString& name);

    // Writes every setting, changed or not.
    void Update();

private:
    bool flag(Setting setting) const { return m_values[setting].toBool(); }
    QString text(Setting setting) const { return m_values[setting].toString(); }
    void load();

    QString m_appName;
    std::array<QVariant, SettingCount> m_values;
};
