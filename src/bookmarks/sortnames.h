#pragma once

#include <QStringList>

#include <vector>

// The one sort of names: ascending by their lower-case forms, compared
// character by character; names equal in lower case keep their order.
void SortNames(QStringList& names);

// The places of the names in that order, for callers that keep more beside
// each name: SortNames(names) gives names[order[0]], names[order[1]], ...
std::vector<qsizetype> SortedOrder(const QStringList& names);
