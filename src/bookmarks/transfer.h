#pragma once

#include <QList>
#include <QString>

// The clipboard text of copied entries: for each entry a start mark (U+00F4),
// "ORX", the entry's kind, a separator (U+00F3), its name, a separator and its
// address, with nothing between the records.
namespace Transfer {

struct Record
{
    bool operator==(const Record&) const = default;

    int kind = 0;
    QString name;
    QString address;
};

QString makeRecord(int kind, const QString& name, const QString& address);
// The records of a text; none when the text is not the program's.
QList<Record> parse(const QString& text);

// The program's own clipboard format, which keeps every field whole (the
// text form cannot carry a name holding its separator). Preferred on paste.
inline const QString MimeType = QStringLiteral("application/x-markcrate-entries");
QByteArray encode(const QList<Record>& records);
// None when the bytes are not a list of entries.
QList<Record> decode(const QByteArray& bytes);

} // namespace Transfer
