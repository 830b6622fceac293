// The bookmark file reader on any bytes, and its round trips: a file read
// whole is written back as it was; with every entry changed, it reads back
// with the changes and the same nesting, and writing that again gives the
// same bytes.
#include "bookmarks/netscape.h"
#include "fuzzsupport.h"
#include "support/netscapetest.h"

#include <vector>

namespace {

using netscapetest::parse;

// A field as it reads back once written: line breaks become blanks, and a
// link's title loses its outer blanks.
QString asWritten(QString text, bool linkTitle)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    if (linkTitle) {
        while (text.startsWith(u' '))
            text.remove(0, 1);
        while (text.endsWith(u' '))
            text.chop(1);
    }
    return text;
}

// One line per live link and folder, with its depth, in collection order.
QStringList outline(const NetscapeBookmarks& bookmarks)
{
    QStringList lines;
    std::vector<std::pair<qsizetype, int>> stack; // record position, depth
    const auto& records = bookmarks.records();
    std::vector<bool> seen;
    auto push = [&](int folder, int depth) {
        const std::vector<qsizetype>& children = bookmarks.childrenOf(folder);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            stack.emplace_back(*child, depth);
    };
    push(0, 0);
    while (!stack.empty()) {
        const auto [position, depth] = stack.back();
        stack.pop_back();
        const cBookmark& record = *records.at(position);
        const bool link = record.BookmarkType() == cBookmark::LinkType;
        lines << QString::number(depth) + (link ? u" L " : u" F ") + asWritten(record.Title(), link) + u'\x1' +
                     (link ? asWritten(record.URL(), false) : QString());
        const int number = link ? -1 : NetscapeBookmarks::folderNumber(record);
        if (number < 0)
            continue;
        if (size_t(number) >= seen.size())
            seen.resize(size_t(number) + 1);
        if (seen[size_t(number)])
            continue;
        seen[size_t(number)] = true;
        push(number, depth + 1);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzzsupport::bytesOf(data, size);
    NetscapeBookmarks first = parse(input);
    if (!first.loadedWhole())
        return 0; // the program never rewrites such a file
    // Unchanged, the file is written back as it was read.
    FUZZ_REQUIRE(first.toBytes() == input);
    // Every entry changed: each reads back as changed, nothing else moves.
    for (const auto& record : first.records()) {
        record->setTitle(record->Title() + QStringLiteral(" &<\"x\">"));
        if (record->BookmarkType() == cBookmark::LinkType)
            record->setURL(record->URL() + QStringLiteral("?a&b=\"'<>"));
    }
    const QByteArray saved = first.toBytes();
    const NetscapeBookmarks second = parse(saved);
    FUZZ_REQUIRE(second.loadedWhole());
    FUZZ_REQUIRE(outline(second) == outline(first));
    FUZZ_REQUIRE(second.toBytes() == saved);
    return 0;
}
