#pragma once

#include <QByteArray>
#include <QString>

#include <fstream>

#include <vector>

// How much icon data the links of an export carry.
enum class Icons
{
    Few,  // every tenth link a short one
    Real, // as a real profile's export: most links an ICON_URI, one in
          // five a base64 PNG of 1 to 4 KB
};

// A Firefox-like export: header, nested folders with descriptions, links
// with dates, tags and icon data, indented as Firefox writes it.
// Each number of `flat` adds a top-level folder "Flat <n> links" of n links after them.
inline void writeFirefoxLikeExport(
    const QString& path, int links, int folders, const std::vector<int>& flat = {}, Icons icons = Icons::Few)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!-- This is an automatically generated file.\n"
           "     It will be read and overwritten.\n     DO NOT EDIT! -->\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n";
    const int perFolder = links / folders;
    const std::string icon = "data:image/png;base64," + std::string(180, 'A');
    // Base64 that does not repeat, so that nothing downstream can skip it cheaply.
    static const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string noise(4096 + 64, 'A');
    unsigned seed = 12345;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = kBase64[(seed >> 16) % 64];
    }
    int link = 0;
    // Folders nest in groups of five: a top folder holding a chain of four.
    for (int f = 0; f < folders; ++f) {
        const int depth = f % 5;
        const std::string indent(4 * (depth + 1), ' ');
        out << indent << "<DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000100\">Folder " << f << "</H3>\n";
        out << indent << "<DD>Description of folder " << f << "\n";
        out << indent << "<DL><p>\n";
        for (int i = 0; i < perFolder; ++i, ++link) {
            out << indent << "    <DT><A HREF=\"https://www.example" << (link % 97) << ".com/path/to/page/" << link
                << "?q=search+terms&amp;id=" << link << "\" ADD_DATE=\"1700000001\" LAST_MODIFIED=\"1700000002\"";
            if (icons == Icons::Few && link % 10 == 0)
                out << " ICON_URI=\"https://www.example.com/favicon.ico\" ICON=\"" << icon << "\"";
            if (icons == Icons::Real && link % 10 != 9)
                out << " ICON_URI=\"https://www.example" << (link % 97) << ".com/favicon.ico\"";
            if (icons == Icons::Real && link % 5 == 0) {
                const size_t length = 1024 + size_t(link * 7919 % 3072);
                out << " ICON=\"data:image/png;base64,iVBORw0KGgo" << noise.substr(size_t(link % 64), length) << "=\"";
            }
            out << " TAGS=\"tag" << (link % 13) << "\">Bookmark title number " << link << " – Café</A>\n";
        }
        if (depth == 4) {
            for (int close = 4; close >= 0; --close)
                out << std::string(4 * (close + 1), ' ') << "</DL><p>\n";
        }
    }
    for (int size : flat) {
        out << "    <DT><H3 ADD_DATE=\"1700000000\">Flat " << size << " links</H3>\n    <DL><p>\n";
        for (int i = 0; i < size; ++i)
            out << "        <DT><A HREF=\"https://flat.example/" << size << "/" << i
                << "\" ADD_DATE=\"1700000001\">Flat link " << i << "</A>\n";
        out << "    </DL><p>\n";
    }
    out << "</DL>\n";
}
