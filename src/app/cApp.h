#pragma once

#include "mainwindow/AppServices.h"

#include <QString>

#include <memory>

class cMainDialog;
class cSettings;
class frmMain;
namespace platform {
class SingleInstance;
}

// The application object: the registry name, the main form, the controller
// it starts, window placement and the dispatcher for its own failures.
class cApp : public cAppServices
{
public:
    // What HandleError asks the failed operation to do.
    enum Action
    {
        GoOn = 0,
        Retry = 1,
        Abandon = 2
    };

    explicit cApp(cSettings& settings);
    ~cApp() override;

    QString RegistryAppName() const { return m_registryAppName; }
    void setRegistryAppName(const QString& name) { m_registryAppName = name; }
    frmMain* MainWindow() const { return m_mainWindow; }
    void setMainWindow(frmMain* form) { m_mainWindow = form; }
    cMainDialog* controller() const { return m_controller.get(); }

    // Creates the controller, hands it to the form and shows (or hides) the window.
    int ShowForm(bool hide);
    int RestoreMainPos() override;
    int SaveMainPos() override;
    void ShowHelpContext(int context) override;
    bool HasTray() const override;

    // What later starts ask (show, hide, toggle, find, open) goes to the controller.
    void followRequests(platform::SingleInstance& instance);

    // "-HIDE" in any case, anywhere on the command line (arguments after the program).
    static bool HasHideSwitch(const QStringList& arguments);

    // 0, 5 and 393 pass silently; 339 is reported and abandons; others are reported.
    int HandleError(int number, const QString& description);
    // The critical-stop box: title the description, text "standard text - Code N".
    static QString criticalText(int number);

private:
    cSettings& m_settings;
    QString m_registryAppName;
    frmMain* m_mainWindow = nullptr;
    std::unique_ptr<cMainDialog> m_controller;
};
