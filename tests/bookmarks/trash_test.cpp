#include "bookmarks/trash.h"
#include "bookmarks/trashstore.h"
#include "support/storesfixture.h"

#include <QDateTime>

namespace {

using Stores::Place;
using namespace storesfixture;

class TrashTest : public StoresFixture
{
protected:
    Trash::Folder folderNamed(Stores::Store& store, const QString& text)
    {
        for (const Trash::Folder& folder : Trash::foldersOf(store)) {
            if (folder.place.folderText == text)
                return folder;
        }
        ADD_FAILURE() << "no folder " << text.toStdString();
        return {};
    }
    Place entryNamed(Stores::Store& store, const Trash::Folder& folder, const QString& name)
    {
        for (const Place& entry : store.entries(folder.place)) {
            if (entry.name == name)
                return entry;
        }
        ADD_FAILURE() << "no entry " << name.toStdString();
        return {};
    }
    // A delete as the window makes it: into the Trash first, then out of the store.
    void trashEntry(int source, const QString& folderText, const QString& name)
    {
        Stores::Store& store = *m_table->at(source);
        const Trash::Folder folder = folderNamed(store, folderText);
        const Place entry = entryNamed(store, folder, name);
        Trash::Entry trashed{{}, source, {}, folder.fullPath, {}, Trash::copyOfEntry(store, entry)};
        QString why;
        ASSERT_TRUE(m_table->trash().bin().put(trashed, &why)) << why.toStdString();
        ASSERT_TRUE(store.remove(entry).ok());
        ASSERT_TRUE(store.save().ok());
    }
    void trashFolder(int source, const QString& folderText)
    {
        Stores::Store& store = *m_table->at(source);
        const Trash::Folder folder = folderNamed(store, folderText);
        Trash::Entry trashed{{},
                             source,
                             {},
                             folder.fullPath.section(QLatin1Char('\\'), 0, -2),
                             {},
                             Trash::copyOfFolder(store, folder.place, folder.fullPath)};
        QString why;
        ASSERT_TRUE(m_table->trash().bin().put(trashed, &why)) << why.toStdString();
        ASSERT_TRUE(store.removeFolder(folder.place, [] {}).ok());
        ASSERT_TRUE(store.save().ok());
    }
    // Every entry of the Trash back where it came from, as after a restart.
    void restoreAll()
    {
        m_table = std::make_unique<Stores::Table>(m_settings);
        m_table->bookmarks().load(m_bookmarkFile);
        m_table->forums().load();
        Trash::Bin& bin = m_table->trash().bin();
        for (const Trash::Entry& entry : bin.entries()) {
            Stores::Store& store = *m_table->at(entry.source);
            const QList<Trash::Folder> folders = Trash::foldersOf(store);
            const auto folder = std::find_if(folders.begin(), folders.end(), [&](const Trash::Folder& candidate) {
                return candidate.fullPath == entry.folderPath;
            });
            const Trash::Folder into = folder != folders.end() ? *folder : Trash::Folder{{}, Keys::TopText};
            const Stores::Result restored = Trash::restore(store, into, entry.item, true);
            ASSERT_TRUE(restored.ok()) << restored.why.toStdString();
            ASSERT_TRUE(store.save().ok());
            ASSERT_TRUE(bin.remove(entry.id));
        }
        EXPECT_TRUE(bin.isEmpty());
    }
};

// Entries of every store go back with the bytes their stores kept: the
// shortcut's other lines, the bookmark's dates, icon and description.
TEST_F(TrashTest, EntriesOfEveryStoreComeBackWithTheirBytesAfterARestart)
{
    const QByteArrayList start = state();
    const QByteArray toolLine =
        "<DT><A HREF=\"http://padding.example/7\" ADD_DATE=\"1007\" ICON=\"data:x\">Padding 7</A>";
    trashEntry(Keys::InternetExplorerSource, QStringLiteral("News"), QStringLiteral("Daily"));
    trashEntry(Keys::NetscapeSource, QStringLiteral("Tools"), QStringLiteral("Padding 7"));
    trashEntry(Keys::FirstUserFolder, QStringLiteral("Mine"), QStringLiteral("Mail"));
    trashEntry(Keys::WebFavoritesSource, QStringLiteral("Web Favorites"), QStringLiteral("Search"));
    trashEntry(Keys::ForumsSource, QStringLiteral("CompuServe Web Forums"), QStringLiteral("banana"));
    ASSERT_FALSE(readBytes(m_bookmarkFile).contains(toolLine));
    EXPECT_EQ(m_table->trash().bin().entries().size(), 5);

    restoreAll();
    const QByteArrayList back = state();
    EXPECT_TRUE(sameState({back[1], back[2], back[3]}, {start[1], start[2], start[3]}));
    EXPECT_TRUE(readBytes(m_bookmarkFile).contains(toolLine)) << "its own line, not one made anew";
    EXPECT_EQ(readBytes(platform::nativePath(m_favorites) + QStringLiteral("News/Daily.url")),
              "[InternetShortcut]\r\nURL=http://daily.example/\r\nIconIndex=3\r\n");
}

// A folder goes to the Trash with all it holds, and comes back so.
TEST_F(TrashTest, FoldersComeBackWithEverythingInThem)
{
    trashFolder(Keys::InternetExplorerSource, QStringLiteral("News"));
    trashFolder(Keys::NetscapeSource, QStringLiteral("Tools"));
    trashFolder(Keys::FirstUserFolder, QStringLiteral("Mine"));
    ASSERT_FALSE(readBytes(m_bookmarkFile).contains("Padding"));
    ASSERT_FALSE(RegistryStores::hasUserFolder(QStringLiteral("Mine")));
    const QList<Trash::Entry> trashed = m_table->trash().bin().entries();
    ASSERT_EQ(trashed.size(), 3);
    const auto tools =
        std::find_if(trashed.begin(), trashed.end(), [](const auto& e) { return e.item.name == "Tools"; });
    ASSERT_NE(tools, trashed.end());
    EXPECT_EQ(tools->item.count(), 801);
    EXPECT_EQ(tools->from(), QStringLiteral("Netscape Favorites"));

    restoreAll();
    const QByteArray file = readBytes(m_bookmarkFile);
    EXPECT_EQ(file.count("Padding"), 800);
    EXPECT_TRUE(file.contains("ADD_DATE=\"1799\" ICON=\"data:x\">Padding 799</A>"));
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Mail")),
              QStringLiteral("http://mail.example/"));
    EXPECT_EQ(readBytes(platform::nativePath(m_favorites) + QStringLiteral("News/Daily.url")),
              "[InternetShortcut]\r\nURL=http://daily.example/\r\nIconIndex=3\r\n");
}

// Lines that do not hold the link any more (the file's own form is used) and
// bytes that are no shortcut of that address are never written as they are.
TEST_F(TrashTest, BytesThatNoLongerHoldTheEntryAreNotWrittenAsTheyAre)
{
    Stores::Store& bookmarks = *m_table->at(Keys::NetscapeSource);
    const Trash::Folder top = folderNamed(bookmarks, QStringLiteral("Netscape Favorites"));
    ASSERT_TRUE(bookmarks
                    .addWithBytes(top.place,
                                  {QStringLiteral("Safe"), QStringLiteral("http://safe.example/")},
                                  "<DT><A HREF=\"http://evil.example/\">Safe</A>\n</DL><p>\n<H3>Broken</H3>")
                    .ok());
    ASSERT_TRUE(bookmarks.save().ok());
    const QByteArray file = readBytes(m_bookmarkFile);
    EXPECT_TRUE(file.contains("HREF=\"http://safe.example/\"")) << file.toStdString();
    EXPECT_FALSE(file.contains("evil")) << file.toStdString();

    Stores::Store& shortcuts = *m_table->at(Keys::InternetExplorerSource);
    ASSERT_TRUE(shortcuts
                    .addWithBytes(folderNamed(shortcuts, QStringLiteral("News")).place,
                                  {QStringLiteral("Other"), QStringLiteral("http://other.example/")},
                                  "[InternetShortcut]\r\nURL=http://not-this.example/\r\n")
                    .ok());
    EXPECT_EQ(Favorites::ReadShortcutUrl(platform::nativePath(m_favorites) + QStringLiteral("News/Other.url")),
              QStringLiteral("http://other.example/"));
}

// 30 days and 2,000 entries at most, the oldest first; a damaged file is no entry.
TEST_F(TrashTest, TheTrashKeepsThirtyDaysAndTwoThousandEntriesAndSkipsDamagedFiles)
{
    Trash::Bin bin(FreshHome::path() + QStringLiteral("/trash"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Trash::Entry old{{},
                     Keys::WebFavoritesSource,
                     {},
                     QStringLiteral("Bookmarks\\Web Favorites"),
                     now.addDays(-31),
                     {false, QStringLiteral("Old"), QStringLiteral("http://old/"), 0, {}, {}}};
    Trash::Entry recent = old;
    recent.removed = now.addDays(-29);
    recent.item.name = QStringLiteral("Recent");
    QString why;
    ASSERT_TRUE(bin.put(old, &why));
    ASSERT_TRUE(bin.put(recent, &why));
    QList<Trash::Entry> kept = bin.entries();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept.first().item.name, QStringLiteral("Recent"));
    EXPECT_EQ(kept.first().item.address, QStringLiteral("http://old/"));

    // Many at once: written straight into the folder, then one expiry.
    for (int i = 0; i < Trash::kKeptEntries + 5; ++i) {
        Trash::Entry many = recent;
        many.removed = now.addSecs(-i);
        many.item.name = QString::number(i);
        writeBytes(
            bin.folder() +
                QStringLiteral("/%1-%2.trash").arg(many.removed.toString(QStringLiteral("yyyyMMddHHmmsszzz"))).arg(i),
            Trash::Bin::encode({many}));
    }
    writeBytes(bin.folder() + QStringLiteral("/29990101000000000-damaged.trash"), "not a trash entry");
    bin.expire(now);
    kept = bin.entries();
    ASSERT_EQ(kept.size(), Trash::kKeptEntries) << "a damaged file is no entry, and is left as it is";
    EXPECT_EQ(kept.first().item.name, QStringLiteral("0"));

    const QByteArray good = Trash::Bin::encode({recent, old});
    for (qsizetype cut = 0; cut < good.size(); cut += 7)
        EXPECT_FALSE(Trash::Bin::decode(good.left(cut))) << cut;
    EXPECT_FALSE(bin.find(QStringLiteral("../escape")));
    EXPECT_FALSE(bin.remove(QStringLiteral("../escape")));
}

} // namespace
