#include "controls/KeyedListView.h"

#include "controls/ImageList.h"
#include "controls/KeyedTreeView.h"
#include "controls/elidedtip.h"
#include "controls/twips.h"
#include "platform/error.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace {

constexpr int KeyRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int GhostedRole = Qt::UserRole + 2;
constexpr int kErrorKeyNotUnique = 35602;

// Windows virtual-key codes for the keys the program reads.
int virtualKey(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // same codes as ASCII upper case
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return qtKey;
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_F2:
        return 113;
    default:
        return 0;
    }
}

// An entry keeps its text, key and image itself rather than as item data,
// and shows the one shared icon of its image: a folder of 10,000 entries then
// makes no data records at all, only the items.
class ListItem : public QTreeWidgetItem
{
public:
    ListItem(const QString& text, const QString& key, int image)
        : QTreeWidgetItem(UserType), m_text(text), m_key(key), m_image(image)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (column == 0) {
            switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return m_text;
            case KeyRole:
                return m_key;
            case ImageRole:
                return m_image;
            case Qt::DecorationRole:
                return ImageList::listImage(m_image);
            default:
                break;
            }
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) {
            m_text = value.toString();
            emitDataChanged();
        } else if (column == 0 && role == KeyRole) {
            m_key = value.toString();
        } else if (column == 0 && role == ImageRole) {
            m_image = value.toInt();
            emitDataChanged();
        } else if (column != 0 || role != Qt::DecorationRole) {
            QTreeWidgetItem::setData(column, role, value);
        }
    }

private:
    QString m_text;
    QString m_key;
    int m_image = 0;
};

} // namespace

KeyedListView::KeyedListView(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderLabels({QStringLiteral("Site Name")});
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemClicked, this, [this] { emit Click(); });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { emit DblClick(); });
}

QTreeWidgetItem* KeyedListView::newItem(const QString& key, const QString& text, int image)
{
    // Filled before it joins the view, so that the view hears of it once.
    return new ListItem(text, key, image);
}

QTreeWidgetItem* KeyedListView::AddItem(const QString& key, const QString& text, int image)
{
    if (!key.isEmpty() && m_items.contains(key))
        throw cError(kErrorKeyNotUnique, QStringLiteral("Key is not unique in collection"));
    QTreeWidgetItem* item = newItem(key, text, image);
    addTopLevelItem(item);
    if (!key.isEmpty())
        m_items.insert(key, item);
    return item;
}

void KeyedListView::AddItems(const QList<Entry>& entries)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(entries.size());
    m_items.reserve(m_items.size() + entries.size());
    for (const Entry& entry : entries) {
        // One lookup both tells a repeated key and makes the new key's place.
        QTreeWidgetItem** place = entry.key.isEmpty() ? nullptr : &m_items[entry.key];
        if (place && *place) {
            for (const Entry& added : entries) { // none of the batch is added
                if (&added == &entry)
                    break;
                m_items.remove(added.key);
            }
            qDeleteAll(items);
            throw cError(kErrorKeyNotUnique, QStringLiteral("Key is not unique in collection"));
        }
        QTreeWidgetItem* item = newItem(entry.key, entry.text, entry.image);
        items.append(item);
        if (place)
            *place = item;
    }
    addTopLevelItems(items);
}

QTreeWidgetItem* KeyedListView::Item(const QString& key) const
{
    return m_items.value(key);
}

void KeyedListView::RemoveItem(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const auto it = m_items.constFind(Key(item));
    if (it != m_items.cend() && *it == item)
        m_items.erase(it);
    delete item;
}

void KeyedListView::Clear()
{
    m_items.clear();
    clear();
}

QString KeyedListView::Key(const QTreeWidgetItem* item)
{
    return item ? item->data(0, KeyRole).toString() : QString();
}

QString KeyedListView::Text(const QTreeWidgetItem* item)
{
    return item ? item->text(0) : QString();
}

int KeyedListView::Image(const QTreeWidgetItem* item)
{
    return item ? item->data(0, ImageRole).toInt() : 0;
}

void KeyedListView::setImage(QTreeWidgetItem* item, int image)
{
    item->setData(0, ImageRole, image);
    if (item->type() != ListItem::UserType)
        item->setIcon(0, ImageList::listImage(image));
}

bool KeyedListView::Ghosted(const QTreeWidgetItem* item)
{
    return item && item->data(0, GhostedRole).toBool();
}

void KeyedListView::setGhosted(QTreeWidgetItem* item, bool ghosted)
{
    item->setData(0, GhostedRole, ghosted);
    item->setForeground(0, ghosted ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush());
}

QList<QTreeWidgetItem*> KeyedListView::SelectedItems() const
{
    return selectedItems();
}

QList<QTreeWidgetItem*> KeyedListView::selectedInOrder() const
{
    QList<QTreeWidgetItem*> items;
    for (int i = 1; i <= Count(); ++i) {
        if (ItemAt(i)->isSelected())
            items.append(ItemAt(i));
    }
    return items;
}

void KeyedListView::setColumnWidthTwips(int twips)
{
    setColumnWidth(0, std::max(0, Twips::toPixelsX(twips)));
}

int KeyedListView::ColumnWidthTwips() const
{
    return Twips::fromPixelsX(columnWidth(0));
}

void KeyedListView::beginDrag(int image)
{
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    QStringList names;
    for (QTreeWidgetItem* item : selectedItems())
        names << Text(item);
    data->setText(names.join(QLatin1Char('\n')));
    drag->setMimeData(data);
    if (image > 0)
        drag->setPixmap(ImageList::listImage(image).pixmap(16, 16));
    drag->exec(Qt::CopyAction);
}

void KeyedListView::keyPressEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        m_pressedKeys.insert(event->key());
    QTreeWidget::keyPressEvent(event);
}

void KeyedListView::keyReleaseEvent(QKeyEvent* event)
{
    QTreeWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat() && m_pressedKeys.remove(event->key()))
        emit KeyUp(virtualKey(event->key()), MouseState::shift(event->modifiers()));
}

void KeyedListView::focusOutEvent(QFocusEvent* event)
{
    m_pressedKeys.clear(); // what is pressed now belongs to where the focus went
    QTreeWidget::focusOutEvent(event);
}

void KeyedListView::mousePressEvent(QMouseEvent* event)
{
    m_press.reset();
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(at);
    if (event->button() != Qt::LeftButton || !item) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (plain && item->isSelected() && selectedItems().size() > 1) {
        // The selection is what a drag would carry: it changes on the release, if no drag came.
        m_press = Press{at, event->modifiers(), true};
        setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
    m_press = Press{at, event->modifiers(), false};
}

void KeyedListView::mouseReleaseEvent(QMouseEvent* event)
{
    const std::optional<Press> press = std::exchange(m_press, std::nullopt);
    if (press && press->keptSelection && event->button() == Qt::LeftButton) {
        // No drag came: the press selects its entry alone, as any click does.
        QMouseEvent pressed(QEvent::MouseButtonPress,
                            QPointF(press->at),
                            mapToGlobal(QPointF(press->at)),
                            Qt::LeftButton,
                            Qt::LeftButton,
                            press->modifiers);
        QTreeWidget::mousePressEvent(&pressed);
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void KeyedListView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (m_press && (event->buttons() & Qt::LeftButton)) {
        // Rows the pointer passes are not selected: the move is a drag once it is far enough.
        if ((p - m_press->at).manhattanLength() < QApplication::startDragDistance())
            return;
        m_press.reset();
        emit MouseMove(MouseState::button(event->buttons()),
                       MouseState::shift(event->modifiers()),
                       Twips::fromPixelsX(p.x()),
                       Twips::fromPixelsY(p.y()));
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
    emit MouseMove(MouseState::button(event->buttons()),
                   MouseState::shift(event->modifiers()),
                   Twips::fromPixelsX(p.x()),
                   Twips::fromPixelsY(p.y()));
}

bool KeyedListView::viewportEvent(QEvent* event)
{
    if (showElidedTextTip(*this, event))
        return true;
    return QTreeWidget::viewportEvent(event);
}
