#include "bookmarks/keys.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace Keys {

namespace {
// "Bookmarks" + "\" + "Microsoft IE Favorites" + "\"
constexpr qsizetype kFavoritesPathPrefix = 33;
} // namespace

int leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    qint64 number = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        number = number * 10 + (text.at(i).unicode() - '0');
        if (number > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(number);
}

QString folderPart(const QString& key)
{
    const qsizetype x = key.indexOf(QLatin1Char('X'));
    return x < 0 ? key : key.mid(x + 1);
}

int sourceNumber(const QString& key)
{
    return leadingNumber(folderPart(key));
}

int recordNumber(const QString& key)
{
    return leadingNumber(key);
}

QString rootKey(int source)
{
    return QString::number(source) + QLatin1Char('A');
}

QString folderKey(int number, int source)
{
    return itemKey(number) + rootKey(source);
}

namespace {

// The digits at `from`, and where they end; none when there are none.
std::optional<int> digitsAt(const QString& key, qsizetype* from)
{
    const qsizetype start = *from;
    qint64 number = 0;
    while (*from < key.size() && key.at(*from) >= QLatin1Char('0') && key.at(*from) <= QLatin1Char('9')) {
        number = number * 10 + (key.at(*from).unicode() - '0');
        if (number > std::numeric_limits<int>::max())
            return std::nullopt;
        ++*from;
    }
    return *from == start ? std::nullopt : std::optional<int>(int(number));
}

} // namespace

NodeKey NodeKey::parse(const QString& key)
{
    if (key == TopKey)
        return top();
    qsizetype at = 0;
    const std::optional<int> first = digitsAt(key, &at);
    if (!first || at >= key.size())
        return {};
    if (key.at(at) == QLatin1Char('A'))
        return at + 1 == key.size() ? root(*first) : NodeKey{};
    if (key.at(at) != QLatin1Char('X'))
        return {};
    if (++at == key.size())
        return item(*first);
    const std::optional<int> source = digitsAt(key, &at);
    if (!source || at + 1 != key.size() || key.at(at) != QLatin1Char('A'))
        return {};
    return folder(*first, *source);
}

QString NodeKey::text() const
{
    switch (kind) {
    case Kind::Top:
        return TopKey;
    case Kind::Root:
        return rootKey(source);
    case Kind::Folder:
        return folderKey(number, source);
    case Kind::Item:
        return itemKey(number);
    case Kind::None:
        break;
    }
    return {};
}

QString sourceText(int source)
{
    switch (source) {
    case CompuServeFavoritesSource:
        return QStringLiteral("CompuServe Web Favorites");
    case WebFavoritesSource:
        return QStringLiteral("Web Favorites");
    case ForumsSource:
        return QStringLiteral("CompuServe Web Forums");
    case InternetExplorerSource:
        return QStringLiteral("Microsoft IE Favorites");
    case NetscapeSource:
        return QStringLiteral("Netscape Favorites");
    case FirefoxSource:
        return QStringLiteral("Firefox Bookmarks");
    case ChromiumSource:
        return QStringLiteral("Chromium Bookmarks");
    case TrashSource:
        return QStringLiteral("Trash");
    default:
        return {};
    }
}

QString favoritesRelativePath(const QString& fullPath)
{
    return fullPath.mid(kFavoritesPathPrefix);
}

namespace {

QString makeItemKey(qsizetype number)
{
    char digits[24];
    char* end = digits + sizeof digits;
    char* start = end;
    *--start = 'X';
    const bool negative = number < 0;
    quint64 rest = negative ? quint64(0) - quint64(number) : quint64(number);
    do {
        *--start = char('0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (negative)
        *--start = '-';
    return QString::fromLatin1(start, end - start);
}

} // namespace

QString itemKey(qsizetype number)
{
    // Every listing numbers its entries from the start again: the keys of
    // the first few thousand are made once and shared.
    constexpr qsizetype kKept = 16384;
    if (number < 0 || number >= kKept)
        return makeItemKey(number);
    thread_local std::vector<QString> kept;
    if (size_t(number) >= kept.size()) {
        const size_t from = kept.size();
        kept.resize(std::min<size_t>(kKept, std::max<size_t>(size_t(number) + 1, 2 * from)));
        for (size_t i = from; i < kept.size(); ++i)
            kept[i] = makeItemKey(qsizetype(i));
    }
    return kept[size_t(number)];
}

} // namespace Keys
