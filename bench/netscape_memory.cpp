// Peak memory of loading a Firefox-like export of 100,000 links in 5,000
// folders: the process's high-water mark is reset after the file is made,
// then the file is loaded and its folder tree walked.
#include "bench/netscape_generate.h"
#include "bookmarks/netscape.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/bookmarks.html");
    writeFirefoxLikeExport(path, 100000, 5000, {}, Icons::Real);
    std::ofstream("/proc/self/clear_refs") << "5"; // reset the high-water mark
    const long before = statusKilobytes("VmRSS:");
    NetscapeBookmarks bookmarks;
    bookmarks.load(path);
    qsizetype folders = 0;
    for (const auto& record : bookmarks.records())
        folders += record->BookmarkType() == cBookmark::FolderType;
    const long peak = statusKilobytes("VmHWM:");
    std::printf("file: %lld bytes, records: %lld (folders %lld)\n",
                static_cast<long long>(QFile(path).size()),
                static_cast<long long>(bookmarks.records().Count()),
                static_cast<long long>(folders));
    std::printf("resident before load: %ld KiB, peak during load: %ld KiB, load's share: %ld KiB\n",
                before,
                peak,
                peak - before);
    return 0;
}
