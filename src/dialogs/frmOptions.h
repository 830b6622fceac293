#pragma once

#include <QDialog>

#include <array>
#include <functional>

class cSettings;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabBar;
class QKeySequenceEdit;
class QLabel;

// The options dialog: the settings on four tabs, with OK, Cancel and Apply.
// It reads the settings when it loads and writes all of them on OK or Apply.
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit frmOptions(cSettings& settings, QWidget* parent = nullptr);

    // Loads the settings into the controls and shows the dialog modally;
    // true when it was closed with OK.
    bool Display();
    // Centres the dialog, keeps it on top and fills the controls.
    void Form_Load();

    std::array<QCheckBox*, 11> chkOptions{};
    std::array<QLineEdit*, 3> txtOptions{};
    QPushButton* cmdOptions = nullptr; // Browse...
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
    QTabBar* tbsOptions = nullptr;
    std::array<QWidget*, 4> picOptions{};

    // The global key's row on the General tab: the key, how it stands, and
    // where no way works the command to bind instead, with a button that copies it.
    QKeySequenceEdit* txtShortcut = nullptr;
    QLabel* lblShortcut = nullptr;
    QPushButton* cmdCopyCommand = nullptr;
    // How the key stands now, and the same after the settings were saved (and the key taken anew).
    std::function<QString()> shortcutState;
    std::function<QString()> shortcutSaved;

    bool isDirty() const { return m_dirty; }

protected:
    bool event(QEvent* event) override;

private:
    void markDirty();
    void showPanel(int tab);
    void fitTabCaptions();
    void browse();
    void showShortcutState(const QString& state);
    void SaveOptions();

    cSettings& m_settings;
    bool m_dirty = false;
};
