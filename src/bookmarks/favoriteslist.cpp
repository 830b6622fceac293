// Web Favorites and CompuServe Web Favorites: one registry value per entry,
// named by its title, holding its address (or go word). Flat and sorted by
// title, so it has no order of its own.
#include "bookmarks/exporter.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/storeparts.h"
#include "store/cSettings.h"

namespace Stores {
namespace {

class FavoritesList final : public Store
{
public:
    FavoritesList(bool compuServe, const cSettings& settings) : m_compuServe(compuServe), m_settings(settings) {}

    int source() const override { return m_compuServe ? Keys::CompuServeFavoritesSource : Keys::WebFavoritesSource; }
    int entryKind() const override { return kind(); }
    bool shown() override { return !m_compuServe || m_settings.SupportCompuServe(); }

    // Go words come from the forum list; addresses from the stores with folders.
    Drop takesDropFrom(const Store& from) const override
    {
        if (m_compuServe)
            return from.source() == Keys::ForumsSource ? Drop::Add : Drop::Refused;
        return from.hasSubFolders() ? Drop::AddUnlessFolderFocused : Drop::Refused;
    }

    QList<Row> list(const Place&) override
    {
        QList<Row> rows;
        for (RegistryStores::ListEntry& listed : RegistryStores::listFavorites(m_compuServe))
            rows.append({std::move(listed.key), std::move(listed.text), listed.image});
        return rows;
    }

    void exportTo(BookmarkExport& out, const Place&, const std::function<void()>&) override
    {
        out.webFavorites(m_compuServe);
    }

    // Gathered again when its registry key changed.
    std::unique_ptr<FindPart> findPart(const Place&) override
    {
        const bool compuServe = m_compuServe;
        return std::make_unique<RegistryFindPart>(compuServe ? RegistryStores::compuServeFavoritesKey()
                                                             : RegistryStores::webFavoritesKey(),
                                                  [compuServe] { return Find::webFavorites(compuServe); });
    }

    std::optional<Entry> read(const Place& entry) const override
    {
        return Entry{entry.name, RegistryStores::favoriteText(m_compuServe, entry.name), kind()};
    }

    Result checkName(const QString& name) const override { return checkedAs(Names::Target::RegistryValue, name); }

    bool contains(const Place&, const QString& name) const override
    {
        return RegistryStores::hasFavorite(m_compuServe, name);
    }

    QString existsMessage(const QString& name, const Place&) const override
    {
        return Names::existsInList(name, m_compuServe);
    }

    QString addQuestion(const QString& name, const Place&) const override
    {
        return QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your list of ") +
               (m_compuServe ? QStringLiteral("CompuServe Web Favorites?") : QStringLiteral("Web Favorites?"));
    }

    Result add(const Place&, const Entry& entry, const Place*) override
    {
        Result result = checkName(entry.name);
        if (result.ok() && !RegistryStores::writeFavorite(m_compuServe, result.what, Names::address(entry.address)))
            result = Result::failed(result.what);
        return result;
    }

    Result change(const Place& old, const Entry& now) override
    {
        Result result = checkName(now.name);
        if (result.ok() &&
            !RegistryStores::renameFavorite(m_compuServe, old.name, result.what, Names::address(now.address)))
            result = Result::failed(result.what);
        return result;
    }

    Result remove(const Place& entry, const Entry* expected) override
    {
        if (expected && (!RegistryStores::hasFavorite(m_compuServe, entry.name) ||
                         RegistryStores::favoriteText(m_compuServe, entry.name) != expected->address))
            return Result::refused(entry.name, {}); // changed or gone since: not ours to remove
        RegistryStores::removeFavorite(m_compuServe, entry.name);
        return Result::done(entry.name);
    }

    Storage storage() const override
    {
        return {{}, {m_compuServe ? RegistryStores::compuServeFavoritesKey() : RegistryStores::webFavoritesKey()}};
    }

private:
    int kind() const { return m_compuServe ? 2 : 0; }

    bool m_compuServe;
    const cSettings& m_settings;
};

} // namespace

std::unique_ptr<Store> makeFavoritesList(bool compuServe, const cSettings& settings)
{
    return std::make_unique<FavoritesList>(compuServe, settings);
}

} // namespace Stores
