#include "controls/KeyedTreeView.h"

#include "controls/ImageList.h"
#include "controls/elidedtip.h"
#include "controls/twips.h"
#include "platform/error.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>

namespace {

constexpr int KeyRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int kErrorParentNotFound = 35601;
constexpr int kErrorKeyNotUnique = 35602;
// Drag states of the drag-over event.
constexpr int kDragEnter = 0;
constexpr int kDragLeave = 1;
constexpr int kDragOver = 2;

} // namespace

namespace MouseState {

int button(Qt::MouseButtons buttons)
{
    int value = 0;
    if (buttons & Qt::LeftButton)
        value |= 1;
    if (buttons & Qt::RightButton)
        value |= 2;
    if (buttons & Qt::MiddleButton)
        value |= 4;
    return value;
}

int shift(Qt::KeyboardModifiers modifiers)
{
    int value = 0;
    if (modifiers & Qt::ShiftModifier)
        value |= 1;
    if (modifiers & Qt::ControlModifier)
        value |= 2;
    if (modifiers & Qt::AltModifier)
        value |= 4;
    return value;
}

} // namespace MouseState

KeyedTreeView::KeyedTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    connect(this, &QTreeWidget::itemClicked, this, [this] { emit NodeClick(); });
}

QTreeWidgetItem* KeyedTreeView::AddNode(const QString& parentKey, const QString& key, const QString& text, int image)
{
    if (m_nodes.contains(key))
        throw cError(kErrorKeyNotUnique, QStringLiteral("Key is not unique in collection"));
    QTreeWidgetItem* node = nullptr;
    if (parentKey.isEmpty()) {
        node = new QTreeWidgetItem(this);
    } else {
        QTreeWidgetItem* parent = Node(parentKey);
        if (!parent)
            throw cError(kErrorParentNotFound, QStringLiteral("Element not found"));
        node = new QTreeWidgetItem(parent);
    }
    node->setText(0, text);
    node->setData(0, KeyRole, key);
    setImage(node, image);
    m_nodes.insert(key, node);
    ++m_changes;
    return node;
}

QTreeWidgetItem* KeyedTreeView::Node(const QString& key) const
{
    return m_nodes.value(key);
}

void KeyedTreeView::Clear()
{
    m_dropHighlight = nullptr;
    m_nodes.clear();
    clear();
    ++m_changes;
}

void KeyedTreeView::RemoveNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    std::vector<QTreeWidgetItem*> pending{node};
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        m_nodes.remove(Key(item));
        if (item == m_dropHighlight)
            m_dropHighlight = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            pending.push_back(item->child(i));
    }
    delete node;
    ++m_changes;
}

QList<QTreeWidgetItem*> KeyedTreeView::NodesInOrder() const
{
    QList<QTreeWidgetItem*> out;
    out.reserve(m_nodes.size());
    for (QTreeWidgetItemIterator it(const_cast<KeyedTreeView*>(this)); *it; ++it)
        out.append(*it);
    return out;
}

QString KeyedTreeView::Key(const QTreeWidgetItem* node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QString KeyedTreeView::Text(const QTreeWidgetItem* node)
{
    return node ? node->text(0) : QString();
}

int KeyedTreeView::Image(const QTreeWidgetItem* node)
{
    return node ? node->data(0, ImageRole).toInt() : 0;
}

void KeyedTreeView::setImage(QTreeWidgetItem* node, int image)
{
    node->setData(0, ImageRole, image);
    node->setIcon(0, ImageList::treeImage(image));
}

void KeyedTreeView::setNodeText(QTreeWidgetItem* node, const QString& text)
{
    node->setText(0, text);
    ++m_changes;
}

QString KeyedTreeView::FullPath(const QTreeWidgetItem* node)
{
    QStringList parts;
    for (; node; node = node->parent())
        parts.prepend(node->text(0));
    return parts.join(QLatin1Char('\\'));
}

void KeyedTreeView::setSelectedItem(QTreeWidgetItem* node)
{
    setCurrentItem(node);
    if (node)
        scrollToItem(node);
}

void KeyedTreeView::setDropHighlight(QTreeWidgetItem* node)
{
    if (m_dropHighlight == node)
        return;
    if (m_dropHighlight)
        m_dropHighlight->setBackground(0, QBrush());
    m_dropHighlight = node;
    if (node && node != currentItem())
        node->setBackground(0, palette().brush(QPalette::Inactive, QPalette::Highlight));
}

void KeyedTreeView::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    emit MouseDown(MouseState::button(event->buttons()),
                   MouseState::shift(event->modifiers()),
                   Twips::fromPixelsX(p.x()),
                   Twips::fromPixelsY(p.y()));
}

void KeyedTreeView::mouseMoveEvent(QMouseEvent* event)
{
    QTreeWidget::mouseMoveEvent(event);
    const QPoint p = event->position().toPoint();
    emit MouseMove(MouseState::button(event->buttons()),
                   MouseState::shift(event->modifiers()),
                   Twips::fromPixelsX(p.x()),
                   Twips::fromPixelsY(p.y()));
}

void KeyedTreeView::keyPressEvent(QKeyEvent* event)
{
    // Moving the selection with the keyboard shows the new node, as a click does.
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() != before && currentItem())
        emit NodeClick();
}

void KeyedTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
    const QPoint p = event->position().toPoint();
    emit DragOver(event->source(), Twips::fromPixelsX(p.x()), Twips::fromPixelsY(p.y()), kDragEnter);
}

void KeyedTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
    const QPoint p = event->position().toPoint();
    emit DragOver(event->source(), Twips::fromPixelsX(p.x()), Twips::fromPixelsY(p.y()), kDragOver);
}

void KeyedTreeView::dragLeaveEvent(QDragLeaveEvent*)
{
    emit DragOver(nullptr, 0, 0, kDragLeave);
}

void KeyedTreeView::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    const QPoint p = event->position().toPoint();
    emit DragDrop(event->source(), Twips::fromPixelsX(p.x()), Twips::fromPixelsY(p.y()));
}

bool KeyedTreeView::viewportEvent(QEvent* event)
{
    if (showElidedTextTip(*this, event))
        return true;
    return QTreeWidget::viewportEvent(event);
}
