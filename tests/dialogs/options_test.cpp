#include "controls/twips.h"
#include "dialogs/frmOptions.h"
#include "dialogs/messagebox.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int storedValueCount()
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(cSettings::kRegistryKey);
    const auto values = registry.ValueNameCollection();
    return values ? int(values->Count()) : 0;
}

class OptionsTest : public ::testing::Test
{
protected:
    void SetUp() override { settings.setAppName(QStringLiteral("ORXMarkcrate")); }
    void TearDown() override
    {
        MessageBoxes::setOpenFileHook([](const QString&, const QString&) { return QString(); });
    }
    cSettings settings;
};

} // namespace

TEST_F(OptionsTest, ApplyIsOfferedAfterAChangeAndOkWritesEverySetting)
{
    ASSERT_EQ(storedValueCount(), 0);
    frmOptions dialog(settings);
    dialog.Form_Load();
    EXPECT_TRUE(dialog.chkOptions[0]->isChecked()) << "Always On Top by default";
    EXPECT_EQ(dialog.txtOptions[1]->text(), settings.YahooSearchURL());
    EXPECT_FALSE(dialog.cmdApply->isEnabled());

    dialog.show();
    dialog.tbsOptions->setCurrentIndex(0);
    QTest::mouseClick(dialog.chkOptions[1], Qt::LeftButton, {}, QPoint(5, dialog.chkOptions[1]->height() / 2));
    EXPECT_TRUE(dialog.chkOptions[1]->isChecked());
    EXPECT_TRUE(dialog.cmdApply->isEnabled());
    dialog.cmdApply->click();
    EXPECT_FALSE(dialog.cmdApply->isEnabled());
    EXPECT_TRUE(settings.HideOnLaunch());
    EXPECT_EQ(storedValueCount(), 16);

    // The browsers' stores have their boxes on the first tab, after the others.
    EXPECT_EQ(dialog.chkOptions[10]->text(), QStringLiteral("Provide Chromium Support"));
    EXPECT_EQ(dialog.chkOptions[9]->parentWidget(), dialog.chkOptions[0]->parentWidget());
    EXPECT_GT(dialog.chkOptions[9]->y(), dialog.chkOptions[8]->y());
    EXPECT_LE(dialog.chkOptions[10]->geometry().bottom(), dialog.chkOptions[10]->parentWidget()->height())
        << "it fits its tab";
    QTest::mouseClick(dialog.chkOptions[9], Qt::LeftButton, {}, QPoint(5, dialog.chkOptions[9]->height() / 2));
    dialog.cmdApply->click();
    EXPECT_FALSE(settings.SupportFirefox());
    EXPECT_TRUE(settings.SupportChromium());

    frmOptions again(settings);
    again.Form_Load();
    again.txtOptions[2]->setText(QStringLiteral("/home/me/bookmarks.html"));
    again.cmdCancel->click();
    EXPECT_TRUE(settings.BookmarkLocation().isEmpty()) << "Cancel saves nothing";
    again.Form_Load();
    again.cmdOK->click();
    EXPECT_EQ(again.result(), QDialog::Accepted);
}

TEST_F(OptionsTest, TabsShowOnePanelAndCtrlTabWraps)
{
    frmOptions dialog(settings);
    dialog.Form_Load();
    dialog.show();
    dialog.tbsOptions->setCurrentIndex(3);
    EXPECT_EQ(Twips::left(dialog.picOptions[3]), 150);
    EXPECT_TRUE(dialog.picOptions[3]->isEnabled());
    EXPECT_LT(Twips::left(dialog.picOptions[0]), -19000) << "off the dialog";
    EXPECT_FALSE(dialog.picOptions[0]->isEnabled());
    QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    QApplication::sendEvent(&dialog, &ctrlTab);
    EXPECT_EQ(dialog.tbsOptions->currentIndex(), 0);
    EXPECT_EQ(dialog.chkOptions[6]->parentWidget(), dialog.picOptions[3]) << "Internet Explorer on the fourth tab";
    EXPECT_EQ(dialog.txtOptions[2]->parentWidget(), dialog.picOptions[2]);
    // Each tab's caption shows whole ("Microsoft Internet Explorer", not "Microsoft In...").
    for (int tab = 0; tab < dialog.tbsOptions->count(); ++tab) {
        const QString caption = dialog.tbsOptions->tabText(tab);
        EXPECT_GE(dialog.tbsOptions->tabRect(tab).width(), dialog.tbsOptions->fontMetrics().horizontalAdvance(caption))
            << caption.toStdString();
        EXPECT_LE(dialog.tbsOptions->tabRect(tab).right(), dialog.tbsOptions->width()) << caption.toStdString();
    }
    EXPECT_LE(dialog.cmdApply->geometry().right(), dialog.width());
}

TEST_F(OptionsTest, BrowseFillsTheLocationAndACancelledBrowseChangesNothing)
{
    frmOptions dialog(settings);
    dialog.Form_Load();
    dialog.tbsOptions->setCurrentIndex(2); // Browse sits on the Netscape tab
    dialog.cmdOptions->click();
    EXPECT_TRUE(dialog.txtOptions[2]->text().isEmpty());
    EXPECT_FALSE(dialog.isDirty());
    MessageBoxes::setOpenFileHook([](const QString& title, const QString&) {
        EXPECT_EQ(title, QStringLiteral("Select HTML Favorites"));
        return QStringLiteral("/home/me/bookmarks.html");
    });
    dialog.cmdOptions->click();
    EXPECT_EQ(dialog.txtOptions[2]->text(), QStringLiteral("/home/me/bookmarks.html"));
    EXPECT_TRUE(dialog.isDirty());
}

// The global key's row: a key typed into it is kept and taken anew on Apply,
// and where no way works the command to bind is offered and copied.
TEST_F(OptionsTest, TheGlobalKeyIsTypedKeptAndWhereNoWayWorksItsCommandCopied)
{
    QString state = QStringLiteral("not available here");
    int saved = 0;
    frmOptions dialog(settings);
    dialog.shortcutState = [&state] { return state; };
    dialog.shortcutSaved = [&] {
        ++saved;
        state = settings.GlobalShortcut() + QStringLiteral(" (X11)");
        return state;
    };
    dialog.Form_Load();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.txtShortcut->keySequence(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B)) << "the default";
    EXPECT_TRUE(dialog.lblShortcut->text().contains(QStringLiteral("markcrate --find")));
    ASSERT_TRUE(dialog.cmdCopyCommand->isVisible());
    QTest::mouseClick(dialog.cmdCopyCommand, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("markcrate --find"));

    QTest::mouseClick(dialog.txtShortcut, Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.cmdApply->isEnabled(); }));
    QTest::mouseClick(dialog.cmdApply, Qt::LeftButton);
    EXPECT_EQ(settings.GlobalShortcut(), QStringLiteral("Ctrl+Shift+K"));
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(dialog.lblShortcut->text(), QStringLiteral("Ctrl+Shift+K (X11)"));
    EXPECT_FALSE(dialog.cmdCopyCommand->isVisible());
}
