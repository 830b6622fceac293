#include "controls/elidedtip.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>

bool showElidedTextTip(QTreeWidget& view, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QTreeWidgetItem* item = view.itemAt(help->pos());
    if (!item) {
        QToolTip::hideText();
        return true;
    }
    const QRect shown = view.visualItemRect(item).intersected(view.viewport()->rect());
    const int indent = view.visualItemRect(item).left() < 0 ? 0 : view.iconSize().width() + 8;
    const int needed = view.fontMetrics().horizontalAdvance(item->text(0)) + indent;
    if (needed > shown.width() - (shown.left() - view.visualItemRect(item).left()))
        QToolTip::showText(help->globalPos(), item->text(0), view.viewport());
    else
        QToolTip::hideText();
    return true;
}
