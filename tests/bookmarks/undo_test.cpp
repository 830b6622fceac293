#include "bookmarks/favorites.h"
#include "bookmarks/forums.h"
#include "bookmarks/keys.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "bookmarks/undo.h"
#include "platform/error.h"
#include "platform/journal.h"
#include "platform/registry.h"
#include "store/cSettings.h"
#include "support/freshhome.h"
#include "support/storesfixture.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

using Stores::Place;
using namespace storesfixture;

using UndoTest = StoresFixture;

// Random changes over every writable store, undone all, leave every store
// byte for byte as it was; redone all, as they were before the undo.
TEST_F(UndoTest, RandomChangesUndoneAndRedoneGiveBackEveryStoreExactly)
{
    const QList<int> sources{Keys::CompuServeFavoritesSource,
                             Keys::WebFavoritesSource,
                             Keys::ForumsSource,
                             Keys::InternetExplorerSource,
                             Keys::NetscapeSource,
                             Keys::FirstUserFolder};
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const auto pick = [&](qsizetype count) { return qsizetype(random() % quint32(qMax<qsizetype>(1, count))); };
        m_history = std::make_unique<Undo::History>(); // this seed's steps only
        const QByteArrayList start = state();
        int steps = 0;
        for (int n = 0; n < 40; ++n) {
            Stores::Store& store = *m_table->at(sources[pick(sources.size())]);
            const QList<Place> places = folders(store);
            if (places.isEmpty()) {
                // Every user folder was deleted: a new one.
                step(QStringLiteral("New Folder"), [&] { store.addFolder({}, QStringLiteral("U%1").arg(n)); });
                steps += 1;
                continue;
            }
            const Place folder = places[pick(places.size())];
            const QList<Place> entries = store.entries(folder);
            const QString name = QStringLiteral("e%1/%2 x").arg(seed).arg(n);
            const int kind = store.entryKind() < 0 ? 0 : store.entryKind();
            const QString address =
                kind == 2 ? QStringLiteral("go%1").arg(n) : QStringLiteral("http://x%1.example/").arg(n);
            const int operation = int(random() % 7);
            const int before = m_history->size();
            if (operation == 0 || entries.isEmpty()) {
                step(QStringLiteral("Add"), [&] { store.add(folder, {name, address, kind}); });
            } else if (operation == 1) {
                const Place entry = entries[pick(entries.size())];
                step(QStringLiteral("Edit"), [&] { store.change(entry, {name, address, kind}); });
            } else if (operation == 2) {
                const Place entry = entries[pick(entries.size())];
                step(QStringLiteral("Delete"), [&] { store.remove(entry); });
            } else if (operation == 3 && store.holdsFolders()) {
                step(QStringLiteral("New Folder"), [&] { store.addFolder(folder, QStringLiteral("F%1").arg(n)); });
            } else if (operation == 4 && store.folderCanChange(folder)) {
                step(QStringLiteral("Rename Folder"),
                     [&] { store.renameFolder(folder, QStringLiteral("R%1").arg(n)); });
            } else if (operation == 5 && store.folderCanChange(folder) && n % 3 == 0) {
                step(QStringLiteral("Delete Folder"), [&] { store.removeFolder(folder, [] {}); });
            } else if (store.ordered()) {
                QStringList keys;
                for (const Place& entry : entries)
                    keys.prepend(entry.listKey);
                step(QStringLiteral("Sort"), [&] { store.reorder(folder, keys); });
            } else {
                // A move to another store: added there and removed here, as one step.
                Stores::Store& to = *m_table->at(Keys::FirstUserFolder);
                const Place entry = entries[pick(entries.size())];
                const std::optional<Stores::Entry> moved = store.read(entry);
                const QList<Place> targets = folders(to);
                step(QStringLiteral("Move"), [&] {
                    if (moved && !targets.isEmpty() && to.add(targets.first(), *moved).ok())
                        store.remove(entry);
                });
            }
            steps += m_history->size() - before;
        }
        ASSERT_GT(steps, 10);
        const QByteArrayList changed = state();
        ASSERT_FALSE(sameState(changed, start));
        while (m_history->canUndo()) {
            const Undo::History::Outcome outcome = undo();
            ASSERT_TRUE(outcome.done) << outcome.why.toStdString();
        }
        EXPECT_TRUE(sameState(state(), start));
        while (m_history->canRedo()) {
            const Undo::History::Outcome outcome = redo();
            ASSERT_TRUE(outcome.done) << outcome.why.toStdString();
        }
        EXPECT_TRUE(sameState(state(), changed));
        // The next seed starts from what the stores hold now.
        for (Stores::Store* store : m_table->inTreeOrder())
            store->reread();
    }
}

// Another program changed what a step wrote: that step is refused with a
// message and dropped, and nothing is written; the steps before it still undo.
TEST_F(UndoTest, AStepChangedElsewhereSinceIsRefusedAndTheRestStillUndo)
{
    Stores::Store& shortcuts = *m_table->at(Keys::InternetExplorerSource);
    Stores::Store& bookmarks = *m_table->at(Keys::NetscapeSource);
    const Place root = folders(shortcuts).first();
    step(QStringLiteral("Add 'One'"), [&] {
        shortcuts.add(root, {QStringLiteral("One"), QStringLiteral("http://one.example/"), 0});
    });
    const QByteArray fileBefore = readBytes(m_bookmarkFile);
    step(QStringLiteral("Delete 'Kept'"),
         [&] { bookmarks.remove(bookmarks.entries(folders(bookmarks).first()).first()); });
    ASSERT_NE(readBytes(m_bookmarkFile), fileBefore);

    QByteArray elsewhere = readBytes(m_bookmarkFile);
    elsewhere.replace("Tool</A>", "Tool changed</A>");
    writeBytes(m_bookmarkFile, elsewhere);

    const Undo::History::Outcome refused = undo();
    EXPECT_FALSE(refused.done);
    EXPECT_TRUE(refused.why.contains(QStringLiteral("Delete 'Kept'"))) << refused.why.toStdString();
    EXPECT_TRUE(refused.why.contains(QStringLiteral("another program changed it"))) << refused.why.toStdString();
    EXPECT_EQ(readBytes(m_bookmarkFile), elsewhere);
    EXPECT_EQ(m_history->undoName(), QStringLiteral("Add 'One'"));

    const QString shortcut = platform::nativePath(m_favorites) + QStringLiteral("One.url");
    ASSERT_TRUE(QFileInfo::exists(shortcut));
    EXPECT_TRUE(undo().done);
    EXPECT_FALSE(QFileInfo::exists(shortcut));
    EXPECT_FALSE(m_history->canUndo());
    EXPECT_TRUE(redo().done);
    EXPECT_TRUE(QFileInfo::exists(shortcut));
}

// A write that fails puts back what the undo had written: the stores are as
// they were, the user is told, and the step can be tried again.
TEST_F(UndoTest, AFailedUndoLeavesEveryStoreAsItWasAndKeepsTheStep)
{
    Stores::Store& shortcuts = *m_table->at(Keys::InternetExplorerSource);
    Stores::Store& mine = *m_table->at(Keys::FirstUserFolder);
    const QList<Place> places = folders(shortcuts);
    const Place news =
        *std::find_if(places.begin(), places.end(), [](const Place& p) { return p.folderText == "News"; });
    const Place daily = shortcuts.entries(news).first();
    const std::optional<Stores::Entry> moved = shortcuts.read(daily);
    ASSERT_TRUE(moved);
    step(QStringLiteral("Move 'Daily'"), [&] {
        ASSERT_TRUE(mine.add(folders(mine).first(), *moved).ok());
        ASSERT_TRUE(shortcuts.remove(daily).ok());
    });
    // The shortcut cannot come back: a file stands where its folder was.
    const QString newsFolder = platform::nativePath(m_favorites) + QStringLiteral("News");
    ASSERT_TRUE(QDir(newsFolder).removeRecursively());
    writeBytes(newsFolder, "in the way");
    const QByteArrayList afterMove = state();
    const Undo::History::Outcome failed = undo();
    EXPECT_FALSE(failed.done);
    EXPECT_TRUE(failed.why.contains(QStringLiteral("Nothing was changed"))) << failed.why.toStdString();
    EXPECT_TRUE(sameState(state(), afterMove));
    EXPECT_TRUE(RegistryStores::hasUserEntry(QStringLiteral("Mine"), QStringLiteral("Daily")));
    EXPECT_EQ(m_history->undoName(), QStringLiteral("Move 'Daily'"));
    ASSERT_TRUE(QFile::remove(newsFolder));
    ASSERT_TRUE(QDir().mkdir(newsFolder));
    EXPECT_TRUE(undo().done);
    EXPECT_EQ(readBytes(newsFolder + QStringLiteral("/Daily.url")),
              "[InternetShortcut]\r\nURL=http://daily.example/\r\nIconIndex=3\r\n");
    EXPECT_FALSE(RegistryStores::hasUserEntry(QStringLiteral("Mine"), QStringLiteral("Daily")));
}

// A store the user made read-only since takes no undo.
TEST_F(UndoTest, AStoreThatTakesNoChangesNowIsNotWrittenByAnUndo)
{
    Stores::Store& bookmarks = *m_table->at(Keys::NetscapeSource);
    step(QStringLiteral("Delete 'Kept'"),
         [&] { bookmarks.remove(bookmarks.entries(folders(bookmarks).first()).first()); });
    const QByteArray held = readBytes(m_bookmarkFile);
    m_settings.setTreatBookmarksAsReadOnly(true);
    const Undo::History::Outcome refused = undo();
    EXPECT_FALSE(refused.done);
    EXPECT_TRUE(refused.why.contains(QStringLiteral("takes no changes"))) << refused.why.toStdString();
    EXPECT_EQ(readBytes(m_bookmarkFile), held);
}

// What is not a store's (settings, the window's place) is not part of a step;
// a step that changed nothing is not kept; the history keeps its newest steps.
TEST_F(UndoTest, OnlyTheStoresChangesAreStepsAndTheOldestGoFirst)
{
    step(QStringLiteral("Options"), [&] { m_settings.setSupportNetscape(!m_settings.SupportNetscape()); });
    step(QStringLiteral("Refused"), [&] { m_table->at(Keys::WebFavoritesSource)->add({}, {QString(), QString(), 0}); });
    EXPECT_FALSE(m_history->canUndo());

    Undo::History small(3);
    for (int i = 0; i < 5; ++i) {
        Undo::Recording recording(small, QStringLiteral("Add %1").arg(i), roots());
        RegistryStores::writeFavorite(false, QStringLiteral("F%1").arg(i), QStringLiteral("http://f.example/"));
    }
    EXPECT_EQ(small.size(), 3);
    EXPECT_EQ(small.undoName(), QStringLiteral("Add 4"));
    while (small.canUndo())
        ASSERT_TRUE(small.undo(roots()).done);
    EXPECT_TRUE(RegistryStores::hasFavorite(false, QStringLiteral("F1")));
    EXPECT_FALSE(RegistryStores::hasFavorite(false, QStringLiteral("F2")));
}

} // namespace
