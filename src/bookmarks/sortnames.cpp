#include "bookmarks/sortnames.h"

#include <algorithm>
#include <numeric>
#include <vector>

void SortNames(QStringList& names)
{
    // Lower-case each name once, then a stable sort of indexes: the order a
    // pass-until-no-swap sort gives, in n log n.
    std::vector<QString> lower;
    lower.reserve(size_t(names.size()));
    for (const QString& name : names) {
        QString folded = name;
        for (QChar& c : folded)
            c = c.toLower();
        lower.push_back(std::move(folded));
    }
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&lower](qsizetype a, qsizetype b) {
        return QStringView(lower[size_t(a)]).compare(QStringView(lower[size_t(b)])) < 0;
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype index : order)
        sorted.append(std::move(names[index]));
    names = std::move(sorted);
}
