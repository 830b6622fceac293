#pragma once

#include "bookmarks/rememberedset.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace Find {
struct Entry;
}

// Duplicates across every store: addresses compared at two levels of
// sameness, computed from the address and never changing what is stored.
namespace Duplicates {

enum class Level
{
    Same,     // the same address however it is written
    Probably, // the same page, by every sign a user would accept
};

// The key under which addresses count as one at that level. An address that
// is no web address (a search, a go word, "mailto:") keys as it stands.
QString keyOf(const QString& address, Level level);

// The tracking parameters the second level removes (a name ending in "*" is a prefix).
const QStringList& trackingParameters();

// Entries that share a key, and the level that joined them.
struct Group
{
    QString key;
    Level level = Level::Same;
    std::vector<const Find::Entry*> entries;
};

// Groups of two or more web addresses among the entries, in the order their
// first entries come; linear in the entries. With `level` Probably, groups
// the first level joins already are joined at that level too.
std::vector<Group> group(const std::vector<const Find::Entry*>& entries, Level level);

// Where two addresses of a group differ: the start and length in `address`
// of what it does not share with `other` (the shared start and end left out).
struct Span
{
    qsizetype start = 0;
    qsizetype length = 0;
};
Span differingPart(const QString& address, const QString& other);

// How a group's entry to keep is chosen for every group at once. At least
// one entry of each group is kept: where none matches, the first.
struct Rule
{
    enum class Kind
    {
        First,  // the first of each group, in the tree's order
        Store,  // the one in a store (its source number)
        Folder, // the one in a folder (its place, as the tree names it)
        Oldest, // the one added first, of those whose store keeps a date
        Newest, // the one added last
    };
    Kind kind = Kind::First;
    int source = 0;
    QString place;
};
// Which entries of the group are kept (true) under the rule; `added` gives
// each entry's date (0: none), for the rules by date.
std::vector<bool> keptBy(const Group& group, const Rule& rule, const std::vector<qint64>& added = {});

// The groups the user keeps as they are ("Keep Both"), by their key: kept
// by the program beside its other data, never in the stores.
class Deliberate : public RememberedSet
{
public:
    // `file` empty: $XDG_DATA_HOME/markcrate/kept-duplicates.txt.
    explicit Deliberate(QString file = {})
        : RememberedSet(file.isEmpty() ? dataFile(QStringLiteral("kept-duplicates.txt")) : file)
    {
    }
    // Adds the key and writes the file; false, with why, when it could not be written.
    bool add(const QString& key, QString* why) { return RememberedSet::add({key}, why); }
};

} // namespace Duplicates
