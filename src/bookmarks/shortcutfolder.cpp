// The Favorites folder: a tree of folders holding Internet Shortcut files,
// one per entry, named by its title. Other programs change it at any time,
// so every write checks the disk as it is, and nothing is written or removed
// outside the folder.
#include "bookmarks/exporter.h"
#include "bookmarks/favorites.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "bookmarks/storeparts.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/journal.h"
#include "store/cSettings.h"

#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Stores {
namespace {

// A shortcut is a few lines; what is larger is no shortcut the Trash keeps whole.
constexpr qint64 kMostShortcutBytes = 1024 * 1024;

class ShortcutFolder final : public Store
{
public:
    ShortcutFolder(Favorites::FolderListings& listings, const cSettings& settings)
        : m_listings(listings), m_settings(settings)
    {
    }

    int source() const override { return Keys::InternetExplorerSource; }
    bool hasSubFolders() const override { return true; }
    bool shown() override { return m_settings.SupportInternetExplorer(); }

    // Deeper levels that cannot be read throw; what was given stays.
    QStringList readFolders(const std::function<void(const TreeNode&)>& add,
                            const std::function<void()>& yield) override
    {
        Favorites::loadTree(
            Favorites::folder(),
            [&add](const Favorites::FolderNode& folder) {
                add({folder.parentKey, folder.key, folder.text, folder.image});
            },
            yield);
        return {};
    }

    bool mayHideFolders() const override { return true; }
    bool folderHidden(const Place& folder) const override
    {
        const QString root = Favorites::folder();
        return !root.isEmpty() && !folder.folderPath.isEmpty() && Favorites::isHiddenFolder(root + folder.folderPath);
    }
    Drop takesDropFrom(const Store& from) const override
    {
        return from.entryKind() == 2 ? Drop::HighlightOnly : Drop::Add; // a go word is no address
    }

    QString folderPath(const QString& fullPath, const QString&) const override
    {
        return Keys::favoritesRelativePath(fullPath);
    }

    QString typedAddress(const QString& typed) const override { return withScheme(typed); }

    QList<Row> list(const Place& folder) override
    {
        QList<Row> rows;
        const QString root = Favorites::folder();
        if (root.isEmpty())
            return rows;
        QString path = root + folder.folderPath;
        if (!path.trimmed().endsWith(QLatin1Char('\\')))
            path += QLatin1Char('\\');
        QStringList names;
        try {
            names = m_listings.list(path);
        } catch (const cError& error) {
            // A Favorites folder that is not there is an empty store, not a fault.
            if (folder.folderPath.isEmpty() && error.Number() == ErrorNumber::PathNotFound)
                return rows;
            throw;
        }
        rows.reserve(names.size());
        for (qsizetype i = 0; i < names.size(); ++i)
            rows.append({Keys::itemKey(i), names[i], ListImage::WebPage});
        return rows;
    }

    void exportTo(BookmarkExport& out, const Place& folder, const std::function<void()>& yield) override
    {
        const QString root = Favorites::folder();
        if (root.isEmpty())
            out.rootHeader(QStringLiteral("Microsoft Internet Explorer Favorites"));
        else
            out.favoritesFolder(root, folder.folderPath, yield);
    }

    // Thousands of shortcuts are read over several steps; the part found so
    // far stays until the new one is whole. Other programs change the
    // folder: it is looked at again when the caller allows.
    std::unique_ptr<FindPart> findPart(const Place&) override
    {
        class Part final : public FindPart
        {
        public:
            explicit Part(Favorites::FolderListings& listings) : m_listings(listings) {}
            bool outOfDate(bool lookAtDisk) const override
            {
                return Favorites::folder() != m_root || (lookAtDisk && Find::changedSince(m_stamps));
            }
            bool gather(const QDeadlineTimer& deadline, std::vector<Find::Entry>* entries) override
            {
                const QString root = Favorites::folder();
                if (!m_gathering || m_gathering->root() != root)
                    m_gathering = std::make_unique<Find::FavoritesGathering>(root, &m_listings);
                if (!m_gathering->step(deadline))
                    return false;
                m_root = root;
                m_stamps = m_gathering->takeStamps();
                *entries = m_gathering->takeEntries();
                m_gathering.reset();
                return true;
            }

        private:
            Favorites::FolderListings& m_listings;
            std::unique_ptr<Find::FavoritesGathering> m_gathering;
            QString m_root;
            std::vector<Find::FolderStamp> m_stamps;
        };
        return std::make_unique<Part>(m_listings);
    }

    std::optional<Entry> read(const Place& entry) const override
    {
        const QString file = shortcut(entry, entry.name);
        if (file.isEmpty())
            return std::nullopt;
        return Entry{entry.name, Favorites::ReadShortcutUrl(file), 0};
    }

    Result checkName(const QString& name) const override { return checkedAs(Names::Target::ShortcutFile, name); }

    bool contains(const Place& folder, const QString& name) const override
    {
        const QString file = shortcut(folder, name);
        return !file.isEmpty() && occupied(platform::diskPath(file));
    }

    Result add(const Place& folder, const Entry& entry, const Place*) override
    {
        QString file;
        const Result checked = newFile(folder, entry.name, &file);
        if (!checked.ok())
            return checked;
        QString why;
        if (!Favorites::WriteShortcut(file, Names::address(entry.address), &why))
            return Result::failed(checked.what, why);
        return checked;
    }

    // The file's time: when the shortcut was made or last written.
    qint64 addedAt(const Place& entry) const override
    {
        const QString file = shortcut(entry, entry.name);
        const QFileInfo info(platform::diskPath(file));
        if (file.isEmpty() || !info.isFile())
            return 0;
        const QDateTime born = info.birthTime();
        return (born.isValid() ? born : info.lastModified()).toSecsSinceEpoch();
    }

    QByteArray bytesOf(const Place& entry) const override
    {
        const QString file = shortcut(entry, entry.name);
        QFile read(platform::diskPath(file));
        if (file.isEmpty() || !QFileInfo(read.fileName()).isFile() || !read.open(QIODevice::ReadOnly) ||
            read.size() > kMostShortcutBytes)
            return {}; // never a part of a file taken for the whole
        return read.readAll();
    }

    // The shortcut's own bytes (its icon, its other sections), where they
    // still hold its address; a file is never written outside the folder.
    Result addWithBytes(const Place& folder, const Entry& entry, const QByteArray& bytes) override
    {
        QString file;
        const Result checked = newFile(folder, entry.name, &file);
        if (!checked.ok())
            return checked;
        if (occupied(platform::diskPath(file)))
            return Result::exists(checked.what, Names::existsInFolder(checked.what, folder.folderText));
        QString why;
        if (!platform::writeFileAtomically(
                file, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, &why))
            return Result::failed(checked.what, why);
        if (Favorites::ReadShortcutUrl(file) != Names::address(entry.address)) {
            // Not the entry's own bytes after all: written as a new shortcut is.
            if (!Favorites::WriteShortcut(file, Names::address(entry.address), &why))
                return Result::failed(checked.what, why);
        }
        return checked;
    }

    Result change(const Place& old, const Entry& now) override
    {
        const Result checked = checkName(now.name);
        if (!checked.ok())
            return checked;
        const QString file = shortcut(old, checked.what);
        const QString previous = shortcut(old, old.name);
        if (file.isEmpty())
            return Result::failed(checked.what, QStringLiteral("no Favorites folder is set"));
        const QFileInfo target(platform::diskPath(file));
        // A new name that differs only where the file system does not tell names apart is the same file.
        const bool sameFile =
            previous == file || (target.exists() && target.canonicalFilePath() ==
                                                        QFileInfo(platform::diskPath(previous)).canonicalFilePath());
        if (!sameFile && occupied(platform::diskPath(file)))
            return Result::exists(checked.what, Names::existsInFolder(checked.what, old.folderText));
        if (!Favorites::isInside(file) || !Favorites::isInside(previous))
            return Result::failed(checked.what, outside());
        // The new file first, then the old one goes: a failure never loses the
        // shortcut. Its other lines go along: an edit changes only the address.
        QString why;
        if (!Favorites::WriteShortcut(file, Names::address(now.address), &why, bytesOf(old)))
            return Result::failed(checked.what, why);
        if (!sameFile) {
            platform::journal::fileChanging(previous);
            QFile::remove(platform::diskPath(previous));
        }
        return checked;
    }

    Result remove(const Place& entry, const Entry* expected) override
    {
        const QString file = shortcut(entry, entry.name);
        if (file.isEmpty() || !Favorites::isInside(file))
            return Result::failed(entry.name, outside()); // never removed unless it lies inside the Favorites folder
        const QString onDisk = platform::diskPath(file);
        if (expected && (!QFileInfo(onDisk).isFile() || Favorites::ReadShortcutUrl(file) != expected->address))
            return Result::refused(entry.name, {}); // changed or gone since: not ours to remove
        platform::journal::fileChanging(onDisk);
        if (!QFile::remove(onDisk) && QFileInfo::exists(onDisk))
            return Result::failed(entry.name);
        return Result::done(entry.name);
    }

    bool holdsFolders() const override { return true; }
    bool folderCanChange(const Place& folder) const override
    {
        return Keys::NodeKey::parse(folder.folderKey).kind == Keys::NodeKey::Kind::Folder;
    }

    Result checkFolderName(const QString& name) const override { return checkedAs(Names::Target::Directory, name); }

    Result addFolder(const Place& parent, const QString& name) override
    {
        const QString root = Favorites::folder();
        if (root.isEmpty())
            return Result::refused(name, {});
        const QString path = platform::diskPath(
            platform::nativePath(Favorites::pathIn(root, parent.folderPath, QString())) + Favorites::fileNameOf(name));
        if (occupied(path))
            return Result::exists(name, {});
        if (!Favorites::isInside(path))
            return Result::refused(name, outsideOf(parent));
        platform::journal::fileChanging(path);
        if (!QDir().mkdir(path))
            return Result::failed(name,
                                  QStringLiteral("The folder '") + name +
                                      QStringLiteral("' could not be created in \"") +
                                      QDir::toNativeSeparators(QFileInfo(path).path()) + QStringLiteral("\"."));
        return Result::done(name);
    }

    Result renameFolder(const Place& folder, const QString& name) override
    {
        const QString root = Favorites::folder();
        if (root.isEmpty())
            return Result::refused(name, {});
        const QString oldPath = platform::diskPath(platform::nativePath(root + folder.folderPath));
        const QString newPath = QFileInfo(oldPath).path() + QLatin1Char('/') + Favorites::fileNameOf(name);
        if (occupied(newPath) && QFileInfo(newPath).canonicalFilePath() != QFileInfo(oldPath).canonicalFilePath())
            return Result::exists(name, {});
        if (!Favorites::isInside(oldPath) || !Favorites::isInside(newPath))
            return Result::refused(name, outsideOf(folder));
        platform::journal::fileChanging(oldPath);
        platform::journal::fileChanging(newPath);
        if (!QDir().rename(oldPath, newPath))
            throw cError(ErrorNumber::PathFileAccessError);
        return Result::done(name);
    }

    Result removeFolder(const Place& folder, const std::function<void()>& yield) override
    {
        const QString root = Favorites::folder();
        const QString path = root + folder.folderPath;
        if (!root.isEmpty() && !Favorites::isInside(platform::nativePath(path)))
            return Result::refused(folder.folderText, outsideOf(folder));
        if (root.isEmpty() ||
            platform::fileAttributes(path) & (platform::FileAttribute::Hidden | platform::FileAttribute::System))
            return Result::refused(folder.folderText,
                                   QLatin1Char('\'') + folder.folderText +
                                       QStringLiteral("' is a Hidden or System folder and cannot be deleted"));
        platform::journal::fileChanging(path);
        Favorites::DeleteFolderTree(path, yield);
        return Result::done(folder.folderText);
    }

    Storage storage() const override
    {
        const QString root = Favorites::folder();
        return {root.isEmpty() ? QStringList() : QStringList{root}, {}};
    }

private:
    static QString outsideOf(const Place& folder)
    {
        return QLatin1Char('\'') + folder.folderText +
               QStringLiteral("' lies outside your Favorites folder; nothing was changed.");
    }

    // The name as kept and the shortcut file a new entry of it goes to, or
    // why it cannot: a name refused, no Favorites folder, a file outside it.
    Result newFile(const Place& folder, const QString& name, QString* file) const
    {
        const Result checked = checkName(name);
        if (!checked.ok())
            return checked;
        *file = shortcut(folder, checked.what);
        if (file->isEmpty())
            return Result::failed(checked.what, QStringLiteral("no Favorites folder is set"));
        if (!Favorites::isInside(*file))
            return Result::failed(checked.what, outside());
        return checked;
    }

    // The shortcut file of a name in the place's folder; empty while no Favorites folder is set.
    static QString shortcut(const Place& place, const QString& name)
    {
        const QString root = Favorites::folder();
        if (root.isEmpty())
            return {};
        return platform::nativePath(Favorites::pathIn(root, place.folderPath, QString())) +
               Favorites::fileNameOf(name) + QStringLiteral(".url");
    }

    static bool occupied(const QString& onDisk) { return QFileInfo::exists(onDisk) || QFileInfo(onDisk).isSymLink(); }
    static QString outside() { return QStringLiteral("the folder lies outside your Favorites folder"); }

    Favorites::FolderListings& m_listings;
    const cSettings& m_settings;
};

} // namespace

std::unique_ptr<Store> makeShortcutFolder(Favorites::FolderListings& listings, const cSettings& settings)
{
    return std::make_unique<ShortcutFolder>(listings, settings);
}

} // namespace Stores
