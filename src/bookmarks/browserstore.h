#pragma once

#include "bookmarks/browsers.h"
#include "bookmarks/stores.h"
#include "platform/files.h"

#include <QHash>
#include <QSet>

namespace Stores {

// A browser's own bookmarks (Firefox's, or the Chromium family's), read
// only: the profiles found, what was last read of them, its folders by the
// numbers the tree keys them by, and how often it was read.
class BrowserBookmarks final : public Store
{
public:
    BrowserBookmarks(int source, const cSettings& settings) : m_source(source), m_settings(settings) {}

    int source() const override { return m_source; }
    bool readOnly() const override { return true; }
    bool acceptsKind(int) const override { return false; }
    bool hasSubFolders() const override { return true; }
    Drop takesDropFrom(const Store&) const override { return Drop::Refused; }

    // Shown where the user wants it and the browser has a profile here.
    bool shown() override;
    // Reads every profile found again. A damaged file is told of once while
    // it stays damaged; once it reads again, a new damage is told again.
    QStringList readFolders(const std::function<void(const TreeNode&)>& add, const std::function<void()>&) override;
    QStringList watched() const override { return m_contents.watched; }
    bool changedSinceRead() const override;

    QList<Row> list(const Place& folder) override;
    std::unique_ptr<FindPart> findPart(const Place& top) override;
    // A folder is named by its path below the store's top.
    QString folderPath(const QString& fullPath, const QString&) const override
    {
        return fullPath.section(QLatin1Char('\\'), 2);
    }
    void exportTo(BookmarkExport& out, const Place& folder, const std::function<void()>&) override;
    std::optional<Entry> read(const Place& entry) const override;
    qint64 addedAt(const Place& entry) const override;
    Result checkName(const QString& name) const override { return Result::refused(name, {}); }
    bool contains(const Place&, const QString&) const override { return false; }
    Result add(const Place&, const Entry& entry, const Place*) override { return Result::refused(entry.name, {}); }
    Result change(const Place& old, const Entry&) override { return Result::refused(old.name, {}); }
    Result remove(const Place& entry, const Entry*) override { return Result::refused(entry.name, {}); }

    // Forgets what was read (the store is not shown).
    void clear();

    const Browsers::Source& contents() const { return m_contents; }
    // The folder a tree key of this store stands for (its root key: the top), or null.
    const Browsers::Folder* folder(const QString& nodeKey) const;
    // Counts the readings: what copies the contents (the find index) knows when to copy again.
    quint64 generation() const { return m_generation; }

private:
    // Every folder below the top in tree order, each with its parent's number (-1: the top).
    struct Numbered
    {
        int number;
        int parent;
        const Browsers::Folder* folder;
    };

    // Looks for the browser's profiles (none unless `wanted`); true when there is one.
    bool findProfiles(bool wanted);
    // `copyFolder` holds the private copies Firefox's database is read from.
    void readAgain(const QString& copyFolder);

    int m_source;
    const cSettings& m_settings;
    QList<Browsers::Profile> m_profiles;
    Browsers::Source m_contents;
    std::vector<Numbered> m_folders;
    // The watched files as they were when read (taken before the reading,
    // so that a write during it counts as a change).
    QHash<QString, platform::FileStamp> m_readStamps;
    // The files whose damage the user was told of.
    QSet<QString> m_told;
    quint64 m_generation = 0;
};

} // namespace Stores
