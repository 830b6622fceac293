// The bookmark file reader on any bytes, and its round trip: a file read
// whole, written and read again holds the same titles, addresses and nesting,
// and writing that again gives the same bytes.
#include "bookmarks/netscape.h"
#include "fuzzsupport.h"
#include "support/netscapetest.h"

#include <vector>

namespace {

using netscapetest::parse;

// A field with the writer's escapes undone. A title holding what would read
// as a marker of the line can only be written escaped; the property allows
// exactly those changes and no other.
QString unescaped(QString text, bool address)
{
    if (address)
        return text.replace(QStringLiteral("%3C"), QStringLiteral("<")).replace(QStringLiteral("%22"), QStringLiteral("\""));
    return text.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
}

// One line per link and folder, with its depth, in the order the writer keeps:
// the top level's links before its folders, every folder's contents in order.
QStringList outline(const NetscapeBookmarks& bookmarks)
{
    QStringList lines;
    auto line = [&](const cBookmark& record, int depth) {
        const bool link = record.BookmarkType() == cBookmark::LinkType;
        lines << QString::number(depth) + (link ? u" L " : u" F ") + unescaped(record.Title(), false) + u'\x1'
                     + (link ? unescaped(record.URL(), true) : QString());
    };
    const auto& records = bookmarks.records();
    std::vector<std::pair<qsizetype, int>> stack; // record position, depth
    const std::vector<qsizetype>& root = bookmarks.childrenOf(0);
    for (qsizetype position : root) {
        if (records.at(position)->BookmarkType() == cBookmark::LinkType)
            line(*records.at(position), 0);
    }
    for (auto it = root.rbegin(); it != root.rend(); ++it) {
        if (records.at(*it)->BookmarkType() == cBookmark::FolderType)
            stack.emplace_back(*it, 0);
    }
    std::vector<bool> seen;
    while (!stack.empty()) {
        const auto [position, depth] = stack.back();
        stack.pop_back();
        const cBookmark& record = *records.at(position);
        line(record, depth);
        if (record.BookmarkType() != cBookmark::FolderType)
            continue;
        const int number = NetscapeBookmarks::folderNumber(record);
        if (number < 0)
            continue;
        if (size_t(number) >= seen.size())
            seen.resize(size_t(number) + 1);
        if (seen[size_t(number)])
            continue;
        seen[size_t(number)] = true;
        const std::vector<qsizetype>& children = bookmarks.childrenOf(number);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            stack.emplace_back(*child, depth + 1);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const NetscapeBookmarks first = parse(fuzzsupport::bytesOf(data, size));
    if (!first.loadedWhole())
        return 0; // the program never rewrites such a file
    const QByteArray saved = first.toBytes();
    const NetscapeBookmarks second = parse(saved);
    FUZZ_REQUIRE(second.loadedWhole());
    FUZZ_REQUIRE(second.fixedForm());
    FUZZ_REQUIRE(outline(second) == outline(first));
    FUZZ_REQUIRE(second.toBytes() == saved);
    return 0;
}
