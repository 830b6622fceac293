// The registry file reader on any bytes, and its round trip: what was read,
// written and read again is the same tree, written the same.
#include "fuzzsupport.h"
#include "platform/regfile.h"
#include "platform/registryhive.h"

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString hive = QStringLiteral("HKEY_CURRENT_USER");
    RegKey first;
    readRegFile(fuzzsupport::bytesOf(data, size), first, hive);
    const QByteArray written = writeRegFile(first, hive);
    RegKey second;
    const RegFileReadResult again = readRegFile(written, second, hive);
    FUZZ_REQUIRE(again.complete);
    FUZZ_REQUIRE(writeRegFile(second, hive) == written);
    return 0;
}
