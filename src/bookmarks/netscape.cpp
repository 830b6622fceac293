#include "bookmarks/netscape.h"

#include "bookmarks/keys.h"
#include "bookmarks/netscapeformat.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "store/keyvalue.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

using namespace netscapeformat;

namespace {

constexpr qint64 kChunkBytes = 1 << 18;
constexpr int kEntriesPerYield = 500;

const QByteArray kNewFileHeader = QByteArrayLiteral(
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
    "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>");

QByteArrayView viewOf(const QByteArray& source, cBookmark::Span span)
{
    return span.isSet() ? QByteArrayView(source).sliced(span.start, span.size) : QByteArrayView();
}

cBookmark::Span spanOf(qsizetype from, qsizetype to)
{
    return cBookmark::Span{from, to - from};
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
    return parts.join(QStringLiteral(" and ")) + QStringLiteral(" in it could not be read, so changes to it will not be saved");
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

// The bytes the records were read from, as the writer asks for them: from
// memory, or from the file, read in steps of a megabyte as the writer goes
// through it in order, and a piece at a time where it jumps (a moved entry).
class NetscapeBookmarks::Source
{
public:
    explicit Source(const NetscapeBookmarks& owner)
        : m_owner(owner)
    {
    }

    // False, with `why`, when the file is no longer the one read.
    bool open(QString* why)
    {
        if (m_owner.m_sourceFile.isEmpty() || m_owner.m_sourceSize == 0)
            return true;
        m_file.setFileName(m_owner.m_sourceFile);
        if (!unchanged() || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            *why = unchanged() ? m_file.errorString() : changedText();
            return false;
        }
        m_fromFile = true;
        return true;
    }

    // Whether the file is still the one read, and every read of it whole.
    bool stillGood(QString* why) const
    {
        if (!m_fromFile)
            return true;
        if (m_failed || !unchanged()) {
            *why = changedText();
            return false;
        }
        return true;
    }

    // Valid until the next call.
    QByteArrayView view(cBookmark::Span span)
    {
        if (!span.isSet() || span.size == 0)
            return {};
        if (!m_fromFile)
            return viewOf(m_owner.m_source, span);
        if (span.start >= m_start && span.start + span.size <= m_start + m_cache.size())
            return QByteArrayView(m_cache).sliced(span.start - m_start, span.size);
        const bool onward = span.start >= m_start && span.start <= m_start + m_cache.size() + kChunkBytes;
        if (!onward && span.size < kChunkBytes / 16) {
            // A jump: only the piece asked for, so that the megabyte read stays.
            return fill(m_piece, span.start, span.size) ? QByteArrayView(m_piece) : QByteArrayView();
        }
        if (!fill(m_cache, span.start, qMax(kChunkBytes, span.size))) {
            m_cache.clear();
            return {};
        }
        m_start = span.start;
        return QByteArrayView(m_cache).first(qMin(span.size, m_cache.size()));
    }

private:
    static QString changedText() { return QStringLiteral("the file was changed on disk by another program since Markcrate read it"); }
    bool unchanged() const { return platform::fileStamp(m_owner.m_sourceFile) == m_owner.m_sourceStamp; }

    bool fill(QByteArray& into, qsizetype at, qsizetype size)
    {
        size = qMin(size, m_owner.m_sourceSize - at);
        into.resize(qMax<qsizetype>(size, 0));
        if (size <= 0 || !m_file.seek(at) || m_file.read(into.data(), size) != size) {
            m_failed = true;
            into.clear();
            return false;
        }
        return true;
    }

    const NetscapeBookmarks& m_owner;
    QFile m_file;
    bool m_fromFile = false;
    bool m_failed = false;
    QByteArray m_cache;
    qsizetype m_start = 0;
    QByteArray m_piece;
};

QByteArray NetscapeBookmarks::header() const
{
    Source source(*this);
    QString why;
    return source.open(&why) ? source.view(m_opening).toByteArray() : QByteArray();
}

void NetscapeBookmarks::clearForLoad()
{
    touch();
    m_records.Clear();
    m_indexValid = false;
    m_source.clear();
    m_sourceFile.clear();
    m_sourceStamp = {};
    m_sourceSize = 0;
    m_opening = {};
    m_ending = {};
    m_listOpened = false;
    m_lineEnd = QByteArrayLiteral("\r\n");
    m_loadedWhole = true;
    m_loadProblem.clear();
    m_passedLinks = 0;
    m_passedFolders = 0;
    m_fixedForm = true;
    m_lastFolder = 0;
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
    read(file, yield, false);
    const platform::FileStamp after = platform::fileStamp(native);
    if (m_loadedWhole && !(after == before)) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it changed while it was being read");
    }
    // The records' bytes stay in the file: a save reads them from there once
    // it has made sure the file is still the one read.
    m_sourceFile = native;
    m_sourceStamp = before;
    m_copyNeeded = !m_fixedForm;
}

void NetscapeBookmarks::load(QIODevice& device, const std::function<void()>& yield)
{
    clearForLoad();
    read(device, yield, true);
}

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
        : m_owner(owner)
        , m_finder(QByteArrayView())
        , m_yield(yield)
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
        for (qsizetype at = qMax(from, local(m_owner.m_opening.start + m_owner.m_opening.size)); at < to && m_owner.m_fixedForm;) {
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
                    const void* hit = at < m_data.size() ? std::memchr(m_data.data() + at, '<', size_t(m_data.size() - at)) : nullptr;
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
        record->setTitle(title.isEmpty() ? QStringLiteral("Bookmark #") + QString::number(m_record) : std::move(titleText));
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
// nor a write per line; long unchanged stretches go to the device directly.
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
        if (bytes.isEmpty())
            return;
        m_offset += bytes.size();
        m_last = bytes.back();
        if (bytes.size() >= kBlock) {
            flush();
            if (m_ok)
                m_ok = m_device.write(bytes.data(), bytes.size()) == bytes.size();
            return;
        }
        m_block.append(bytes);
        if (m_block.size() >= kBlock)
            flush();
    }
    bool atLineStart() const { return m_last == 0 || m_last == '\n' || m_last == '\r'; }
    qsizetype offset() const { return m_offset; }
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
    qsizetype m_offset = 0;
    char m_last = 0;
    bool m_ok = true;
};

// A link's title is read without its outer blanks: it is written so.
QString trimmedSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QByteArray dateText(qint64 seconds)
{
    return QByteArray::number(seconds);
}

QByteArray ownLinkLine(const cBookmark& link, qint64 added, qint64 changed)
{
    return "<DT><A HREF=\"" + encodeText(link.URL(), link.ReadAsLatin1()) + "\" ADD_DATE=\"" + dateText(added)
           + "\" LAST_MODIFIED=\"" + dateText(changed) + "\">" + encodeText(trimmedSpaces(link.Title()), link.ReadAsLatin1()) + "</A>";
}

QByteArray ownFolderLine(const cBookmark& folder, qint64 added, qint64 changed)
{
    return "<DT><H3 FOLDED ADD_DATE=\"" + dateText(added) + "\" LAST_MODIFIED=\"" + dateText(changed) + "\">"
           + encodeText(folder.Title(), folder.ReadAsLatin1()) + "</H3>";
}

// The tag's LAST_MODIFIED set to `changed`, or added before its ">".
QByteArray withLastModified(QByteArrayView own, qsizetype tagNameEnd, qint64 changed)
{
    Finder finder(own);
    Attribute modified;
    const qsizetype end = scanAttributes(own, tagNameEnd, finder, [&](const Attribute& a) {
        if (modified.value < 0 && a.value >= 0 && isNamed(own, a, "last_modified"))
            modified = a;
        return true;
    });
    if (end < 0)
        return {};
    QByteArray out;
    out.reserve(own.size() + 32);
    if (modified.value >= 0) {
        out += own.first(modified.value);
        out += modified.quote ? dateText(changed) : "\"" + dateText(changed) + "\"";
        out += own.sliced(modified.valueEnd);
    } else {
        out += own.first(end - 1);
        out += " LAST_MODIFIED=\"" + dateText(changed) + "\"";
        out += own.sliced(end - 1);
    }
    return out;
}

} // namespace

// Writes the records folder by folder in collection order. An unchanged
// record is its bytes as read; a changed one is its bytes with only the
// changed title, address and LAST_MODIFIED put in; a new one is written in
// the program's own form, indented as the entry before it.
struct NetscapeBookmarks::Layout
{
    struct Spans
    {
        cBookmark::Span lead;
        cBookmark::Span own;
        cBookmark::Span close;
    };
    std::vector<Spans> records; // by position in the collection
    cBookmark::Span opening;
    cBookmark::Span ending;
    bool listOpened = false;
    qsizetype size = 0;
};

class NetscapeBookmarks::Writer
{
public:
    Writer(const NetscapeBookmarks& owner, QIODevice& device, Source& source, Layout* layout)
        : m_owner(owner)
        , m_out(device)
        , m_source(source)
        , m_layout(layout ? *layout : m_ownLayout)
        , m_now(QDateTime::currentSecsSinceEpoch())
    {
    }

    bool run()
    {
        const auto& records = m_owner.m_records;
        m_layout.records.assign(size_t(records.Count()), {});
        // Every record by its folder, retired ones too: what stood before them stays.
        std::vector<std::vector<qsizetype>> children(1);
        qsizetype position = 0;
        bool anyLive = false;
        for (const auto& record : records) {
            ++position;
            const qint32 parent = record->ParentFolder();
            if (parent < 0 || parent > records.Count() + m_owner.m_lastFolder)
                continue;
            anyLive = anyLive || record->BookmarkType() == cBookmark::LinkType || record->BookmarkType() == cBookmark::FolderType;
            if (size_t(parent) >= children.size())
                children.resize(size_t(parent) + 1);
            children[size_t(parent)].push_back(position);
        }
        // An empty file with nothing added is written back as it was: empty.
        if (m_owner.m_sourceSize == 0 && records.isEmpty())
            return finish();
        const bool fresh = m_owner.m_sourceSize == 0;
        const bool wrap = !fresh && !m_owner.m_listOpened && anyLive && m_owner.m_opening.size == m_owner.m_sourceSize;
        if (fresh) {
            m_out.append(kNewFileHeader);
            m_out.append(m_owner.m_lineEnd);
        } else {
            m_out.append(source(m_owner.m_opening));
            if (wrap) {
                // A file with no list and no entries: the new entries get one.
                lineBreak();
                m_out.append("<DL><p>");
                m_out.append(m_owner.m_lineEnd);
            }
        }
        m_layout.opening = spanOf(0, m_out.offset());
        m_layout.listOpened = m_owner.m_listOpened || fresh || wrap;
        struct Open
        {
            const cBookmark* folder;
            const std::vector<qsizetype>* children;
            size_t next;
            cBookmark::Span indent; // for a new entry in it: as the entry before it
            qsizetype position = 0;
            QByteArray deeper; // else its folder's indent and one step more
        };
        static const std::vector<qsizetype> none;
        auto childrenOf = [&](const cBookmark& folder) -> const std::vector<qsizetype>& {
            const int number = folderNumber(folder);
            return number > 0 && size_t(number) < children.size() ? children[size_t(number)] : none;
        };
        std::vector<bool> written(children.size(), false);
        written[0] = true;
        std::vector<Open> stack{{nullptr, &children[0], 0, {}, 0, QByteArray()}};
        while (!stack.empty()) {
            Open& open = stack.back();
            if (open.next >= open.children->size()) {
                if (open.folder) {
                    const qsizetype start = m_out.offset();
                    closeFolder(*open.folder, stack.size() >= 2 ? indentOf(stack[stack.size() - 2]) : QByteArray());
                    if (m_out.offset() > start || open.folder->Close().isSet())
                        spansOf(open.position).close = spanOf(start, m_out.offset());
                }
                stack.pop_back();
                continue;
            }
            const qsizetype position = (*open.children)[open.next++];
            const cBookmark& record = *records.at(position);
            Layout::Spans& spans = spansOf(position);
            const qsizetype leadStart = m_out.offset();
            m_out.append(source(record.Lead()));
            if (record.Lead().isSet())
                spans.lead = spanOf(leadStart, m_out.offset());
            if (record.Own().isSet())
                open.indent = blanksOf(record.Own());
            const qsizetype ownStart = m_out.offset();
            if (record.BookmarkType() == cBookmark::LinkType) {
                writeEntry(record, open);
                spans.own = spanOf(ownStart, m_out.offset());
            } else if (record.BookmarkType() == cBookmark::FolderType) {
                const int number = folderNumber(record);
                if (number <= 0 || (size_t(number) < written.size() && written[size_t(number)]))
                    continue;
                if (size_t(number) < written.size())
                    written[size_t(number)] = true;
                writeEntry(record, open);
                spans.own = spanOf(ownStart, m_out.offset());
                stack.push_back(Open{&record, &childrenOf(record), 0, {}, position, indentOf(open) + "    "});
            }
        }
        const qsizetype endingStart = m_out.offset();
        if (fresh || wrap) {
            lineBreak();
            m_out.append("</DL><p>");
            m_out.append(m_owner.m_lineEnd);
        } else {
            m_out.append(source(m_owner.m_ending));
        }
        m_layout.ending = spanOf(endingStart, m_out.offset());
        return finish();
    }

private:
    QByteArrayView source(cBookmark::Span span) const { return m_source.view(span); }
    Layout::Spans& spansOf(qsizetype position) { return m_layout.records[size_t(position - 1)]; }

    // The blanks that indent an entry's first line, as a place in the file.
    cBookmark::Span blanksOf(cBookmark::Span own) const
    {
        const QByteArrayView bytes = source(own);
        qsizetype from = 0;
        while (from < bytes.size() && (bytes[from] == '\n' || bytes[from] == '\r'))
            ++from;
        qsizetype to = from;
        while (to < bytes.size() && (bytes[to] == ' ' || bytes[to] == '\t'))
            ++to;
        return spanOf(own.start + from, own.start + to);
    }

    template <typename Open>
    QByteArray indentOf(const Open& open) const
    {
        return open.indent.isSet() ? source(open.indent).toByteArray() : open.deeper;
    }

    bool finish()
    {
        m_layout.size = m_out.offset();
        return m_out.flush();
    }

    void lineBreak()
    {
        if (!m_out.atLineStart())
            m_out.append(m_owner.m_lineEnd);
    }

    qint64 addedAt(const cBookmark& record)
    {
        // A record the program made is dated when it is first written.
        if (record.AddedAt() == 0)
            const_cast<cBookmark&>(record).setAddedAt(m_now);
        return record.AddedAt();
    }

    // A line of the program's own. Lines already in the file are never split
    // or joined, since how a line reads can hang on what else stands on it:
    // where the file's last line has not ended, the new text joins it.
    void newLine(const QByteArray& indent, const QByteArray& line)
    {
        if (!m_out.atLineStart()) {
            m_out.append(line);
            return;
        }
        m_out.append(indent);
        m_out.append(line);
        m_out.append(m_owner.m_lineEnd);
    }

    // An entry read from the file but written anew: in the place of its old
    // text, keeping what stood before its first tag and its line's end.
    void inPlaceOf(QByteArrayView own, const QByteArray& text)
    {
        const qsizetype first = own.indexOf('<');
        m_out.append(own.first(first < 0 ? 0 : first));
        m_out.append(text);
        qsizetype tail = own.size();
        while (tail > 0 && isBlank(own[tail - 1]))
            --tail;
        m_out.append(own.sliced(qMax(tail, first < 0 ? 0 : first)));
    }

    // An entry as read where unchanged; with only its changed parts put in
    // where they can be; else in the program's own form, in its place.
    template <typename Open>
    void writeEntry(const cBookmark& record, const Open& open)
    {
        const bool folder = record.BookmarkType() == cBookmark::FolderType;
        if (record.Own().isSet() && !record.TitleChanged() && !record.URLChanged()) {
            m_out.append(source(record.Own()));
            return;
        }
        if (record.Own().isSet()) {
            const QByteArray changed = folder ? changedFolder(record) : changedLink(record);
            if (!changed.isEmpty()) {
                m_out.append(changed);
                return;
            }
            const qint64 when = record.ChangedAt() ? record.ChangedAt() : m_now;
            inPlaceOf(source(record.Own()), folder ? ownFolderLine(record, when, when) + "<DL><p>" : ownLinkLine(record, when, when));
            return;
        }
        const qint64 added = addedAt(record);
        const QByteArray indent = indentOf(open);
        newLine(indent, folder ? ownFolderLine(record, added, added) : ownLinkLine(record, added, added));
        if (folder)
            newLine(indent, "<DL><p>");
    }

    void closeFolder(const cBookmark& folder, const QByteArray& indent)
    {
        // A folder read from a file whose list never closed stays so.
        if (folder.Close().isSet())
            m_out.append(source(folder.Close()));
        else if (!folder.Own().isSet())
            newLine(indent, "</DL><p>");
    }

    // The link's own bytes with the changed title and address put in; empty
    // when they would not read back as the one link they are to be.
    QByteArray changedLink(const cBookmark& link) const
    {
        const QByteArrayView own = source(link.Own());
        Finder finder(own);
        qsizetype at = -1;
        Anchor anchor;
        for (qsizetype p = own.indexOf('<'); p >= 0; p = own.indexOf('<', p + 1)) {
            if (tagAt(own, p) == Tag::A) {
                anchor = readAnchor(own, p, finder);
                if (anchor.href.value >= 0 && anchor.close >= 0) {
                    at = p;
                    break;
                }
            }
        }
        if (at < 0)
            return {};
        const bool latin1 = link.ReadAsLatin1();
        QByteArray url = link.URLChanged() ? encodeText(link.URL(), latin1)
                                           : own.sliced(anchor.href.value, anchor.href.valueEnd - anchor.href.value).toByteArray();
        if (link.URLChanged() && anchor.href.quote == '\'')
            url.replace('\'', "&#39;");
        const char quote = anchor.href.quote ? anchor.href.quote : '"';
        QByteArray out;
        out += own.first(at);
        QByteArray tag = own.sliced(at, anchor.href.value - at).toByteArray();
        if (!anchor.href.quote)
            tag += quote;
        tag += url;
        tag += quote;
        const qsizetype afterValue = anchor.href.quote ? anchor.href.valueEnd + 1 : anchor.href.valueEnd;
        tag += own.sliced(afterValue, anchor.title - afterValue);
        tag = withLastModified(QByteArray(tag + ">"), 2, link.ChangedAt());
        if (tag.isEmpty())
            return {};
        tag.chop(1);
        out += tag;
        out += link.TitleChanged() ? encodeText(trimmedSpaces(link.Title()), latin1)
                                   : own.sliced(anchor.title, anchor.titleEnd - anchor.title).toByteArray();
        out += own.sliced(anchor.titleEnd);
        return readsBackAs(out, link) ? out : QByteArray();
    }

    QByteArray changedFolder(const cBookmark& folder) const
    {
        const QByteArrayView own = source(folder.Own());
        Finder finder(own);
        for (qsizetype p = own.indexOf('<'); p >= 0; p = own.indexOf('<', p + 1)) {
            if (tagAt(own, p) != Tag::H3)
                continue;
            const Heading heading = readHeading(own, p, finder);
            if (heading.close < 0)
                return {};
            QByteArray out = withLastModified(own.first(heading.tagEnd), p + 3, folder.ChangedAt());
            if (out.isEmpty())
                return {};
            out += encodeText(folder.Title(), folder.ReadAsLatin1());
            out += own.sliced(heading.close);
            return readsBackAs(out, folder) ? out : QByteArray();
        }
        return {};
    }

    // What a changed field reads back as once written.
    static QString asWritten(const QString& text) { return decodeReferences(QString::fromUtf8(encodeText(text, false))); }

    // Whether `bytes` read alone give the one record `record` is.
    static bool readsBackAs(const QByteArray& bytes, const cBookmark& record)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        NetscapeBookmarks alone;
        alone.load(buffer);
        if (!alone.loadedWhole() || alone.records().Count() != 1)
            return false;
        const cBookmark& back = *alone.records().at(1);
        if (back.BookmarkType() != record.BookmarkType())
            return false;
        if (record.BookmarkType() == cBookmark::FolderType)
            return back.Title() == (record.TitleChanged() ? asWritten(record.Title()) : record.Title());
        const QString title = record.TitleChanged() ? trimmedSpaces(asWritten(record.Title())) : record.Title();
        const QString url = record.URLChanged() ? asWritten(record.URL()) : record.URL();
        return back.URL() == url && (back.Title() == title || (title.isEmpty() && back.Title().startsWith(u"Bookmark #")));
    }

    const NetscapeBookmarks& m_owner;
    BlockWriter m_out;
    Source& m_source;
    Layout m_ownLayout;
    Layout& m_layout;
    qint64 m_now;
};

bool NetscapeBookmarks::write(QIODevice& device) const
{
    QString why;
    return writeWith(device, nullptr, &why);
}

bool NetscapeBookmarks::writeWith(QIODevice& device, Layout* layout, QString* why) const
{
    Source source(*this);
    // What was read from the file must have been the file as read, to the end.
    return source.open(why) && Writer(*this, device, source, layout).run() && source.stillGood(why);
}

void NetscapeBookmarks::adopt(const Layout& layout, const QString& file, const platform::FileStamp& stamp, qsizetype size)
{
    qsizetype position = 0;
    for (const auto& record : m_records) {
        const Layout::Spans& spans = layout.records[size_t(position++)];
        record->setLead(spans.lead);
        record->setSource(spans.own, spans.close);
    }
    m_opening = layout.opening;
    m_ending = layout.ending;
    m_listOpened = layout.listOpened;
    m_source.clear();
    m_sourceFile = file;
    m_sourceStamp = stamp;
    m_sourceSize = size;
}

QByteArray NetscapeBookmarks::toBytes() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return buffer.data();
}

void carryBookmarkLines(cBookmark& to, const cBookmark& from)
{
    const int parent = to.ParentFolder();
    QString title = to.Title();
    QString url = to.URL();
    copyBookmarkContents(to, from);
    to.setParentFolder(parent);
    to.setBookmarkType(cBookmark::LinkType);
    to.setTitle(std::move(title));
    to.setURL(std::move(url));
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
    // The entries not changed are written from the file as it was read; a
    // change to it while it is read leaves the file as it is.
    QString why;
    QString sourceProblem;
    NetscapeBookmarks::Layout layout;
    if (!platform::writeFileAtomically(
            native, [&](QIODevice& device) { return bookmarks.writeWith(device, &layout, &sourceProblem); }, &why)) {
        if (!sourceProblem.isEmpty()) {
            if (changedOnDisk)
                *changedOnDisk = true;
            return fail(sourceProblem);
        }
        return fail(why);
    }
    const platform::FileStamp written = platform::fileStamp(native);
    bookmarks.adopt(layout, native, written, layout.size);
    bookmarks.setDiskStamp(written, false); // this version is the program's own
    return true;
}
