#include "platform/regfile.h"

#include "platform/registryhive.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

namespace platform {

namespace {

constexpr int kMaxReportedProblems = 5;
constexpr int kHexBytesPerLineBreak = 25;

// Text types whose data the editor writes as UTF-16LE: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ.
bool isTextType(quint32 type)
{
    return type == 1 || type == 2 || type == 7;
}

QString decodeText(const QByteArray& bytes, RegFileReadResult& result)
{
    auto decodeWith = [&](QStringConverter::Encoding encoding, qsizetype bomLength) -> std::optional<QString> {
        // The file's own mark is sliced off above; any other U+FEFF is text.
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder.decode(QByteArrayView(bytes).sliced(bomLength));
        if (decoder.hasError())
            return std::nullopt;
        if (encoding != QStringConverter::Utf8 && !text.isValidUtf16()) {
            // Half a surrogate pair has no character to stand for; nor could it be written back.
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                    ++i;
                else if (text.at(i).isSurrogate())
                    text[i] = QChar::ReplacementCharacter;
            }
            result.complete = false;
            result.problems.append(QStringLiteral(
                "the file holds characters that are not valid UTF-16; each was read as a replacement character"));
        }
        return text;
    };
    if (bytes.startsWith("\xFF\xFE")) {
        if (auto text = decodeWith(QStringConverter::Utf16LE, 2))
            return *text;
    } else if (bytes.startsWith("\xFE\xFF")) {
        if (auto text = decodeWith(QStringConverter::Utf16BE, 2))
            return *text;
    } else if (auto text = decodeWith(QStringConverter::Utf8, bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0)) {
        return *text;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        result.complete = false;
        result.problems.append(QStringLiteral("the file is not valid UTF-16; it was read as Latin-1"));
        return QString::fromLatin1(bytes);
    }
    // Not all UTF-8: each line is read as UTF-8 where it is, and only a line
    // that is not as Latin-1, which keeps every byte; the correct lines stay correct.
    result.complete = false;
    int latin1Lines = 0;
    QString text;
    text.reserve(bytes.size());
    const QByteArrayView all = QByteArrayView(bytes).sliced(bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0);
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        const QByteArrayView line = all.sliced(start, end - start);
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString decoded = decoder.decode(line);
        if (decoder.hasError()) {
            decoded = QString::fromLatin1(line);
            ++latin1Lines;
        }
        text += decoded;
        if (end < all.size())
            text += QLatin1Char('\n');
        start = end + 1;
    }
    result.problems.append(
        QStringLiteral("%1 of its lines are not valid UTF-8; they were read as Latin-1").arg(latin1Lines));
    return text;
}

// Reads a quoted string starting at `pos` (on the opening quote). Returns the
// position after the closing quote, or -1 when it is unterminated or holds an
// escape the format does not know.
qsizetype readQuoted(QStringView line, qsizetype pos, QString* out)
{
    out->clear();
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"'))
            return i + 1;
        if (c != QLatin1Char('\\')) {
            out->append(c);
            continue;
        }
        if (++i >= line.size())
            return -1;
        switch (line[i].unicode()) {
        case '\\':
            out->append(QLatin1Char('\\'));
            break;
        case '"':
            out->append(QLatin1Char('"'));
            break;
        case 'n':
            out->append(QLatin1Char('\n'));
            break;
        case 'r':
            out->append(QLatin1Char('\r'));
            break;
        case '0':
            out->append(QChar(0));
            break;
        default:
            return -1;
        }
    }
    return -1;
}

bool parseHexBytes(QStringView text, QByteArray* out)
{
    out->clear();
    text = text.trimmed();
    if (text.isEmpty())
        return true;
    for (QStringView part : text.split(QLatin1Char(','))) {
        part = part.trimmed();
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        if (!ok || part.size() > 2 || byte > 0xFF)
            return false;
        out->append(char(byte));
    }
    return true;
}

// Parses what follows "=" on a value line; false when it is not a form we know.
// `deletion` is set for "-", the import form that removes a value.
bool parseData(QStringView data, quint32* type, QByteArray* bytes, bool* deletion, bool utf16File)
{
    *deletion = false;
    data = data.trimmed();
    if (data == u"-") {
        *deletion = true;
        return true;
    }
    if (data.startsWith(QLatin1Char('"'))) {
        QString text;
        const qsizetype end = readQuoted(data, 0, &text);
        if (end < 0 || !data.sliced(end).trimmed().isEmpty())
            return false;
        *type = RegType::Sz;
        *bytes = text.toUtf8();
        bytes->append('\0');
        return true;
    }
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const QStringView digits = data.sliced(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return false;
        *type = RegType::Dword;
        bytes->resize(4);
        for (int i = 0; i < 4; ++i)
            (*bytes)[i] = char((number >> (8 * i)) & 0xFF);
        return true;
    }
    if (data.startsWith(u"hex:", Qt::CaseInsensitive)) {
        *type = RegType::Binary;
        return parseHexBytes(data.sliced(4), bytes);
    }
    if (data.startsWith(u"hex(", Qt::CaseInsensitive)) {
        const qsizetype close = data.indexOf(u"):");
        if (close < 0)
            return false;
        bool ok = false;
        const uint number = data.sliced(4, close - 4).toUInt(&ok, 16);
        if (!ok)
            return false;
        *type = number;
        if (!parseHexBytes(data.sliced(close + 2), bytes))
            return false;
        // In the editor's own (UTF-16) files, text data are UTF-16LE; the store keeps UTF-8.
        // A type written with a leading zero marks data kept as they are.
        const bool asTheyAre = close - 4 > 1 && data.at(4) == QLatin1Char('0');
        if (utf16File && !asTheyAre && isTextType(number) && bytes->size() % 2 == 0) {
            QStringDecoder decoder(QStringConverter::Utf16LE,
                                   QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
            const QString text = decoder.decode(*bytes);
            if (!decoder.hasError() && text.isValidUtf16())
                *bytes = text.toUtf8();
        }
        return true;
    }
    return false;
}

void appendQuoted(QByteArray& out, const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '"':
            escaped += QLatin1String("\\\"");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case 0:
            escaped += QLatin1String("\\0");
            break;
        default:
            escaped += c;
        }
    }
    escaped += QLatin1Char('"');
    out.append(escaped.toUtf8());
}

// A REG_SZ is written as a quoted text only when the text form gives back the same bytes.
bool isPlainText(const QByteArray& data, QString* text)
{
    if (data.isEmpty() || data.back() != '\0')
        return false;
    const QByteArrayView body = QByteArrayView(data).chopped(1);
    if (body.contains('\0') || body.contains('\n') || body.contains('\r'))
        return false;
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    *text = decoder.decode(body);
    return !decoder.hasError();
}

void appendValue(QByteArray& out, const RegValue& value)
{
    if (value.name.isEmpty())
        out.append('@');
    else
        appendQuoted(out, value.name);
    out.append('=');
    QString text;
    if (value.type == RegType::Sz && isPlainText(value.data, &text)) {
        appendQuoted(out, text);
    } else if (value.type == RegType::Dword && value.data.size() == 4) {
        quint32 number = 0;
        for (int i = 0; i < 4; ++i)
            number |= quint32(quint8(value.data[i])) << (8 * i);
        out.append("dword:");
        out.append(QByteArray::number(number, 16).rightJustified(8, '0'));
    } else {
        // The editor keeps text data as UTF-16LE. Text data that are not UTF-8
        // stay as they are, under a type spelt with a leading zero, so that
        // the reader does not take them for UTF-16 text.
        QByteArray data = value.data;
        bool asTheyAre = false;
        if (isTextType(value.type)) {
            QStringDecoder decoder(QStringConverter::Utf8,
                                   QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
            const QString text = decoder.decode(data);
            if (!decoder.hasError())
                data = QStringEncoder(QStringConverter::Utf16LE).encode(text);
            else
                asTheyAre = true;
        }
        if (value.type == RegType::Binary)
            out.append("hex:");
        else
            out.append("hex(" + QByteArray(asTheyAre ? "0" : "") + QByteArray::number(value.type, 16) + "):");
        for (qsizetype i = 0; i < data.size(); ++i) {
            if (i > 0) {
                out.append(',');
                if (i % kHexBytesPerLineBreak == 0)
                    out.append("\\\r\n  ");
            }
            out.append(QByteArray::number(quint8(data[i]), 16).rightJustified(2, '0'));
        }
    }
    out.append("\r\n");
}

void appendKey(QByteArray& out, const RegKey& key, const QByteArray& path, bool isRoot)
{
    // The hive's own section is written only when the hive root holds values.
    if (!isRoot || key.valueCount() > 0) {
        out.append('[');
        out.append(path);
        out.append("]\r\n");
        for (qsizetype i = 0; i < key.valueCount(); ++i)
            appendValue(out, key.valueAt(i));
        out.append("\r\n");
    }
    for (qsizetype i = 0; i < key.childCount(); ++i) {
        const RegKey* child = key.childAt(i);
        appendKey(out, *child, path + '\\' + child->name().toUtf8(), false);
    }
}

// Most keys hold values of the same few names, and most of their data is a
// number: each such name and datum is kept once and shared, which saves an
// allocation a value and keeps what a listing of many keys reads together.
class Shared
{
public:
    QString name(QString name) { return share(m_names, std::move(name)); }
    QByteArray data(QByteArray data) { return share(m_data, std::move(data)); }

private:
    template <typename T> T share(QHash<T, T>& kept, T item)
    {
        if (item.size() > kLongest)
            return item;
        const auto found = kept.constFind(item);
        if (found != kept.cend())
            return *found;
        if (kept.size() < kMostKept)
            kept.insert(item, item);
        return item;
    }

    static constexpr qsizetype kLongest = 16;
    static constexpr qsizetype kMostKept = 4096;
    QHash<QString, QString> m_names;
    QHash<QByteArray, QByteArray> m_data;
};

} // namespace

void RegFileReadResult::addProblem(int line, const QString& why)
{
    complete = false;
    ++skippedLines;
    if (problems.size() < kMaxReportedProblems)
        problems.append(QStringLiteral("line %1: %2").arg(line).arg(why));
}

RegFileReadResult readRegFile(const QByteArray& bytes, RegKey& root, const QString& hiveName)
{
    RegFileReadResult result;
    const QString text = decodeText(bytes, result);
    const bool utf16File = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));

    bool headerSeen = false;
    bool contentSeen = false;
    RegKey* current = nullptr;
    bool inDeletedSection = false;
    QString logical;
    Shared shared;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = int(index + 1);
        QStringView line = lines[index];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (!headerSeen && !contentSeen) {
            contentSeen = true;
            if (trimmed == QLatin1StringView(kRegFileHeader) || trimmed == u"REGEDIT4") {
                headerSeen = true;
                continue;
            }
            result.complete = false;
            result.problems.append(
                QStringLiteral("the file does not start with \"%1\"").arg(QLatin1StringView(kRegFileHeader)));
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            current = nullptr;
            inDeletedSection = false;
            if (!trimmed.endsWith(QLatin1Char(']'))) {
                result.addProblem(lineNumber, QStringLiteral("a section name without \"]\""));
                continue;
            }
            QStringView inner = trimmed.sliced(1, trimmed.size() - 2);
            if (inner.startsWith(QLatin1Char('-'))) {
                inDeletedSection = true; // an import instruction; there is nothing here to remove
                continue;
            }
            const QStringList parts = splitRegistryPath(inner.toString());
            if (parts.isEmpty() ||
                (parts.first().compare(hiveName, Qt::CaseInsensitive) != 0 &&
                 !(hiveName == u"HKEY_CURRENT_USER" && parts.first().compare(u"HKCU", Qt::CaseInsensitive) == 0))) {
                result.addProblem(lineNumber, QStringLiteral("a section outside %1").arg(hiveName));
                continue;
            }
            current = &root;
            for (qsizetype i = 1; i < parts.size(); ++i)
                current = current->addChild(parts[i]);
            continue;
        }

        // A value line: a quoted name or "@", "=", the data.
        QString name;
        qsizetype afterName = -1;
        if (trimmed.startsWith(QLatin1Char('@')))
            afterName = 1;
        else if (trimmed.startsWith(QLatin1Char('"')))
            afterName = readQuoted(trimmed, 0, &name);
        QStringView rest = afterName < 0 ? QStringView() : trimmed.sliced(afterName).trimmed();
        if (afterName < 0 || !rest.startsWith(QLatin1Char('='))) {
            result.addProblem(lineNumber, QStringLiteral("not a section or a value"));
            continue;
        }
        rest = rest.sliced(1).trimmed();
        // Hex data goes on over lines that end in "".
        if (rest.startsWith(u"hex", Qt::CaseInsensitive) && rest.endsWith(QLatin1Char('\\'))) {
            logical = rest.toString();
            while (logical.endsWith(QLatin1Char('\\')) && index + 1 < lines.size()) {
                logical.chop(1);
                QStringView next = lines[++index];
                if (next.endsWith(QLatin1Char('\r')))
                    next.chop(1);
                logical += next.trimmed();
            }
            rest = logical;
        }
        quint32 type = 0;
        QByteArray data;
        bool deletion = false;
        if (!parseData(rest, &type, &data, &deletion, utf16File)) {
            result.addProblem(lineNumber, QStringLiteral("a value in a form that is not understood"));
            continue;
        }
        if (deletion || inDeletedSection)
            continue;
        if (!current) {
            result.addProblem(lineNumber, QStringLiteral("a value outside any readable section"));
            continue;
        }
        current->setValue(shared.name(std::move(name)), type, shared.data(std::move(data)));
    }
    return result;
}

QByteArray writeRegFile(const RegKey& root, const QString& hiveName)
{
    QByteArray out;
    out.append(kRegFileHeader);
    out.append("\r\n\r\n");
    appendKey(out, root, hiveName.toUtf8(), true);
    // As the registry editor writes its exports: UTF-16LE with a byte-order mark.
    return QByteArray("\xFF\xFE", 2) +
           QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(QString::fromUtf8(out)));
}

} // namespace platform
