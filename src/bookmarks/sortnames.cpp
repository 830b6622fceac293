#include "bookmarks/sortnames.h"

#include <algorithm>
#include <numeric>
#include <vector>

std::vector<qsizetype> SortedOrder(const QStringList& names)
{
    // Lower-case each name once, all into one buffer, then a stable sort of
    // indexes: the order a pass-until-no-swap sort gives, in n log n, with
    // one allocation for the folded names instead of one per name.
    std::vector<qsizetype> starts;
    starts.reserve(size_t(names.size()) + 1);
    qsizetype total = 0;
    for (const QString& name : std::as_const(names)) {
        starts.push_back(total);
        total += name.size();
    }
    starts.push_back(total);
    std::vector<char16_t> lower(static_cast<size_t>(total));
    for (qsizetype i = 0; i < names.size(); ++i) {
        char16_t* out = lower.data() + starts[size_t(i)];
        for (QChar c : names.at(i)) { // at(): reading must not copy the shared name
            const char16_t u = c.unicode();
            *out++ = u < 0x80 ? (u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u) : c.toLower().unicode();
        }
    }
    auto folded = [&](qsizetype i) {
        return QStringView(lower.data() + starts[size_t(i)], starts[size_t(i) + 1] - starts[size_t(i)]);
    };
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    const auto before = [&folded](qsizetype a, qsizetype b) { return folded(a).compare(folded(b)) < 0; };
    // Names often come in order already (a registry key's, a list made before):
    // one pass tells, and the order stands as it is.
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::stable_sort(order.begin(), order.end(), before);
    return order;
}

void SortNames(QStringList& names)
{
    const std::vector<qsizetype> order = SortedOrder(names);
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype index : order)
        sorted.append(std::move(names[index]));
    names = std::move(sorted);
}
