#include "controls/FlatButton.h"

#include "controls/olecolor.h"
#include "controls/twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

FlatButton::FlatButton(const QString& caption, QWidget* parent)
    : QAbstractButton(parent), m_foreColor(OleColor::Highlight)
{
    setText(caption);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(caption);
}

void FlatButton::setCaption(const QString& caption)
{
    setText(caption);
    setAccessibleName(caption);
    update();
}

void FlatButton::setForeColor(quint32 color)
{
    if (m_foreColor == color)
        return;
    m_foreColor = color;
    update();
}

int FlatButton::Left() const
{
    return Twips::left(this);
}

void FlatButton::setLeft(int twips)
{
    Twips::setLeft(this, twips);
}

int FlatButton::Width() const
{
    return Twips::width(this);
}

void FlatButton::setWidth(int twips)
{
    Twips::setWidth(this, twips);
}

void FlatButton::Move(int leftTwips)
{
    setLeft(leftTwips);
}

QSize FlatButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 8, metrics.height() + 4);
}

void FlatButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color =
        isEnabled() ? OleColor::toColor(m_foreColor) : palette().color(QPalette::Disabled, QPalette::Text);
    // A caption in the window colour (the hover colour of the lower rows) would
    // vanish on the window: it stands on the highlight colour then.
    if (isEnabled() && m_foreColor == OleColor::Window)
        painter.fillRect(rect(), OleColor::toColor(OleColor::Highlight));
    painter.setPen(color);
    QFont shown = font();
    shown.setUnderline(isDown());
    painter.setFont(shown);
    painter.drawText(rect(), m_alignment | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void FlatButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    emit mouseMoved();
    // The move is the button's: passed on to the form, it would reset the
    // hover colour the button has just been given.
    event->accept();
}

void FlatButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    emit mouseLeft();
}

FlatButtonArray::FlatButtonArray(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

void FlatButtonArray::add(int index, FlatButton* button)
{
    m_buttons[index] = button;
    button->setObjectName(m_name + QLatin1Char('_') + QString::number(index));
    connect(button, &QAbstractButton::clicked, this, [this, index] { emit MouseClick(index); });
    connect(button, &FlatButton::mouseMoved, this, [this, index] { emit MouseMove(index); });
    // Off every button: as the pointer over none of them.
    connect(button, &FlatButton::mouseLeft, this, [this] { emit MouseMove(-1); });
}

FlatButton* FlatButtonArray::operator[](int index) const
{
    const auto it = m_buttons.find(index);
    return it == m_buttons.end() ? nullptr : it->second;
}

void FlatButtonArray::highlight(int hovered, quint32 normal, quint32 hover)
{
    for (const auto& [index, button] : m_buttons) {
        if (!button->Enabled())
            continue;
        button->setForeColor(index == hovered ? hover : normal);
    }
}
