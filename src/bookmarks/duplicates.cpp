#include "bookmarks/duplicates.h"

#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace Duplicates {

namespace {

bool isUnreserved(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' ||
           c == u'_' || c == u'~';
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Appends the text with escapes of unreserved characters decoded ("%7E" is
// "~") and the others in upper case ("%2f" is "%2F"): the same address however
// it was escaped.
void appendEscaped(QString& out, QStringView text)
{
    if (!text.contains(QLatin1Char('%'))) {
        out += text;
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text.at(i) == QLatin1Char('%') ? hexValue(text.at(i + 1)) : -1;
        const int low = high >= 0 ? hexValue(text.at(i + 2)) : -1;
        if (low < 0) {
            out += text.at(i);
            continue;
        }
        const char16_t decoded = char16_t(high * 16 + low);
        if (isUnreserved(decoded)) {
            out += QChar(decoded);
        } else {
            out += QLatin1Char('%');
            out += text.at(i + 1).toUpper();
            out += text.at(i + 2).toUpper();
        }
        i += 2;
    }
}

QString escaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

void appendLower(QString& out, QStringView text)
{
    const bool lower = std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x80 || (c.unicode() >= u'A' && c.unicode() <= u'Z');
    });
    if (lower)
        out += text;
    else
        out += text.toString().toLower();
}

int defaultPort(QStringView scheme)
{
    if (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0)
        return 80;
    if (scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        return 443;
    if (scheme.compare(QLatin1String("ftp"), Qt::CaseInsensitive) == 0)
        return 21;
    return -1;
}

bool isTracking(QStringView parameter)
{
    const qsizetype equals = parameter.indexOf(QLatin1Char('='));
    const QStringView name = equals < 0 ? parameter : parameter.left(equals);
    for (const QString& tracking : trackingParameters()) {
        if (tracking.endsWith(QLatin1Char('*')) ? name.startsWith(QStringView(tracking).chopped(1), Qt::CaseInsensitive)
                                                : name.compare(tracking, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isWebAddress(const Find::Entry& entry)
{
    if (entry.image == ListImage::GoWord || entry.image == ListImage::Search || entry.image == ListImage::Folder)
        return false;
    const QString& address = entry.address;
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    return colon > 0 && address.mid(colon, 3) == QLatin1String("://");
}

} // namespace

const QStringList& trackingParameters()
{
    static const QStringList names{QStringLiteral("utm_*"),
                                   QStringLiteral("fbclid"),
                                   QStringLiteral("gclid"),
                                   QStringLiteral("igshid"),
                                   QStringLiteral("mc_eid"),
                                   QStringLiteral("_hsenc"),
                                   QStringLiteral("mkt_tok"),
                                   QStringLiteral("oly_anon_id"),
                                   QStringLiteral("oly_enc_id"),
                                   QStringLiteral("vero_id"),
                                   QStringLiteral("__s")};
    return names;
}

QString keyOf(const QString& address, Level level)
{
    // Views into the address, and one string built: grouping a hundred
    // thousand entries makes one key each.
    const QStringView text = QStringView(address).trimmed();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return text.toString();
    const QStringView scheme = text.left(colon);
    QString key;
    key.reserve(text.size() + 4);
    if (text.mid(colon, 3) != QLatin1String("://")) {
        appendLower(key, scheme); // "mailto:", "javascript:": only the scheme's case
        key += text.mid(colon);
        return key;
    }
    QStringView rest = text.mid(colon + 3);
    QStringView fragment;
    bool hasFragment = false;
    if (const qsizetype hash = rest.indexOf(QLatin1Char('#')); hash >= 0) {
        fragment = rest.mid(hash + 1);
        hasFragment = true;
        rest = rest.left(hash);
    }
    QStringView query;
    if (const qsizetype mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = rest.mid(mark + 1);
        rest = rest.left(mark);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QStringView authority = slash < 0 ? rest : rest.left(slash);
    const QStringView path = slash < 0 ? QStringView() : rest.mid(slash);
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    const QStringView userInfo = at >= 0 ? authority.left(at + 1) : QStringView();
    QStringView host = authority.mid(at + 1);
    QStringView port;
    const qsizetype bracket = host.lastIndexOf(QLatin1Char(']'));
    if (const qsizetype portColon = host.lastIndexOf(QLatin1Char(':')); portColon > bracket) {
        port = host.mid(portColon + 1);
        host = host.left(portColon);
    }
    bool number = false;
    if (!port.isEmpty() && port.toInt(&number) == defaultPort(scheme) && number)
        port = {};

    const bool loose = level == Level::Probably;
    if (loose && scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        key += QLatin1String("http");
    else
        appendLower(key, scheme);
    key += QLatin1String("://");
    key += userInfo;
    const qsizetype hostStart = key.size();
    bool ascii = true;
    for (const QChar c : host)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii || host.startsWith(QLatin1Char('['))) {
        appendLower(key, host);
    } else {
        const QByteArray ace = QUrl::toAce(host.toString());
        appendLower(key, ace.isEmpty() ? host : QStringView(QString::fromLatin1(ace)));
    }
    if (loose && QStringView(key).mid(hostStart).startsWith(QLatin1String("www.")))
        key.remove(hostStart, 4);
    if (!port.isEmpty()) {
        key += QLatin1Char(':');
        key += port;
    }
    const qsizetype pathStart = key.size();
    if (path.isEmpty())
        key += QLatin1Char('/');
    else
        appendEscaped(key, path);
    if (loose && key.size() - pathStart > 1 && key.endsWith(QLatin1Char('/')))
        key.chop(1);

    if (!loose) {
        if (!query.isEmpty()) {
            key += QLatin1Char('?');
            appendEscaped(key, query);
        }
        if (hasFragment && !fragment.isEmpty()) {
            key += QLatin1Char('#');
            appendEscaped(key, fragment);
        }
        return key;
    }
    // The parameters but the tracking ones, sorted; the fragment dropped.
    QStringList kept;
    for (const QStringView parameter : query.tokenize(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        if (!isTracking(parameter))
            kept.append(escaped(parameter));
    }
    if (!kept.isEmpty()) {
        if (kept.size() > 1)
            std::sort(kept.begin(), kept.end());
        key += QLatin1Char('?');
        key += kept.join(QLatin1Char('&'));
    }
    return key;
}

std::vector<Group> group(const std::vector<const Find::Entry*>& entries, Level level)
{
    // One key per entry, counted; only keys held twice make a group.
    std::vector<QString> keys(entries.size());
    QHash<QString, int> counts;
    counts.reserve(qsizetype(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] && isWebAddress(*entries[i])) {
            keys[i] = keyOf(entries[i]->address, level);
            ++counts[keys[i]];
        }
    }
    QHash<QString, size_t> index;
    std::vector<Group> groups;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (keys[i].isEmpty() || counts.value(keys[i]) < 2)
            continue;
        auto found = index.find(keys[i]);
        if (found == index.end()) {
            found = index.insert(keys[i], groups.size());
            groups.push_back({keys[i], level, {}});
        }
        groups[*found].entries.push_back(entries[i]);
    }
    if (level == Level::Probably) {
        for (Group& candidate : groups) {
            // Joined by the first level alone where every address is the same already.
            const QString first = keyOf(candidate.entries.front()->address, Level::Same);
            const bool same = std::all_of(candidate.entries.begin(), candidate.entries.end(), [&](const auto* e) {
                return keyOf(e->address, Level::Same) == first;
            });
            candidate.level = same ? Level::Same : Level::Probably;
        }
    }
    return groups;
}

std::vector<bool> keptBy(const Group& group, const Rule& rule, const std::vector<qint64>& added)
{
    std::vector<bool> kept(group.entries.size(), false);
    size_t chosen = 0;
    if (rule.kind == Rule::Kind::Oldest || rule.kind == Rule::Kind::Newest) {
        qint64 best = 0;
        for (size_t i = 0; i < group.entries.size() && i < added.size(); ++i) {
            const qint64 date = added[i];
            if (date > 0 && (best == 0 || (rule.kind == Rule::Kind::Oldest ? date < best : date > best))) {
                best = date;
                chosen = i;
            }
        }
        if (!kept.empty())
            kept[chosen] = true;
        return kept;
    }
    for (size_t i = 0; i < group.entries.size(); ++i) {
        const Find::Entry& entry = *group.entries[i];
        const bool matches = rule.kind == Rule::Kind::Store    ? entry.source == rule.source
                             : rule.kind == Rule::Kind::Folder ? entry.place() == rule.place
                                                               : true;
        if (matches) {
            chosen = i;
            break;
        }
    }
    if (!kept.empty())
        kept[chosen] = true;
    return kept;
}

Span differingPart(const QString& address, const QString& other)
{
    const qsizetype shorter = qMin(address.size(), other.size());
    qsizetype start = 0;
    while (start < shorter && address.at(start) == other.at(start))
        ++start;
    qsizetype end = 0;
    while (end < shorter - start && address.at(address.size() - 1 - end) == other.at(other.size() - 1 - end))
        ++end;
    return {start, address.size() - start - end};
}

} // namespace Duplicates
