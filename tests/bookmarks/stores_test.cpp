#include "bookmarks/browserstore.h"
#include "bookmarks/favorites.h"
#include "bookmarks/forums.h"
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "store/cSettings.h"
#include "support/freshhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Stores::Entry;
using Stores::Place;
using Stores::Result;

// Every writable store, reached the way the window reaches it: through the
// table, by the source number and a folder the tree would show.
struct StoreCase
{
    const char* name;
    int source;
    QString folderKey;
    QString folderFullPath;
    QString folderText;
    int kind; // the kind of entry the store keeps
    // Makes the next write of the store fail; the store must then say so and keep what it held.
    std::function<void(cSettings&)> breakWrites;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class EveryStore : public ::testing::TestWithParam<StoreCase>
{
protected:
    void SetUp() override
    {
        const QString bookmarkFile = FreshHome::path() + QStringLiteral("/bookmarks.html");
        writeFile(bookmarkFile,
                  "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n"
                  "    <DT><A HREF=\"http://kept.example/\" ADD_DATE=\"1\">Kept</A>\n</DL><p>\n");
        m_settings.setBookmarkLocation(bookmarkFile);
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites"));
        ASSERT_TRUE(RegistryStores::createUserFolder(QStringLiteral("Mine")));
        m_table = std::make_unique<Stores::Table>(m_settings);
        m_table->bookmarks().load(bookmarkFile);
        m_table->forums().load();
        m_store = m_table->at(GetParam().source);
        ASSERT_NE(m_store, nullptr);
        const StoreCase& store = GetParam();
        m_folder = {
            store.folderKey, m_store->folderPath(store.folderFullPath, store.folderText), store.folderText, {}, {}};
    }

    // What the store holds on disk, as a fresh table reads it: name and address of each entry.
    QStringList onDisk()
    {
        Stores::Table fresh(m_settings);
        fresh.bookmarks().load(m_settings.BookmarkLocation());
        fresh.forums().load();
        Stores::Store& store = *fresh.at(GetParam().source);
        QList<Place> entries;
        try {
            entries = store.entries(m_folder);
        } catch (const cError&) {
            // a folder that is gone holds nothing
        }
        QStringList held;
        for (const Place& entry : entries) {
            const std::optional<Entry> read = store.read(entry);
            held << entry.name + QLatin1Char(' ') + (read ? read->address : QStringLiteral("(none)"));
        }
        return held;
    }

    Place find(const QString& name)
    {
        for (const Place& entry : m_store->entries(m_folder)) {
            if (entry.name == name)
                return entry;
        }
        ADD_FAILURE() << "no entry " << name.toStdString();
        return {};
    }

    // The address an entry of this store's kind is given; a forum is its own go word.
    QString address(const char* host) const
    {
        if (GetParam().source == Keys::ForumsSource)
            return QString::fromLatin1(host).section(QLatin1Char('.'), 0, 0);
        return GetParam().kind == 2 ? QString::fromLatin1(host)
                                    : QStringLiteral("http://") + QLatin1String(host) + QLatin1Char('/');
    }

    cSettings m_settings;
    std::unique_ptr<Stores::Table> m_table;
    Stores::Store* m_store = nullptr;
    Place m_folder;
};

TEST_P(EveryStore, AddChangeAndRemoveAreOnDiskWhenTheyReturn)
{
    const QStringList before = onDisk();
    ASSERT_TRUE(m_store->writable());
    ASSERT_TRUE(m_store->acceptsKind(GetParam().kind));

    Result added = m_store->add(m_folder, {QStringLiteral("Alpha"), address("Alpha.example"), GetParam().kind});
    ASSERT_TRUE(added.ok()) << added.why.toStdString();
    EXPECT_EQ(added.what, QStringLiteral("Alpha"));
    ASSERT_TRUE(m_store->save().ok());
    EXPECT_TRUE(onDisk().contains(QStringLiteral("Alpha ") + address("Alpha.example")))
        << onDisk().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(m_store->contains(m_folder, QStringLiteral("Alpha")));

    const Place alpha = find(QStringLiteral("Alpha"));
    const std::optional<Entry> read = m_store->read(alpha);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->address, address("Alpha.example"));
    EXPECT_EQ(read->kind, GetParam().kind);

    Result changed = m_store->change(alpha, {QStringLiteral("Beta"), address("Beta.example"), GetParam().kind});
    ASSERT_TRUE(changed.ok()) << changed.why.toStdString();
    ASSERT_TRUE(m_store->save().ok());
    QStringList held = onDisk();
    EXPECT_TRUE(held.contains(QStringLiteral("Beta ") + address("Beta.example")))
        << held.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(held.join(QLatin1Char('|')).contains(QStringLiteral("Alpha")))
        << "the old entry went once the new one stood";

    // A removal of what was cut removes only the entry as it was cut.
    const Place beta = find(QStringLiteral("Beta"));
    const Entry stale{QStringLiteral("Beta"), address("stale.example"), GetParam().kind};
    if (GetParam().source != Keys::ForumsSource) { // a go word is its own address: it cannot change under its name
        EXPECT_EQ(m_store->remove(beta, &stale).outcome, Result::Outcome::Refused);
        ASSERT_TRUE(m_store->save().ok());
        EXPECT_TRUE(onDisk().contains(QStringLiteral("Beta ") + address("Beta.example")))
            << "changed since it was cut: it stays";
    }
    const Entry asCut{QStringLiteral("Beta"), address("Beta.example"), GetParam().kind};
    ASSERT_TRUE(m_store->remove(find(QStringLiteral("Beta")), &asCut).ok());
    ASSERT_TRUE(m_store->save().ok());
    EXPECT_EQ(onDisk(), before);
}

TEST_P(EveryStore, AReorderKeepsEveryEntryOnceAndOnlyAnOrderedStoreTakesIt)
{
    for (const char* name : {"Gamma", "Alpha", "Beta"})
        ASSERT_TRUE(m_store->add(m_folder, {QString::fromLatin1(name), address(name), GetParam().kind}).ok());
    ASSERT_TRUE(m_store->save().ok());
    const QStringList before = onDisk();
    QStringList keys;
    for (const Place& entry : m_store->entries(m_folder))
        keys.prepend(entry.listKey);
    // A partial order with a key of nothing: what it left out follows, nothing is doubled.
    const QStringList asked{keys.at(0), QStringLiteral("999X") + m_folder.folderKey};
    const Result reordered = m_store->reorder(m_folder, asked);
    ASSERT_EQ(reordered.ok(), m_store->ordered());
    ASSERT_TRUE(m_store->save().ok());
    QStringList after = onDisk();
    if (!m_store->ordered()) {
        EXPECT_EQ(after, before);
        return;
    }
    QStringList expected = before;
    expected.move(expected.size() - 1, 0);
    EXPECT_EQ(after, expected);
}

TEST_P(EveryStore, ANameAlreadyThereOrOneTheStoreCannotKeepIsToldNotWritten)
{
    ASSERT_TRUE(m_store->add(m_folder, {QStringLiteral("Alpha"), address("Alpha.example"), GetParam().kind}).ok());
    ASSERT_TRUE(m_store->save().ok());
    const Result again = m_store->checkNew(m_folder, QStringLiteral("Alpha"));
    if (m_store->uniqueNames()) {
        EXPECT_EQ(again.outcome, Result::Outcome::Exists);
        EXPECT_TRUE(again.why.contains(QStringLiteral("Alpha"))) << again.why.toStdString();
        // Its own name is no clash when the entry itself is changed.
        const Place alpha = find(QStringLiteral("Alpha"));
        EXPECT_TRUE(m_store->checkNew(m_folder, QStringLiteral("alpha"), &alpha).ok());
        const Result blank = m_store->add(m_folder, {QStringLiteral("  "), address("blank.example"), GetParam().kind});
        EXPECT_EQ(blank.outcome, Result::Outcome::Refused);
        EXPECT_FALSE(blank.why.isEmpty());
    } else {
        EXPECT_TRUE(again.ok()) << "the store keeps two entries of one name";
    }
    EXPECT_EQ(m_store->checkNew(m_folder, QStringLiteral("a/b")).what.contains(QLatin1Char('/')),
              GetParam().source != Keys::InternetExplorerSource)
        << "a slash is kept where it names no folder";
    EXPECT_EQ(m_store->checkNew(m_folder, QStringLiteral("a\\b")).what.contains(QLatin1Char('\\')),
              GetParam().source != Keys::InternetExplorerSource && GetParam().source < Keys::FirstUserFolder)
        << "a backslash is kept where it names no folder or key";
}

TEST_P(EveryStore, AFailedWriteIsToldAndLeavesTheStoreAsItWas)
{
    if (!GetParam().breakWrites)
        GTEST_SKIP() << "the registry keeps a change in memory and tells of a failed save itself";
    const QStringList before = onDisk();
    GetParam().breakWrites(m_settings);
    Result result = m_store->add(m_folder, {QStringLiteral("Alpha"), address("Alpha.example"), GetParam().kind});
    if (result.ok())
        result = m_store->save();
    EXPECT_EQ(result.outcome, Result::Outcome::Failed);
    EXPECT_FALSE(result.why.isEmpty()) << "the user is told why";
    EXPECT_EQ(onDisk(), before);
    EXPECT_FALSE(m_store->contains(m_folder, QStringLiteral("Alpha"))) << "nothing shows that is not on disk";
}

const QString favoritesPath = Keys::sourceText(Keys::InternetExplorerSource);

INSTANTIATE_TEST_SUITE_P(
    Stores,
    EveryStore,
    ::testing::Values(
        StoreCase{"CompuServeFavorites",
                  Keys::CompuServeFavoritesSource,
                  QStringLiteral("0A"),
                  {},
                  QStringLiteral("CompuServe Web Favorites"),
                  2,
                  {}},
        StoreCase{
            "WebFavorites", Keys::WebFavoritesSource, QStringLiteral("1A"), {}, QStringLiteral("Web Favorites"), 0, {}},
        StoreCase{"Forums",
                  Keys::ForumsSource,
                  QStringLiteral("2A"),
                  {},
                  QStringLiteral("CompuServe Web Forums"),
                  2,
                  [](cSettings&) { QDir().mkpath(Forums::listPath() + QStringLiteral("/in-the-way")); }},
        StoreCase{"FavoritesFolder",
                  Keys::InternetExplorerSource,
                  QStringLiteral("3A"),
                  QStringLiteral("Bookmarks\\Microsoft IE Favorites"),
                  QStringLiteral("Microsoft IE Favorites"),
                  0,
                  [](cSettings&) {
                      // The folder is gone: the shortcut has nowhere to go.
                      QDir(FreshHome::path() + QStringLiteral("/Favorites")).removeRecursively();
                  }},
        StoreCase{"BookmarkFile",
                  Keys::NetscapeSource,
                  QStringLiteral("4A"),
                  {},
                  QStringLiteral("Netscape Bookmarks"),
                  0,
                  [](cSettings& settings) {
                      // Another program changed the file since it was read: it is not overwritten.
                      QFile file(settings.BookmarkLocation());
                      ASSERT_TRUE(file.open(QIODevice::Append));
                      file.write("<!-- changed elsewhere -->\n");
                  }},
        StoreCase{"UserFolder", Keys::FirstUserFolder, QStringLiteral("10A"), {}, QStringLiteral("Mine"), 1, {}}),
    [](const ::testing::TestParamInfo<StoreCase>& info) { return std::string(info.param.name); });

TEST(StoreTable, EverySourceTheTreeShowsHasItsStoreAndTheTopNodeNone)
{
    cSettings settings;
    Stores::Table table(settings);
    for (int source = Keys::CompuServeFavoritesSource; source <= Keys::TrashSource; ++source) {
        Stores::Store* store = table.forKey(Keys::rootKey(source));
        ASSERT_NE(store, nullptr) << source;
        EXPECT_EQ(store->source(), source);
    }
    EXPECT_EQ(table.forKey(QStringLiteral("12A")), table.at(Keys::FirstUserFolder))
        << "one store for every user folder";
    EXPECT_EQ(table.forKey(QStringLiteral("7X4A")), table.at(Keys::NetscapeSource))
        << "a sub-folder belongs to its source";
    EXPECT_EQ(table.forKey(Keys::TopKey), nullptr);
    EXPECT_EQ(table.at(8), nullptr);
    EXPECT_EQ(table.at(-1), nullptr);
    for (int source : {Keys::FirefoxSource, Keys::ChromiumSource}) {
        Stores::Store& browser = *table.at(source);
        EXPECT_FALSE(browser.writable());
        EXPECT_FALSE(
            browser.add({Keys::rootKey(source), {}, {}, {}, {}}, {QStringLiteral("a"), QStringLiteral("http://a/"), 0})
                .ok());
    }
}

TEST(StoreTable, TheTreeShowsTheStoresInItsOrderEachAsTheUserHasIt)
{
    cSettings settings;
    settings.setSupportCompuServe(false);
    settings.setSupportNetscape(true);
    settings.setSupportInternetExplorer(false);
    settings.setSupportFirefox(true); // no profile here: not shown
    settings.setSupportChromium(false);
    ASSERT_TRUE(RegistryStores::createUserFolder(QStringLiteral("News")));
    ASSERT_TRUE(RegistryStores::createUserFolder(QStringLiteral("Alpha")));
    Stores::Table table(settings);
    auto shownTops = [&table] {
        QStringList tops;
        for (Stores::Store* store : table.inTreeOrder()) {
            if (store->shown()) {
                for (const Stores::TreeNode& top : store->tops())
                    tops.append(top.key + QLatin1Char(' ') + top.text);
            }
        }
        return tops;
    };
    EXPECT_EQ(shownTops(),
              QStringList({QStringLiteral("1A Web Favorites"),
                           QStringLiteral("4A Netscape Favorites"),
                           QStringLiteral("10A Alpha"),
                           QStringLiteral("11A News")}));
    settings.setSupportCompuServe(true);
    settings.setSupportInternetExplorer(true);
    EXPECT_EQ(shownTops(),
              QStringList({QStringLiteral("1A Web Favorites"),
                           QStringLiteral("2A CompuServe Web Forums"),
                           QStringLiteral("0A CompuServe Web Favorites"),
                           QStringLiteral("4A Netscape Favorites"),
                           QStringLiteral("3A Microsoft IE Favorites"),
                           QStringLiteral("10A Alpha"),
                           QStringLiteral("11A News")}));
    EXPECT_FALSE(table.at(Keys::FirstUserFolder)->topIsStore()) << "a user folder is drawn as a folder";
    RegistryStores::deleteUserFolder(QStringLiteral("News"));
    RegistryStores::deleteUserFolder(QStringLiteral("Alpha"));
}

} // namespace

// An edit changes only what it edits: a shortcut's icon and the sections
// other programs keep in it stay, renamed or not.
TEST(FavoritesFolderStore, AChangedAddressKeepsTheShortcutsOtherLines)
{
    const QString folderPath = FreshHome::path() + QStringLiteral("/Favorites");
    const QByteArray own = "[DEFAULT]\r\nBASEURL=http://old.example/\r\n"
                           "[InternetShortcut]\r\nURL=http://old.example/\r\nIconIndex=3\r\n"
                           "IconFile=http://old.example/favicon.ico\r\n";
    writeFile(folderPath + QStringLiteral("/Tool.url"), own);
    cSettings settings;
    Stores::Table table(settings);
    Stores::Store& store = *table.at(Keys::InternetExplorerSource);
    const Place folder{
        QStringLiteral("3A"),
        store.folderPath(QStringLiteral("Bookmarks\\Microsoft IE Favorites"), QStringLiteral("Microsoft IE Favorites")),
        QStringLiteral("Microsoft IE Favorites"),
        {},
        {}};
    const auto entry = [&](const QString& name) {
        for (const Place& place : store.entries(folder)) {
            if (place.name == name)
                return place;
        }
        return Place{};
    };
    ASSERT_TRUE(
        store.change(entry(QStringLiteral("Tool")), {QStringLiteral("Tool"), QStringLiteral("https://new.example/"), 0})
            .ok());
    QFile file(folderPath + QStringLiteral("/Tool.url"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray expected = own;
    expected.replace("URL=http://old.example/\r\nIcon", "URL=https://new.example/\r\nIcon");
    EXPECT_EQ(file.readAll(), expected);
    file.close();

    ASSERT_TRUE(store
                    .change(entry(QStringLiteral("Tool")),
                            {QStringLiteral("Tools"), QStringLiteral("https://newer.example/"), 0})
                    .ok());
    EXPECT_FALSE(QFileInfo::exists(file.fileName()));
    QFile renamed(folderPath + QStringLiteral("/Tools.url"));
    ASSERT_TRUE(renamed.open(QIODevice::ReadOnly));
    expected.replace("URL=https://new.example/", "URL=https://newer.example/");
    EXPECT_EQ(renamed.readAll(), expected);
}
