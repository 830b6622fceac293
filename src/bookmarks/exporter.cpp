#include "bookmarks/exporter.h"

#include "bookmarks/browsers.h"
#include "bookmarks/favorites.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/sortnames.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QSet>

#include <vector>

namespace {

constexpr int kIndent = 4;
constexpr int kTitleWidth = 50;
constexpr int kTextColumn = 60;
const QString kLineEnd = QStringLiteral("\r\n");

} // namespace

void BookmarkExport::rootHeader(const QString& title)
{
    m_out += kLineEnd + title + kLineEnd + kLineEnd;
}

void BookmarkExport::folderHeader(const QString& path)
{
    m_out += kLineEnd + QString(kIndent, QLatin1Char(' ')) + path.trimmed() + kLineEnd + kLineEnd;
}

namespace {

// The first `count` characters (code points: a pair of surrogates is one),
// and how many it holds.
QString leftCharacters(const QString& text, qsizetype count, qsizetype* taken)
{
    qsizetype units = 0;
    qsizetype characters = 0;
    while (units < text.size() && characters < count) {
        units +=
            text.at(units).isHighSurrogate() && units + 1 < text.size() && text.at(units + 1).isLowSurrogate() ? 2 : 1;
        ++characters;
    }
    *taken = characters;
    return text.left(units);
}

} // namespace

void BookmarkExport::line(const QString& title, const QString& text)
{
    qsizetype characters = 0;
    const QString shown = leftCharacters(title, kTitleWidth, &characters);
    const qsizetype padding = qMax<qsizetype>(0, kTextColumn - 1 - kIndent - characters);
    m_out +=
        QString(kIndent, QLatin1Char(' ')) + shown + QString(padding, QLatin1Char(' ')) + text.trimmed() + kLineEnd;
}

void BookmarkExport::webFavorites(bool compuServe)
{
    rootHeader(compuServe ? QStringLiteral("CompuServe Web Forum Favorites") : QStringLiteral("Web Favorites Folder"));
    for (const RegistryStores::ListEntry& entry : RegistryStores::listFavorites(compuServe))
        line(entry.text, RegistryStores::favoriteText(compuServe, entry.text));
}

void BookmarkExport::forums(const Forums::Collection& forums)
{
    rootHeader(QStringLiteral("CompuServe Web Forums"));
    for (const auto& name : forums)
        line(*name, *name);
}

void BookmarkExport::userFolder(const QString& folderName, bool supportCompuServe)
{
    rootHeader(folderName.trimmed());
    const QHash<QString, QString> urls = RegistryStores::userEntryUrls(folderName);
    for (const RegistryStores::ListEntry& entry : RegistryStores::listUserFolder(folderName, supportCompuServe))
        line(entry.text, urls.value(entry.text));
}

void BookmarkExport::favoritesFolder(const QString& favoritesRoot,
                                     const QString& path,
                                     const std::function<void()>& yield)
{
    // Depth first in sorted order, with a stack instead of recursion.
    std::vector<QString> pending{path};
    while (!pending.empty()) {
        const QString current = pending.back();
        pending.pop_back();
        if (current.trimmed().isEmpty())
            rootHeader(QStringLiteral("Microsoft Internet Explorer Favorites"));
        else
            folderHeader(current);
        QString folder = favoritesRoot + current;
        if (!folder.endsWith(QLatin1Char('\\')))
            folder += QLatin1Char('\\');
        QStringList shortcuts;
        QStringList folders;
        try {
            for (const platform::FileEntry& entry :
                 platform::findEntries(folder,
                                       platform::FileAttribute::Directory | platform::FileAttribute::Hidden |
                                           platform::FileAttribute::System | platform::FileAttribute::ReadOnly,
                                       false)) {
                if (yield)
                    yield();
                if (entry.attributes & platform::FileAttribute::Directory) {
                    if (!entry.isSymLink)
                        folders.append(entry.name); // a link could lead the export round in a circle
                } else if (entry.name.trimmed().endsWith(QLatin1String(".url"), Qt::CaseInsensitive)) {
                    shortcuts.append(entry.name.left(entry.name.size() - 4));
                }
            }
        } catch (const cError& error) {
            if (error.Number() != ErrorNumber::InvalidProcedureCall)
                throw;
        }
        SortNames(shortcuts);
        for (const QString& name : shortcuts)
            line(name, Favorites::ReadShortcutUrl(folder + name + QStringLiteral(".url")));
        SortNames(folders);
        for (auto it = folders.crbegin(); it != folders.crend(); ++it)
            pending.push_back(current + QLatin1Char('\\') + *it);
    }
}

void BookmarkExport::netscape(const NetscapeBookmarks& bookmarks, int startFolder, const QString& startPath)
{
    rootHeader(QStringLiteral("Netscape Favorites"));
    struct Folder
    {
        int number;
        QString path;
        bool header;
    };
    std::vector<Folder> pending{{startFolder, startPath, false}};
    QSet<int> seen{startFolder};
    while (!pending.empty()) {
        const Folder folder = pending.back();
        pending.pop_back();
        if (folder.header)
            folderHeader(folder.path);
        std::vector<Folder> subFolders;
        for (qsizetype position : bookmarks.childrenOf(folder.number)) {
            const cBookmark& record = *bookmarks.records().at(position);
            if (record.BookmarkType() == cBookmark::LinkType) {
                line(record.Title(), record.URL());
            } else if (record.BookmarkType() == cBookmark::FolderType) {
                const int number = NetscapeBookmarks::folderNumber(record);
                if (!seen.contains(number)) {
                    seen.insert(number);
                    subFolders.push_back(Folder{number, folder.path + QLatin1Char('\\') + record.Title(), true});
                }
            }
        }
        for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it)
            pending.push_back(*it);
    }
}

void BookmarkExport::browser(const QString& title, const Browsers::Folder& folder, const QString& startPath)
{
    rootHeader(title);
    for (const Browsers::Link& link : folder.links)
        line(link.title, link.url);
    std::vector<QString> paths;
    Browsers::forEachFolder(folder, [&](int, int parent, const Browsers::Folder& sub) {
        paths.push_back((parent < 0 ? startPath : paths[size_t(parent)]) + QLatin1Char('\\') + sub.title);
        folderHeader(paths.back());
        for (const Browsers::Link& link : sub.links)
            line(link.title, link.url);
    });
}
