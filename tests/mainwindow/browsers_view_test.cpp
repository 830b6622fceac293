// The browsers' stores in the window: shown where they exist, read only,
// opened, copied and dragged out like bookmarks, exported, found, and read
// again when the browser changes them.
#include "bookmarks/browserstore.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "bookmarks/transfer.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/SuggestionList.h"
#include "controls/twips.h"
#include "store/cRegistry.h"
#include "support/browserstest.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

QByteArray chromiumFile(const char* extra = "")
{
    return QByteArray("{\"roots\": {\"bookmark_bar\": {\"type\": \"folder\", \"children\": ["
                      "{\"type\": \"url\", \"name\": \"CMake\", \"url\": \"https://cmake.org/\"},"
                      "{\"type\": \"folder\", \"name\": \"Reading\", \"children\": ["
                      "{\"type\": \"url\", \"name\": \"Novel\", \"url\": \"http://novel.example/\"}") +
           extra + "]}]}, \"other\": {\"children\": []}, \"synced\": {\"children\": []}}}";
}

QString chromiumPath()
{
    return FreshHome::path() + QStringLiteral("/.config/chromium/Default/Bookmarks");
}

// The browser writes its file anew, as Chromium does: a new file, holding one
// more link ("Poems"), renamed over the old.
void addPoemsAsChromiumDoes()
{
    regtest::writeFile(chromiumPath() + QStringLiteral(".tmp"),
                       chromiumFile(",{\"type\": \"url\", \"name\": \"Poems\", \"url\": \"http://poems.example/\"}"));
    QFile::remove(chromiumPath());
    QFile::rename(chromiumPath() + QStringLiteral(".tmp"), chromiumPath());
}

QStringList children(KeyedTreeView* tree, const QString& key)
{
    QStringList out;
    QTreeWidgetItem* node = tree->Node(key);
    for (int i = 0; node && i < node->childCount(); ++i)
        out << KeyedTreeView::Key(node->child(i)) + QLatin1Char(' ') + KeyedTreeView::Text(node->child(i));
    return out;
}

} // namespace

class BrowsersViewTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        QDir().mkpath(QFileInfo(chromiumPath()).path());
        regtest::writeFile(chromiumPath(), chromiumFile());
        const QString profile = FreshHome::path() + QStringLiteral("/.mozilla/firefox/p.default");
        lock = browserstest::makePlaces(profile + QStringLiteral("/places.sqlite"),
                                        {{10, 1, 3, "Qt docs", nullptr, "https://doc.qt.io/"}},
                                        {{11, 1, 2, "Menu item", nullptr, "http://menu.example/"}});
        regtest::writeFile(FreshHome::path() + QStringLiteral("/.mozilla/firefox/profiles.ini"),
                           "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\nDefault=1\n");
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Mine")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Mine"),
                         cRegistry::REG_SZ);
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        QSqlDatabase::removeDatabase(lock);
    }
    bool toolOn(int index) { return form->tlbMain->button(index)->isEnabled(); }
    QString lock;
};

TEST_F(BrowsersViewTest, BothStoresShowAfterTheFavoritesFolderWithTheirFoldersAndOpenAsBookmarks)
{
    start();
    answerYes();
    QStringList roots = children(form->tvMain, Keys::TopKey);
    const qsizetype ie = roots.indexOf(QStringLiteral("3A Microsoft IE Favorites"));
    ASSERT_GE(ie, 0) << roots.join(u',').toStdString();
    EXPECT_EQ(roots.mid(ie + 1), (QStringList{"5A Firefox Bookmarks", "6A Chromium Bookmarks", "10A Mine"}));
    EXPECT_EQ(children(form->tvMain, QStringLiteral("5A")),
              (QStringList{"0X5A Bookmarks Menu", "1X5A Bookmarks Toolbar"}))
        << "the -wal file's bookmark is read; empty top folders are not shown";
    EXPECT_EQ(children(form->tvMain, QStringLiteral("6A")), QStringList{"0X6A Chromium"});
    EXPECT_EQ(children(form->tvMain, QStringLiteral("0X6A")), QStringList{"1X6A Bookmarks bar"});

    show(QStringLiteral("1X6A"));
    EXPECT_EQ(keysAndTexts(form->lvMain), QStringList{"0X CMake"});
    // Read only: no entry buttons, and only Copy and Sort on the toolbar.
    for (int button : {cMainDialog::AddEntryButton, cMainDialog::EditEntryButton, cMainDialog::DeleteEntriesButton})
        EXPECT_FALSE((*form->lbbMain)[button]->isVisibleTo(form.get())) << button;
    for (int index : {2, 8, 10, 12, 13, 14, 16})
        EXPECT_FALSE(toolOn(index)) << index;
    EXPECT_TRUE(toolOn(9) && toolOn(19));

    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    QTest::keyClick(form->lvMain, Qt::Key_Return);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://cmake.org/")});

    dialog().ClickTlbMain(9); // Copy
    const auto copied = Transfer::decode(QApplication::clipboard()->mimeData()->data(Transfer::MimeType));
    ASSERT_EQ(copied.size(), 1);
    EXPECT_EQ(copied[0].address, QStringLiteral("https://cmake.org/"));
    EXPECT_EQ(copied[0].kind, 0);

    // Dragged onto Web Favorites it is added there; onto its own store nothing is offered.
    form->tvMain->setDropHighlight(form->tvMain->Node(QStringLiteral("1A")));
    dialog().DragDropTvMain(form->lvMain, 0, 0);
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("CMake")), QStringLiteral("https://cmake.org/"));
    form->tvMain->setDropHighlight(nullptr);
    const QRect own = form->tvMain->visualItemRect(form->tvMain->Node(QStringLiteral("6A")));
    dialog().DragOverTvMain(
        form->lvMain, Twips::fromPixelsX(own.center().x()), Twips::fromPixelsY(own.center().y()), 0);
    EXPECT_EQ(form->tvMain->DropHighlight(), nullptr) << "nothing is dropped onto a browser's store";
}

TEST_F(BrowsersViewTest, EveryFolderOfTheTreeBelongsToTheStoreOfItsRoot)
{
    start();
    answerYes();
    int folders = 0;
    for (QTreeWidgetItem* node : form->tvMain->NodesInOrder()) {
        const QString key = KeyedTreeView::Key(node);
        if (key == Keys::TopKey) {
            EXPECT_EQ(dialog().stores().forKey(key), nullptr) << "the top node holds the stores, and is none";
            continue;
        }
        QTreeWidgetItem* root = node;
        while (root->parent() && KeyedTreeView::Key(root->parent()) != Keys::TopKey)
            root = root->parent();
        const int source = Keys::NodeKey::parse(KeyedTreeView::Key(root)).source;
        const Stores::Store* store = dialog().stores().forKey(key);
        ASSERT_NE(store, nullptr) << key.toStdString();
        EXPECT_EQ(store->source(), std::min(source, Keys::FirstUserFolder)) << key.toStdString();
        ++folders;
    }
    EXPECT_GE(folders, 10) << "every store's root, and folders below the browsers' and the Favorites folder's";
}

TEST_F(BrowsersViewTest, ExportAndFindTakeThemInAndTheSettingsTurnThemOff)
{
    start();
    answerYes();
    show(QStringLiteral("6A"));
    const QString listing = QString::fromUtf8(dialog().ExportSelection());
    EXPECT_TRUE(listing.contains(QLatin1String("\r\nChromium Bookmarks\r\n"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QLatin1String("    \\Chromium\\Bookmarks bar\\Reading\r\n"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QLatin1String("http://novel.example/")));

    QComboBox* input = form->cboMain[1];
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(10, input->height() / 2));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("qt docs"));
    ASSERT_TRUE(dialog().Suggestions() && dialog().Suggestions()->isVisible());
    EXPECT_EQ(dialog().Suggestions()->topLevelItem(0)->text(2), QStringLiteral("Firefox Bookmarks\\Bookmarks Toolbar"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://doc.qt.io/")});

    settings.setSupportFirefox(false);
    settings.setSupportChromium(false);
    dialog().BuildFolderTree();
    EXPECT_EQ(form->tvMain->Node(QStringLiteral("5A")), nullptr);
    EXPECT_EQ(form->tvMain->Node(QStringLiteral("6A")), nullptr);
}

TEST_F(BrowsersViewTest, AChangedStoreIsReadAgainKeepingTheShownFolderAndADamagedOneIsToldOnce)
{
    start();
    answerYes();
    const QString reading =
        KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("Reading"), Qt::MatchRecursive).value(0));
    show(reading);
    ASSERT_EQ(keysAndTexts(form->lvMain), QStringList{"0X Novel"});
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));

    addPoemsAsChromiumDoes();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->lvMain->Count() == 2; }, 5000))
        << keysAndTexts(form->lvMain).join(u',').toStdString();
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->SelectedItem()), QStringLiteral("Reading")) << "the same folder";
    EXPECT_EQ(keysAndTexts(form->lvMain), (QStringList{"0X Novel", "1X Poems"}));

    // Damaged, then changed again while still damaged: one message naming it.
    boxes.clear();
    regtest::writeFile(chromiumPath(), "{\"roots\": ");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.isEmpty(); }, 5000));
    QTest::qWait(100);
    regtest::writeFile(chromiumPath(), "{\"roots\": [");
    QTest::qWait(1600);
    ASSERT_EQ(boxes.size(), 1) << boxes.join(u'\n').toStdString();
    EXPECT_TRUE(boxes[0].contains(chromiumPath())) << boxes[0].toStdString();
    EXPECT_TRUE(children(form->tvMain, QStringLiteral("6A")).value(0).endsWith(QLatin1String("Chromium")));
}

TEST_F(BrowsersViewTest, AChangeWhoseNoticeIsLostWhileTheWatchesAreSetAnewIsStillShownAndNothingElseIsReadAgain)
{
    start();
    answerYes();
    const QString reading =
        KeyedTreeView::Key(form->tvMain->findItems(QStringLiteral("Reading"), Qt::MatchRecursive).value(0));
    show(reading);
    ASSERT_EQ(keysAndTexts(form->lvMain), QStringList{"0X Novel"});
    const quint64 firefoxReadings = dialog().stores().browser(Keys::FirefoxSource).generation();

    addPoemsAsChromiumDoes();
    // Before the change notice is taken, the other store is read and every watch set anew.
    dialog().ReloadChangedBrowsers();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->lvMain->Count() == 2; }, 5000))
        << keysAndTexts(form->lvMain).join(u',').toStdString();
    QTest::qWait(2500);
    EXPECT_EQ(dialog().stores().browser(Keys::FirefoxSource).generation(), firefoxReadings)
        << "a store nobody changed is not read again and again";
}

TEST_F(BrowsersViewTest, AFirefoxStartedLaterIsSeenByTheWalFileItMakes)
{
    const QString places = FreshHome::path() + QStringLiteral("/.mozilla/firefox/p.default/places.sqlite");
    QSqlDatabase::database(lock).close(); // the browser ends: its -wal file is merged and goes
    QSqlDatabase::removeDatabase(lock);
    ASSERT_FALSE(QFileInfo::exists(places + QStringLiteral("-wal")));
    start();
    answerYes();
    show(QStringLiteral("1X5A"));
    ASSERT_EQ(keysAndTexts(form->lvMain), QStringList{"0X Qt docs"});

    lock = QStringLiteral("firefox-again");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), lock);
    db.setDatabaseName(places);
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    query.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    query.exec(QStringLiteral("INSERT INTO moz_places VALUES (3000, 'http://late.example/')"));
    ASSERT_TRUE(
        query.exec(QStringLiteral("INSERT INTO moz_bookmarks VALUES (30, 1, 3000, 3, 9, 'Late', 'late________', 0)")));
    ASSERT_TRUE(QFileInfo::exists(places + QStringLiteral("-wal")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->lvMain->Count() == 2; }, 5000))
        << keysAndTexts(form->lvMain).join(u',').toStdString();
    db.close();
}
