#pragma once

#include <QList>
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

} // namespace Duplicates
