#pragma once

#include <QDialog>

class FlatButtonArray;
class QLineEdit;

// A small modal dialog asking for one line of text: frmFolder for a folder
// name (it answers true only when the text was changed), frmForum for a forum
// go word. The caller checks and stores what it gets.
class cTextDialog : public QDialog
{
    Q_OBJECT
public:
    // Shows the dialog modally with `previous` in the box, centred on `parent`.
    // On true, `text` receives the typed text; otherwise it is emptied.
    bool Display(int state, QWidget* parent, QString* text, const QString& previous);

    QLineEdit* textBox() const { return m_text; }
    FlatButtonArray* buttons() const { return m_buttons; }

protected:
    cTextDialog(const QString& name, const QString& buttonsName, const QString& caption);
    virtual bool okAnswer(const QString& typed) const = 0;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void clicked(int index);

    QString m_previous;

private:
    QLineEdit* m_text;
    FlatButtonArray* m_buttons;
    bool m_answer = false;
    int m_state = 0;
};

class frmFolder : public cTextDialog
{
    Q_OBJECT
public:
    frmFolder();
    QLineEdit* txtFolder() const { return textBox(); }
    FlatButtonArray* lbbFolder() const { return buttons(); }

protected:
    bool okAnswer(const QString& typed) const override { return typed != m_previous; }
};

class frmForum : public cTextDialog
{
    Q_OBJECT
public:
    frmForum();
    QLineEdit* txtForum() const { return textBox(); }
    FlatButtonArray* lbbForum() const { return buttons(); }

protected:
    bool okAnswer(const QString&) const override { return true; }
};

// Centres a dialog on the window that opens it (twips, outer geometry) and keeps it on top.
void centreOn(QWidget* dialog, QWidget* parent);
