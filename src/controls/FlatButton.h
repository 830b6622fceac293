#pragma once

#include <QAbstractButton>

#include <map>

// A flat, label-like push button whose text colour the program sets, e.g. to
// highlight the button under the mouse. Geometry members are in twips.
class FlatButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit FlatButton(const QString& caption = {}, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    // Where the caption stands: centred, or at the left for a caption that heads a row.
    void setAlignment(Qt::Alignment alignment)
    {
        m_alignment = alignment;
        update();
    }
    bool Enabled() const { return isEnabled(); }
    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 color);
    bool Visible() const { return isVisibleTo(parentWidget()); }
    void setVisibleState(bool visible) { setVisible(visible); }
    int Left() const;
    void setLeft(int twips);
    int Width() const;
    void setWidth(int twips);
    void Move(int leftTwips);

    QSize sizeHint() const override;

signals:
    void mouseMoved();
    // The pointer left the button (or a dialog opened over the window): its hover colour is to go.
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Qt::Alignment m_alignment = Qt::AlignCenter;
    quint32 m_foreColor;
};

// The buttons of one form as an indexed array; the events carry the index.
class FlatButtonArray : public QObject
{
    Q_OBJECT
public:
    // Buttons are named "<name>_<index>" so that tests and tools can find them.
    explicit FlatButtonArray(const QString& name, QObject* parent = nullptr);

    void add(int index, FlatButton* button);
    FlatButton* operator[](int index) const;
    FlatButton* at(int index) const { return (*this)[index]; }
    int Count() const { return int(m_buttons.size()); }
    const std::map<int, FlatButton*>& buttons() const { return m_buttons; }

    // Every enabled button gets `normal`, the one at `hovered` gets `hover`.
    void highlight(int hovered, quint32 normal, quint32 hover);

signals:
    void MouseClick(int index);
    void MouseMove(int index); // -1: the pointer is over none of them

private:
    QString m_name;
    std::map<int, FlatButton*> m_buttons;
};
