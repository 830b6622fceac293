// The forum page converter on any page, and the forum list it feeds: every
// name taken from a page and passed as a go word is written and read back
// as it was, in the list's order.
#include "bookmarks/forums.h"
#include "bookmarks/names.h"
#include "fuzzsupport.h"

#include <QDir>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList names = Forums::namesFromPage(fuzzsupport::scratchFile(fuzzsupport::bytesOf(data, size)));
    QStringList accepted;
    for (const QString& name : names) {
        FUZZ_REQUIRE(!name.isEmpty());
        const Names::Checked checked = Names::check(Names::Target::GoWord, name);
        if (checked.refusal.isEmpty())
            accepted << checked.name;
    }
    Forums::Collection collection;
    Forums::fill(collection, accepted);
    static const QString list = QDir::tempPath() + QStringLiteral("/markcrate-fuzz-forums-%1.txt").arg(::getpid());
    FUZZ_REQUIRE(Forums::write(list, collection, false));
    QStringList expected;
    for (const auto& name : collection)
        expected << *name;
    FUZZ_REQUIRE(Forums::read(list).names == expected);
    return 0;
}
