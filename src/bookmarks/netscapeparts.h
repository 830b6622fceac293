#pragma once

// What the bookmark file's reader, writer and collection share, and no one else.
#include "bookmarks/netscape.h"

#include <QByteArrayView>

#include <vector>

namespace netscapeparts {

// The steps the file is read in, for loading and for a save's copying.
inline constexpr qint64 kChunkBytes = 1 << 18;

inline QByteArrayView viewOf(const QByteArray& source, cBookmark::Span span)
{
    return span.isSet() ? QByteArrayView(source).sliced(span.start, span.size) : QByteArrayView();
}

inline cBookmark::Span spanOf(qsizetype from, qsizetype to)
{
    return cBookmark::Span{from, to - from};
}

} // namespace netscapeparts

// Where a save put each record in the file it wrote.
struct NetscapeBookmarks::Layout
{
    struct Spans
    {
        cBookmark::Span lead;
        cBookmark::Span own;
        cBookmark::Span close;
    };
    std::vector<Spans> records; // by position in the collection
    cBookmark::Span opening;
    cBookmark::Span ending;
    bool listOpened = false;
    qsizetype size = 0;
};
