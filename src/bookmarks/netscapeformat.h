#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The pieces of the bookmark file's markup that the reader, the writer and
// the rewriting of a changed record share: tags, attributes, character
// references. Browsers and tools write the format in many ways (any letter
// case, attributes in any order and quoting, several entries on a line), so
// tags are read as tags, not as fixed strings.
namespace netscapeformat {

enum class Tag
{
    Other,
    Dt,
    Dd,
    Dl,
    DlEnd,
    Hr,
    H3,
    H3End,
    A,
    AEnd,
};

// The tag that starts at `at` (a "<").
Tag tagAt(QByteArrayView data, qsizetype at);
// Tags that begin an entry or a list: an entry's text never runs past one
// on another line.
bool isBoundary(Tag tag);

// Positions of one attribute in the data; `quote` is '"', '\'' or 0.
struct Attribute
{
    qsizetype name = 0;
    qsizetype nameEnd = 0;
    qsizetype value = -1; // -1: the attribute has no value
    qsizetype valueEnd = -1;
    char quote = 0;
};

bool isNamed(QByteArrayView data, const Attribute& attribute, QByteArrayView lowerName);

// Searches the data for quotes, line ends and closing tags. Remembers where
// one is known to be missing, so that a file full of unclosed quotes or
// tags, or all on one line, is still read in one pass.
class Finder
{
public:
    explicit Finder(QByteArrayView data) : m_data(data) {}
    qsizetype quote(char quote, qsizetype from);
    // The first line break at or after `from` (the data's size: none).
    qsizetype lineEnd(qsizetype from);
    // The first `closing` tag from `from`: on the same line anything may
    // stand before it, as in a title holding "<b>"; past the line's end an
    // entry or a list ends the search. `swallowed` counts the entries passed
    // on the line.
    qsizetype close(Tag closing, qsizetype from, int* swallowed);

private:
    // The last search for a quote: from where, and the quote found or the
    // line's end where none was.
    struct Cache
    {
        qsizetype from = -1;
        qsizetype found = -2;
        bool hit = false;
    };
    QByteArrayView m_data;
    Cache m_double;
    Cache m_single;
    qsizetype m_lineFrom = -1;
    qsizetype m_lineEnd = -1;
    qsizetype m_noCloseFrom[2] = {-1, -1};
    qsizetype m_noCloseLine[2] = {-1, -1};
};

// The attributes of the tag whose name ends at `from`, in order, until the
// tag's ">". Returns the position after the ">", or -1 when a "<" or the end
// of the data comes first. `visit` returning false stops the walk early
// (the result is then -2).
template <typename Visit> qsizetype scanAttributes(QByteArrayView data, qsizetype from, Finder& finder, Visit&& visit);

// A link's parts: the address attribute and the text before "</A>".
struct Anchor
{
    Attribute href;
    qsizetype close = -1;    // the "</A>" that ends it; -1: none
    qsizetype closeEnd = -1; // just after it
    qsizetype title = -1;    // the title: after the last ">" before the close,
    qsizetype titleEnd = -1; // without outer blanks
    int swallowed = 0;       // entries of the same line inside its text
};
// The anchor tag at `at`; `href.value` is -1 when it has no address.
Anchor readAnchor(QByteArrayView data, qsizetype at, Finder& finder);

// A folder heading's parts: the text between its opening tag and "</H3>".
struct Heading
{
    qsizetype tagEnd = -1;
    qsizetype close = -1;
    qsizetype closeEnd = -1;
    int swallowed = 0;
};
Heading readHeading(QByteArrayView data, qsizetype at, Finder& finder);

// The end of the line at `at` if nothing but blanks and paragraph tags stand
// before it (with the line break), else `at`.
qsizetype lineEndAfter(QByteArrayView data, qsizetype at);
// The start of the line of `at` if only blanks stand before it there and
// that start is not before `floor`, else `at`.
qsizetype lineStartBefore(QByteArrayView data, qsizetype at, qsizetype floor);
qsizetype skipSpace(QByteArrayView data, qsizetype at);

bool isAscii(QByteArrayView bytes);
// Text as UTF-8 where the bytes are UTF-8, otherwise as Latin-1, which keeps
// every byte; `latin1` tells which it was.
QString decodeCharset(QByteArrayView bytes, bool* latin1);
// Character references (&amp; &lt; &#39; &#x2014; ...) as the characters
// they stand for; anything else stays as it is.
QString decodeReferences(QString text);
// A title or address as the file holds it and the user sees it.
QString decodeText(QByteArrayView bytes, bool* latin1);
// What the user typed, written so that it reads back the same: the
// characters of the markup as references, line breaks as blanks; in a
// Latin-1 entry, what Latin-1 cannot hold as references too.
QByteArray encodeText(const QString& text, bool latin1);

// ---- template definition ----

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

template <typename Visit> qsizetype scanAttributes(QByteArrayView d, qsizetype p, Finder& finder, Visit&& visit)
{
    const qsizetype n = d.size();
    while (p < n) {
        const char c = d[p];
        if (c == '>')
            return p + 1;
        if (c == '<')
            return -1;
        if (isBlank(c) || c == '/') {
            ++p;
            continue;
        }
        Attribute a;
        a.name = p;
        while (p < n && !isBlank(d[p]) && d[p] != '=' && d[p] != '>' && d[p] != '<')
            ++p;
        a.nameEnd = p;
        qsizetype q = p;
        while (q < n && isBlank(d[q]))
            ++q;
        if (q < n && d[q] == '=') {
            ++q;
            while (q < n && isBlank(d[q]))
                ++q;
            const qsizetype close = q < n && (d[q] == '"' || d[q] == '\'') ? finder.quote(d[q], q + 1) : -1;
            if (close >= 0) {
                a.quote = d[q];
                a.value = q + 1;
                a.valueEnd = close;
                p = close + 1;
            } else {
                a.value = q;
                while (q < n && !isBlank(d[q]) && d[q] != '>' && d[q] != '<')
                    ++q;
                a.valueEnd = q;
                p = q;
            }
        }
        if (p == a.name)
            ++p; // never stand still
        if (!visit(a))
            return -2;
    }
    return -1;
}

} // namespace netscapeformat
