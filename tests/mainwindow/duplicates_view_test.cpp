#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmDuplicates.h"
#include "dialogs/modal.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

namespace {

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

QString shortcutFile(const QString& name)
{
    return FreshHome::path() + QStringLiteral("/Favorites/") + name + QStringLiteral(".url");
}

// What the view shows: each group as "entries: level", each row as "kept? where | title".
QStringList shown(frmDuplicates& view)
{
    QStringList rows;
    QTreeWidget* groups = view.tvGroups();
    for (int g = 0; g < groups->topLevelItemCount(); ++g) {
        QTreeWidgetItem* head = groups->topLevelItem(g);
        rows << head->text(frmDuplicates::WhereColumn);
        for (int e = 0; e < head->childCount(); ++e) {
            QTreeWidgetItem* row = head->child(e);
            rows << QStringLiteral("  %1 %2 | %3")
                        .arg(row->checkState(frmDuplicates::KeepColumn) == Qt::Checked ? QStringLiteral("keep")
                                                                                       : QStringLiteral("go"),
                             row->text(frmDuplicates::WhereColumn),
                             row->text(frmDuplicates::TitleColumn));
        }
    }
    return rows;
}

void click(QWidget* parent, const char* name)
{
    auto* button = parent->findChild<QPushButton*>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

// The same site in three stores, written three ways.
class DuplicatesViewTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        regtest::writeFile(
            location(),
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
            "    <DT><A HREF=\"http://www.docs.example/guide?utm_source=rss\" ADD_DATE=\"1500000000\">Docs</A>\n"
            "    <DT><A HREF=\"http://unique.example/\">Unique</A>\n"
            "</DL><p>\n");
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites"));
        regtest::writeFile(shortcutFile(QStringLiteral("Guide")),
                           "[InternetShortcut]\r\nURL=https://docs.example/guide/\r\n");
        storetest::write(RegistryStores::webFavoritesKey(),
                         QStringLiteral("Docs guide"),
                         QStringLiteral("HTTPS://Docs.Example/guide/"),
                         cRegistry::REG_SZ);
        startWithBookmarks(location());
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Ctrl+D, as a user presses it in the window; the view is handed to `answer`.
    void openView(std::function<int(frmDuplicates&)> answer)
    {
        bool opened = false;
        Modal::setHook([&opened, answer](QDialog& dialog) {
            opened = true;
            return answer(dynamic_cast<frmDuplicates&>(dialog));
        });
        form->tvMain->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
        EXPECT_TRUE(opened);
    }
};

// Grouped across stores at both levels; one rule keeps the bookmark, and the
// others go to the Trash as one step that one undo brings back.
TEST_F(DuplicatesViewTest, GroupsAcrossStoresAreResolvedInOneStepAndOneUndo)
{
    openView([](frmDuplicates& view) {
        EXPECT_EQ(shown(view),
                  (QStringList{QStringLiteral("3 entries: probably the same page"),
                               QStringLiteral("  keep Web Favorites | Docs guide"),
                               QStringLiteral("  go Netscape Favorites | Docs"),
                               QStringLiteral("  go Microsoft IE Favorites | Guide")}));
        view.cboLevel()->setCurrentIndex(1); // the same address only
        EXPECT_EQ(shown(view),
                  (QStringList{QStringLiteral("2 entries: the same address"),
                               QStringLiteral("  keep Web Favorites | Docs guide"),
                               QStringLiteral("  go Microsoft IE Favorites | Guide")}));
        view.cboLevel()->setCurrentIndex(0);
        // The bookmark's ADD_DATE, the shortcut's file time; Web Favorites keep no date.
        QTreeWidgetItem* head = view.tvGroups()->topLevelItem(0);
        EXPECT_TRUE(head->child(0)->text(frmDuplicates::AddedColumn).isEmpty());
        EXPECT_EQ(head->child(1)->text(frmDuplicates::AddedColumn),
                  QLocale().toString(QDateTime::fromSecsSinceEpoch(1500000000).date(), QLocale::ShortFormat));
        const int newest = view.cboRule()->findText(QStringLiteral("Keep the newest"));
        EXPECT_GE(newest, 0);
        view.cboRule()->setCurrentIndex(newest);
        click(&view, "cmdApplyRule");
        EXPECT_EQ(shown(view).mid(1),
                  (QStringList{QStringLiteral("  go Web Favorites | Docs guide"),
                               QStringLiteral("  go Netscape Favorites | Docs"),
                               QStringLiteral("  keep Microsoft IE Favorites | Guide")}));
        const int rule = view.cboRule()->findText(QStringLiteral("Keep the one in Netscape Favorites"));
        EXPECT_GE(rule, 0);
        view.cboRule()->setCurrentIndex(rule);
        click(&view, "cmdApplyRule");
        EXPECT_EQ(shown(view).mid(1),
                  (QStringList{QStringLiteral("  go Web Favorites | Docs guide"),
                               QStringLiteral("  keep Netscape Favorites | Docs"),
                               QStringLiteral("  go Microsoft IE Favorites | Guide")}));
        click(&view, "cmdTrash");
        return view.result();
    });
    EXPECT_FALSE(RegistryStores::hasFavorite(false, QStringLiteral("Docs guide")));
    EXPECT_FALSE(QFileInfo::exists(shortcutFile(QStringLiteral("Guide"))));
    EXPECT_TRUE(regtest::readFile(location()).contains("Docs</A>"));
    EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("Moved 2 duplicates to the Trash"));
    EXPECT_NE(form->tvMain->Node(Keys::rootKey(Keys::TrashSource)), nullptr);

    form->tvMain->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("Docs guide")),
              QStringLiteral("HTTPS://Docs.Example/guide/"));
    EXPECT_EQ(regtest::readFile(shortcutFile(QStringLiteral("Guide"))),
              "[InternetShortcut]\r\nURL=https://docs.example/guide/\r\n");
}

// "Keep Both" hides a group for good (after a restart too), until the user asks to see such groups.
TEST_F(DuplicatesViewTest, AGroupKeptOnPurposeStaysHiddenAfterARestart)
{
    openView([](frmDuplicates& view) {
        view.tvGroups()->setCurrentItem(view.tvGroups()->topLevelItem(0));
        click(&view, "cmdKeepBoth");
        EXPECT_EQ(view.tvGroups()->topLevelItemCount(), 0);
        return int(QDialog::Rejected);
    });
    form.reset();
    app.reset();
    start();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    openView([](frmDuplicates& view) {
        EXPECT_EQ(view.tvGroups()->topLevelItemCount(), 0);
        view.chkHideKept()->setChecked(false);
        EXPECT_EQ(view.tvGroups()->topLevelItemCount(), 1);
        return int(QDialog::Rejected);
    });
    EXPECT_TRUE(RegistryStores::hasFavorite(false, QStringLiteral("Docs guide"))) << "nothing was removed";
}

// A drop that brings an address kept elsewhere says where, without a question, and shows it on request.
TEST_F(DuplicatesViewTest, ADropOfAnAddressKeptElsewhereSaysWhereAndShowsIt)
{
    storetest::write(RegistryStores::userFolderKey(QStringLiteral("Mine")),
                     QStringLiteral("FolderName"),
                     QStringLiteral("Mine"),
                     cRegistry::REG_SZ);
    dialog().BuildFolderTree();
    dialog().RefreshFindIndex(true);
    show(QStringLiteral("3A"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1)); // Guide
    boxes.clear();
    form->tvMain->setDropHighlight(form->tvMain->Node(QStringLiteral("10A")));
    dialog().DragDropTvMain(form->lvMain, 0, 0);
    ASSERT_TRUE(RegistryStores::hasUserEntry(QStringLiteral("Mine"), QStringLiteral("Guide")));
    EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("Already in: Web Favorites"));
    EXPECT_EQ(boxes.size(), 1) << "only the drop's own question: " << boxes.join(QLatin1Char('\n')).toStdString();

    auto* showIt = form->stbMain->findChild<QPushButton*>(QStringLiteral("cmdShowAlreadyIn"));
    ASSERT_NE(showIt, nullptr);
    ASSERT_TRUE(showIt->isVisible());
    QTest::mouseClick(showIt, Qt::LeftButton);
    EXPECT_EQ(KeyedTreeView::Key(form->tvMain->SelectedItem()), Keys::rootKey(Keys::WebFavoritesSource));
    EXPECT_EQ(KeyedListView::Text(form->lvMain->SelectedItem()), QStringLiteral("Docs guide"));
}

// An address typed for a new entry that another store keeps: said the same way, and a paste of it too.
TEST_F(DuplicatesViewTest, AnAddOrAPasteOfAnAddressKeptElsewhereSaysWhere)
{
    dialog().RefreshFindIndex(true);
    show(QStringLiteral("1A"));
    enter(QStringLiteral("Guide again"), QStringLiteral("https://docs.example/guide/"));
    dialog().AddEntry();
    ASSERT_TRUE(RegistryStores::hasFavorite(false, QStringLiteral("Guide again")));
    EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("Already in: Web Favorites and 1 more"));

    // Copied from the Favorites folder and pasted into the bookmark file: only the other copy is news.
    dialog().RefreshFindIndex(true);
    show(QStringLiteral("3A"));
    form->lvMain->setCurrentItem(form->lvMain->ItemAt(1));
    dialog().CopyEntries();
    show(QStringLiteral("4A"));
    enter(QStringLiteral("Guide"));
    dialog().PasteEntries();
    ASSERT_TRUE(regtest::readFile(location()).contains("Guide</A>"));
    EXPECT_TRUE(form->stbMain->currentMessage().startsWith(QStringLiteral("Already in: Web Favorites")))
        << form->stbMain->currentMessage().toStdString();
}
