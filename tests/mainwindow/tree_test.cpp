#include "controls/FlatButton.h"
#include "controls/KeyedTreeView.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "support/mainwindowfixture.h"
#include "support/storetest.h"

#include "dialogs/frmOptions.h"
#include "dialogs/modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

void storeSupport(bool compuServe, bool netscape, bool internetExplorer)
{
    cSettings stored;
    stored.setAppName(QStringLiteral("ORXMarkcrate"));
    stored.setSupportCompuServe(compuServe);
    stored.setSupportNetscape(netscape);
    stored.setSupportInternetExplorer(internetExplorer);
    stored.Update();
}

void addUserFolder(const QString& name)
{
    storetest::write(cSettings::kRegistryKey + QStringLiteral("\\Folders\\") + name,
                     QStringLiteral("FolderName"),
                     name,
                     cRegistry::REG_SZ);
}

void removeUserFolder(const QString& name)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(cSettings::kRegistryKey + QStringLiteral("\\Folders\\") + name + QLatin1Char('\\'));
    ASSERT_TRUE(registry.DeleteKey());
}

// "key text image" for each child of the top node.
QStringList roots(KeyedTreeView* tree)
{
    QStringList out;
    QTreeWidgetItem* top = tree->Node(QStringLiteral("00A"));
    for (int i = 0; top && i < top->childCount(); ++i) {
        QTreeWidgetItem* node = top->child(i);
        out << QStringLiteral("%1 %2 %3").arg(KeyedTreeView::Key(node), node->text(0)).arg(KeyedTreeView::Image(node));
    }
    return out;
}

QString selectedKey(KeyedTreeView* tree)
{
    return KeyedTreeView::Key(tree->SelectedItem());
}

} // namespace

class TreeTest : public MainWindowFixture
{
};

TEST_F(TreeTest, RootsFollowTheSupportSettingsAndUserFoldersNumberFromTen)
{
    addUserFolder(QStringLiteral("beta"));
    addUserFolder(QStringLiteral("Alpha"));
    struct Case
    {
        bool compuServe, netscape, internetExplorer;
        QStringList builtIn;
        int kinds;
    };
    const QList<Case> cases = {
        {true,
         true,
         true,
         {"1A Web Favorites 3",
          "2A CompuServe Web Forums 4",
          "0A CompuServe Web Favorites 4",
          "4A Netscape Favorites 4",
          "3A Microsoft IE Favorites 4"},
         3},
        {false, false, false, {"1A Web Favorites 3"}, 2},
        {true, false, false, {"1A Web Favorites 3", "2A CompuServe Web Forums 4", "0A CompuServe Web Favorites 4"}, 3},
        {false, true, false, {"1A Web Favorites 3", "4A Netscape Favorites 4"}, 2},
        {false, false, true, {"1A Web Favorites 3", "3A Microsoft IE Favorites 4"}, 2},
        {false, true, true, {"1A Web Favorites 3", "4A Netscape Favorites 4", "3A Microsoft IE Favorites 4"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.builtIn.join(QStringLiteral(", ")).toStdString());
        storeSupport(c.compuServe, c.netscape, c.internetExplorer);
        start();
        const QStringList expected = c.builtIn + QStringList{"10A Alpha 2", "11A beta 2"};
        EXPECT_EQ(roots(form->tvMain), expected);
        EXPECT_EQ(KeyedTreeView::Text(form->tvMain->Node(QStringLiteral("00A"))), QStringLiteral("Bookmarks"));
        EXPECT_EQ(KeyedTreeView::Image(form->tvMain->Node(QStringLiteral("00A"))), 3)
            << "repainted when Web Favorites is shown";
        EXPECT_EQ(dialog().FolderList().Count(), expected.size());
        EXPECT_EQ(form->cboMain[0]->count(), c.kinds);
        EXPECT_EQ(selectedKey(form->tvMain), QStringLiteral("1A"));
        form.reset();
        app.reset();
    }
}

TEST_F(TreeTest, AFirstStartWritesEverySettingAndSelectsTheStoredKind)
{
    start();
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(cSettings::kRegistryKey);
    ASSERT_NE(registry.ValueNameCollection(), nullptr);
    EXPECT_EQ(registry.ValueNameCollection()->Count(), 16)
        << "the thirteen of the settings table, the two browser stores and the global key";
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 0);
    EXPECT_EQ((*form->lbbMain)[cMainDialog::InputCaption]->Caption(), QStringLiteral("Web Address"));
    EXPECT_FALSE((*form->lbbMain)[cMainDialog::HideButton]->Visible());
    EXPECT_FALSE((*form->lbbMain)[cMainDialog::RenameFolderButton]->Visible());
}

TEST_F(TreeTest, AForumKindWithoutCompuServeFallsBackToWebContent)
{
    cSettings stored;
    stored.setAppName(QStringLiteral("ORXMarkcrate"));
    stored.setSupportCompuServe(false);
    stored.setContentType(2);
    stored.Update();
    start();
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 0);
    EXPECT_EQ(settings.ContentType(), 0);

    form.reset();
    app.reset();
    stored.setSupportCompuServe(true);
    stored.setContentType(1);
    stored.Update();
    start();
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 1);
    EXPECT_EQ((*form->lbbMain)[cMainDialog::InputCaption]->Caption(), QStringLiteral("Search Critiera"));
}

TEST_F(TreeTest, ReselectionFindsRenumberedUserFoldersAndFallsBackFromSwitchedOffSources)
{
    addUserFolder(QStringLiteral("Alpha"));
    addUserFolder(QStringLiteral("Beta"));
    start();
    cMainDialog& controller = dialog();

    controller.state().SelectedKey = QStringLiteral("11A");
    controller.state().SelectedText = QStringLiteral("Beta");
    removeUserFolder(QStringLiteral("Alpha"));
    controller.BuildFolderTree();
    EXPECT_EQ(selectedKey(form->tvMain), QStringLiteral("10A")) << "Beta is folder 10 now";

    controller.state().SelectedKey = QStringLiteral("2A");
    controller.state().SelectedText = QStringLiteral("CompuServe Web Forums");
    settings.setSupportCompuServe(false);
    controller.BuildFolderTree();
    EXPECT_EQ(selectedKey(form->tvMain), QStringLiteral("1A"));
    EXPECT_EQ(controller.state().SelectedKey, QStringLiteral("1A"));
    EXPECT_EQ(controller.state().SelectedText, QStringLiteral("Web Favorites"));

    // A user folder that has the name of a source is found as the user folder.
    addUserFolder(QStringLiteral("Web Favorites"));
    controller.state().SelectedKey = QStringLiteral("12A");
    controller.state().SelectedText = QStringLiteral("Web Favorites");
    controller.BuildFolderTree();
    EXPECT_EQ(selectedKey(form->tvMain), QStringLiteral("11A"));

    // A folder that is gone leaves Web Favorites selected rather than nothing.
    controller.state().SelectedKey = QStringLiteral("15A");
    controller.state().SelectedText = QStringLiteral("Gone");
    controller.BuildFolderTree();
    EXPECT_EQ(selectedKey(form->tvMain), QStringLiteral("1A"));
}

TEST_F(TreeTest, ExpansionFollowsTheSetting)
{
    addUserFolder(QStringLiteral("Alpha"));
    cSettings stored;
    stored.setAppName(QStringLiteral("ORXMarkcrate"));
    stored.setExpandFoldersOnRefresh(false);
    stored.Update();
    start();
    EXPECT_TRUE(form->tvMain->Node(QStringLiteral("00A"))->isExpanded());
    EXPECT_FALSE(form->tvMain->Node(QStringLiteral("10A"))->isExpanded());
    settings.setExpandFoldersOnRefresh(true);
    dialog().BuildFolderTree();
    EXPECT_TRUE(form->tvMain->Node(QStringLiteral("10A"))->isExpanded());
}

namespace {

// The options dialog stands in as a function that changes the settings.
class OptionsDialog : public cMainDialog
{
public:
    using cMainDialog::cMainDialog;
    std::function<void(cSettings&)> change;
    int builds = 0;
    bool ShowOptionsDialog() override
    {
        if (change)
            change(settings());
        return true;
    }
    void BuildFolderTree() override
    {
        ++builds;
        cMainDialog::BuildFolderTree();
    }
};

} // namespace

TEST_F(TreeTest, OptionsRebuildOnlyWhenATreeSettingChanged)
{
    start();
    OptionsDialog controller(settings, *app);
    controller.setMainForm(form.get());
    controller.state().NetscapeLoaded = true; // as the start-up left it
    form->SetObjPtr(&controller);

    controller.change = [](cSettings& s) { s.setHideOnLaunch(true); };
    controller.ClickLbbMain(cMainDialog::OptionsButton);
    EXPECT_EQ(controller.builds, 0);

    controller.change = [](cSettings& s) { s.setSupportInternetExplorer(false); };
    controller.ClickLbbMain(cMainDialog::OptionsButton);
    EXPECT_EQ(controller.builds, 1);
    EXPECT_EQ(form->tvMain->Node(QStringLiteral("3A")), nullptr);
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 0);

    controller.state().SelectedKey = QStringLiteral("3X4A");
    controller.change = [](cSettings& s) { s.setBookmarkLocation(QStringLiteral("/elsewhere/bookmarks.html")); };
    controller.ClickLbbMain(cMainDialog::OptionsButton);
    EXPECT_EQ(controller.state().SelectedKey, QStringLiteral("1A"))
        << "a Netscape selection is dropped when the file moves";
    EXPECT_EQ(controller.builds, 2) << "the new file is read";
}

TEST_F(TreeTest, TheOptionsDialogsChangesReachTheWindowWhenItCloses)
{
    start();
    form->cboMain[0]->setCurrentIndex(2);
    ASSERT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    Modal::setHook([](QDialog& shown) {
        auto& dialog = dynamic_cast<frmOptions&>(shown);
        dialog.chkOptions[0]->setChecked(false); // Always On Top
        dialog.chkOptions[4]->setChecked(false); // CompuServe
        dialog.cmdOK->click();
        return dialog.result();
    });
    QTest::mouseClick((*form->lbbMain)[cMainDialog::OptionsButton], Qt::LeftButton);
    Modal::setHook([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_FALSE(settings.AlwaysOnTop());
    EXPECT_FALSE(form->windowHandle() && (form->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form->tvMain->Node(QStringLiteral("2A")), nullptr);
    EXPECT_EQ(form->cboMain[0]->count(), 2);
    EXPECT_EQ(form->cboMain[0]->currentIndex(), 0) << "Web Content";
    EXPECT_EQ(settings.ContentType(), 0);
}
