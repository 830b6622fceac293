#include "controls/SuggestionList.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>

SuggestionList::SuggestionList(QWidget* anchor)
    : QTreeWidget(anchor->window()) // a window of its own, owned by the form
      ,
      m_anchor(anchor)
{
    // A tool-tip window: no window manager or platform ever activates it,
    // so the keys stay in the input box.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setColumnCount(3);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideMiddle);
    setAccessibleName(QStringLiteral("Suggestions"));
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Stretch);
}

void SuggestionList::showRows(const QList<Row>& rows)
{
    clear();
    if (rows.isEmpty() || !m_anchor->isVisible()) {
        hide();
        return;
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const Row& row : rows) {
        auto* item = new QTreeWidgetItem({row.title, row.address, row.place});
        item->setIcon(0, row.icon);
        item->setToolTip(0, row.title);
        item->setToolTip(1, row.address);
        item->setToolTip(2, row.place);
        items.append(item);
    }
    addTopLevelItems(items);
    setCurrentItem(nullptr);
    place();
    show(); // above every window, as a tool tip is
}

void SuggestionList::place()
{
    // As wide as the window, at least 480 pixels; as many rows as fit
    // between the input box and the bottom of its screen.
    const QWidget* window = m_anchor->window();
    const QPoint below = m_anchor->mapToGlobal(QPoint(0, m_anchor->height()));
    const QRect screen = m_anchor->screen() ? m_anchor->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    const int width = qMin(qMax(window->width(), 480), screen.width());
    const int left =
        qBound(screen.left(), qMin(below.x(), window->mapToGlobal(QPoint(0, 0)).x()), screen.right() - width);
    const int rowHeight = qMax(sizeHintForRow(0), fontMetrics().height() + 4);
    const int room = qMax(rowHeight, screen.bottom() - below.y() - 2 * frameWidth());
    const int rows = qMin(topLevelItemCount(), qMax(1, room / rowHeight));
    setGeometry(left, below.y(), width, rows * rowHeight + 2 * frameWidth());
}

void SuggestionList::moveSelection(int delta)
{
    const int count = topLevelItemCount();
    if (count == 0)
        return;
    int row = selectedRow() + delta;
    if (selectedRow() < 0 && delta < 0)
        row = count - 1; // Up from the input box goes to the last row
    if (row < 0 || row >= count) {
        setCurrentItem(nullptr);
        clearSelection();
        return;
    }
    setCurrentItem(topLevelItem(row));
    scrollToItem(topLevelItem(row));
}

int SuggestionList::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void SuggestionList::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint()))
        emit rowActivated(indexOfTopLevelItem(item));
}

void SuggestionList::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->pos());
    if (!item)
        return;
    const int row = indexOfTopLevelItem(item);
    setCurrentItem(item);
    QMenu menu(this);
    QAction* open = menu.addAction(QStringLiteral("Open"));
    QAction* show = menu.addAction(QStringLiteral("Show in Folder\tCtrl+Enter"));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == open)
        emit rowActivated(row);
    else if (chosen == show)
        emit showInFolderRequested(row);
}
