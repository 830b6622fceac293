#pragma once

#include "bookmarks/forums.h"

#include <QString>

#include <functional>

class NetscapeBookmarks;
namespace Browsers {
struct Folder;
}

// The text listing of bookmarks: sections with a title line, then one line per
// entry, the title in columns 5 to 54 and the address from column 60.
class BookmarkExport
{
public:
    QByteArray bytes() const { return m_out.toUtf8(); }
    const QString& text() const { return m_out; }

    void rootHeader(const QString& title);
    void folderHeader(const QString& path);
    void line(const QString& title, const QString& text);

    void webFavorites(bool compuServe);
    void forums(const Forums::Collection& forums);
    void userFolder(const QString& folderName, bool supportCompuServe);
    // `favoritesRoot` ends in "\"; `path` is below it, empty for the root.
    // `yield` runs once per directory entry.
    void favoritesFolder(const QString& favoritesRoot, const QString& path, const std::function<void()>& yield = {});
    // The folder `startFolder` (0: the file's root), its links first, then
    // each sub-folder as a section headed by its path below `startPath`.
    void netscape(const NetscapeBookmarks& bookmarks, int startFolder, const QString& startPath);

    // A browser's store (or one of its folders, at `startPath` below the
    // store): its links, then each sub-folder as a section headed by its path.
    void browser(const QString& title, const Browsers::Folder& folder, const QString& startPath);

private:
    QString m_out;
};
