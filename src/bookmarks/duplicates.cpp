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

// Escapes of unreserved characters decoded ("%7E" is "~"), the others in
// upper case ("%2f" is "%2F"): the same address however it was escaped.
QString normalEscapes(const QString& text)
{
    if (!text.contains(QLatin1Char('%')))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text.at(i) == QLatin1Char('%') ? hexValue(text.at(i + 1)) : -1;
        const int low = high >= 0 ? hexValue(text.at(i + 2)) : -1;
        if (low < 0) {
            out += text.at(i);
            continue;
        }
        const char16_t decoded = char16_t(high * 16 + low);
        if (isUnreserved(decoded))
            out += QChar(decoded);
        else
            out += QLatin1Char('%') + text.mid(i + 1, 2).toUpper();
        i += 2;
    }
    return out;
}

int defaultPort(const QString& scheme)
{
    if (scheme == QLatin1String("http"))
        return 80;
    if (scheme == QLatin1String("https"))
        return 443;
    if (scheme == QLatin1String("ftp"))
        return 21;
    return -1;
}

bool isTracking(const QString& parameter)
{
    const QString name = parameter.section(QLatin1Char('='), 0, 0).toLower();
    for (const QString& tracking : trackingParameters()) {
        if (tracking.endsWith(QLatin1Char('*')) ? name.startsWith(tracking.chopped(1)) : name == tracking)
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
    const QString text = address.trimmed();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return text;
    QString scheme = text.left(colon).toLower();
    if (text.mid(colon, 3) != QLatin1String("://"))
        return scheme + text.mid(colon); // "mailto:", "javascript:": only the scheme's case
    QString rest = text.mid(colon + 3);

    QString fragment;
    bool hasFragment = false;
    if (const qsizetype hash = rest.indexOf(QLatin1Char('#')); hash >= 0) {
        fragment = normalEscapes(rest.mid(hash + 1));
        hasFragment = true;
        rest.truncate(hash);
    }
    QString query;
    bool hasQuery = false;
    if (const qsizetype mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = normalEscapes(rest.mid(mark + 1));
        hasQuery = true;
        rest.truncate(mark);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    QString path = normalEscapes(slash < 0 ? QString() : rest.mid(slash));

    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    const QString userInfo = at >= 0 ? authority.left(at + 1) : QString();
    QString host = authority.mid(at + 1);
    QString port;
    const qsizetype bracket = host.lastIndexOf(QLatin1Char(']'));
    if (const qsizetype portColon = host.lastIndexOf(QLatin1Char(':')); portColon > bracket) {
        port = host.mid(portColon + 1);
        host.truncate(portColon);
    }
    host = host.toLower();
    if (!host.isEmpty() && !host.startsWith(QLatin1Char('['))) {
        bool ascii = true;
        for (const QChar c : std::as_const(host))
            ascii = ascii && c.unicode() < 0x80;
        if (!ascii) {
            const QByteArray ace = QUrl::toAce(host);
            if (!ace.isEmpty())
                host = QString::fromLatin1(ace).toLower();
        }
    }
    if (!port.isEmpty()) {
        bool number = false;
        const int value = port.toInt(&number);
        if (number && value == defaultPort(scheme))
            port.clear();
    }
    if (path.isEmpty())
        path = QStringLiteral("/");

    if (level == Level::Probably) {
        if (scheme == QLatin1String("https"))
            scheme = QStringLiteral("http");
        if (host.startsWith(QLatin1String("www.")))
            host.remove(0, 4);
        if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        hasFragment = false;
        QStringList kept;
        for (const QString& parameter : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
            if (!isTracking(parameter))
                kept.append(parameter);
        }
        std::sort(kept.begin(), kept.end());
        query = kept.join(QLatin1Char('&'));
    }
    QString key = scheme + QStringLiteral("://") + userInfo + host;
    if (!port.isEmpty())
        key += QLatin1Char(':') + port;
    key += path;
    if (hasQuery && !query.isEmpty())
        key += QLatin1Char('?') + query;
    if (hasFragment && !fragment.isEmpty())
        key += QLatin1Char('#') + fragment;
    return key;
}

std::vector<Group> group(const std::vector<const Find::Entry*>& entries, Level level)
{
    QHash<QString, size_t> index;
    index.reserve(qsizetype(entries.size()));
    std::vector<Group> groups;
    for (const Find::Entry* entry : entries) {
        if (!entry || !isWebAddress(*entry))
            continue;
        const QString key = keyOf(entry->address, level);
        auto found = index.find(key);
        if (found == index.end()) {
            found = index.insert(key, groups.size());
            groups.push_back({key, level, {}});
        }
        groups[*found].entries.push_back(entry);
    }
    std::vector<Group> shared;
    for (Group& candidate : groups) {
        if (candidate.entries.size() < 2)
            continue;
        if (level == Level::Probably) {
            // Joined by the first level alone where every address is the same already.
            const QString first = keyOf(candidate.entries.front()->address, Level::Same);
            const bool same = std::all_of(candidate.entries.begin(), candidate.entries.end(), [&](const auto* e) {
                return keyOf(e->address, Level::Same) == first;
            });
            candidate.level = same ? Level::Same : Level::Probably;
        }
        shared.push_back(std::move(candidate));
    }
    return shared;
}

std::vector<bool> keptBy(const Group& group, const Rule& rule)
{
    std::vector<bool> kept(group.entries.size(), false);
    size_t chosen = 0;
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

Deliberate::Deliberate(QString file) : m_file(std::move(file))
{
    if (m_file.isEmpty())
        m_file = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/markcrate/kept-duplicates.txt");
    QFile in(m_file);
    if (in.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : in.readAll().split('\n')) {
            if (!line.trimmed().isEmpty())
                m_keys.insert(QString::fromUtf8(line.trimmed()));
        }
    }
}

bool Deliberate::add(const QString& key, QString* why)
{
    if (m_keys.contains(key))
        return true;
    QStringList keys(m_keys.begin(), m_keys.end());
    keys.append(key);
    keys.sort();
    const QByteArray bytes = keys.join(QLatin1Char('\n')).toUtf8() + '\n';
    QDir().mkpath(QFileInfo(m_file).path());
    if (!platform::writeFileAtomically(
            m_file, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, why))
        return false;
    m_keys.insert(key);
    return true;
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
