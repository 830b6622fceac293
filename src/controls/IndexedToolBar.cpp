#include "controls/IndexedToolBar.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// A small drawn glyph for a theme that lacks the icon.
QIcon drawnIcon(const QString& toolTip)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette palette = QApplication::palette();
    painter.setPen(palette.color(QPalette::Mid));
    painter.setBrush(palette.color(QPalette::Base));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font = QApplication::font();
    font.setPixelSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::Text));
    QString letters;
    for (const QString& word : toolTip.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(0, 2))
        letters += word.at(0);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letters);
    return QIcon(pixmap);
}

} // namespace

IndexedToolBar::IndexedToolBar(QWidget* parent) : QToolBar(parent)
{
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void IndexedToolBar::setButtons(const QList<Button>& buttons)
{
    for (const Button& button : buttons) {
        QAction* action = nullptr;
        if (!button.toolTip) {
            action = addSeparator();
        } else {
            const QString tip = QLatin1String(button.toolTip);
            action = addAction(QIcon::fromTheme(QLatin1String(button.iconName), drawnIcon(tip)), tip);
            action->setToolTip(tip);
            action->setObjectName(QStringLiteral("tlbMain_%1").arg(button.index));
            const int index = button.index;
            connect(action, &QAction::triggered, this, [this, index] { emit ButtonClick(index); });
        }
        m_buttons[button.index] = action;
    }
}

QAction* IndexedToolBar::button(int index) const
{
    const auto it = m_buttons.find(index);
    return it == m_buttons.end() ? nullptr : it->second;
}

void IndexedToolBar::tidySeparators()
{
    QAction* pending = nullptr; // a separator waiting for a shown button after it
    bool buttonBefore = false;
    for (const auto& [index, action] : m_buttons) {
        if (!action->isSeparator()) {
            if (action->isVisible()) {
                if (pending)
                    pending->setVisible(true);
                pending = nullptr;
                buttonBefore = true;
            }
            continue;
        }
        action->setVisible(false);
        if (buttonBefore && !pending)
            pending = action;
    }
}

bool IndexedToolBar::isSeparator(int index) const
{
    QAction* action = button(index);
    return action && action->isSeparator();
}

void IndexedToolBar::toggleFlat()
{
    m_flat = !m_flat;
    setStyleSheet(m_flat ? QStringLiteral("QToolButton { border: none; padding: 2px; }"
                                          "QToolButton:hover { border: 1px solid palette(mid); border-radius: 2px; }")
                         : QString());
}
