#pragma once

#include <QHash>
#include <QSet>
#include <QTreeWidget>

#include <optional>

// The list view: one column, items with a unique key, a text and an image
// index, several selected at once, ghosted items for a pending cut; mouse
// events in twips.
class KeyedListView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit KeyedListView(QWidget* parent = nullptr);

    // Adds an item at the end; error 35602 for a key already in the list.
    QTreeWidgetItem* AddItem(const QString& key, const QString& text, int image);
    // Adds many at the end in one change of the view, as a folder is shown.
    struct Entry
    {
        QString key;
        QString text;
        int image = 0;
    };
    void AddItems(const QList<Entry>& entries);
    QTreeWidgetItem* Item(const QString& key) const;
    QTreeWidgetItem* ItemAt(int index1) const { return topLevelItem(index1 - 1); }
    int Count() const { return topLevelItemCount(); }
    void Clear();
    void RemoveItem(QTreeWidgetItem* item);

    static QString Key(const QTreeWidgetItem* item);
    static QString Text(const QTreeWidgetItem* item);
    static int Image(const QTreeWidgetItem* item);
    void setImage(QTreeWidgetItem* item, int image);
    static bool Ghosted(const QTreeWidgetItem* item);
    void setGhosted(QTreeWidgetItem* item, bool ghosted);

    QTreeWidgetItem* SelectedItem() const { return currentItem(); }
    QList<QTreeWidgetItem*> SelectedItems() const;
    // The selected items in the list's order, not in the order they were selected.
    QList<QTreeWidgetItem*> selectedInOrder() const;
    // The first column's width in twips.
    void setColumnWidthTwips(int twips);
    // Starts dragging the selected entries, showing list image `image` (0: none).
    void beginDrag(int image);
    int ColumnWidthTwips() const;

signals:
    void Click();
    void DblClick();
    void KeyUp(int keyCode, int shift);
    void MouseMove(int button, int shift, int x, int y);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // A press on an entry may begin a drag: a press on one of several
    // selected entries keeps them selected until a release without a drag,
    // and a move with the button down drags (past the drag distance) rather
    // than selects the rows it passes.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A name cut short by the view's width shows whole in a tooltip.
    bool viewportEvent(QEvent* event) override;

private:
    QTreeWidgetItem* newItem(const QString& key, const QString& text, int image);
    // Keys pressed while the list had the focus: a release is the list's own
    // only then, never the end of a key that answered a dialog.
    QSet<int> m_pressedKeys;
    QHash<QString, QTreeWidgetItem*> m_items;
    // The left button's press on an entry, while it may still begin a drag.
    struct Press
    {
        QPoint at;
        Qt::KeyboardModifiers modifiers;
        bool keptSelection = false; // the press on a selected entry is yet to select it alone
    };
    std::optional<Press> m_press;
};
