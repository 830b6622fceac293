#include "bookmarks/forums.h"
#include "bookmarks/keys.h"

#include "bookmarks/sortnames.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <QFile>
#include <QStringDecoder>

namespace Forums {

namespace {

constexpr int kLinesPerYield = 500;

QList<QByteArray> lines(const QByteArray& bytes)
{
    QList<QByteArray> out = bytes.split('\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast(); // the line end of the last line starts no new line
    for (QByteArray& line : out) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile file(platform::nativePath(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString listPath()
{
    return platform::dataDir() + QStringLiteral("/cforums.txt");
}

File read(const QString& path)
{
    File file;
    QByteArray bytes = readAll(path);
    // A byte-order mark (an editor's) marks the file, and is no part of the first name.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString ignored = utf8.decode(bytes);
    file.latin1 = utf8.hasError();
    for (const QByteArray& line : lines(bytes))
        file.names.append(file.latin1 ? QString::fromLatin1(line) : QString(utf8.decode(line)));
    return file;
}

void fill(Collection& collection, QStringList names)
{
    collection.Clear();
    SortNames(names);
    for (qsizetype i = 0; i < names.size(); ++i)
        collection.AppendNew(std::make_shared<QString>(names[i]), Keys::itemKey(i));
}

bool write(const QString& path, const Collection& collection, bool latin1, QString* error)
{
    platform::ensurePrivateDir(platform::dataDir());
    // One encoding for the whole file, or a reader cannot tell them apart:
    // Latin-1 only while every name fits it, UTF-8 otherwise.
    QString text;
    for (const auto& name : collection) {
        QString line = *name;
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += line + QStringLiteral("\r\n");
    }
    bool fits = latin1;
    for (qsizetype i = 0; fits && i < text.size(); ++i)
        fits = text.at(i).unicode() <= 0xFF;
    // A first name that itself starts with U+FEFF would read as the file's
    // mark: a mark of the file's own goes before it, and reading drops only that.
    if (text.startsWith(QChar(0xFEFF)))
        text.prepend(QChar(0xFEFF));
    const QByteArray bytes = fits ? text.toLatin1() : text.toUtf8();
    return platform::writeFileAtomically(
        platform::nativePath(path), [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, error);
}

QStringList namesFromPage(const QString& pagePath, const std::function<void()>& yield)
{
    QStringList names;
    int count = 0;
    for (const QByteArray& line : lines(readAll(pagePath))) {
        if (yield && ++count % kLinesPerYield == 0)
            yield();
        const qsizetype href = line.indexOf("<A HREF=");
        if (href < 0)
            continue;
        const QByteArrayView rest = line.size() > href + 9 ? QByteArrayView(line).sliced(href + 9) : QByteArrayView();
        const qsizetype end = rest.indexOf("</A>");
        if (!rest.contains('"') || end < 0)
            continue;
        const QByteArrayView text = rest.first(end);
        const qsizetype gt = text.lastIndexOf('>');
        if (gt < 0)
            continue; // the tag never closed: there is no name to take
        // Blanks and tabs are trimmed, as a name is read; other bytes are part of it.
        QByteArrayView trimmedName = text.sliced(gt + 1);
        while (!trimmedName.isEmpty() && (trimmedName.front() == ' ' || trimmedName.front() == '\t'))
            trimmedName = trimmedName.sliced(1);
        while (!trimmedName.isEmpty() && (trimmedName.back() == ' ' || trimmedName.back() == '\t'))
            trimmedName.chop(1);
        const QByteArray name = trimmedName.toByteArray();
        if (name.isEmpty())
            continue;
        QStringDecoder utf8(QStringConverter::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString decoded = utf8.decode(name);
        names.append(utf8.hasError() ? QString::fromLatin1(name) : decoded);
    }
    return names;
}

void List::load()
{
    const File file = read(listPath());
    fill(m_names, file.names);
    m_latin1 = file.latin1;
    m_loaded = true;
}

bool List::save(QString* error)
{
    return write(listPath(), m_names, m_latin1, error);
}

} // namespace Forums
