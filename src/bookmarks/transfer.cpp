#include "bookmarks/transfer.h"

#include "store/keyvalue.h"

namespace Transfer {

namespace {

const QChar kStart(0x00F4);
const QChar kSeparator(0x00F3);

QString marker()
{
    return QString(kStart) + QStringLiteral("ORX");
}

} // namespace

QString makeRecord(int kind, const QString& name, const QString& address)
{
    return marker() + QString::number(kind) + kSeparator + name + kSeparator + address;
}

QList<Record> parse(const QString& text)
{
    QList<Record> records;
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(marker()))
        return records;
    for (const QString& part : trimmed.split(marker(), Qt::SkipEmptyParts)) {
        const QStringList fields = part.split(kSeparator);
        Record record;
        record.kind = keyvalue::leadingNumber(fields.value(0));
        record.name = fields.value(1).trimmed();
        record.address = fields.mid(2).join(kSeparator); // an address may hold the separator itself
        records.append(record);
    }
    return records;
}

} // namespace Transfer
