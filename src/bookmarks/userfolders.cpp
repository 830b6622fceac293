// The user folders: one registry key per folder, one key per entry in it
// with its address ("URL") and its kind ("Type"). Any kind may be kept.
#include "bookmarks/exporter.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/storeparts.h"
#include "store/cSettings.h"

namespace Stores {
namespace {

class UserFolders final : public Store
{
public:
    explicit UserFolders(cSettings& settings) : m_settings(settings) {}

    int source() const override { return Keys::FirstUserFolder; }
    int entryKind() const override { return -1; }
    bool acceptsKind(int kind) const override { return kind >= 0 && kind <= 2; }
    Drop takesDropFrom(const Store& from) const override
    {
        return Keys::isBrowserSource(from.source()) ? Drop::HighlightOnly : Drop::Add;
    }

    // A user folder is named by its shown name.
    QString folderPath(const QString&, const QString& text) const override { return text; }

    // One top for each folder, numbered anew at each building of the tree.
    QList<TreeNode> tops() const override
    {
        QList<TreeNode> nodes;
        int number = Keys::FirstUserFolder;
        for (const QString& name : RegistryStores::userFolderNames())
            nodes.append({Keys::TopKey, Keys::rootKey(number++), name, TreeImage::Folder});
        return nodes;
    }
    bool topIsStore() const override { return false; }

    // Forum go words are left out while CompuServe is off.
    QList<Row> list(const Place& folder) override
    {
        QList<Row> rows;
        for (RegistryStores::ListEntry& listed : m_listings.list(folder.folderPath, m_settings.SupportCompuServe()))
            rows.append({std::move(listed.key), std::move(listed.text), listed.image});
        return rows;
    }

    void exportTo(BookmarkExport& out, const Place& folder, const std::function<void()>&) override
    {
        out.userFolder(folder.folderPath, m_settings.SupportCompuServe());
    }

    std::unique_ptr<FindPart> findPart(const Place& top) override
    {
        const QString name = top.folderPath;
        const int source = Keys::sourceNumber(top.folderKey);
        const bool compuServe = m_settings.SupportCompuServe();
        return std::make_unique<RegistryFindPart>(RegistryStores::userFolderKey(name), [name, source, compuServe] {
            return Find::userFolder(name, source, compuServe);
        });
    }

    std::optional<Entry> read(const Place& entry) const override
    {
        return Entry{entry.name,
                     RegistryStores::userEntryUrl(entry.folderPath, entry.name),
                     RegistryStores::userEntryType(entry.folderPath, entry.name)};
    }

    Result checkName(const QString& name) const override { return checkedAs(Names::Target::RegistryKey, name); }

    bool contains(const Place& folder, const QString& name) const override
    {
        return RegistryStores::hasUserEntry(folder.folderPath, name);
    }

    Result add(const Place& folder, const Entry& entry, const Place*) override
    {
        Result result = checkName(entry.name);
        if (result.ok() &&
            !RegistryStores::writeUserEntry(folder.folderPath, result.what, Names::address(entry.address), entry.kind))
            result = Result::failed(result.what);
        return result;
    }

    Result change(const Place& old, const Entry& now) override
    {
        Result result = checkName(now.name);
        if (result.ok() && !RegistryStores::renameUserEntry(
                               old.folderPath, old.name, result.what, Names::address(now.address), now.kind))
            result = Result::failed(result.what);
        return result;
    }

    // A user folder is a top-level folder of its own.
    bool folderCanChange(const Place&) const override { return true; }

    Result checkFolderName(const QString& name) const override { return checkName(name); }

    Result addFolder(const Place&, const QString& name) override
    {
        if (RegistryStores::hasUserFolder(name))
            return Result::exists(name, {});
        if (!RegistryStores::createUserFolder(name))
            return Result::failed(name,
                                  QStringLiteral("The folder '") + name + QStringLiteral("' could not be created."));
        return Result::done(name);
    }

    Result renameFolder(const Place& folder, const QString& name) override
    {
        const QString& old = folder.folderPath;
        if (RegistryStores::hasUserFolder(name) && name.compare(old, Qt::CaseInsensitive) != 0)
            return Result::exists(name, {});
        // The new folder with copies of the entries is written and checked before the old one goes.
        if (!RegistryStores::renameUserFolder(old, name))
            return Result::failed(name,
                                  QStringLiteral("The folder '") + old + QStringLiteral("' could not be renamed to '") +
                                      name + QStringLiteral("'; it is unchanged."));
        return Result::done(name);
    }

    Result removeFolder(const Place& folder, const std::function<void()>&) override
    {
        RegistryStores::deleteUserFolder(folder.folderPath);
        return Result::done(folder.folderPath);
    }

    Result remove(const Place& entry, const Entry* expected) override
    {
        if (expected && (!RegistryStores::hasUserEntry(entry.folderPath, entry.name) ||
                         RegistryStores::userEntryUrl(entry.folderPath, entry.name) != expected->address))
            return Result::refused(entry.name, {}); // changed or gone since: not ours to remove
        RegistryStores::removeUserEntry(entry.folderPath, entry.name);
        return Result::done(entry.name);
    }

    Storage storage() const override { return {{}, {RegistryStores::foldersKey()}}; }

private:
    cSettings& m_settings;
    RegistryStores::UserFolderListings m_listings;
};

} // namespace

std::unique_ptr<Store> makeUserFolders(cSettings& settings)
{
    return std::make_unique<UserFolders>(settings);
}

} // namespace Stores
