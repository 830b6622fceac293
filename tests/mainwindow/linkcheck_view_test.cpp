// The link check as a user runs it: from the tree's right-click menu, over
// sites served by the test on 127.0.0.x, then fixing what it found in the
// view with clicks and keys, each action one step that Ctrl+Z takes back.
#include "bookmarks/rememberedset.h"
#include "dialogs/frmLinkCheck.h"
#include "support/freshhome.h"
#include "support/httpsites.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

using namespace httpsites;

namespace {

QString location()
{
    return FreshHome::path() + QStringLiteral("/bookmarks.html");
}

QString shortcutFile()
{
    return FreshHome::path() + QStringLiteral("/Favorites/Tool.url");
}

Answer serve(const Request& request)
{
    if (request.path == "/old")
        return {301, "Location: /new\r\n"};
    if (request.path == "/page")
        return {308, "Location: /page2\r\n"};
    if (request.path == "/gone")
        return {404};
    return {200};
}

} // namespace

class LinkCheckViewTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        for (int number = 21; number <= 24; ++number)
            sites.push_back(
                std::make_unique<Site>(number, recorder, [](const Request& request, int) { return serve(request); }));
        bookmarks = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                    "    <DT><A HREF=\"" +
                    site(21, "/old#intro") +
                    "\" ADD_DATE=\"1500000000\">Moved</A>\n"
                    "    <DT><A HREF=\"" +
                    site(22, "/gone") +
                    "\">Gone</A>\n"
                    "    <DT><A HREF=\"" +
                    site(23, "/fine") +
                    "\">Fine</A>\n"
                    "    <DT><A HREF=\"mailto:someone@example.org\">Mail</A>\n"
                    "</DL><p>\n";
        regtest::writeFile(location(), bookmarks);
        QDir().mkpath(FreshHome::path() + QStringLiteral("/Favorites"));
        shortcut = "[InternetShortcut]\r\nURL=" + site(24, "/page") + "\r\nIconIndex=3\r\n";
        regtest::writeFile(shortcutFile(), shortcut);
        startWithBookmarks(location());
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QByteArray site(int number, const char* path) const
    {
        return sites[size_t(number - 21)]->url(QLatin1String(path)).toUtf8();
    }
    // Right-click on the tree's node, and the menu's item of that text.
    void fromTreeMenu(const QString& nodeKey, const QString& item)
    {
        show(nodeKey);
        bool found = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* action : menu->actions()) {
                if (action->text() == item) {
                    found = true;
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            menu->close();
        });
        const QPoint at = form->tvMain->visualItemRect(form->tvMain->Node(nodeKey)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, form->tvMain->viewport()->mapToGlobal(at));
        QApplication::sendEvent(form->tvMain->viewport(), &click);
        ASSERT_TRUE(found) << item.toStdString();
    }
    // As a click on its title bar makes a window the active one.
    static void activate(QWidget* window)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
    }
    frmLinkCheck* view() const { return form->findChild<frmLinkCheck*>(); }
    void waitForTheRun()
    {
        auto* button = view()->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        ASSERT_TRUE(QTest::qWaitFor([button] { return button->text() == QStringLiteral("Check Again"); }, 20000));
    }
    // The rows shown, as "result | title".
    QStringList rows() const
    {
        QStringList out;
        QTreeWidget* list = view()->tvResults();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(frmLinkCheck::ResultColumn) + QStringLiteral(" | ") +
                       list->topLevelItem(i)->text(frmLinkCheck::TitleColumn);
        out.sort();
        return out;
    }
    void showOnly(frmLinkCheck::Show show)
    {
        // A click opens the list and gives the box the focus; Escape closes
        // the list, and the keys choose in the box.
        QComboBox* combo = view()->cboShow();
        activate(view()); // the click lands in the view's window
        QTest::mouseClick(combo, Qt::LeftButton);
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        ASSERT_EQ(QApplication::focusWidget(), combo);
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < int(show); ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        ASSERT_EQ(combo->currentIndex(), int(show));
    }
    void clickFirstRow()
    {
        QTreeWidget* list = view()->tvResults();
        ASSERT_GT(list->topLevelItemCount(), 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    }
    void click(const char* name)
    {
        auto* button = view()->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_TRUE(button && button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    Recorder recorder;
    std::vector<std::unique_ptr<Site>> sites;
    QByteArray bookmarks;
    QByteArray shortcut;
};

TEST_F(LinkCheckViewTest, FoundMovesAreUpdatedAndGoneLinksTrashedEachInOneStepThatUndoes)
{
    // One store's links: local addresses are skipped until the user asks for them.
    fromTreeMenu(QStringLiteral("4A"), QStringLiteral("Check Links..."));
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->windowTitle(), QStringLiteral("Check Links: Netscape Favorites"));
    waitForTheRun();
    EXPECT_TRUE(recorder.seen.isEmpty());
    EXPECT_TRUE(view()->findChild<QLabel*>(QStringLiteral("lblCounts"))->text().contains(QStringLiteral("4 skipped")));
    showOnly(frmLinkCheck::Show::NotChecked);
    EXPECT_EQ(rows().size(), 3) << "the mail address is no link to check";
    showOnly(frmLinkCheck::Show::Problems);

    QTest::mouseClick(view()->findChild<QCheckBox*>(QStringLiteral("chkPrivate")), Qt::LeftButton);
    waitForTheRun();
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("Moved permanently | Moved"), QStringLiteral("Not found (404) | Gone")}));
    EXPECT_EQ(recorder.count("HEAD", "/page"), 0) << "only the folder checked";

    // Every store: the shortcut's move too, and both updated in one click.
    view()->close();
    fromTreeMenu(QStringLiteral("4A"), QStringLiteral("Check All Links..."));
    waitForTheRun();
    showOnly(frmLinkCheck::Show::MovedPermanently);
    clickFirstRow();
    QTest::keyClick(view()->tvResults(), Qt::Key_A, Qt::ControlModifier);
    click("cmdUpdate");
    const QByteArray updated = regtest::readFile(location());
    EXPECT_TRUE(updated.contains(QByteArray("HREF=\"" + site(21, "/new#intro") + "\" ADD_DATE=\"1500000000\"")))
        << "the new address keeps its place in the page";
    EXPECT_FALSE(updated.contains("/old"));
    QByteArray shortcutNow = shortcut;
    shortcutNow.replace("/page\r\n", "/page2\r\n");
    EXPECT_EQ(regtest::readFile(shortcutFile()), shortcutNow) << "its icon stays";
    EXPECT_TRUE(rows().isEmpty()) << "nothing moved any more";

    activate(form.get());
    QTest::mouseClick(form->tvMain->viewport(),
                      Qt::LeftButton,
                      {},
                      form->tvMain->visualItemRect(form->tvMain->Node(QStringLiteral("4A"))).center());
    ASSERT_EQ(QApplication::focusWidget(), form->tvMain);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(regtest::readFile(location()), bookmarks);
    EXPECT_EQ(regtest::readFile(shortcutFile()), shortcut);
    EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("Undone: Update 2 addresses"));
    EXPECT_EQ(rows().size(), 2) << "the view shows the moves again";

    // The link not found goes to the Trash with the Delete key.
    activate(view());
    showOnly(frmLinkCheck::Show::NotFound);
    clickFirstRow();
    QTest::keyClick(view()->tvResults(), Qt::Key_Delete);
    EXPECT_FALSE(regtest::readFile(location()).contains("/gone"));
    EXPECT_NE(form->tvMain->Node(QStringLiteral("7A")), nullptr) << "the Trash holds it";
    EXPECT_TRUE(rows().isEmpty());

    // Ignored: not among the problems any more, and remembered.
    showOnly(frmLinkCheck::Show::All);
    clickFirstRow();
    const QString ignoredAddress = view()->tvResults()->topLevelItem(0)->text(frmLinkCheck::AddressColumn);
    click("cmdIgnore");
    EXPECT_TRUE(
        RememberedSet(RememberedSet::dataFile(QStringLiteral("ignored-link-checks.txt"))).contains(ignoredAddress));
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("Ignored: Moved permanently | Moved"),
                           QStringLiteral("Moved permanently | Tool"),
                           QStringLiteral("OK (200) | Fine")}));
    showOnly(frmLinkCheck::Show::Problems);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Moved permanently | Tool")}));
    showOnly(frmLinkCheck::Show::Ignored);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Ignored: Moved permanently | Moved")}));

    // The results outlast the program.
    EXPECT_TRUE(QFileInfo::exists(RememberedSet::dataFile(QStringLiteral("link-checks.tsv"))));
}
