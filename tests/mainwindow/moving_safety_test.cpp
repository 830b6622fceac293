// Cut, copy, paste and drop as a careful user does them, with odd names and
// changes between the cut and the paste: every entry ends up where it was put
// or stays where it was.
#include "bookmarks/registrystores.h"
#include "bookmarks/transfer.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "dialogs/modal.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include <memory>

namespace {

const QString kCancel = QStringLiteral("<cancel>");
const QString kKeep = QStringLiteral("<keep>");

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

QString favorites()
{
    return FreshHome::path() + QStringLiteral("/Favorites");
}

void shortcut(const QString& relative, const QString& url)
{
    regtest::writeFile(favorites() + QLatin1Char('/') + relative + QStringLiteral(".url"),
                       "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n");
}

const QByteArray kBookmarks = "<DL><p>\r\n"
                              "<DT><A HREF=\"http://l1/\">L1</A>\r\n"
                              "<DT><A HREF=\"http://l2/\">L2</A>\r\n"
                              "<DT><A HREF=\"http://l3/\">L3</A>\r\n"
                              "<DT><H3>Folder</H3>\r\n<DL><p>\r\n</DL><p>\r\n"
                              "</DL><p>\r\n";

} // namespace

class MovingSafetyTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        regtest::writeFile(location(), kBookmarks);
        for (const QString& name : {QStringLiteral("Alpha"), QStringLiteral("Beta")})
            storetest::write(RegistryStores::webFavoritesKey(),
                             name,
                             QString(QStringLiteral("http://") + name.toLower() + QLatin1Char('/')),
                             cRegistry::REG_SZ);
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Mine")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Mine"),
                         cRegistry::REG_SZ);
        QDir().mkpath(favorites() + QStringLiteral("/Sub"));
        shortcut(QStringLiteral("One"), QStringLiteral("http://one/"));
        shortcut(QStringLiteral("Sub/First"), QStringLiteral("http://first/"));
        startWithBookmarks(location());
    }

    // Answers the favorite and go-word dialogs of one operation in turn: Cancel,
    // OK on what is prefilled, or OK after typing a name. A dialog that stays
    // open (a refused name) is left by its Cancel.
    void answerDialogs(QStringList answers)
    {
        auto queue = std::make_shared<QStringList>(std::move(answers));
        Modal::setHook([queue](QDialog& dialog) {
            const QString answer = queue->isEmpty() ? kCancel : queue->takeFirst();
            if (answer == kCancel)
                return 0;
            auto* edit = dialog.findChild<QLineEdit*>();
            if (answer != kKeep)
                edit->setText(answer);
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            return 0;
        });
    }
    void select(const QStringList& names)
    {
        KeyedListView* list = form->lvMain;
        list->clearSelection();
        QTreeWidgetItem* first = nullptr;
        for (int i = 1; i <= list->Count(); ++i) {
            if (names.contains(KeyedListView::Text(list->ItemAt(i)))) {
                list->ItemAt(i)->setSelected(true);
                first = first ? first : list->ItemAt(i);
            }
        }
        ASSERT_NE(first, nullptr);
        list->setCurrentItem(first, 0, QItemSelectionModel::NoUpdate);
    }
    QStringList listed()
    {
        QStringList names;
        for (int i = 1; i <= form->lvMain->Count(); ++i)
            names << KeyedListView::Text(form->lvMain->ItemAt(i));
        return names;
    }
    void dropOn(const QString& key)
    {
        form->tvMain->setDropHighlight(form->tvMain->Node(key));
        dialog().DragDropTvMain(form->lvMain, 0, 0);
    }
    QByteArray file() { return regtest::readFile(location()); }
};

TEST_F(MovingSafetyTest, ASlashTypedIntoAShortcutsNameIsARealSlashAgainWhereverItCanBe)
{
    show(QStringLiteral("3A"));
    enter(QStringLiteral("AC/DC Fan Club"), QStringLiteral("http://acdc.example/"));
    dialog().AddEntry();
    EXPECT_TRUE(QFileInfo::exists(favorites() + QString::fromUtf8("/AC∕DC Fan Club.url")))
        << "a file needs the look-alike";
    select({QString::fromUtf8("AC∕DC Fan Club")});
    dialog().CopyEntries();
    show(QStringLiteral("4A"));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    EXPECT_TRUE(file().contains(">AC/DC Fan Club</A>")) << file().toStdString();
    show(QStringLiteral("10A"));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("AC/DC Fan Club")),
              QStringLiteral("http://acdc.example/"));
}

TEST_F(MovingSafetyTest, APasteRemovesFromTheSourceOnlyWhatItWrote)
{
    show(QStringLiteral("1A"));
    select({QStringLiteral("Alpha"), QStringLiteral("Beta")});
    dialog().CutEntries();
    show(QStringLiteral("10A"));
    answerDialogs({kCancel, kKeep}); // No for Alpha, Yes for Beta
    dialog().PasteEntries();
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("Alpha")), QStringLiteral("http://alpha/"))
        << "declined: it stays";
    EXPECT_TRUE(RegistryStores::favoriteText(false, QStringLiteral("Beta")).isEmpty());
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Beta")),
              QStringLiteral("http://beta/"));

    // What was declined is still cut, and goes when it is pasted after all.
    show(QStringLiteral("1A"));
    EXPECT_TRUE(KeyedListView::Ghosted(form->lvMain->ItemAt(1)));
    show(QStringLiteral("10A"));
    answerDialogs({kKeep});
    dialog().PasteEntries(); // Beta is listed already and is skipped
    EXPECT_TRUE(RegistryStores::favoriteText(false, QStringLiteral("Alpha")).isEmpty());
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")}));
}

TEST_F(MovingSafetyTest, AWriteThatFailsRemovesNothingAndIsTold)
{
    // A title too long for a file name: the shortcut cannot be written.
    const QString longTitle(300, QLatin1Char('t'));
    ASSERT_TRUE(regtest::writeFile(
        location(), "<DL><p>\r\n<DT><A HREF=\"http://long/\">" + longTitle.toUtf8() + "</A>\r\n</DL><p>\r\n"));
    dialog().LoadBookmarkFile();
    show(QStringLiteral("4A"));
    select({longTitle});
    dialog().CutEntries();
    show(QStringLiteral("3A"));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    EXPECT_TRUE(boxes.last().contains(QStringLiteral("too long for a file name")))
        << boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(file().contains("http://long/")) << "the bookmark stays in the file";
    show(QStringLiteral("4A"));
    EXPECT_EQ(listed(), QStringList{longTitle});
}

TEST_F(MovingSafetyTest, ACutRemovesWhatItCutEvenAfterTheListChanged)
{
    show(QStringLiteral("4A"));
    select({QStringLiteral("L1")});
    dialog().CutEntries();
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().MoveBookmark(1); // L1 moves below L2
    show(QStringLiteral("1A"));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("L1")), QStringLiteral("http://l1/"));
    EXPECT_FALSE(file().contains("http://l1/"));
    EXPECT_TRUE(file().contains("http://l2/")) << "the neighbour is not touched";
    EXPECT_TRUE(file().contains("http://l3/"));

    // Forums: the list is sorted and numbered afresh between the cut and the paste.
    dialog().ForumCollection().Clear();
    for (const char* word : {"beekeeping", "chess"})
        dialog().ForumCollection().AppendNew(std::make_shared<QString>(QString::fromLatin1(word)),
                                             QString::number(dialog().ForumCollection().Count()) + QLatin1Char('X'));
    dialog().SaveForumList();
    show(QStringLiteral("2A"));
    select({QStringLiteral("chess")});
    dialog().CutEntries();
    answerDialogs({QStringLiteral("archery")});
    dialog().AddEntry();
    EXPECT_EQ(listed(),
              (QStringList{QStringLiteral("archery"), QStringLiteral("beekeeping"), QStringLiteral("chess")}));
    EXPECT_TRUE(KeyedListView::Ghosted(form->lvMain->ItemAt(3))) << "the ghost stays on the cut forum";
    EXPECT_FALSE(KeyedListView::Ghosted(form->lvMain->ItemAt(2)));
    show(QStringLiteral("10A"));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    show(QStringLiteral("2A"));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("archery"), QStringLiteral("beekeeping")}));
}

TEST_F(MovingSafetyTest, ACutFromAReadOnlyBookmarkFileIsACopy)
{
    settings.setTreatBookmarksAsReadOnly(true);
    show(QStringLiteral("4A"));
    select({QStringLiteral("L2")});
    dialog().CutEntries();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes.last().startsWith(QStringLiteral("ORX Markcrate is currently configured")));
    EXPECT_FALSE(KeyedListView::Ghosted(form->lvMain->ItemAt(2)));
    show(QStringLiteral("1A"));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("L2")), QStringLiteral("http://l2/"));
    show(QStringLiteral("4A"));
    EXPECT_TRUE(listed().contains(QStringLiteral("L2")));
}

TEST_F(MovingSafetyTest, AfterAPasteIntoTheForumsTheShownSourceIsKnown)
{
    dialog().ForumCollection().Clear();
    show(QStringLiteral("2A"));
    QApplication::clipboard()->setText(
        Transfer::makeRecord(2, QStringLiteral("gardening"), QStringLiteral("gardening")));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    EXPECT_EQ(dialog().state().CurrentSource, 2);
    select({QStringLiteral("gardening")});
    dialog().CopyEntries();
    EXPECT_EQ(Transfer::parse(QApplication::clipboard()->text()).value(0).kind, 2) << "a go word, not an address";
}

TEST_F(MovingSafetyTest, AfterADropTheTreeMarksTheFolderTheListShows)
{
    show(QStringLiteral("1A"));
    select({QStringLiteral("Alpha")});
    dropOn(QStringLiteral("10A"));
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Alpha")),
              QStringLiteral("http://alpha/"));
    EXPECT_EQ(form->tvMain->DropHighlight(), form->tvMain->SelectedItem());
    EXPECT_EQ(KeyedTreeView::Key(form->tvMain->SelectedItem()), QStringLiteral("1A"));
}

TEST_F(MovingSafetyTest, TheTopNodeTakesNoDrop)
{
    show(QStringLiteral("1A"));
    select({QStringLiteral("Alpha")});
    dropOn(QStringLiteral("00A"));
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(RegistryStores::listFavorites(true).isEmpty());
}

TEST_F(MovingSafetyTest, GhostsBelongToTheFolderTheyWereCutFrom)
{
    shortcut(QStringLiteral("Sub/One"), QStringLiteral("http://other-one/"));
    show(QStringLiteral("3A"));
    select({QStringLiteral("One")});
    dialog().CutEntries();
    QTreeWidgetItem* sub =
        form->tvMain->findItems(QStringLiteral("Sub"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(sub, nullptr);
    show(KeyedTreeView::Key(sub));
    for (int i = 1; i <= form->lvMain->Count(); ++i)
        EXPECT_FALSE(KeyedListView::Ghosted(form->lvMain->ItemAt(i)))
            << KeyedListView::Text(form->lvMain->ItemAt(i)).toStdString();
}

TEST_F(MovingSafetyTest, NamesHoldingTheSeparatorOrALineBreakMoveWhole)
{
    storetest::write(RegistryStores::webFavoritesKey(),
                     QString::fromUtf8("Canción"),
                     QStringLiteral("http://cancion/"),
                     cRegistry::REG_SZ);
    storetest::write(RegistryStores::webFavoritesKey(),
                     QStringLiteral("Tab\tName"),
                     QStringLiteral("http://tab/"),
                     cRegistry::REG_SZ);
    show(QStringLiteral("1A"));
    select({QString::fromUtf8("Canción"), QStringLiteral("Tab\tName")});
    dialog().CutEntries();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime->hasFormat(Transfer::MimeType));
    EXPECT_TRUE(mime->text().startsWith(QChar(0xF4) + QStringLiteral("ORX")))
        << "the text form stays for other programs";
    EXPECT_EQ(mime->urls().value(0).toString(), QStringLiteral("http://cancion/"));

    show(QStringLiteral("10A"));
    answerDialogs({kKeep, kKeep});
    dialog().PasteEntries();
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QString::fromUtf8("Canción")),
              QStringLiteral("http://cancion/"));
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("Tab Name")),
              QStringLiteral("http://tab/"))
        << "a key name cannot hold a tab: a blank stands for it";
    EXPECT_FALSE(RegistryStores::hasFavorite(false, QString::fromUtf8("Canción")));
    EXPECT_FALSE(RegistryStores::hasFavorite(false, QStringLiteral("Tab\tName")));
}

TEST_F(MovingSafetyTest, AnEmptyPastedNameIsRefusedAndNothingLandsOnTheFolderKey)
{
    show(QStringLiteral("10A"));
    QApplication::clipboard()->setText(Transfer::makeRecord(0, QString(), QStringLiteral("http://nameless/")));
    answerDialogs({kKeep});
    dialog().PasteEntries();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes.last().startsWith(QStringLiteral("Please enter a name")));
    cRegistry folder = userKey(RegistryStores::userFolderKey(QStringLiteral("Mine")));
    folder.setKeyType(cRegistry::REG_SZ);
    folder.setValueName(QStringLiteral("URL"));
    EXPECT_TRUE(folder.KeyValue().isNull());
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(MovingSafetyTest, TheToolbarsCommandsHaveTheirKeysWhereTheyBelong)
{
    show(QStringLiteral("1A"));
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    if (form->lvMain->height() < 50)
        dialog().ClickLbbMain(cMainDialog::MoreButton); // the list shows in the expanded window
    show(QStringLiteral("1A"));
    const QRect row = form->lvMain->visualItemRect(form->lvMain->ItemAt(1));
    QTest::mouseClick(form->lvMain->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(QApplication::focusWidget(), form->lvMain)
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                        : std::string("none"));
    QApplication::clipboard()->clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Transfer::parse(QApplication::clipboard()->text()).value(0).name, QStringLiteral("Alpha"));

    // In the command box the same key copies text, not entries.
    QApplication::clipboard()->clear();
    form->cboMain[1]->setFocus();
    form->cboMain[1]->setEditText(QStringLiteral("typed"));
    form->cboMain[1]->lineEdit()->selectAll();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("typed"));
    EXPECT_TRUE(form->tlbMain->button(9)->toolTip().startsWith(QStringLiteral("Copy (")));
}
