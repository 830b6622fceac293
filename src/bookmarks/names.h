#pragma once

#include <QString>

// The one check every name and address passes on its way into a store,
// whether typed, pasted, dropped or read from another store: what the target
// can keep is kept as it is, what it cannot is mapped to a look-alike, and
// what cannot be mapped is refused with a message for the user.
namespace Names {

enum class Target
{
    RegistryValue, // a Web Favorite or CompuServe Web Favorite: a value name
    RegistryKey,   // a user folder or one of its entries: a key name
    ShortcutFile,  // an Internet Shortcut: the file name less ".url"
    Directory,     // a folder below the Favorites folder
    NetscapeTitle, // a title in the bookmark file
    GoWord,        // a line of the forum list
};

struct Checked
{
    QString name;    // the name to store, when not refused
    QString refusal; // why it cannot be stored; empty when it can
    bool ok() const { return refusal.isEmpty(); }
};

Checked check(Target target, const QString& name);

// An address as one line: line breaks and other control characters become blanks.
QString address(const QString& text);

// The separators "/" and "\" as look-alike characters (ones that common
// fonts draw), so that a name never names another folder or file.
QString withoutSeparators(const QString& name);
// The separators back where a look-alike stood for one: for a store that
// can hold the real character. The look-alikes of earlier versions count too.
QString withSeparators(const QString& name);

// The refusal for a name the target already holds: the two favorites lists
// say "list", folders name the folder.
QString existsInList(const QString& name, bool compuServe);
QString existsInFolder(const QString& name, const QString& folder);

} // namespace Names
