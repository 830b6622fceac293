#include "controls/FlatButton.h"
#include "controls/TrayIcon.h"
#include "platform/autostart.h"
#include "store/cRegistry.h"
#include "support/mainwindowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QTimer>

class TrayTest : public MainWindowFixture
{
protected:
    TrayIcon* tray() { return form->cTrayIcon1; }
    // Fires a one-shot timer the way its interval would.
    void fire(int timer)
    {
        ASSERT_TRUE(form->tmrMain[size_t(timer)]->isActive()) << "timer " << timer << " was not started";
        dialog().TimerTmrMain(timer);
        EXPECT_FALSE(form->tmrMain[size_t(timer)]->isActive()) << "a timer event stops its own timer";
    }
};

TEST_F(TrayTest, TheMenuOpensFromItsTimerAndNamesTheToggleByTheWindowsState)
{
    start();
    EXPECT_TRUE(tray()->InTray());
    EXPECT_FALSE(tray()->item(4)->isVisible());
    EXPECT_FALSE(tray()->item(5)->isVisible());

    emit tray()->MouseDown(2, 0);
    EXPECT_FALSE(tray()->menu()->isVisible()) << "not inside the icon's event";
    fire(cMainDialog::kMenuTimer);
    EXPECT_EQ(tray()->item(1)->text(), QStringLiteral("&Hide"));
    EXPECT_EQ(tray()->menu()->defaultAction(), tray()->item(0));
    tray()->menu()->hide();

    tray()->item(1)->trigger();
    EXPECT_FALSE(dialog().state().IsShown);
    emit tray()->MouseDown(2, 0);
    fire(cMainDialog::kMenuTimer);
    EXPECT_EQ(tray()->item(1)->text(), QStringLiteral("&Restore"));
    tray()->menu()->hide();

    tray()->item(1)->trigger();
    EXPECT_TRUE(dialog().state().IsShown);
    EXPECT_TRUE(form->isVisible() && !form->isMinimized());
}

TEST_F(TrayTest, ALeftClickShowsTheWindowUnlessAModalDialogIsOpen)
{
    start(true);
    EXPECT_FALSE(dialog().state().IsShown);
    QDialog modal;
    modal.setModal(true);
    modal.show();
    QApplication::processEvents();
    emit tray()->MouseDown(1, 0);
    EXPECT_FALSE(dialog().state().IsShown);
    modal.close();
    QApplication::processEvents();
    emit tray()->MouseDown(1, 0);
    EXPECT_TRUE(dialog().state().IsShown);
    EXPECT_TRUE(form->isVisible() && !form->isMinimized());
}

TEST_F(TrayTest, CloseFromTheMenuWaitsForItsTimerAndSavesThePlacement)
{
    start();
    bool unloaded = false;
    QObject::connect(form.get(), &frmMain::unloaded, [&unloaded] { unloaded = true; });
    tray()->item(6)->trigger();
    EXPECT_FALSE(unloaded) << "the close waits until the menu has gone";
    fire(cMainDialog::kCloseTimer);
    EXPECT_TRUE(unloaded);
    EXPECT_FALSE(tray()->InTray());
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(cSettings::kRegistryKey + QStringLiteral("\\WindowPosition"));
    registry.setValueName(QStringLiteral("WindowState"));
    EXPECT_EQ(registry.KeyValue(), QVariant(0));
}

TEST_F(TrayTest, TheExitButtonTakesTheIconAway)
{
    start();
    QTest::mouseClick((*form->lbbMain)[cMainDialog::ExitButton], Qt::LeftButton);
    EXPECT_FALSE(tray()->InTray());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(TrayTest, StartAtLoginIsTheUsersChoiceAndTicksTheMenu)
{
    start();
    QAction* login = form->cTrayIcon1->item(7);
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->isCheckable());
    EXPECT_FALSE(login->isChecked());
    EXPECT_FALSE(QFileInfo::exists(Autostart::entryPath())) << "nothing is written unless asked";
    login->trigger();
    ASSERT_TRUE(QFileInfo::exists(Autostart::entryPath()));
    EXPECT_TRUE(login->isChecked());
    QFile entry(Autostart::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains(" -HIDE\n")) << text.toStdString();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    login->trigger();
    EXPECT_FALSE(QFileInfo::exists(Autostart::entryPath()));
    EXPECT_FALSE(login->isChecked());
}
