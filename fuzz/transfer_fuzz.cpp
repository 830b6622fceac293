// The clipboard records: any bytes or text are read without harm, and a
// record made of any kind, name and address reads back equal.
#include "bookmarks/transfer.h"
#include "fuzzsupport.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    Transfer::decode(bytes);
    Transfer::parse(QString::fromUtf8(bytes));

    FuzzedDataProvider provider(data, size);
    QList<Transfer::Record> records;
    while (provider.remaining_bytes() > 0 && records.size() < 20) {
        Transfer::Record record;
        record.kind = provider.ConsumeIntegralInRange<int>(0, 3);
        record.name = QString::fromUtf8(provider.ConsumeRandomLengthString(300));
        record.address = QString::fromUtf8(provider.ConsumeRandomLengthString(300));
        records << record;
    }
    FUZZ_REQUIRE(Transfer::decode(Transfer::encode(records)) == records);

    // The text form cannot carry its own marks, and a name and the end of the
    // text are read without their blanks; apart from that it is exact.
    QString text;
    QList<Transfer::Record> plain;
    for (Transfer::Record record : records) {
        for (QString* field : {&record.name, &record.address}) {
            field->remove(QChar(0x00F3));
            field->remove(QChar(0x00F4));
        }
        text += Transfer::makeRecord(record.kind, record.name, record.address);
        record.name = record.name.trimmed();
        plain << record;
    }
    if (!plain.isEmpty())
        plain.last().address = QString(QStringLiteral("x") + plain.last().address).trimmed().sliced(1);
    FUZZ_REQUIRE(Transfer::parse(text) == plain);
    return 0;
}
