#pragma once

#include "mainwindow/MainForm.h"

#include <QWidget>

class cAppServices;
class cMainDialog;
class cSettings;

// The main form: owns the controls, placed by their design geometry in
// twips, and forwards every control event to one controller operation.
class frmMain : public QWidget, public cMainForm
{
    Q_OBJECT
public:
    frmMain(cSettings& settings, cAppServices& app, QWidget* parent = nullptr);
    ~frmMain() override;

    void SetObjPtr(cMainDialog* controller) { m_controller = controller; }
    cMainDialog* controller();

    QWidget* window() override { return this; }
    void Load() override;
    bool IsLoaded() const override { return m_loaded; }
    void Unload() override;

    static const QString kTitle;

signals:
    // The form has unloaded: the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void placeStatusBar();
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void addToolbarShortcuts();
    void keyboardReachesWhatShows();
    void setTabOrderInReadingOrder();

private:
    void createControls();
    void connectEvents();

    cSettings& m_settings;
    cAppServices& m_app;
    cMainDialog* m_controller = nullptr;
    std::unique_ptr<cMainDialog> m_ownController;
    bool m_loaded = false;
    bool m_unloaded = false;
};
