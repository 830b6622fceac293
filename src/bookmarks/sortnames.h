#pragma once

#include <QStringList>

#include <vector>

// The one sort of names: ascending by their lower-case forms, compared
// character by character; names equal in lower case keep their order.
void SortNames(QStringList& names);

// The places of the names in that order, for callers that keep more beside
// each name: SortNames(names) gives names[order[0]], names[order[1]], ...
std::vector<qsizetype> SortedOrder(const QStringList& names);

// Names compared as that sort compares them: below, equal or above zero.
int compareFolded(const QString& a, const QString& b);

// Where a name goes in a list already in that order: the first place whose
// name does not come before it. `tie` tells whether the name there is the same
// in lower case, where only the names' first order could tell which comes first.
qsizetype SortedPlace(const QStringList& sorted, const QString& name, bool* tie);
