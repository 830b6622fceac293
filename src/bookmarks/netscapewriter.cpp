// The bookmark file's writer: unchanged entries as read, changed ones with
// only their changes put in, new ones in the program's own form.
#include "bookmarks/netscape.h"
#include "bookmarks/netscapeformat.h"
#include "bookmarks/netscapeparts.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>

using namespace netscapeformat;
using netscapeparts::kChunkBytes;
using netscapeparts::spanOf;
using netscapeparts::viewOf;

namespace {

const QByteArray kNewFileHeader =
    QByteArrayLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                      "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>");

} // namespace

// The bytes the records were read from, as the writer asks for them: from
// memory, or from the file, read in steps as the writer goes through it in
// order, and a piece at a time where it jumps (a moved entry).
class NetscapeBookmarks::Source
{
public:
    explicit Source(const NetscapeBookmarks& owner) : m_owner(owner) {}

    // False, with `why`, when the file is no longer the one read.
    bool open(QString* why)
    {
        if (m_owner.m_sourceFile.isEmpty() || m_owner.m_sourceSize == 0)
            return true;
        if (!unchanged()) {
            *why = changedText();
            return false;
        }
        m_file.setFileName(m_owner.m_sourceFile);
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            *why = m_file.errorString();
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
            // A jump: only the piece asked for, so that the step read stays.
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
    static QString changedText()
    {
        return QStringLiteral("the file was changed on disk by another program since Markcrate read it");
    }
    bool unchanged() const { return platform::fileStamp(m_owner.m_sourceFile) == m_owner.m_diskStamp; }

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

QByteArray NetscapeBookmarks::linesOf(const cBookmark& link) const
{
    if (!link.Own().isSet())
        return link.Lines();
    Source source(*this);
    QString why;
    return source.open(&why) ? source.view(link.Own()).toByteArray() : QByteArray();
}

QByteArray NetscapeBookmarks::header() const
{
    Source source(*this);
    QString why;
    return source.open(&why) ? source.view(m_opening).toByteArray() : QByteArray();
}

namespace {

// Collects output in a block of about a megabyte and hands each full block to
// the device, so that a save needs neither a copy of the whole file in memory
// nor a write per line; long unchanged stretches go to the device directly.
class BlockWriter
{
public:
    explicit BlockWriter(QIODevice& device) : m_device(device) { m_block.reserve(kBlock + 4096); }
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
    return "<DT><A HREF=\"" + encodeText(link.URL(), link.ReadAsLatin1()) + "\" ADD_DATE=\"" + dateText(added) +
           "\" LAST_MODIFIED=\"" + dateText(changed) + "\">" +
           encodeText(trimmedSpaces(link.Title()), link.ReadAsLatin1()) + "</A>";
}

QByteArray ownFolderLine(const cBookmark& folder, qint64 added, qint64 changed)
{
    return "<DT><H3 FOLDED ADD_DATE=\"" + dateText(added) + "\" LAST_MODIFIED=\"" + dateText(changed) + "\">" +
           encodeText(folder.Title(), folder.ReadAsLatin1()) + "</H3>";
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
class NetscapeBookmarks::Writer
{
public:
    Writer(const NetscapeBookmarks& owner, QIODevice& device, Source& source, Layout* layout)
        : m_owner(owner), m_out(device), m_source(source), m_layout(layout ? *layout : m_ownLayout),
          m_now(QDateTime::currentSecsSinceEpoch())
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
            anyLive = anyLive || record->BookmarkType() == cBookmark::LinkType ||
                      record->BookmarkType() == cBookmark::FolderType;
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

    template <typename Open> QByteArray indentOf(const Open& open) const
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
    template <typename Open> void writeEntry(const cBookmark& record, const Open& open)
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
            inPlaceOf(source(record.Own()),
                      folder ? ownFolderLine(record, when, when) + "<DL><p>" : ownLinkLine(record, when, when));
            return;
        }
        const QByteArray indent = indentOf(open);
        if (!folder && !record.Lines().isEmpty()) {
            // A link put back from the Trash: its own lines, in its new folder's indent.
            QByteArray lines = record.Lines();
            qsizetype start = 0;
            while (start < lines.size() && isBlank(lines.at(start)))
                ++start;
            lines.remove(0, start);
            while (lines.endsWith('\n') || lines.endsWith('\r'))
                lines.chop(1);
            if (readsBackAs(lines, record)) {
                newLine(indent, lines);
                return;
            }
        }
        const qint64 added = addedAt(record);
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
        QByteArray url = link.URLChanged()
                             ? encodeText(link.URL(), latin1)
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
    static QString asWritten(const QString& text)
    {
        return decodeReferences(QString::fromUtf8(encodeText(text, false)));
    }

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
        return back.URL() == url &&
               (back.Title() == title || (title.isEmpty() && back.Title().startsWith(u"Bookmark #")));
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

void NetscapeBookmarks::adopt(const Layout& layout, const QString& file, qsizetype size)
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
    m_sourceSize = size;
}

QByteArray NetscapeBookmarks::toBytes() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return buffer.data();
}
