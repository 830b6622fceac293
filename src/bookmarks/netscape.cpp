#include "bookmarks/netscape.h"

#include "platform/atomicfile.h"
#include "platform/files.h"
#include "store/keyvalue.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <cstring>

// Where the markers of one line stand (-1: absent), found in one pass over
// the line's "<" characters.
struct NetscapeLineMarkers
{
    qsizetype link = -1;      // "<A HREF="
    qsizetype linkEnd = -1;   // the first "</A>" behind the address
    qsizetype folder = -1;    // "<DT><H3"
    bool closesList = false;  // "</DL>"
    bool opensList = false;   // "<DL>"
    int anchors = 0;          // "<a ... href=...>" in any letter case
    int headings = 0;         // "<h3" in any letter case
};

namespace {

constexpr qint64 kChunkBytes = 1 << 20;
constexpr int kLinesPerYield = 500;

const QByteArray kLinkStart = QByteArrayLiteral("<DT><A HREF=\"");
const QByteArray kLinkDates = QByteArrayLiteral("\" ADD_DATE=\"797069285\" LAST_VISIT=\"797069236\" LAST_MODIFIED=\"797069236\">");
const QByteArray kFolderStart = QByteArrayLiteral("<DT><H3 FOLDED ADD_DATE=\"859692440\">");
const QByteArray kNewFileHeader = QByteArrayLiteral(
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
    "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>");

// A plain substring search; the C library's is many times faster than a general one.
template <size_t N>
qsizetype find(QByteArrayView haystack, const char (&needle)[N])
{
    if (haystack.isEmpty())
        return -1; // memmem must not be handed a null pointer
    const void* hit = ::memmem(haystack.data(), size_t(haystack.size()), needle, N - 1);
    return hit ? static_cast<const char*>(hit) - haystack.data() : -1;
}

using Markers = NetscapeLineMarkers;

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t';
}

// An anchor tag with an address, in any letter case and attribute order.
bool isAddressAnchor(QByteArrayView at)
{
    if (at.size() < 3 || (at[1] != 'a' && at[1] != 'A') || !isBlankByte(at[2]))
        return false;
    const qsizetype close = at.indexOf('>');
    const QByteArrayView tag = close < 0 ? at : at.first(close);
    for (qsizetype i = 2; i + 4 < tag.size(); ++i) {
        if ((tag[i] | 0x20) == 'h' && (tag[i + 1] | 0x20) == 'r' && (tag[i + 2] | 0x20) == 'e' && (tag[i + 3] | 0x20) == 'f'
            && tag[i + 4] == '=')
            return true;
    }
    return false;
}

Markers scanMarkers(QByteArrayView line)
{
    Markers m;
    const char* begin = line.data();
    const char* end = begin + line.size();
    for (const char* p = begin; p < end;) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        if (!p)
            break;
        const QByteArrayView at(p, end - p);
        if (at.size() >= 3 && (at[1] | 0x20) == 'h' && at[2] == '3')
            ++m.headings;
        else if (at.size() >= 3 && (at[1] | 0x20) == 'a' && isAddressAnchor(at))
            ++m.anchors;
        if (m.link < 0 && at.startsWith("<A HREF="))
            m.link = p - begin;
        else if (m.link >= 0 && m.linkEnd < 0 && p - begin >= m.link + 9 && at.startsWith("</A>"))
            m.linkEnd = p - begin;
        else if (m.folder < 0 && at.startsWith("<DT><H3"))
            m.folder = p - begin;
        else if (at.startsWith("</DL>"))
            m.closesList = true;
        else if (at.startsWith("<DL>"))
            m.opensList = true;
        ++p;
    }
    return m;
}

// Blanks only: a tab in a title is part of it.
QByteArrayView trimmedBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView trimmed(QByteArrayView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t'))
        ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    return line.sliced(begin, end - begin);
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

// Text read as UTF-8 where the bytes are UTF-8, otherwise as Latin-1, which
// keeps every byte; `latin1` tells which it was.
QString decode(QByteArrayView bytes, bool* latin1)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    // A leading byte-order mark is part of the title, not a mark to drop.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        return text;
    *latin1 = true;
    return QString::fromLatin1(bytes);
}

QByteArray encode(const QString& text, bool latin1)
{
    if (latin1) {
        bool fits = true;
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                fits = false;
                break;
            }
        }
        if (fits)
            return text.toLatin1();
    }
    return text.toUtf8();
}

QString numberKey(int number)
{
    // "<number>X" in one allocation: the reader makes one per record.
    char buffer[16];
    char* end = buffer + sizeof buffer;
    char* p = end;
    *--p = 'X';
    unsigned value = unsigned(number);
    do {
        *--p = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return QString::fromLatin1(p, end - p);
}

} // namespace

QString NetscapeBookmarks::recordKey(const QString& nodeKey)
{
    return QString::number(keyvalue::leadingNumber(nodeKey)) + QLatin1Char('X');
}

QString NetscapeBookmarks::newKey() const
{
    // The count is free within one load, since records are retired, never removed;
    // later additions may have taken it, so look on.
    qint64 number = m_records.Count();
    while (m_records.Contains(QString::number(number) + QLatin1Char('X')))
        ++number;
    return QString::number(number) + QLatin1Char('X');
}

int NetscapeBookmarks::folderNumber(const cBookmark& folder)
{
    bool ok = false;
    const int number = folder.URL().trimmed().toInt(&ok);
    return ok ? number : keyvalue::leadingNumber(folder.URL());
}

void NetscapeBookmarks::clearForLoad()
{
    touch();
    m_records.Clear();
    m_indexValid = false;
    m_loadedWhole = true;
    m_loadProblem.clear();
    m_passedLinks = 0;
    m_passedFolders = 0;
    m_fixedForm = true;
    m_lastFolder = 0;
    m_reader = Reader();
}

void NetscapeBookmarks::load(const QString& path, const std::function<void()>& yield)
{
    clearForLoad();
    m_diskStamp = platform::FileStamp();
    m_copyNeeded = false;
    if (path.trimmed().isEmpty())
        return;
    const QString native = platform::nativePath(path);
    const platform::FileStamp before = platform::fileStamp(native);
    m_diskStamp = before;
    if (!before.exists)
        return;
    if (QFileInfo(native).isDir()) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it is a folder, not a file");
        return;
    }
    if (!before.regular) {
        // A pipe or a device would block the window, or never end.
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it is not a regular file");
        return;
    }
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly)) {
        m_loadedWhole = false;
        m_loadProblem = file.errorString();
        return;
    }
    load(file, yield);
    const platform::FileStamp after = platform::fileStamp(native);
    if (m_loadedWhole && !(after == before)) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it changed while it was being read");
    }
    m_copyNeeded = !m_fixedForm;
}

namespace {

// The first line end at or after `p`: CR, LF, or the CR of a CR LF.
const char* findLineEnd(const char* p, const char* end)
{
    const void* lf = std::memchr(p, '\n', size_t(end - p));
    const char* limit = lf ? static_cast<const char*>(lf) : end;
    const void* cr = std::memchr(p, '\r', size_t(limit - p));
    return cr ? static_cast<const char*>(cr) : static_cast<const char*>(lf);
}

QString passedOverText(int links, int folders)
{
    QStringList parts;
    if (links > 0)
        parts << (links == 1 ? QStringLiteral("1 link") : QStringLiteral("%1 links").arg(links));
    if (folders > 0)
        parts << (folders == 1 ? QStringLiteral("1 folder") : QStringLiteral("%1 folders").arg(folders));
    return parts.join(QStringLiteral(" and ")) + QStringLiteral(" in it could not be read, so changes to it will not be saved");
}

} // namespace

void NetscapeBookmarks::load(QIODevice& device, const std::function<void()>& yield)
{
    if (m_reader.record != 0 || !m_records.isEmpty())
        clearForLoad();
    // Lines are taken where they stand in the read buffer; only the part line
    // at a block's end moves to the front before the next read. CR, LF and
    // CR LF all end a line.
    QByteArray pending;
    qsizetype filled = 0;
    int lines = 0;
    auto takeLine = [&](QByteArrayView line) {
        readLine(line);
        if (yield && ++lines % kLinesPerYield == 0)
            yield();
    };
    bool skipLf = false; // a CR ended the last block: an LF starting the next belongs to it
    for (;;) {
        if (pending.size() < filled + kChunkBytes)
            pending.resize(filled + kChunkBytes);
        const qint64 got = device.read(pending.data() + filled, kChunkBytes);
        if (got < 0) {
            m_loadedWhole = false;
            m_loadProblem = device.errorString();
            break;
        }
        if (got == 0)
            break;
        const qsizetype end = filled + qsizetype(got);
        const char* data = pending.constData();
        qsizetype start = 0;
        if (skipLf && data[0] == '\n')
            start = 1;
        skipLf = false;
        qsizetype scan = qMax(start, filled); // the part line moved to the front holds no line end
        while (scan < end) {
            const char* lineEnd = findLineEnd(data + scan, data + end);
            if (!lineEnd)
                break;
            const qsizetype at = lineEnd - data;
            takeLine(QByteArrayView(data + start, at - start));
            start = at + 1;
            if (*lineEnd == '\r') {
                if (start < end && data[start] == '\n')
                    ++start;
                else if (start == end)
                    skipLf = true;
            }
            scan = start;
        }
        filled = end - start;
        if (start > 0 && filled > 0)
            std::memmove(pending.data(), pending.constData() + start, size_t(filled));
    }
    pending.truncate(filled);
    if (!pending.isEmpty())
        takeLine(pending);
    if (m_reader.headerSaved)
        m_header = m_reader.header;
    m_lastFolder = m_reader.folder;
    m_indexValid = false;
    if (m_loadedWhole && (m_passedLinks > 0 || m_passedFolders > 0)) {
        m_loadedWhole = false;
        m_loadProblem = passedOverText(m_passedLinks, m_passedFolders);
    }
}

namespace {

// A line as the writer writes it, so that a rewrite of it loses nothing.
bool inWriterForm(QByteArrayView line)
{
    const QByteArrayView t = trimmed(line);
    if (t.isEmpty() || t == "<DL><p>" || t == "</DL></p>" || t == "</DL><p>")
        return true;
    if (t.startsWith(kLinkStart))
        return t.endsWith("</A>") && t.indexOf(kLinkDates) > 0;
    if (t.startsWith(kFolderStart))
        return t.endsWith("</H3>");
    return false;
}

} // namespace

void NetscapeBookmarks::readLine(QByteArrayView line)
{
    const Markers markers = scanMarkers(line);
    const bool wasHeader = m_reader.inHeader;
    const int records = m_reader.record;
    const int folders = m_reader.folder;
    if (markers.link >= 0 || markers.folder >= 0 || markers.closesList || (m_reader.inHeader && !trimmed(line).isEmpty()))
        readRecords(line, markers);
    const int madeFolders = m_reader.folder - folders;
    const int madeLinks = m_reader.record - records - madeFolders;
    if (markers.anchors > madeLinks)
        m_passedLinks += markers.anchors - madeLinks;
    if (markers.headings > madeFolders)
        m_passedFolders += markers.headings - madeFolders;
    if (m_fixedForm && (!wasHeader || markers.link >= 0 || markers.folder >= 0) && !inWriterForm(line))
        m_fixedForm = false;
}

void NetscapeBookmarks::readRecords(QByteArrayView line, const Markers& markers)
{
    Reader& r = m_reader;
    const QByteArrayView t = trimmed(line);

    // A link: the address up to the first quote, the title after the last ">" before "</A>".
    const qsizetype href = markers.link;
    if (href >= 0) {
        const QByteArrayView rest = line.size() > href + 9 ? line.sliced(href + 9) : QByteArrayView();
        const qsizetype quote = rest.indexOf('"');
        const qsizetype end = markers.linkEnd < 0 ? -1 : markers.linkEnd - (href + 9);
        if (quote >= 0 && end >= 0) {
            const QByteArrayView url = rest.first(quote);
            const QByteArrayView text = rest.first(end);
            const void* last = ::memrchr(text.data(), '>', size_t(text.size()));
            const qsizetype gt = last ? static_cast<const char*>(last) - text.data() : -1;
            // No ">" before "</A>": the tag never closed, and there is no title to take.
            const QByteArrayView title = gt >= 0 ? trimmedBlanks(text.sliced(gt + 1)) : QByteArrayView();
            // One encoding for the line: if either part is not UTF-8, both are Latin-1.
            bool latin1 = false;
            QString urlText = decode(url, &latin1);
            QString titleText = decode(title, &latin1);
            if (latin1) {
                urlText = QString::fromLatin1(url);
                titleText = QString::fromLatin1(title);
            }
            auto link = std::make_shared<cBookmark>();
            link->setTitle(title.isEmpty() ? QStringLiteral("Bookmark #") + QString::number(r.record) : std::move(titleText));
            link->setURL(std::move(urlText));
            link->setKey(numberKey(r.record));
            link->setParentFolder(r.parent);
            link->setBookmarkType(cBookmark::LinkType);
            link->setReadAsLatin1(latin1);
            m_records.AppendNew(link, link->Key());
            ++r.record;
        }
    }

    // A folder: the title between the end of the opening tag and "</H3>".
    QByteArrayView folderTitle;
    bool isFolder = false;
    if (markers.folder >= 0) {
        qsizetype u = find(t, "\">");
        if (u < 0) {
            const qsizetype bare = find(t, "<H3>");
            u = bare >= 0 ? bare + 2 : -1;
        }
        if (u < 0) {
            // An opening tag with unquoted attributes: it ends at its first ">".
            const qsizetype h3 = find(t, "<H3");
            const qsizetype close = t.indexOf('>', h3);
            u = close >= 0 ? close - 1 : -1;
        }
        const QByteArrayView rest = u >= 0 && t.size() > u + 2 ? t.sliced(u + 2) : QByteArrayView();
        const qsizetype end = find(rest, "</H3>");
        if (end >= 0) {
            isFolder = true;
            folderTitle = rest.first(end);
        }
    }

    // The header: the leading lines up to the first "<DL>", links and folders left out.
    if (href < 0 && !isFolder && r.inHeader && !t.isEmpty()) {
        if (trimmed(r.header).isEmpty())
            r.header = line.toByteArray();
        else
            r.header += "\r\n" + line.toByteArray();
        if (markers.opensList) {
            r.inHeader = false;
            r.headerSaved = true;
        }
    }

    if (isFolder) {
        if (r.parentAt.size() <= size_t(r.level))
            r.parentAt.resize(size_t(r.level) + 1);
        r.parentAt[size_t(r.level)] = r.parent;
        ++r.folder;
        bool latin1 = false;
        auto folder = std::make_shared<cBookmark>();
        folder->setTitle(decode(folderTitle, &latin1));
        folder->setURL(QString::number(r.folder));
        folder->setKey(numberKey(r.record));
        folder->setParentFolder(r.parent);
        folder->setFolderLevel(qint16(qMin(r.level, 32767)));
        folder->setBookmarkType(cBookmark::FolderType);
        folder->setReadAsLatin1(latin1);
        m_records.AppendNew(folder, folder->Key());
        ++r.level;
        r.parent = r.folder;
        ++r.record;
    }

    if (markers.closesList) {
        // A stray closing tag never takes the level below the root.
        r.level = qMax(r.level - 1, 0);
        r.parent = r.level == 0 ? 0 : r.parentAt[size_t(r.level)];
    }
}

void NetscapeBookmarks::buildIndex() const
{
    // Folder numbers are small and dense: one slot per number.
    m_children.clear();
    qsizetype position = 0;
    for (const auto& record : m_records) {
        ++position;
        const qint32 type = record->BookmarkType();
        const qint32 parent = record->ParentFolder();
        if ((type != cBookmark::LinkType && type != cBookmark::FolderType) || parent < 0
            || parent > m_records.Count() + m_lastFolder)
            continue; // a parent no folder can have
        if (size_t(parent) >= m_children.size())
            m_children.resize(size_t(parent) + 1);
        m_children[size_t(parent)].push_back(position);
    }
    m_indexValid = true;
}

const std::vector<qsizetype>& NetscapeBookmarks::childrenOf(int folderNumber) const
{
    static const std::vector<qsizetype> none;
    if (!m_indexValid)
        buildIndex();
    return folderNumber >= 0 && size_t(folderNumber) < m_children.size() ? m_children[size_t(folderNumber)] : none;
}

namespace {

// Collects output in a block of about a megabyte and hands each full block to
// the device, so that a save needs neither a copy of the whole file in memory
// nor a write per line.
class BlockWriter
{
public:
    explicit BlockWriter(QIODevice& device)
        : m_device(device)
    {
        m_block.reserve(kBlock + 4096);
    }
    void append(QByteArrayView bytes)
    {
        m_block.append(bytes);
        if (m_block.size() >= kBlock)
            flush();
    }
    bool flush()
    {
        if (m_ok && !m_block.isEmpty())
            m_ok = m_device.write(m_block) == m_block.size();
        m_block.resize(0);
        return m_ok;
    }

private:
    static constexpr qsizetype kBlock = 1 << 20;
    QIODevice& m_device;
    QByteArray m_block;
    bool m_ok = true;
};

} // namespace

namespace {

bool startsTag(const QString& text, qsizetype i)
{
    if (i + 1 >= text.size())
        return false;
    const QChar next = text.at(i + 1);
    return next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!');
}

// Only the reader's line ends: other control characters read back as they
// were written, so a record read from the file keeps them on a rewrite.
bool breaksLine(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Which part of a line a text is written into.
enum class Field
{
    LinkTitle,
    FolderTitle,
    Address
};

// The form of a title or address that reads back into the same record and
// cannot start, end or break a line's markers; text that needs none of this
// is written as it is.
QString safeField(const QString& text, Field field)
{
    bool needed = field == Field::LinkTitle && (text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' ')));
    for (qsizetype i = 0; i < text.size() && !needed; ++i) {
        const QChar c = text.at(i);
        needed = breaksLine(c) || (c == QLatin1Char('<') && (field == Field::Address || startsTag(text, i)))
                 || (c == QLatin1Char('>') && field == Field::LinkTitle) || (c == QLatin1Char('"') && field == Field::Address);
    }
    if (!needed)
        return text;
    QString safe;
    safe.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (breaksLine(c)) {
            if (!(c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')))
                safe += QLatin1Char(' ');
        } else if (c == QLatin1Char('<') && field == Field::Address) {
            safe += QStringLiteral("%3C");
        } else if (c == QLatin1Char('<') && startsTag(text, i)) {
            safe += QStringLiteral("&lt;");
        } else if (c == QLatin1Char('>') && field == Field::LinkTitle) {
            safe += QStringLiteral("&gt;"); // the title is read after the last ">"
        } else if (c == QLatin1Char('"') && field == Field::Address) {
            safe += QStringLiteral("%22"); // the address is read up to the first quote
        } else {
            safe += c;
        }
    }
    if (field != Field::LinkTitle)
        return safe;
    // A link title is read without its outer blanks: write it so.
    qsizetype begin = 0;
    qsizetype end = safe.size();
    while (begin < end && safe.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && safe.at(end - 1) == QLatin1Char(' '))
        --end;
    return safe.mid(begin, end - begin);
}

} // namespace

namespace {

bool breaksLineByte(QByteArrayView bytes)
{
    return bytes.contains('\r') || bytes.contains('\n');
}

// Whether a link line written with its fields as they are reads back as one
// link with exactly those fields; only then may a field that looks like a
// marker stay unescaped, so that what was read is written back unchanged.
bool linkLineReadsBack(QByteArrayView line, QByteArrayView url, QByteArrayView title)
{
    if (title.isEmpty() || breaksLineByte(line))
        return false;
    const Markers m = scanMarkers(line);
    const qsizetype href = kLinkStart.size() - 9; // "<DT>" before "<A HREF=\""
    if (m.link != href || m.linkEnd < 0 || m.folder >= 0 || m.closesList || m.opensList || m.anchors != 1 || m.headings != 0)
        return false;
    const QByteArrayView rest = line.sliced(href + 9);
    const qsizetype quote = rest.indexOf('"');
    if (quote < 0 || rest.first(quote) != url)
        return false;
    const QByteArrayView text = rest.first(m.linkEnd - (href + 9));
    const qsizetype gt = text.lastIndexOf('>');
    return gt >= 0 && trimmedBlanks(text.sliced(gt + 1)) == title;
}

// The same for a folder line.
bool folderLineReadsBack(QByteArrayView line, QByteArrayView title)
{
    if (breaksLineByte(line))
        return false;
    const Markers m = scanMarkers(line);
    if (m.folder != 0 || m.link >= 0 || m.closesList || m.opensList || m.anchors != 0 || m.headings != 1)
        return false;
    const QByteArrayView t = trimmed(line);
    const qsizetype u = find(t, "\">");
    if (u < 0)
        return false;
    const QByteArrayView rest = t.sliced(u + 2);
    const qsizetype end = find(rest, "</H3>");
    return end >= 0 && rest.first(end) == title;
}

} // namespace

bool NetscapeBookmarks::write(QIODevice& device) const
{
    BlockWriter out(device);
    // Without a header read from a file, the list would have no opening tag.
    out.append(m_header.isEmpty() ? kNewFileHeader : m_header);
    out.append("\r\n");
    auto text = [&out](const QString& value, bool latin1) {
        if (latin1 || value.size() > 256) {
            out.append(encode(value, latin1));
            return;
        }
        // Short UTF-8 text converted on the stack, without a heap copy.
        char buffer[256 * 3];
        char* end = buffer;
        bool ascii = true;
        for (const QChar c : value) {
            if (c.unicode() >= 0x80) {
                ascii = false;
                break;
            }
            *end++ = char(c.unicode());
        }
        if (ascii)
            out.append(QByteArrayView(buffer, end - buffer));
        else
            out.append(value.toUtf8());
    };
    // A field that looks like a marker is escaped only when the line would
    // not read back as written.
    auto linkLine = [&](const cBookmark& link) {
        const QString url = safeField(link.URL(), Field::Address);
        const QString title = safeField(link.Title(), Field::LinkTitle);
        if (url != link.URL() || title != link.Title()) {
            const QByteArray rawUrl = encode(link.URL(), link.ReadAsLatin1());
            const QByteArray rawTitle = encode(link.Title(), link.ReadAsLatin1());
            const QByteArray line = QByteArray(kLinkStart + rawUrl + kLinkDates + rawTitle + "</A>");
            if (linkLineReadsBack(line, rawUrl, rawTitle)) {
                out.append(line);
                out.append("\r\n");
                return;
            }
        }
        out.append(kLinkStart);
        text(url, link.ReadAsLatin1());
        out.append(kLinkDates);
        text(title, link.ReadAsLatin1());
        out.append("</A>\r\n");
    };
    auto folderLine = [&](const cBookmark& folder) {
        QString title = safeField(folder.Title(), Field::FolderTitle);
        out.append(kFolderStart);
        if (title != folder.Title()) {
            const QByteArray rawTitle = encode(folder.Title(), folder.ReadAsLatin1());
            if (folderLineReadsBack(QByteArray(kFolderStart + rawTitle + "</H3>"), rawTitle))
                title = folder.Title();
        }
        text(title, folder.ReadAsLatin1());
        out.append("</H3>\r\n<DL><p>\r\n");
    };
    const std::vector<qsizetype>& root = childrenOf(0);
    for (qsizetype position : root) {
        const cBookmark& record = *m_records.at(position);
        if (record.BookmarkType() == cBookmark::LinkType)
            linkLine(record);
    }
    // Folders with their contents, depth first, without recursion however deep they nest.
    struct Open
    {
        const std::vector<qsizetype>* children;
        size_t next;
    };
    QSet<int> written;
    std::vector<Open> stack;
    for (qsizetype top : root) {
        const cBookmark& topFolder = *m_records.at(top);
        if (topFolder.BookmarkType() != cBookmark::FolderType || written.contains(folderNumber(topFolder)))
            continue;
        written.insert(folderNumber(topFolder));
        folderLine(topFolder);
        stack.push_back(Open{&childrenOf(folderNumber(topFolder)), 0});
        while (!stack.empty()) {
            Open& open = stack.back();
            if (open.next >= open.children->size()) {
                out.append("</DL></p>\r\n");
                stack.pop_back();
                continue;
            }
            const cBookmark& record = *m_records.at((*open.children)[open.next++]);
            if (record.BookmarkType() == cBookmark::LinkType) {
                linkLine(record);
            } else if (!written.contains(folderNumber(record))) {
                written.insert(folderNumber(record));
                folderLine(record);
                stack.push_back(Open{&childrenOf(folderNumber(record)), 0});
            }
        }
    }
    out.append("</DL><p>\r\n");
    return out.flush();
}

QByteArray NetscapeBookmarks::toBytes() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return buffer.data();
}

void copyBookmarkContents(cBookmark& to, const cBookmark& from)
{
    to.setBookmarkType(from.BookmarkType());
    to.setFolderLevel(from.FolderLevel());
    to.setParentFolder(from.ParentFolder());
    to.setTitle(from.Title());
    to.setURL(from.URL());
    to.setReadAsLatin1(from.ReadAsLatin1());
}

QString netscapeBackupPath(const QString& path)
{
    return platform::nativePath(path) + QStringLiteral(".markcrate-original");
}

namespace {

QString timedCopyPath(const QString& native)
{
    // Two sessions may each keep a copy within one second: the later one
    // takes a number rather than fail the save for want of a name.
    const QString stamped =
        native + QStringLiteral(".markcrate-original-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = stamped;
    for (int number = 2; QFileInfo::exists(copy); ++number)
        copy = stamped + QLatin1Char('-') + QString::number(number);
    return copy;
}

// Keeps the newest few of the timed copies; the first original stays as it is.
void pruneTimedCopies(const QString& native)
{
    const QFileInfo file(native);
    QDir folder = file.dir();
    const QStringList copies = folder.entryList({file.fileName() + QStringLiteral(".markcrate-original-*")},
                                                QDir::Files | QDir::Hidden, QDir::Name | QDir::Reversed);
    for (qsizetype i = kNetscapeCopiesKept; i < copies.size(); ++i)
        folder.remove(copies[i]);
}

} // namespace

bool SaveNetscapeFile(NetscapeBookmarks& bookmarks, const QString& path, bool readOnly, QString* error, bool* changedOnDisk)
{
    bookmarks.touch(); // the records changed before they are saved
    if (changedOnDisk)
        *changedOnDisk = false;
    if (readOnly)
        return true;
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.trimmed().isEmpty()) {
        // Nothing read and nothing added: there is nothing to lose by not writing.
        if (bookmarks.records().isEmpty())
            return true;
        return fail(QStringLiteral("no location is set for the bookmark file"));
    }
    if (!bookmarks.loadedWhole())
        return fail(QStringLiteral("the file could not be read completely (%1), and writing it would lose what was not read")
                        .arg(bookmarks.loadProblem()));
    const QString native = platform::nativePath(path);
    const platform::FileStamp now = platform::fileStamp(native);
    if (now.exists && !now.regular)
        return fail(QStringLiteral("it is not a regular file"));
    if (!(now == bookmarks.diskStamp())) {
        // Another program wrote it since: its version is not to be lost to ours.
        if (changedOnDisk)
            *changedOnDisk = true;
        return fail(QStringLiteral("the file was changed on disk by another program since Markcrate read it"));
    }
    // What the program does not keep (dates, descriptions, icons) is gone after
    // a rewrite: keep each version it did not write itself before the first one.
    if (now.exists && bookmarks.copyNeeded()) {
        const QString first = netscapeBackupPath(path);
        const QString copy = QFileInfo::exists(first) ? timedCopyPath(native) : first;
        const QString part = copy + QStringLiteral(".part");
        QFile::remove(part);
        if (!QFile::copy(native, part) || !QFile::rename(part, copy)) {
            QFile::remove(part);
            return fail(QStringLiteral("a copy of the file as it was could not be kept as \"%1\"").arg(copy));
        }
        pruneTimedCopies(native);
    }
    QString why;
    if (!platform::writeFileAtomically(native, [&bookmarks](QIODevice& device) { return bookmarks.write(device); }, &why))
        return fail(why);
    bookmarks.setDiskStamp(platform::fileStamp(native), false); // this version is the program's own
    return true;
}
