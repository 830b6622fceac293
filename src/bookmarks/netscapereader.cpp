// The bookmark file's reader: the records and the places of their bytes in
// the file, read in one pass over its tags through a moving window.
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/netscapeformat.h"
#include "bookmarks/netscapeparts.h"

#include <QIODevice>
#include <QStringList>

#include <cstring>

using namespace netscapeformat;
using netscapeparts::kChunkBytes;
using netscapeparts::spanOf;

namespace {

constexpr int kEntriesPerYield = 500;

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

// A line in the form the program writes its own records in.
bool inOwnForm(QByteArrayView line)
{
    const QByteArrayView t = trimmed(line);
    if (t.isEmpty() || t == "<DL><p>" || t == "</DL></p>" || t == "</DL><p>")
        return true;
    if (t.startsWith("<DT><A HREF=\""))
        return t.endsWith("</A>") && t.contains("\" ADD_DATE=\"");
    if (t.startsWith("<DT><H3 FOLDED ADD_DATE=\""))
        return t.endsWith("</H3>");
    return false;
}

QString passedOverText(int links, int folders)
{
    QStringList parts;
    if (links > 0)
        parts << (links == 1 ? QStringLiteral("1 link") : QStringLiteral("%1 links").arg(links));
    if (folders > 0)
        parts << (folders == 1 ? QStringLiteral("1 folder") : QStringLiteral("%1 folders").arg(folders));
    return parts.join(QStringLiteral(" and ")) +
           QStringLiteral(" in it could not be read, so changes to it will not be saved");
}

} // namespace
namespace {

// Where the window may end for reading: the start of the last line that
// begins an entry or closes a list ("<DT", "</DL", "<HR"), after `from`. No
// entry read whole runs past such a line, so the part before it reads as it
// would in one piece. -1: none.
qsizetype lastSafeEnd(QByteArrayView d, qsizetype from)
{
    auto beginsLine = [&](qsizetype at) {
        qsizetype p = at;
        while (p < d.size() && (d[p] == ' ' || d[p] == '\t'))
            ++p;
        if (p + 5 > d.size() || d[p] != '<')
            return false;
        const Tag tag = tagAt(d, p);
        return tag == Tag::Dt || tag == Tag::DlEnd || tag == Tag::Hr;
    };
    for (const char lineBreak : {'\n', '\r'}) {
        qsizetype end = d.size();
        while (end > from) {
            const void* hit = ::memrchr(d.data() + from, lineBreak, size_t(end - from));
            if (!hit)
                break;
            const qsizetype at = static_cast<const char*>(hit) - d.data();
            // A CR before an LF is not a line's end of its own.
            if (lineBreak == '\n' || at + 1 >= d.size() || d[at + 1] != '\n') {
                if (at + 1 > from && beginsLine(at + 1))
                    return at + 1;
            }
            end = at;
        }
    }
    return -1;
}

} // namespace

void NetscapeBookmarks::findLineEnd(QByteArrayView data)
{
    const qsizetype lf = data.indexOf('\n');
    const qsizetype cr = data.first(lf < 0 ? data.size() : lf).indexOf('\r');
    if (cr >= 0)
        m_lineEnd = cr + 1 == lf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\r");
    else if (lf >= 0)
        m_lineEnd = QByteArrayLiteral("\n");
}

// Reads the records out of the source in one pass over its tags. Each record
// takes the bytes of its entry: from the start of its line (with a "<DT>"
// before it) to the end of its line, with a description that follows; a
// folder also takes the line opening its list, and, when its list closes,
// what stood after its last entry with the closing line. What lies between
// entries (separators, blank lines, stray tags) is the lead of the entry
// after it. So the spans cover the source exactly once, in order.
class NetscapeBookmarks::Reader
{
public:
    Reader(NetscapeBookmarks& owner, const std::function<void()>& yield)
        : m_owner(owner), m_finder(QByteArrayView()), m_yield(yield)
    {
    }

    // Reads `data`, the file from `base` on, from `from` to its end.
    void run(QByteArrayView data, qsizetype base, qsizetype from)
    {
        m_data = data;
        m_base = base;
        m_finder = Finder(data);
        const qsizetype n = m_data.size();
        qsizetype pos = from;
        while (pos < n) {
            const void* hit = std::memchr(m_data.data() + pos, '<', size_t(n - pos));
            if (!hit)
                break;
            const qsizetype at = static_cast<const char*>(hit) - m_data.data();
            pos = at + 1;
            switch (tagAt(m_data, at)) {
            case Tag::A:
                pos = link(at);
                break;
            case Tag::H3:
                pos = folder(at);
                break;
            case Tag::Dl:
                if (!m_opened) {
                    // The file's own lines end with the one that opens its list.
                    const qsizetype end = lineEndAfter(m_data, tagEnd(at));
                    m_owner.m_opening = spanOf(0, m_base + end);
                    m_owner.m_listOpened = true;
                    m_opened = true;
                    m_emitted = m_base + end;
                    pos = end;
                }
                break;
            case Tag::DlEnd:
                pos = closeList(at);
                break;
            default:
                break;
            }
        }
        checkOwnForm(from, n);
    }

    void finish(qsizetype size)
    {
        if (!m_opened)
            m_owner.m_opening = spanOf(0, m_emitted = size);
        m_owner.m_ending = spanOf(m_emitted, size);
        m_owner.m_lastFolder = m_folder;
    }

    qsizetype emitted() const { return m_emitted; }

private:
    // The end of a simple tag: its ">" on its line, or the line's end.
    qsizetype tagEnd(qsizetype at)
    {
        const qsizetype line = m_finder.lineEnd(at);
        const void* gt = std::memchr(m_data.data() + at, '>', size_t(line - at));
        return gt ? static_cast<const char*>(gt) - m_data.data() + 1 : line;
    }

    // The window's own position of a place in the file.
    qsizetype local(qsizetype place) const { return place - m_base; }
    cBookmark::Span span(qsizetype from, qsizetype to) const { return spanOf(m_base + from, m_base + to); }

    // Whether the lines read are all in the program's own form, after the file's opening.
    void checkOwnForm(qsizetype from, qsizetype to)
    {
        if (!m_opened || !m_owner.m_fixedForm)
            return;
        for (qsizetype at = qMax(from, local(m_owner.m_opening.start + m_owner.m_opening.size));
             at < to && m_owner.m_fixedForm;) {
            const qsizetype end = m_finder.lineEnd(at);
            m_owner.m_fixedForm = inOwnForm(m_data.sliced(at, end - at));
            at = end + 1;
        }
    }

    // Where the entry whose tag is at `at` begins: at a "<DT>" (or "<DD>")
    // just before it, and with the blanks that indent its line.
    qsizetype entryStart(qsizetype at) const
    {
        const qsizetype floor = local(m_emitted);
        qsizetype start = at;
        qsizetype q = at;
        while (q > floor && isBlank(m_data[q - 1]))
            --q;
        if (q - 4 >= floor && m_data[q - 1] == '>') {
            const Tag before = tagAt(m_data, q - 4);
            if ((before == Tag::Dt || before == Tag::Dd) && m_data[q - 4] == '<')
                start = q - 4;
        }
        return lineStartBefore(m_data, start, floor);
    }

    // The end of an entry whose tag ends at `end`: its line, and a
    // description ("<DD>") after it up to the next entry or list.
    qsizetype entryEnd(qsizetype end)
    {
        const qsizetype next = skipSpace(m_data, end);
        if (next < m_data.size() && m_data[next] == '<' && tagAt(m_data, next) == Tag::Dd) {
            const qsizetype text = tagEnd(next);
            const qsizetype after = skipSpace(m_data, text);
            // "<DD><A ...>" is an entry written after a "<DD>", not a description.
            if (!(after < m_data.size() && m_data[after] == '<' && tagAt(m_data, after) == Tag::A)) {
                qsizetype at = text;
                for (;;) {
                    const void* hit =
                        at < m_data.size() ? std::memchr(m_data.data() + at, '<', size_t(m_data.size() - at)) : nullptr;
                    if (!hit)
                        return m_data.size();
                    at = static_cast<const char*>(hit) - m_data.data();
                    if (isBoundary(tagAt(m_data, at)))
                        return lineStartBefore(m_data, at, text);
                    ++at;
                }
            }
        }
        return lineEndAfter(m_data, end);
    }

    std::shared_ptr<cBookmark> begin(qsizetype start)
    {
        if (!m_opened) {
            // Entries before any list: the file's own lines end at the first.
            m_owner.m_opening = span(0 - m_base, start);
            m_opened = true;
            m_emitted = m_base + start;
        }
        auto record = std::make_shared<cBookmark>();
        record->setKey(Keys::itemKey(m_record));
        record->setParentFolder(m_parent);
        record->setLead(spanOf(m_emitted, m_base + start));
        return record;
    }

    void add(std::shared_ptr<cBookmark> record)
    {
        // The folders' index is built as the records come: no second pass.
        auto& children = m_owner.m_children;
        if (children.size() <= size_t(m_parent))
            children.resize(size_t(m_parent) + 1);
        std::vector<qsizetype>& folder = children[size_t(m_parent)];
        if (folder.empty())
            folder.reserve(16); // a folder holds a few at least: fewer steps of growth
        folder.push_back(m_owner.m_records.Count() + 1);
        const QString key = record->Key();
        m_owner.m_records.AppendNew(std::move(record), key);
        ++m_record;
        if (m_yield && m_record % kEntriesPerYield == 0)
            m_yield();
    }

    qsizetype link(qsizetype at)
    {
        const Anchor anchor = readAnchor(m_data, at, m_finder);
        if (anchor.href.value < 0)
            return at + 1; // an anchor without an address is not a link
        if (anchor.close < 0) {
            ++m_owner.m_passedLinks;
            return at + 1;
        }
        countSwallowed(anchor.swallowed);
        const qsizetype start = entryStart(at);
        const qsizetype end = entryEnd(anchor.closeEnd);
        auto record = begin(start);
        // One encoding for the entry: if either part is not UTF-8, both are Latin-1.
        const QByteArrayView url = m_data.sliced(anchor.href.value, anchor.href.valueEnd - anchor.href.value);
        const QByteArrayView title = m_data.sliced(anchor.title, anchor.titleEnd - anchor.title);
        bool latin1 = false;
        QString urlText = decodeText(url, &latin1);
        QString titleText = decodeText(title, &latin1);
        if (latin1) {
            urlText = decodeReferences(QString::fromLatin1(url));
            titleText = decodeReferences(QString::fromLatin1(title));
        }
        record->setTitle(title.isEmpty() ? QStringLiteral("Bookmark #") + QString::number(m_record)
                                         : std::move(titleText));
        record->setURL(std::move(urlText));
        record->setBookmarkType(cBookmark::LinkType);
        record->setReadAsLatin1(latin1);
        record->setSource(span(start, end));
        m_emitted = m_base + end;
        add(std::move(record));
        return end;
    }

    qsizetype folder(qsizetype at)
    {
        const Heading heading = readHeading(m_data, at, m_finder);
        if (heading.close < 0) {
            ++m_owner.m_passedFolders;
            return at + 1;
        }
        countSwallowed(heading.swallowed);
        const qsizetype start = entryStart(at);
        qsizetype end = entryEnd(heading.closeEnd);
        // The line that opens its list is the folder's own.
        const qsizetype list = skipSpace(m_data, end);
        if (list < m_data.size() && m_data[list] == '<' && tagAt(m_data, list) == Tag::Dl)
            end = lineEndAfter(m_data, tagEnd(list));
        auto record = begin(start);
        if (m_parentAt.size() <= size_t(m_level))
            m_parentAt.resize(size_t(m_level) + 1);
        m_parentAt[size_t(m_level)] = m_parent;
        ++m_folder;
        bool latin1 = false;
        record->setTitle(decodeText(m_data.sliced(heading.tagEnd, heading.close - heading.tagEnd), &latin1));
        record->setURL(QString::number(m_folder));
        record->setFolderLevel(qint16(qMin(m_level, 32767)));
        record->setBookmarkType(cBookmark::FolderType);
        record->setReadAsLatin1(latin1);
        record->setSource(span(start, end));
        if (m_folders.size() <= size_t(m_folder))
            m_folders.resize(size_t(m_folder) + 1);
        m_folders[size_t(m_folder)] = record.get();
        m_emitted = m_base + end;
        add(std::move(record));
        ++m_level;
        m_parent = m_folder;
        return end;
    }

    qsizetype closeList(qsizetype at)
    {
        if (m_level == 0)
            return at + 1; // a stray closing tag, or the file's own: it stays where it is
        const qsizetype end = lineEndAfter(m_data, tagEnd(at));
        if (cBookmark* open = size_t(m_parent) < m_folders.size() ? m_folders[size_t(m_parent)] : nullptr)
            open->setSource(open->Own(), spanOf(m_emitted, m_base + end));
        m_emitted = m_base + end;
        --m_level;
        m_parent = m_level == 0 ? 0 : m_parentAt[size_t(m_level)];
        return end;
    }

    // Entries inside another's text on its line: read as part of it, as the
    // line's first entry took them, so the file is not read whole.
    void countSwallowed(int swallowed) { m_owner.m_passedLinks += swallowed; }

    NetscapeBookmarks& m_owner;
    QByteArrayView m_data;
    qsizetype m_base = 0;
    Finder m_finder;
    const std::function<void()>& m_yield;
    qsizetype m_emitted = 0; // the file up to here belongs to a record or to its opening
    bool m_opened = false;
    int m_record = 0;
    int m_folder = 0;
    int m_level = 0;
    int m_parent = 0;
    std::vector<int> m_parentAt;
    std::vector<cBookmark*> m_folders{nullptr};
};

void NetscapeBookmarks::read(QIODevice& device, const std::function<void()>& yield, bool keep)
{
    // The file is read through a window of about a megabyte that moves on
    // at lines where entries begin: a large export is never all in memory.
    m_children.clear();
    m_readHash = 0;
    Reader reader(*this, yield);
    QByteArray window;
    window.reserve(2 * kChunkBytes);
    QByteArray kept;
    qsizetype base = 0;   // where the window starts in the file
    qsizetype parsed = 0; // the window up to here is read
    const qint64 expected = device.isSequential() ? 0 : device.size() - device.pos();
    qint64 total = 0;
    bool end = false;
    while (!end) {
        const qsizetype filled = window.size();
        window.resize(filled + kChunkBytes);
        const qint64 got = device.read(window.data() + filled, kChunkBytes);
        window.truncate(filled + qMax<qint64>(got, 0));
        if (got < 0) {
            m_loadedWhole = false;
            m_loadProblem = device.errorString();
        }
        total += qMax<qint64>(got, 0);
        if (got > 0)
            m_readHash = platform::chainHash(m_readHash, QByteArrayView(window.constData() + filled, qsizetype(got)));
        // A file that grows as it is read is read to the size it had; the
        // stamp taken after the read tells that it changed.
        end = got <= 0 || (expected > 0 && total >= expected);
        if (keep && got > 0)
            kept.append(window.constData() + filled, qsizetype(got));
        const qsizetype cut = end ? window.size() : lastSafeEnd(window, parsed);
        if (cut < 0)
            continue; // no place to stop yet: read on
        if (base == 0 && parsed == 0)
            findLineEnd(window);
        reader.run(QByteArrayView(window).first(cut), base, parsed);
        if (yield)
            yield();
        if (end)
            break;
        // Keep what the next part may look back at: from the byte before
        // what no entry has taken yet.
        const qsizetype from = qMax<qsizetype>(0, qMin(reader.emitted() - base, cut) - 1);
        // Moved down in place: the window's memory is used again, never given back.
        const qsizetype rest = window.size() - from;
        std::memmove(window.data(), window.constData() + from, size_t(rest));
        window.truncate(rest);
        base += from;
        parsed = cut - from;
    }
    reader.finish(qsizetype(total));
    if (keep)
        m_source = std::move(kept);
    m_sourceSize = qsizetype(total);
    m_indexValid = true;
    if (m_loadedWhole && (m_passedLinks > 0 || m_passedFolders > 0)) {
        m_loadedWhole = false;
        m_loadProblem = passedOverText(m_passedLinks, m_passedFolders);
    }
}
