#include "bookmarks/sortnames.h"

#include <algorithm>
#include <string_view>
#include <vector>

std::vector<qsizetype> SortedOrder(const QStringList& names)
{
    // Lower-case each name once, all into one buffer, then a stable sort of
    // the folded names with their places: the order a pass-until-no-swap sort
    // gives, in n log n, with one allocation for the folded names instead of
    // one per name.
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
    // Each folded name beside its place, so that comparing two reads no more
    // than their characters.
    struct Folded
    {
        std::u16string_view text;
        qsizetype index;
    };
    std::vector<Folded> items;
    items.reserve(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        items.push_back({std::u16string_view(lower.data() + starts[size_t(i)], size_t(starts[size_t(i) + 1] - starts[size_t(i)])), i});
    const auto before = [](const Folded& a, const Folded& b) { return a.text < b.text; };
    // Names often come in order already (a registry key's, a list made before):
    // one pass tells, and the order stands as it is.
    if (!std::is_sorted(items.begin(), items.end(), before))
        std::stable_sort(items.begin(), items.end(), before);
    std::vector<qsizetype> order;
    order.reserve(items.size());
    for (const Folded& item : items)
        order.push_back(item.index);
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
