#include "bookmarks/transfer.h"

#include "store/keyvalue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

QByteArray encode(const QList<Record>& records)
{
    QJsonArray entries;
    for (const Record& record : records)
        entries.append(QJsonObject{{QStringLiteral("kind"), record.kind},
                                   {QStringLiteral("name"), record.name},
                                   {QStringLiteral("address"), record.address}});
    return QJsonDocument(entries).toJson(QJsonDocument::Compact);
}

QList<Record> decode(const QByteArray& bytes)
{
    QList<Record> records;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isArray())
        return records;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject entry = value.toObject();
        if (!entry.value(QStringLiteral("name")).isString() || !entry.value(QStringLiteral("address")).isString())
            return {};
        records.append(Record{entry.value(QStringLiteral("kind")).toInt(),
                              entry.value(QStringLiteral("name")).toString(),
                              entry.value(QStringLiteral("address")).toString()});
    }
    return records;
}

} // namespace Transfer
