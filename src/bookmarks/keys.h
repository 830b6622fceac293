#pragma once

#include <QString>

// The key scheme every tree node, folder and list item follows:
//   "00A"            the top node
//   "0A" .. "4A"     the source roots (0 CompuServe Web Favorites, 1 Web Favorites,
//                    2 CompuServe Web Forums, 3 IE Favorites, 4 Netscape)
//   "<n>A", n >= 10  user folder n
//   "5A", "6A"       the browsers' own stores (5 Firefox, 6 the Chromium family), read only
//   "7A"             the Trash, after the user folders
//   "<n>X3A", "<n>X4A" sub-folder (record n) inside source 3 or 4
//   "<n>X5A", "<n>X6A" sub-folder n (in pre-order from 0) inside source 5 or 6
//   "<n>X"           a list item
// The list's images: what each row is.
namespace ListImage {
inline constexpr int GoWord = 1;
inline constexpr int Folder = 2;
inline constexpr int WebPage = 3;
inline constexpr int UpOneLevel = 4;
inline constexpr int Search = 5;
} // namespace ListImage

// The tree's images: what each node is, resting or opened (shown in the list).
namespace TreeImage {
inline constexpr int OpenFolder = 1;
inline constexpr int Folder = 2;
inline constexpr int OpenStore = 3; // the top node too
inline constexpr int Store = 4;
inline constexpr int OpenHidden = 5;
inline constexpr int Hidden = 6;
} // namespace TreeImage

namespace Keys {

inline constexpr int CompuServeFavoritesSource = 0;
inline constexpr int WebFavoritesSource = 1;
inline constexpr int ForumsSource = 2;
inline constexpr int InternetExplorerSource = 3;
inline constexpr int NetscapeSource = 4;
inline constexpr int FirefoxSource = 5;
inline constexpr int ChromiumSource = 6;
inline constexpr int TrashSource = 7;
inline constexpr int FirstUserFolder = 10;

// The browsers' stores, which the program reads and never writes.
inline constexpr bool isBrowserSource(int source)
{
    return source == FirefoxSource || source == ChromiumSource;
}

inline const QString TopKey = QStringLiteral("00A");
inline const QString TopText = QStringLiteral("Bookmarks");

// A key of the tree or the list, read once: what it names, in which source.
struct NodeKey
{
    enum class Kind
    {
        None,   // not a key of the scheme
        Top,    // "00A"
        Root,   // "<source>A": a source root or a user folder
        Folder, // "<number>X<source>A": a folder below a source root
        Item,   // "<number>X": a list item
    };
    Kind kind = Kind::None;
    int source = -1; // -1 for a list item, which names no source
    int number = -1; // the folder's or item's number; -1 for the top and the roots

    static NodeKey parse(const QString& key);
    static NodeKey top() { return {Kind::Top, 0, -1}; }
    static NodeKey root(int source) { return {Kind::Root, source, -1}; }
    static NodeKey folder(int number, int source) { return {Kind::Folder, source, number}; }
    static NodeKey item(int number) { return {Kind::Item, -1, number}; }

    // The key as the tree and list keep it.
    QString text() const;
    bool operator==(const NodeKey&) const = default;
};

// The leading decimal number of a text, 0 when it has none (leading blanks are skipped).
int leadingNumber(const QString& text);
// The folder part: everything after the first "X", or the whole key.
QString folderPart(const QString& key);
// The source number: the leading number of the folder part ("00A" gives 0).
int sourceNumber(const QString& key);
// The record number of an "X" key: its leading number.
int recordNumber(const QString& key);
// The key of list item n, "<n>X", made in one allocation: lists of
// thousands make one each.
QString itemKey(qsizetype number);
// The key of a source root or user folder: the number followed by "A".
QString rootKey(int source);
// The key of folder `number` below the root of `source`: "<number>X<source>A"
// (a browser's store numbers its folders in pre-order from 0).
QString folderKey(int number, int source);
// The shown name of a built-in source root, empty for other numbers.
QString sourceText(int source);
// The Favorites-relative folder path of an IE node, from its full path
// ("Bookmarks\Microsoft IE Favorites\A\B" gives "A\B").
QString favoritesRelativePath(const QString& fullPath);

} // namespace Keys
