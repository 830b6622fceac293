#include "bookmarks/netscape.h"

#include "platform/atomicfile.h"
#include "platform/files.h"
#include "store/keyvalue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

namespace {

constexpr qint64 kChunkBytes = 1 << 20;
constexpr int kLinesPerYield = 500;

const QByteArray kLinkStart = QByteArrayLiteral("<DT><A HREF=\"");
const QByteArray kLinkDates = QByteArrayLiteral("\" ADD_DATE=\"797069285\" LAST_VISIT=\"797069236\" LAST_MODIFIED=\"797069236\">");
const QByteArray kFolderStart = QByteArrayLiteral("<DT><H3 FOLDED ADD_DATE=\"859692440\">");

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
    for (const char c : bytes) {
        if (quint8(c) >= 0x80)
            return false;
    }
    return true;
}

bool isUtf8(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return true;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

// Text read as UTF-8 where the bytes are UTF-8, otherwise as Latin-1, which keeps every byte.
QString decode(QByteArrayView bytes, bool latin1)
{
    return latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
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

QString recordKey(int number)
{
    return QString::number(number) + QLatin1Char('X');
}

} // namespace

int NetscapeBookmarks::folderNumber(const cBookmark& folder)
{
    bool ok = false;
    const int number = folder.URL().trimmed().toInt(&ok);
    return ok ? number : keyvalue::leadingNumber(folder.URL());
}

void NetscapeBookmarks::clearForLoad()
{
    m_records.Clear();
    m_indexValid = false;
    m_loadedWhole = true;
    m_loadProblem.clear();
    m_lastFolder = 0;
    m_reader = Reader();
}

void NetscapeBookmarks::load(const QString& path, const std::function<void()>& yield)
{
    clearForLoad();
    if (path.trimmed().isEmpty())
        return;
    const QString native = platform::nativePath(path);
    const QFileInfo before(native);
    if (!before.exists())
        return;
    if (before.isDir()) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it is a folder, not a file");
        return;
    }
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly)) {
        m_loadedWhole = false;
        m_loadProblem = file.errorString();
        return;
    }
    load(file, yield);
    const QFileInfo after(native);
    if (m_loadedWhole && (after.size() != before.size() || after.lastModified() != before.lastModified())) {
        m_loadedWhole = false;
        m_loadProblem = QStringLiteral("it changed while it was being read");
    }
}

void NetscapeBookmarks::load(QIODevice& device, const std::function<void()>& yield)
{
    if (m_reader.record != 0 || !m_records.isEmpty())
        clearForLoad();
    QByteArray pending;
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    int lines = 0;
    auto takeLine = [&](QByteArrayView line) {
        if (line.endsWith('\r'))
            line.chop(1);
        readLine(line);
        if (yield && ++lines % kLinesPerYield == 0)
            yield();
    };
    for (;;) {
        const qint64 got = device.read(chunk.data(), kChunkBytes);
        if (got < 0) {
            m_loadedWhole = false;
            m_loadProblem = device.errorString();
            break;
        }
        if (got == 0)
            break;
        pending.append(chunk.constData(), got);
        qsizetype start = 0;
        for (qsizetype end = pending.indexOf('\n', start); end >= 0; end = pending.indexOf('\n', start)) {
            takeLine(QByteArrayView(pending).sliced(start, end - start));
            start = end + 1;
        }
        pending.remove(0, start);
    }
    if (!pending.isEmpty())
        takeLine(pending);
    if (m_reader.headerSaved)
        m_header = m_reader.header;
    m_lastFolder = m_reader.folder;
    m_indexValid = false;
}

void NetscapeBookmarks::readLine(QByteArrayView line)
{
    Reader& r = m_reader;
    const QByteArrayView t = trimmed(line);

    // A link: the address up to the first quote, the title after the last ">" before "</A>".
    const qsizetype href = line.indexOf("<A HREF=");
    if (href >= 0) {
        const QByteArrayView rest = line.size() > href + 9 ? line.sliced(href + 9) : QByteArrayView();
        const qsizetype quote = rest.indexOf('"');
        const qsizetype end = rest.indexOf("</A>");
        if (quote >= 0 && end >= 0) {
            const QByteArrayView url = rest.first(quote);
            const QByteArrayView text = rest.first(end);
            const qsizetype gt = text.lastIndexOf('>');
            // No ">" before "</A>": the tag never closed, and there is no title to take.
            const QByteArrayView title = gt >= 0 ? trimmed(text.sliced(gt + 1)) : QByteArrayView();
            const bool latin1 = !isUtf8(url) || !isUtf8(title);
            auto link = std::make_shared<cBookmark>();
            link->setTitle(title.isEmpty() ? QStringLiteral("Bookmark #") + QString::number(r.record) : decode(title, latin1));
            link->setURL(decode(url, latin1));
            link->setKey(recordKey(r.record));
            link->setParentFolder(r.parent);
            link->setBookmarkType(cBookmark::LinkType);
            link->setReadAsLatin1(latin1);
            m_records.Add(link, link->Key());
            ++r.record;
        }
    }

    // A folder: the title between the end of the opening tag and "</H3>".
    QByteArrayView folderTitle;
    bool isFolder = false;
    if (t.contains("<DT><H3")) {
        qsizetype u = t.indexOf("\">");
        if (u < 0) {
            const qsizetype bare = t.indexOf("<H3>");
            u = bare >= 0 ? bare + 2 : -1;
        }
        if (u < 0) {
            // An opening tag with unquoted attributes: it ends at its first ">".
            const qsizetype h3 = t.indexOf("<H3");
            const qsizetype close = t.indexOf('>', h3);
            u = close >= 0 ? close - 1 : -1;
        }
        const QByteArrayView rest = u >= 0 && t.size() > u + 2 ? t.sliced(u + 2) : QByteArrayView();
        const qsizetype end = rest.indexOf("</H3>");
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
        if (t.contains("<DL>")) {
            r.inHeader = false;
            r.headerSaved = true;
        }
    }

    if (isFolder) {
        if (r.parentAt.size() <= size_t(r.level))
            r.parentAt.resize(size_t(r.level) + 1);
        r.parentAt[size_t(r.level)] = r.parent;
        ++r.folder;
        const bool latin1 = !isUtf8(folderTitle);
        auto folder = std::make_shared<cBookmark>();
        folder->setTitle(decode(folderTitle, latin1));
        folder->setURL(QString::number(r.folder));
        folder->setKey(recordKey(r.record));
        folder->setParentFolder(r.parent);
        folder->setFolderLevel(qint16(qMin(r.level, 32767)));
        folder->setBookmarkType(cBookmark::FolderType);
        folder->setReadAsLatin1(latin1);
        m_records.Add(folder, folder->Key());
        ++r.level;
        r.parent = r.folder;
        ++r.record;
    }

    if (t.contains("</DL>")) {
        // A stray closing tag never takes the level below the root.
        r.level = qMax(r.level - 1, 0);
        r.parent = r.level == 0 ? 0 : r.parentAt[size_t(r.level)];
    }
}

void NetscapeBookmarks::buildIndex() const
{
    m_children.clear();
    qsizetype position = 0;
    for (const auto& record : m_records) {
        ++position;
        const qint32 type = record->BookmarkType();
        if (type == cBookmark::LinkType || type == cBookmark::FolderType)
            m_children[record->ParentFolder()].push_back(position);
    }
    m_indexValid = true;
}

const std::vector<qsizetype>& NetscapeBookmarks::childrenOf(int folderNumber) const
{
    static const std::vector<qsizetype> none;
    if (!m_indexValid)
        buildIndex();
    const auto it = m_children.constFind(folderNumber);
    return it == m_children.cend() ? none : *it;
}

QByteArray NetscapeBookmarks::toBytes() const
{
    QByteArray out;
    out.reserve(m_records.Count() * 160 + m_header.size() + 64);
    out += m_header;
    out += "\r\n";
    auto linkLine = [&out](const cBookmark& link) {
        out += kLinkStart;
        out += encode(link.URL(), link.ReadAsLatin1());
        out += kLinkDates;
        out += encode(link.Title(), link.ReadAsLatin1());
        out += "</A>\r\n";
    };
    auto folderLine = [&out](const cBookmark& folder) {
        out += kFolderStart;
        out += encode(folder.Title(), folder.ReadAsLatin1());
        out += "</H3>\r\n<DL><p>\r\n";
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
    for (qsizetype top : root) {
        const cBookmark& topFolder = *m_records.at(top);
        if (topFolder.BookmarkType() != cBookmark::FolderType)
            continue;
        std::vector<Open> stack;
        written.insert(folderNumber(topFolder));
        folderLine(topFolder);
        stack.push_back(Open{&childrenOf(folderNumber(topFolder)), 0});
        while (!stack.empty()) {
            Open& open = stack.back();
            if (open.next >= open.children->size()) {
                out += "</DL></p>\r\n";
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
    out += "</DL><p>\r\n";
    return out;
}

bool NetscapeBookmarks::write(QIODevice& device) const
{
    const QByteArray bytes = toBytes();
    return device.write(bytes) == bytes.size();
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

bool SaveNetscapeFile(const NetscapeBookmarks& bookmarks, const QString& path, bool readOnly, QString* error)
{
    if (readOnly)
        return true;
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.trimmed().isEmpty())
        return fail(QStringLiteral("no location is set for the bookmark file"));
    if (!bookmarks.loadedWhole())
        return fail(QStringLiteral("the file could not be read completely (%1), and writing it would lose what was not read")
                        .arg(bookmarks.loadProblem()));
    const QString native = platform::nativePath(path);
    // What the program does not keep (dates, descriptions, icons) is gone after
    // a rewrite: keep the file as it was before the first one.
    const QString backup = netscapeBackupPath(path);
    if (QFileInfo(native).isFile() && !QFileInfo::exists(backup) && !QFile::copy(native, backup))
        return fail(QStringLiteral("a copy of the original file could not be kept as \"%1\"").arg(backup));
    QString why;
    if (!platform::writeFileAtomically(native, [&bookmarks](QIODevice& device) { return bookmarks.write(device); }, &why))
        return fail(why);
    return true;
}
