#include "controls/IndexedToolBar.h"

#include <QAction>
#include <QApplication>

namespace {

// The program's own picture for a theme that lacks the icon (a bare window
// manager, no icon theme at all): each button still has one of its own.
QIcon ownIcon(const char* name)
{
    return QIcon(QStringLiteral(":/markcrate/toolbar/") + QLatin1String(name) + QStringLiteral(".svg"));
}

} // namespace

// The resource lives in a static library, where nothing else would keep its registration in the program.
static void registerOwnIcons()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered);
}

IndexedToolBar::IndexedToolBar(QWidget* parent) : QToolBar(parent)
{
    registerOwnIcons();
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
            action = addAction(QIcon::fromTheme(QLatin1String(button.iconName), ownIcon(button.iconName)), tip);
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
