#include "platform/profilefile.h"

#include "platform/atomicfile.h"
#include "platform/files.h"

#include <QIODevice>
#include <QStringDecoder>

namespace platform {

namespace {

// A shortcut is a few lines; anything past this is not read.
constexpr qint64 kMaxProfileBytes = 1024 * 1024;

struct Text
{
    QString text;
    bool utf8 = true; // how to write it back
};

Text decodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return {QStringDecoder(QStringConverter::Utf16LE).decode(QByteArrayView(bytes).sliced(2)), true};
    if (bytes.startsWith("\xFE\xFF"))
        return {QStringDecoder(QStringConverter::Utf16BE).decode(QByteArrayView(bytes).sliced(2)), true};
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes).sliced(bom));
    if (!utf8.hasError())
        return {text, true};
    return {QString::fromLatin1(bytes), false};
}

Text readText(const QString& file)
{
    QByteArray bytes;
    if (!readRegularFile(file, kMaxProfileBytes, &bytes))
        return {}; // missing, unreadable, or a pipe or a device that would block the window
    return decodeText(bytes);
}

// The section name of a "[name]" line, or a null string for other lines.
QString sectionName(QStringView line)
{
    line = line.trimmed();
    if (!line.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    return (close < 0 ? line.sliced(1) : line.sliced(1, close - 1)).trimmed().toString();
}

} // namespace

QString GetPrivateProfileString(
    const QString& section, const QString& key, const QString& defaultValue, int size, const QString& file)
{
    auto limited = [size](const QString& value) {
        // The buffer counts characters; a pair of surrogates is one and is never split.
        qsizetype units = 0;
        for (qsizetype characters = 0; units < value.size() && characters < qsizetype(size) - 1; ++characters)
            units += value.at(units).isHighSurrogate() && units + 1 < value.size() ? 2 : 1;
        return size <= 1 ? QString() : value.left(units);
    };
    const Text text = readText(file);
    bool inSection = false;
    for (QStringView line : QStringView(text.text).split(QLatin1Char('\n'))) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        if (line.first(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return limited(line.sliced(equals + 1).trimmed().toString());
    }
    return limited(defaultValue);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value, const QString& file)
{
    QByteArray old;
    readRegularFile(file, kMaxProfileBytes, &old); // missing or unreadable: a new file
    const QByteArray bytes = withProfileString(old, section, key, value);
    return writeFileAtomically(nativePath(file),
                               [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

QByteArray withProfileString(const QByteArray& old, const QString& section, const QString& key, const QString& value)
{
    const Text existing = decodeText(old);
    QStringList lines;
    if (!existing.text.isEmpty()) {
        lines = existing.text.split(QLatin1Char('\n'));
        for (QString& line : lines) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
        }
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype sectionAt = -1;
    qsizetype insertAt = -1;
    bool done = false;
    for (qsizetype i = 0; i < lines.size() && !done; ++i) {
        const QString name = sectionName(lines[i]);
        if (!name.isNull()) {
            if (sectionAt >= 0)
                break; // the section ended without the key
            if (name.compare(section, Qt::CaseInsensitive) == 0)
                sectionAt = insertAt = i;
            continue;
        }
        if (sectionAt < 0)
            continue;
        if (!lines[i].trimmed().isEmpty())
            insertAt = i;
        const qsizetype equals = lines[i].indexOf(QLatin1Char('='));
        if (equals >= 0 && QStringView(lines[i]).first(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done) {
        if (sectionAt < 0) {
            lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
            lines.append(entry);
        } else {
            lines.insert(insertAt + 1, entry);
        }
    }
    QString out;
    for (const QString& line : lines)
        out += line + QStringLiteral("\r\n");
    // A Latin-1 file stays Latin-1 only while every character fits it.
    bool fits = !existing.utf8;
    for (qsizetype i = 0; fits && i < out.size(); ++i)
        fits = out.at(i).unicode() <= 0xFF;
    return fits ? out.toLatin1() : out.toUtf8();
}

} // namespace platform
