#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: title, version and legal notice, and a button that starts
// the system information tool named in the machine's registry.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Fills the labels and shows the box modally; 0 when it closes.
    int Display();
    // Starts the tool, or says it is unavailable.
    void StartSysInfo();
    // One text value of the registry; false (and empty text) when it cannot be read.
    static bool GetKeyValue(quint32 root, const QString& keyName, const QString& valueName, QString* text);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblRelease;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
};
