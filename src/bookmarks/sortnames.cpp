#include "bookmarks/sortnames.h"

#include "platform/prefetch.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

char16_t folded(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 ? (u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u) : c.toLower().unicode();
}

} // namespace

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
    constexpr qsizetype kReadAhead = 8; // names lie all over memory
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i + kReadAhead < names.size())
            platform::prefetchLine(names.at(i + kReadAhead).constData());
        char16_t* out = lower.data() + starts[size_t(i)];
        for (QChar c : names.at(i)) // at(): reading must not copy the shared name
            *out++ = folded(c);
    }
    // What every name begins with (a folder of "Shortcut 1", "Shortcut 2", ...)
    // orders nothing: comparisons start after it.
    qsizetype shared = names.isEmpty() ? 0 : starts[1];
    for (qsizetype i = 1; i < names.size() && shared > 0; ++i) {
        const char16_t* text = lower.data() + starts[size_t(i)];
        shared = std::min(shared, starts[size_t(i) + 1] - starts[size_t(i)]);
        qsizetype k = 0;
        while (k < shared && text[k] == lower[size_t(k)])
            ++k;
        shared = k;
    }
    // Each folded name beside its place and its next four characters packed
    // into one number, so that most comparisons read neither name; names that
    // go on alike are compared four characters at a time.
    struct Folded
    {
        quint64 head;
        const char16_t* text;
        qsizetype size;
        qsizetype index;
    };
    std::vector<Folded> items;
    items.reserve(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const char16_t* text = lower.data() + starts[size_t(i)];
        const qsizetype size = starts[size_t(i) + 1] - starts[size_t(i)];
        quint64 head = 0;
        for (qsizetype k = shared; k < shared + 4; ++k)
            head = (head << 16) | (k < size ? text[k] : 0); // a shorter name ties and is told apart below
        items.push_back({head, text, size, i});
    }
    const auto before = [shared](const Folded& a, const Folded& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const qsizetype common = std::min(a.size, b.size);
        qsizetype k = shared;
        for (; k + 4 <= common; k += 4) {
            quint64 x;
            quint64 y;
            std::memcpy(&x, a.text + k, sizeof x);
            std::memcpy(&y, b.text + k, sizeof y);
            if (x != y)
                break;
        }
        for (; k < common; ++k) {
            if (a.text[k] != b.text[k])
                return a.text[k] < b.text[k];
        }
        return a.size < b.size;
    };
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

int compareFolded(const QString& a, const QString& b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype k = 0; k < common; ++k) {
        const char16_t x = folded(a.at(k));
        const char16_t y = folded(b.at(k));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

qsizetype SortedPlace(const QStringList& sorted, const QString& name, bool* tie)
{
    const auto place = std::lower_bound(sorted.cbegin(), sorted.cend(), name, [](const QString& a, const QString& b) {
        return compareFolded(a, b) < 0;
    });
    *tie = place != sorted.cend() && compareFolded(*place, name) == 0;
    return place - sorted.cbegin();
}
