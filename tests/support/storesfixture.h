#pragma once

// Every writable store with something in it, on the test's fresh home, and
// an undo history over them: what the undo and Trash tests start from.
#include "bookmarks/favorites.h"
#include "bookmarks/forums.h"
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "bookmarks/trash.h"
#include "bookmarks/undo.h"
#include "platform/files.h"
#include "platform/journal.h"
#include "platform/registry.h"
#include "store/cSettings.h"
#include "support/freshhome.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace storesfixture {

using Stores::Place;

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Every writable store with something in it, and the undo history over them.
// Where two states first differ, readably.
inline ::testing::AssertionResult sameState(const QByteArrayList& a, const QByteArrayList& b)
{
    static const char* names[] = {"bookmark file", "forum list", "registry file", "shortcut folder"};
    for (qsizetype part = 0; part < a.size(); ++part) {
        if (a[part] == b[part])
            continue;
        QByteArray one = a[part], two = b[part];
        if (part == 2) { // UTF-16
            one = QString::fromUtf16(reinterpret_cast<const char16_t*>(one.constData()), one.size() / 2).toUtf8();
            two = QString::fromUtf16(reinterpret_cast<const char16_t*>(two.constData()), two.size() / 2).toUtf8();
        }
        qsizetype at = 0;
        while (at < one.size() && at < two.size() && one[at] == two[at])
            ++at;
        return ::testing::AssertionFailure() << names[part] << " differs at " << at << ":\n"
                                             << one.mid(qMax<qsizetype>(0, at - 100), 300).toStdString() << "\n---\n"
                                             << two.mid(qMax<qsizetype>(0, at - 100), 300).toStdString();
    }
    return ::testing::AssertionSuccess();
}

class StoresFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_bookmarkFile = FreshHome::path() + QStringLiteral("/bookmarks.html");
        // Large enough that the history keeps only the lines a step changed.
        QByteArray links;
        for (int i = 0; i < 800; ++i)
            links += "        <DT><A HREF=\"http://padding.example/" + QByteArray::number(i) + "\" ADD_DATE=\"" +
                     QByteArray::number(1000 + i) + "\" ICON=\"data:x\">Padding " + QByteArray::number(i) + "</A>\n";
        writeBytes(m_bookmarkFile,
                   "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n"
                   "    <DT><A HREF=\"http://kept.example/\" ADD_DATE=\"1\">Kept</A>\n"
                   "    <HR>\n"
                   "    <DT><H3 ADD_DATE=\"2\">Tools</H3>\n    <DL><p>\n"
                   "        <DT><A HREF=\"http://tool.example/\">Tool</A>\n" +
                       links + "    </DL><p>\n</DL><p>\n");
        m_settings.setBookmarkLocation(m_bookmarkFile);
        m_settings.setSupportCompuServe(true);
        m_favorites = Favorites::folder();
        writeBytes(platform::nativePath(m_favorites) + QStringLiteral("News/Daily.url"),
                   "[InternetShortcut]\r\nURL=http://daily.example/\r\nIconIndex=3\r\n");
        writeBytes(platform::nativePath(m_favorites) + QStringLiteral("Top.url"),
                   "[InternetShortcut]\r\nURL=http://top.example/\r\n");
        ASSERT_TRUE(RegistryStores::createUserFolder(QStringLiteral("Mine")));
        ASSERT_TRUE(RegistryStores::writeUserEntry(
            QStringLiteral("Mine"), QStringLiteral("Mail"), QStringLiteral("http://mail.example/"), 0));
        ASSERT_TRUE(
            RegistryStores::writeFavorite(false, QStringLiteral("Search"), QStringLiteral("http://s.example/")));
        ASSERT_TRUE(RegistryStores::writeFavorite(true, QStringLiteral("Chat"), QStringLiteral("chat")));
        writeBytes(Forums::listPath(), "apple\r\nbanana\r\n");
        m_table = std::make_unique<Stores::Table>(m_settings);
        m_table->bookmarks().load(m_bookmarkFile);
        m_table->forums().load();
    }

    QList<Undo::Root> roots() const { return Undo::rootsOf(m_table->inTreeOrder()); }

    // Everything the stores keep, as bytes: the files, the registry file and the shortcut tree.
    QByteArrayList state() const
    {
        QByteArrayList parts{readBytes(m_bookmarkFile),
                             readBytes(Forums::listPath()),
                             readBytes(platform::Registry::instance().userFilePath())};
        QByteArray all;
        std::function<void(const platform::journal::FileState&, int)> add = [&](const auto& node, int depth) {
            all += QByteArray::number(int(node.type)) + ':' + QByteArray::number(depth) + ':' + node.bytes + '\n';
            for (const auto& child : node.children) {
                all += child.name + '\n';
                add(child.state, depth + 1);
            }
        };
        add(platform::journal::captureFile(m_favorites), 0);
        parts.append(all);
        return parts;
    }

    // A store's folders as the tree shows them, each as the window names it.
    static QList<Place> folders(Stores::Store& store)
    {
        QList<Place> places;
        for (const Trash::Folder& folder : Trash::foldersOf(store))
            places.append(folder.place);
        return places;
    }

    // Runs one change as the window does: one step, then the stores that keep their entries in memory write.
    template <typename Change> void step(const QString& name, Change&& change)
    {
        Undo::Recording recording(*m_history, name, roots());
        change();
        for (Stores::Store* store : m_table->inTreeOrder())
            store->save();
    }

    Undo::History::Outcome undo() { return m_history->undo(roots()); }
    Undo::History::Outcome redo() { return m_history->redo(roots()); }

    QString m_bookmarkFile;
    QString m_favorites;
    cSettings m_settings;
    std::unique_ptr<Stores::Table> m_table;
    std::unique_ptr<Undo::History> m_history = std::make_unique<Undo::History>();
};

} // namespace storesfixture
