#pragma once

#include <QHash>
#include <QTreeWidget>

// A tree view whose nodes carry a unique key, a text and an image index, with
// the members the controller relies on: nodes by key, full paths joined by
// "\", the selected and drop-highlight nodes, and mouse events in twips.
class KeyedTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit KeyedTreeView(QWidget* parent = nullptr);

    // Adds a node below `parentKey` (top level when empty); error 35602 for a
    // key already in the tree, 35601 for a parent that is not.
    QTreeWidgetItem* AddNode(const QString& parentKey, const QString& key, const QString& text, int image);
    QTreeWidgetItem* Node(const QString& key) const;
    void Clear();
    // Removes a node with everything below it.
    void RemoveNode(QTreeWidgetItem* node);
    int NodeCount() const { return int(m_nodes.size()); }
    // Every node, parents before children, in the tree's order.
    QList<QTreeWidgetItem*> NodesInOrder() const;

    static QString Key(const QTreeWidgetItem* node);
    static QString Text(const QTreeWidgetItem* node);
    static int Image(const QTreeWidgetItem* node);
    void setImage(QTreeWidgetItem* node, int image);
    static QString FullPath(const QTreeWidgetItem* node);
    // Renames a node; its full path and those below it change with it.
    void setNodeText(QTreeWidgetItem* node, const QString& text);
    // Counts every change of the tree's nodes or their names (not their
    // images), so that work done for all of them can tell when it is stale.
    quint64 Changes() const { return m_changes; }

    QTreeWidgetItem* SelectedItem() const { return currentItem(); }
    void setSelectedItem(QTreeWidgetItem* node);
    QTreeWidgetItem* DropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(QTreeWidgetItem* node);

signals:
    void NodeClick();
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void DragOver(QObject* source, int x, int y, int state);
    void DragDrop(QObject* source, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // A name cut short by the view's width shows whole in a tooltip.
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QHash<QString, QTreeWidgetItem*> m_nodes;
    QTreeWidgetItem* m_dropHighlight = nullptr;
    quint64 m_changes = 0;
};

// Mouse button and shift state in the numbering the program's events use.
namespace MouseState {
int button(Qt::MouseButtons buttons);
int shift(Qt::KeyboardModifiers modifiers);
} // namespace MouseState
