// Adding, editing and renaming with names a store cannot keep as typed: each
// is kept, mapped to a look-alike or refused with a message, and the old entry
// is never lost on the way.
#include "bookmarks/favorites.h"
#include "bookmarks/registrystores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/modal.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>

namespace {

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

QString favorites()
{
    return FreshHome::path() + QStringLiteral("/Favorites");
}

} // namespace

class EditingSafetyTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(regtest::writeFile(location(),
                                       "<DL><p>\r\n<DT><H3>Old</H3>\r\n<DL><p>\r\n"
                                       "<DT><A HREF=\"http://inside/\">Inside</A>\r\n</DL><p>\r\n</DL><p>\r\n"));
        for (const char* name : {"a", "b"})
            storetest::write(RegistryStores::webFavoritesKey(),
                             QLatin1String(name),
                             QString(QStringLiteral("http://") + QLatin1String(name)),
                             cRegistry::REG_SZ);
        storetest::write(RegistryStores::userFolderKey(QStringLiteral("Alpha")),
                         QStringLiteral("FolderName"),
                         QStringLiteral("Alpha"),
                         cRegistry::REG_SZ);
        for (const char* name : {"first", "second"})
            RegistryStores::writeUserEntry(
                QStringLiteral("Alpha"), QLatin1String(name), QStringLiteral("http://e/"), 0);
        QDir().mkpath(favorites());
        regtest::writeFile(favorites() + QStringLiteral("/One.url"), "[InternetShortcut]\r\nURL=http://one/\r\n");
        regtest::writeFile(favorites() + QStringLiteral("/Two.url"), "[InternetShortcut]\r\nURL=http://two/\r\n");
        startWithBookmarks(location());
    }
    void selectEntry(const QString& name)
    {
        for (int i = 1; i <= form->lvMain->Count(); ++i) {
            if (KeyedListView::Text(form->lvMain->ItemAt(i)) == name) {
                form->lvMain->setCurrentItem(form->lvMain->ItemAt(i));
                return;
            }
        }
        FAIL() << "no entry " << name.toStdString();
    }
    QStringList userEntries(const QString& folder)
    {
        QStringList names;
        for (const auto& entry : RegistryStores::listUserFolder(folder, true))
            names << entry.text;
        return names;
    }
};

TEST_F(EditingSafetyTest, AUserFolderKeepsItsEntriesWhateverItIsRenamedTo)
{
    show(QStringLiteral("10A"));
    enter(QString());
    dialog().RenameFolder();
    EXPECT_TRUE(boxes.last().startsWith(QStringLiteral("Please enter a name")));
    EXPECT_EQ(userEntries(QStringLiteral("Alpha")), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    cRegistry folders = userKey(RegistryStores::foldersKey());
    folders.setKeyType(cRegistry::REG_SZ);
    folders.setValueName(QStringLiteral("FolderName"));
    EXPECT_TRUE(folders.KeyValue().isNull()) << "nothing is written onto the Folders key itself";

    enter(QStringLiteral("New\r\nName"));
    dialog().RenameFolder();
    EXPECT_EQ(userEntries(QStringLiteral("New Name")),
              (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_FALSE(RegistryStores::hasUserFolder(QStringLiteral("Alpha")));
    EXPECT_EQ(KeyedTreeView::Text(form->tvMain->Node(QStringLiteral("10A"))), QStringLiteral("New Name"));

    enter(QStringLiteral("new name")); // only the letter case changes
    dialog().RenameFolder();
    EXPECT_EQ(userEntries(QStringLiteral("new name")),
              (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

TEST_F(EditingSafetyTest, AUserFolderEntryEditedToAnOddNameIsNeverLost)
{
    show(QStringLiteral("10A"));
    selectEntry(QStringLiteral("first"));
    enter(QStringLiteral("line\nbreak"));
    dialog().EditEntry();
    EXPECT_EQ(userEntries(QStringLiteral("Alpha")),
              (QStringList{QStringLiteral("line break"), QStringLiteral("second")}));

    selectEntry(QStringLiteral("second"));
    enter(QString());
    dialog().EditEntry();
    EXPECT_TRUE(boxes.last().startsWith(QStringLiteral("Please enter a name")));
    EXPECT_TRUE(userEntries(QStringLiteral("Alpha")).contains(QStringLiteral("second")));

    selectEntry(QStringLiteral("second"));
    enter(QStringLiteral("line break"));
    dialog().EditEntry();
    EXPECT_EQ(boxes.last(), QStringLiteral("'line break' already exists in your 'Alpha' folder"));
    EXPECT_EQ(userEntries(QStringLiteral("Alpha")),
              (QStringList{QStringLiteral("line break"), QStringLiteral("second")}));
}

TEST_F(EditingSafetyTest, AnEntryIsNeverAddedOrRenamedOntoAnother)
{
    show(QStringLiteral("1A"));
    selectEntry(QStringLiteral("a"));
    enter(QStringLiteral("b"));
    dialog().EditEntry();
    EXPECT_EQ(boxes.last(), QStringLiteral("'b' already exists in your list of Web Favorites"));
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("a")), QStringLiteral("http://a"));
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("b")), QStringLiteral("http://b"));

    enter(QStringLiteral("A")); // a change of letter case renames the entry itself
    selectEntry(QStringLiteral("a"));
    dialog().EditEntry();
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("A")), QStringLiteral("http://a"));
    EXPECT_EQ(RegistryStores::listFavorites(false).size(), 2);

    show(QStringLiteral("3A"));
    enter(QStringLiteral("Two"), QStringLiteral("http://new/"));
    dialog().AddEntry();
    EXPECT_EQ(boxes.last(), QStringLiteral("'Two' already exists in your 'Microsoft IE Favorites' folder"));
    EXPECT_TRUE(regtest::readFile(favorites() + QStringLiteral("/Two.url")).contains("http://two/"));
}

TEST_F(EditingSafetyTest, LineBreaksNeverReachTheBookmarkFileOrAShortcut)
{
    show(QStringLiteral("4A"));
    enter(QStringLiteral("Title\r\n<DT><H3>Injected</H3>"), QStringLiteral("http://x/"));
    dialog().AddEntry();
    const QByteArray file = regtest::readFile(location());
    EXPECT_TRUE(file.contains("\">Title ")) << file.toStdString();
    EXPECT_FALSE(file.contains("\r\n<DT><H3>Injected")) << "the title stays on its line";
    dialog().LoadBookmarkFile();
    dialog().BuildFolderTree();
    EXPECT_EQ(form->tvMain->findItems(QStringLiteral("Injected"), Qt::MatchExactly | Qt::MatchRecursive).size(), 0);

    show(QStringLiteral("3A"));
    selectEntry(QStringLiteral("One"));
    enter(QStringLiteral("One"), QStringLiteral("http://x/\r\n[Other]\r\nIconFile=evil"));
    dialog().EditEntry();
    const QByteArray shortcut = regtest::readFile(favorites() + QStringLiteral("/One.url"));
    EXPECT_EQ(shortcut.count("\r\n"), 2) << shortcut.toStdString();
    EXPECT_FALSE(shortcut.contains("\r\n[Other]"));
}

TEST_F(EditingSafetyTest, ANewNetscapeFolderNeverTakesADeletedFolderNumber)
{
    show(QStringLiteral("0X4A")); // Old, holding Inside
    dialog().DeleteFolder();
    show(QStringLiteral("4A"));
    enter(QStringLiteral("Fresh"));
    dialog().NewFolder();
    const QByteArray file = regtest::readFile(location());
    EXPECT_TRUE(file.contains(">Fresh</H3>"));
    EXPECT_FALSE(file.contains("http://inside/")) << "the deleted folder's links stay deleted";
}

TEST_F(EditingSafetyTest, WhatCannotBeCreatedIsSaid)
{
    show(QStringLiteral("3A"));
    const QString tooLong(300, QLatin1Char('n'));
    enter(tooLong);
    dialog().NewFolder();
    EXPECT_TRUE(boxes.last().contains(QStringLiteral("too long for a file name")));
    enter(tooLong, QStringLiteral("http://x/"));
    dialog().AddEntry();
    EXPECT_TRUE(boxes.last().contains(QStringLiteral("too long for a file name")));
    enter(QStringLiteral(".."));
    dialog().NewFolder();
    EXPECT_EQ(boxes.last(), QStringLiteral("'..' cannot be used as a folder name."));

    show(QStringLiteral("00A"));
    enter(QStringLiteral("Two\nLines"));
    dialog().NewFolder();
    EXPECT_TRUE(RegistryStores::hasUserFolder(QStringLiteral("Two Lines")));
}

TEST_F(EditingSafetyTest, ANewerExportIsNeverOverwrittenButReadAndShown)
{
    const QByteArray newer = "<DL><p>\r\n<DT><H3>Newer</H3>\r\n<DL><p>\r\n</DL><p>\r\n"
                             "<DT><A HREF=\"http://kept/\" ICON=\"data:x\">Kept</A>\r\n</DL><p>\r\n";
    ASSERT_TRUE(regtest::writeFile(location(), newer)); // the browser exports again
    show(QStringLiteral("4A"));
    enter(QStringLiteral("Mine"), QStringLiteral("http://mine/"));
    dialog().ClickTlbMain(12); // New Item
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes.last().contains(QStringLiteral("was changed on disk by another program")))
        << boxes.last().toStdString();
    EXPECT_EQ(regtest::readFile(location()), newer);
    EXPECT_NE(form->tvMain->findItems(QStringLiteral("Newer"), Qt::MatchExactly | Qt::MatchRecursive).value(0), nullptr)
        << "the tree shows the file as it is now";

    // Now that it was read, a change is written, after a copy of that version is kept.
    show(QStringLiteral("4A"));
    enter(QStringLiteral("Mine"), QStringLiteral("http://mine/"));
    dialog().ClickTlbMain(12);
    EXPECT_TRUE(regtest::readFile(location()).contains("http://mine/"));
    EXPECT_TRUE(regtest::readFile(location()).contains("http://kept/"));
    EXPECT_EQ(regtest::readFile(location() + QStringLiteral(".markcrate-original")), newer) << "with its icon";
}

TEST_F(EditingSafetyTest, ABookmarkFileMadeReadOnlyIsToldAsSuchAndWhatWasTypedStaysToTryAgain)
{
    show(QStringLiteral("4A"));
    const QByteArray path = QFile::encodeName(location());
    ASSERT_EQ(::chmod(path.constData(), 0444), 0); // a change of mode: the content is as read
    QStringList toldWhileOpen;
    QStringList keptWhileOpen;
    Modal::setHook([&](QDialog& dialog) {
        const QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
        edits.at(0)->setText(QStringLiteral("Mine"));
        edits.at(1)->setText(QStringLiteral("http://mine/"));
        edits.at(0)->setFocus();
        QTest::keyClick(edits.at(0), Qt::Key_Return);
        toldWhileOpen = boxes;
        keptWhileOpen = {edits.at(0)->text(), edits.at(1)->text()};
        ::chmod(path.constData(), 0644); // the user makes it writable, and presses Enter again
        QTest::keyClick(edits.at(0), Qt::Key_Return);
        return 0;
    });
    dialog().AddEntry();
    ASSERT_EQ(toldWhileOpen.size(), 1) << toldWhileOpen.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(toldWhileOpen.first().contains(QStringLiteral("not writable"))) << toldWhileOpen.first().toStdString();
    EXPECT_FALSE(toldWhileOpen.first().contains(QStringLiteral("changed on disk")));
    EXPECT_EQ(keptWhileOpen, (QStringList{QStringLiteral("Mine"), QStringLiteral("http://mine/")}));
    const QByteArray file = regtest::readFile(location());
    EXPECT_TRUE(file.contains("http://mine/")) << file.toStdString();
    EXPECT_TRUE(file.contains("http://inside/"));
}

TEST_F(EditingSafetyTest, NamesFromDiskHoldingABackslashNeverLeadOutOfTheFavoritesFolder)
{
    // Unpacked from an archive made on another system: "\" is part of these names.
    const QString outside = FreshHome::path() + QStringLiteral("/victim.url");
    ASSERT_TRUE(regtest::writeFile(outside, "[InternetShortcut]\r\nURL=http://victim/\r\n"));
    ASSERT_TRUE(regtest::writeFile(favorites() + QStringLiteral("/..\\victim.url"),
                                   "[InternetShortcut]\r\nURL=http://inside/\r\n"));
    QDir().mkpath(FreshHome::path() + QStringLiteral("/victimdir"));
    ASSERT_TRUE(regtest::writeFile(FreshHome::path() + QStringLiteral("/victimdir/keep.url"),
                                   "[InternetShortcut]\r\nURL=http://k/\r\n"));
    QDir().mkpath(favorites() + QStringLiteral("/..\\victimdir"));
    dialog().BuildFolderTree();

    show(QStringLiteral("3A"));
    selectEntry(QString::fromUtf8("..⧵victim")); // shown with the look-alike, so that no path splits it
    dialog().DeleteEntries();
    EXPECT_TRUE(QFileInfo::exists(outside)) << "nothing beside the Favorites folder is deleted";
    EXPECT_FALSE(QFileInfo::exists(favorites() + QStringLiteral("/..\\victim.url"))) << "the entry's own file is";

    QTreeWidgetItem* node =
        form->tvMain->findItems(QString::fromUtf8("..⧵victimdir"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(node, nullptr);
    show(KeyedTreeView::Key(node));
    enter(QStringLiteral("dropped"), QStringLiteral("http://d/"));
    dialog().AddEntry();
    EXPECT_FALSE(QFileInfo::exists(FreshHome::path() + QStringLiteral("/victimdir/dropped.url")));
    EXPECT_TRUE(QFileInfo::exists(favorites() + QStringLiteral("/..\\victimdir/dropped.url")))
        << "it lands in the folder shown";
    dialog().DeleteFolder(); // a name starting with "." is a hidden folder, and stays
    EXPECT_TRUE(QFileInfo::exists(FreshHome::path() + QStringLiteral("/victimdir/keep.url")));

    QDir().mkpath(favorites() + QStringLiteral("/Work\\Old"));
    QDir().mkpath(favorites() + QStringLiteral("/Work/Old"));
    dialog().BuildFolderTree();
    node = form->tvMain->findItems(QString::fromUtf8("Work⧵Old"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(node, nullptr);
    show(KeyedTreeView::Key(node));
    dialog().DeleteFolder();
    EXPECT_FALSE(QFileInfo::exists(favorites() + QStringLiteral("/Work\\Old")))
        << "the folder shown is the one deleted";
    EXPECT_TRUE(QFileInfo::exists(favorites() + QStringLiteral("/Work/Old")));
}

TEST_F(EditingSafetyTest, DeletingAFolderRemovesWhatItHoldsByTheirOwnNames)
{
    const QString outside = FreshHome::path() + QStringLiteral("/victim.url");
    ASSERT_TRUE(regtest::writeFile(outside, "x"));
    QDir().mkpath(favorites() + QStringLiteral("/Old"));
    ASSERT_TRUE(regtest::writeFile(favorites() + QStringLiteral("/Old/..\\..\\victim.url"), "y"));
    Favorites::DeleteFolderTree(favorites() + QStringLiteral("/Old"));
    EXPECT_FALSE(QFileInfo::exists(favorites() + QStringLiteral("/Old")));
    EXPECT_EQ(regtest::readFile(outside), "x");
}
