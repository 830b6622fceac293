#pragma once

#include "bookmarks/netscape.h"

#include <QBuffer>

namespace netscapetest {

// A collection read from bytes, as the file reader reads them.
inline NetscapeBookmarks parse(const QByteArray& text)
{
    NetscapeBookmarks bookmarks;
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    bookmarks.load(buffer);
    return bookmarks;
}

} // namespace netscapetest
