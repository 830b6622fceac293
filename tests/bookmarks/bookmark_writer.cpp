// Test helper: saves the bookmark file at argv[1] without end, each save
// holding N links whose titles all carry one generation, until it is killed.
#include "bookmarks/netscape.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int links = argc > 2 ? std::atoi(argv[2]) : 200;
    NetscapeBookmarks bookmarks;
    bookmarks.load(path);
    if (bookmarks.records().Count() == 0) {
        for (int i = 0; i < links; ++i) {
            auto link = std::make_shared<cBookmark>();
            link->setURL(QStringLiteral("http://site%1.example/").arg(i));
            link->setKey(bookmarks.newKey());
            bookmarks.records().Add(link, link->Key());
        }
        bookmarks.invalidateIndex();
    }
    const QString padding(200, QLatin1Char('p'));
    for (qint64 generation = 1;; ++generation) {
        for (const auto& link : bookmarks.records())
            link->setTitle(QString::number(generation) + padding);
        QString error;
        if (!SaveNetscapeFile(bookmarks, path, false, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        if (generation == 1) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
