// The profile-file reader on any file, and the writer into it: a one-line
// address written into any shortcut file reads back as written.
#include "fuzzsupport.h"
#include "platform/profilefile.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    QString address = QString::fromUtf8(provider.ConsumeRandomLengthString(2000)).trimmed();
    for (QChar& c : address) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    const std::string rest = provider.ConsumeRemainingBytesAsString();
    const QString file = fuzzsupport::scratchFile(QByteArray(rest.data(), qsizetype(rest.size())));
    const QString section = QStringLiteral("InternetShortcut");
    const QString key = QStringLiteral("URL");
    GetPrivateProfileString(section, key, {}, 65536, file);
    GetPrivateProfileString(QStringLiteral("Other"), QStringLiteral("IconFile"), {}, 3, file);
    FUZZ_REQUIRE(WritePrivateProfileString(section, key, address, file));
    FUZZ_REQUIRE(GetPrivateProfileString(section, key, {}, 65536, file) == address);
    return 0;
}
