#pragma once

#include "app/cApp.h"
#include "app/frmMain.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/messagebox.h"
#include "dialogs/modal.h"
#include "mainwindow/cMainDialog.h"
#include "platform/shell.h"
#include "store/cSettings.h"

#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The list's entries as "key text", in list order.
inline QStringList keysAndTexts(KeyedListView* list)
{
    QStringList out;
    for (int i = 1; i <= list->Count(); ++i)
        out << KeyedListView::Key(list->ItemAt(i)) + QLatin1Char(' ') + KeyedListView::Text(list->ItemAt(i));
    return out;
}

// Answers the next dialog: the name box (and, when given, the location box)
// filled as a user pastes into them, then Enter.
inline void enter(const QString& name, const QString& address = {})
{
    Modal::setHook([name, address](QDialog& dialog) {
        const QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
        edits.at(0)->setText(name);
        if (!address.isNull() && edits.size() > 1)
            edits.at(1)->setText(address);
        edits.at(0)->setFocus();
        QTest::keyClick(edits.at(0), Qt::Key_Return);
        return 0;
    });
}

// A main window started as the program starts it, on the test's fresh
// registry; message boxes and opened addresses are recorded instead of shown.
class MainWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBoxes::setHook([this](const MessageBoxes::Request& request) {
            boxes.append(request.title + QStringLiteral(" | ") + request.text);
            return QMessageBox::Ok;
        });
        platform::setLauncher([this](const QString& address) { opened << address; });
    }
    void TearDown() override
    {
        form.reset();
        app.reset();
        platform::setLauncher({});
        Modal::setHook([](QDialog&) { return int(QDialog::Rejected); });
        MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    }

    // Loads the settings and shows the window, as start-up does.
    void start(bool hide = false)
    {
        settings.setAppName(QStringLiteral("ORXMarkcrate"));
        app = std::make_unique<cApp>(settings);
        form = std::make_unique<frmMain>(settings, *app);
        app->setMainWindow(form.get());
        app->ShowForm(hide);
    }
    cMainDialog& dialog() { return *app->controller(); }
    // Stores the bookmark file's location, starts the window as start-up does
    // and answers every question Yes from then on.
    void startWithBookmarks(const QString& location)
    {
        cSettings stored;
        stored.setAppName(QStringLiteral("ORXMarkcrate"));
        stored.setBookmarkLocation(location);
        stored.Update();
        start();
        answerYes();
    }
    // Every question from now on is answered Yes; every box is recorded.
    void answerYes()
    {
        MessageBoxes::setHook([this](const MessageBoxes::Request& request) {
            boxes << request.text;
            return QMessageBox::Yes;
        });
    }
    // Selects a tree node and shows it, as a click on it does.
    void show(const QString& key)
    {
        form->tvMain->setSelectedItem(form->tvMain->Node(key));
        dialog().ClickTVMain();
    }

    cSettings settings;
    std::unique_ptr<cApp> app;
    std::unique_ptr<frmMain> form;
    QStringList boxes;
    QStringList opened;
};
