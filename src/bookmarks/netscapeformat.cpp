#include "bookmarks/netscapeformat.h"

#include <cstring>

namespace netscapeformat {

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

bool endsName(QByteArrayView d, qsizetype at)
{
    return at >= d.size() || isBlank(d[at]) || d[at] == '>' || d[at] == '/';
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

qsizetype nextLineBreak(QByteArrayView d, qsizetype from)
{
    if (from >= d.size())
        return d.size();
    const void* lt = std::memchr(d.data() + from, '\n', size_t(d.size() - from));
    const qsizetype lf = lt ? static_cast<const char*>(lt) - d.data() : d.size();
    const void* cr = std::memchr(d.data() + from, '\r', size_t(lf - from));
    return cr ? static_cast<const char*>(cr) - d.data() : lf;
}

qsizetype nextTag(QByteArrayView d, qsizetype from)
{
    if (from >= d.size())
        return -1;
    const void* hit = std::memchr(d.data() + from, '<', size_t(d.size() - from));
    return hit ? static_cast<const char*>(hit) - d.data() : -1;
}

} // namespace

Tag tagAt(QByteArrayView d, qsizetype at)
{
    qsizetype p = at + 1;
    const bool closing = p < d.size() && d[p] == '/';
    if (closing)
        ++p;
    const qsizetype left = d.size() - p;
    auto is = [&](const char* name, qsizetype length) {
        if (left < length)
            return false;
        for (qsizetype i = 0; i < length; ++i) {
            if (lower(d[p + i]) != name[i])
                return false;
        }
        return endsName(d, p + length);
    };
    if (left <= 0)
        return Tag::Other;
    switch (lower(d[p])) {
    case 'a':
        if (is("a", 1))
            return closing ? Tag::AEnd : Tag::A;
        break;
    case 'd':
        if (is("dl", 2))
            return closing ? Tag::DlEnd : Tag::Dl;
        if (!closing && is("dt", 2))
            return Tag::Dt;
        if (!closing && is("dd", 2))
            return Tag::Dd;
        break;
    case 'h':
        if (is("h3", 2))
            return closing ? Tag::H3End : Tag::H3;
        if (!closing && is("hr", 2))
            return Tag::Hr;
        break;
    default:
        break;
    }
    return Tag::Other;
}

bool isBoundary(Tag tag)
{
    return tag == Tag::Dt || tag == Tag::Dd || tag == Tag::Dl || tag == Tag::DlEnd || tag == Tag::Hr ||
           tag == Tag::H3 || tag == Tag::A;
}

bool isNamed(QByteArrayView d, const Attribute& a, QByteArrayView lowerName)
{
    if (a.nameEnd - a.name != lowerName.size())
        return false;
    for (qsizetype i = 0; i < lowerName.size(); ++i) {
        if (lower(d[a.name + i]) != lowerName[i])
            return false;
    }
    return true;
}

qsizetype Finder::quote(char quote, qsizetype from)
{
    // A quoted value ends on its line: a quote left open does not swallow
    // the entries of the lines after it.
    Cache& cache = quote == '"' ? m_double : m_single;
    if (from >= cache.from && from <= cache.found)
        return cache.hit ? cache.found : -1;
    // Most values are short: the quote is looked for near first, and only
    // past that is the line's end asked, once per line.
    constexpr qsizetype kNear = 4096;
    const qsizetype near = qMin(m_data.size(), from + kNear);
    const void* hit = from < near ? std::memchr(m_data.data() + from, quote, size_t(near - from)) : nullptr;
    qsizetype found = hit ? static_cast<const char*>(hit) - m_data.data() : -1;
    qsizetype end = -1;
    if (found >= 0) {
        const QByteArrayView value = m_data.sliced(from, found - from);
        if (value.contains('\n') || value.contains('\r'))
            end = lineEnd(from);
    } else {
        end = lineEnd(from);
        if (end > near) {
            const void* far = std::memchr(m_data.data() + near, quote, size_t(end - near));
            found = far ? static_cast<const char*>(far) - m_data.data() : -1;
        }
    }
    cache.from = from;
    cache.hit = found >= 0 && (end < 0 || found < end);
    cache.found = cache.hit ? found : end;
    if (!cache.hit)
        return -1;
    // Nor does it hold a tag of the format: such a tag is read as a tag,
    // never as part of a value, so that no value hides an entry.
    for (qsizetype at = from; at < cache.found;) {
        const void* lt = std::memchr(m_data.data() + at, '<', size_t(cache.found - at));
        if (!lt)
            break;
        at = static_cast<const char*>(lt) - m_data.data();
        if (tagAt(m_data, at) != Tag::Other)
            return -1;
        ++at;
    }
    return cache.found;
}

qsizetype Finder::lineEnd(qsizetype from)
{
    if (from >= m_lineFrom && from <= m_lineEnd)
        return m_lineEnd;
    m_lineFrom = from;
    m_lineEnd = nextLineBreak(m_data, from);
    return m_lineEnd;
}

qsizetype Finder::close(Tag closing, qsizetype from, int* swallowed)
{
    const QByteArrayView d = m_data;
    const int slot = closing == Tag::AEnd ? 0 : 1;
    // A search that found nothing from here finds nothing from further on the same line.
    if (m_noCloseFrom[slot] >= 0 && from >= m_noCloseFrom[slot] && from <= m_noCloseLine[slot] &&
        lineEnd(from) == m_noCloseLine[slot])
        return -1;
    // Where the line ends is asked only when another tag comes first: a
    // title holding none costs no look for the line's end.
    qsizetype end = -1;
    int onLine = 0;
    for (qsizetype at = nextTag(d, from); at >= 0; at = nextTag(d, at + 1)) {
        const Tag tag = tagAt(d, at);
        if (tag == closing) {
            *swallowed = onLine;
            return at;
        }
        if (end < 0)
            end = lineEnd(from);
        if (at >= end && isBoundary(tag))
            break;
        if (at < end && (tag == Tag::A || tag == Tag::H3))
            ++onLine;
    }
    m_noCloseFrom[slot] = from;
    m_noCloseLine[slot] = end < 0 ? lineEnd(from) : end;
    return -1;
}

Anchor readAnchor(QByteArrayView d, qsizetype at, Finder& finder)
{
    Anchor anchor;
    scanAttributes(d, at + 2, finder, [&](const Attribute& a) {
        if (a.value >= 0 && isNamed(d, a, "href")) {
            anchor.href = a;
            return false;
        }
        return true;
    });
    if (anchor.href.value < 0)
        return anchor;
    anchor.close = finder.close(Tag::AEnd, anchor.href.valueEnd, &anchor.swallowed);
    if (anchor.close < 0)
        return anchor;
    const void* gt = std::memchr(d.data() + anchor.close, '>', size_t(d.size() - anchor.close));
    anchor.closeEnd = gt ? static_cast<const char*>(gt) - d.data() + 1 : d.size();
    // The title is what follows the last ">" before the close; with none, the
    // tag never ended and there is no title.
    qsizetype begin = anchor.close;
    qsizetype end = anchor.close;
    const qsizetype span = anchor.close - at;
    const void* last = span > 0 ? ::memrchr(d.data() + at, '>', size_t(span)) : nullptr;
    if (last) {
        begin = static_cast<const char*>(last) - d.data() + 1;
        while (begin < end && d[begin] == ' ')
            ++begin;
        while (end > begin && d[end - 1] == ' ')
            --end;
    }
    anchor.title = begin;
    anchor.titleEnd = end;
    return anchor;
}

Heading readHeading(QByteArrayView d, qsizetype at, Finder& finder)
{
    Heading heading;
    heading.tagEnd = scanAttributes(d, at + 3, finder, [](const Attribute&) { return true; });
    if (heading.tagEnd < 0)
        return heading;
    heading.close = finder.close(Tag::H3End, heading.tagEnd, &heading.swallowed);
    if (heading.close >= 0) {
        const void* gt = std::memchr(d.data() + heading.close, '>', size_t(d.size() - heading.close));
        heading.closeEnd = gt ? static_cast<const char*>(gt) - d.data() + 1 : d.size();
    }
    return heading;
}

qsizetype lineEndAfter(QByteArrayView d, qsizetype at)
{
    qsizetype p = at;
    for (;;) {
        while (p < d.size() && (d[p] == ' ' || d[p] == '\t'))
            ++p;
        // "<p>" and "</p>" close the line as browsers write it ("<DL><p>", "</DL><p>").
        if (p + 2 < d.size() && d[p] == '<' && lower(d[p + 1]) == 'p' && d[p + 2] == '>') {
            p += 3;
            continue;
        }
        if (p + 3 < d.size() && d[p] == '<' && d[p + 1] == '/' && lower(d[p + 2]) == 'p' && d[p + 3] == '>') {
            p += 4;
            continue;
        }
        break;
    }
    if (p >= d.size())
        return d.size();
    if (d[p] == '\r')
        return p + 1 < d.size() && d[p + 1] == '\n' ? p + 2 : p + 1;
    if (d[p] == '\n')
        return p + 1;
    return at;
}

qsizetype lineStartBefore(QByteArrayView d, qsizetype at, qsizetype floor)
{
    qsizetype p = at;
    while (p > floor && (d[p - 1] == ' ' || d[p - 1] == '\t'))
        --p;
    if (p == 0 || isLineBreak(d[p - 1]))
        return p;
    return at;
}

qsizetype skipSpace(QByteArrayView d, qsizetype at)
{
    while (at < d.size() && isBlank(d[at]))
        ++at;
    return at;
}

bool isAscii(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; p < end; ++p) {
        if (quint8(*p) >= 0x80)
            return false;
    }
    return true;
}

QString decodeCharset(QByteArrayView bytes, bool* latin1)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (bytes.isValidUtf8()) {
        // A leading byte-order mark is part of the title, not a mark to drop.
        if (bytes.startsWith("\xEF\xBB\xBF"))
            return QChar(0xFEFF) + QString::fromUtf8(bytes.sliced(3));
        return QString::fromUtf8(bytes);
    }
    *latin1 = true;
    return QString::fromLatin1(bytes);
}

namespace {

// The character a reference stands for, or -1.
char32_t referenced(QStringView name)
{
    if (name.startsWith(u'#')) {
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        const QStringView digits = name.sliced(hex ? 2 : 1);
        if (digits.isEmpty() || digits.size() > 8)
            return char32_t(-1);
        bool ok = false;
        const uint code = digits.toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return char32_t(-1);
        return char32_t(code);
    }
    static const struct
    {
        const char16_t* name;
        char32_t code;
    } named[] = {{u"amp", u'&'},
                 {u"AMP", u'&'},
                 {u"lt", u'<'},
                 {u"LT", u'<'},
                 {u"gt", u'>'},
                 {u"GT", u'>'},
                 {u"quot", u'"'},
                 {u"QUOT", u'"'},
                 {u"apos", u'\''},
                 {u"nbsp", 0xA0}};
    for (const auto& entry : named) {
        if (name == QStringView(entry.name))
            return entry.code;
    }
    return char32_t(-1);
}

} // namespace

QString decodeReferences(QString text)
{
    qsizetype amp = text.indexOf(u'&');
    if (amp < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype done = 0;
    while (amp >= 0) {
        const qsizetype semicolon = text.indexOf(u';', amp + 1);
        if (semicolon < 0)
            break;
        const char32_t code =
            semicolon - amp <= 10 ? referenced(QStringView(text).sliced(amp + 1, semicolon - amp - 1)) : char32_t(-1);
        if (code != char32_t(-1)) {
            out += QStringView(text).sliced(done, amp - done);
            out += QString::fromUcs4(&code, 1);
            done = semicolon + 1;
            amp = text.indexOf(u'&', done);
        } else {
            amp = text.indexOf(u'&', amp + 1);
        }
    }
    out += QStringView(text).sliced(done);
    return out;
}

namespace {

// A reference's name (between "&" and ";") as the character it stands for, or -1.
char32_t referencedBytes(QByteArrayView name)
{
    char16_t wide[10];
    if (name.size() > 10)
        return char32_t(-1);
    for (qsizetype i = 0; i < name.size(); ++i)
        wide[i] = char16_t(uchar(name[i]));
    return referenced(QStringView(wide, name.size()));
}

// ASCII text with references, decoded in one pass into one string: a
// reference is never shorter than what it stands for.
QString decodeAsciiWithReferences(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* write = reinterpret_cast<char16_t*>(out.data());
    const char16_t* const start = write;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        // The text up to the next "&" as it is, in one run the compiler can widen in blocks.
        const void* amp = std::memchr(bytes.data() + i, '&', size_t(bytes.size() - i));
        const qsizetype run = amp ? static_cast<const char*>(amp) - bytes.data() : bytes.size();
        const uchar* from = reinterpret_cast<const uchar*>(bytes.data());
        for (; i < run; ++i)
            *write++ = from[i];
        if (i >= bytes.size())
            break;
        const char c = bytes[i];
        if (c == '&') {
            const qsizetype limit = qMin<qsizetype>(bytes.size(), i + 12);
            qsizetype semicolon = i + 1;
            while (semicolon < limit && bytes[semicolon] != ';' && bytes[semicolon] != '&')
                ++semicolon;
            if (semicolon < limit && bytes[semicolon] == ';') {
                const char32_t code = referencedBytes(bytes.sliced(i + 1, semicolon - i - 1));
                if (code != char32_t(-1)) {
                    if (code > 0xFFFF) {
                        *write++ = QChar::highSurrogate(code);
                        *write++ = QChar::lowSurrogate(code);
                    } else {
                        *write++ = char16_t(code);
                    }
                    i = semicolon;
                    continue;
                }
            }
        }
        *write++ = char16_t(uchar(c));
    }
    out.truncate(write - start);
    return out;
}

} // namespace

QString decodeText(QByteArrayView bytes, bool* latin1)
{
    const bool references = bytes.contains('&');
    if (references && isAscii(bytes))
        return decodeAsciiWithReferences(bytes);
    QString text = decodeCharset(bytes, latin1);
    return references ? decodeReferences(std::move(text)) : text;
}

QByteArray encodeText(const QString& text, bool latin1)
{
    QString safe;
    safe.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            safe += QStringLiteral("&amp;");
            break;
        case u'<':
            safe += QStringLiteral("&lt;");
            break;
        case u'>':
            safe += QStringLiteral("&gt;");
            break;
        case u'"':
            safe += QStringLiteral("&quot;");
            break;
        case u'\r':
            if (!(i + 1 < text.size() && text.at(i + 1) == u'\n'))
                safe += u' ';
            break;
        case u'\n':
            safe += u' ';
            break;
        default:
            safe += c;
        }
    }
    if (!latin1)
        return safe.toUtf8();
    // The rest of the entry's line is Latin-1: what Latin-1 cannot hold is
    // written as a reference, so that the line stays in one encoding.
    QByteArray bytes;
    bytes.reserve(safe.size());
    for (qsizetype i = 0; i < safe.size(); ++i) {
        char32_t code = safe.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < safe.size() && safe.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(safe.at(i), safe.at(i + 1));
            ++i;
        }
        if (code <= 0xFF)
            bytes += char(code);
        else
            bytes += "&#" + QByteArray::number(uint(code)) + ';';
    }
    return bytes;
}

} // namespace netscapeformat
