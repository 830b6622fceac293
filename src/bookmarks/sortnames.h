#pragma once

#include <QStringList>

// The one sort of names: ascending by their lower-case forms, compared
// character by character; names equal in lower case keep their order.
void SortNames(QStringList& names);
