#pragma once

#include <QDialog>

class FlatButtonArray;
class QLabel;

// The program's own small modal boxes: frmMessage informs (one "OK"),
// frmQuestion asks (Yes and No). Both stay on top, centre on the window that
// asks, and answer with a Boolean. Tests answer them through MessageBoxes' hook.
class cBoxForm : public QDialog
{
    Q_OBJECT
public:
    QString Message() const;
    void setMessage(const QString& text);
    // Shows the box modally, centred on `parent` (on the screen without one,
    // for a message); true for OK or Yes, false for No or any other close.
    bool Display(QWidget* parent);

protected:
    cBoxForm(const QString& name, const QStringList& captions);
    virtual bool answersFromHook(const QString& text) = 0;
    virtual bool centresOnScreen() const = 0;
    void buttonClicked(int index);
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override {} // Escape does not close the box

    QLabel* m_label;
    FlatButtonArray* m_buttons;
    bool m_answer = false;
    bool m_closing = false;
};

class frmMessage : public cBoxForm
{
    Q_OBJECT
public:
    frmMessage();
    QLabel* lblMessage() const { return m_label; }
    FlatButtonArray* lbbMessage() const { return m_buttons; }

protected:
    bool answersFromHook(const QString& text) override;
    bool centresOnScreen() const override { return true; }
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // Enter closes the box on its release, once it was pressed here: the
    // release of an Enter that opened the box (in the dialog below) is not an answer.
    bool m_enterDown = false;
};

class frmQuestion : public cBoxForm
{
    Q_OBJECT
public:
    frmQuestion();
    QLabel* lblQuestion() const { return m_label; }
    FlatButtonArray* lbbQuestion() const { return m_buttons; }

protected:
    bool answersFromHook(const QString& text) override;
    bool centresOnScreen() const override { return false; }
    void keyPressEvent(QKeyEvent* event) override;
};
