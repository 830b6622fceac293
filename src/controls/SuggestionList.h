#pragma once

#include <QIcon>
#include <QTreeWidget>

// The suggestions under the command box: a list in a window of its own, so
// that it may reach past the collapsed main window, which never takes the
// focus; the input box keeps it and hands this list its Up, Down and Enter.
class SuggestionList : public QTreeWidget
{
    Q_OBJECT
public:
    struct Row
    {
        QIcon icon;
        QString title;
        QString address;
        QString place;
    };

    explicit SuggestionList(QWidget* anchor);

    // Shows the rows below the anchor, none selected; hides for no rows.
    void showRows(const QList<Row>& rows);
    // Moves the selection by `delta` rows; past either end selects none, so
    // that Enter goes back to acting on the typed text.
    void moveSelection(int delta);
    // The selected row, or -1.
    int selectedRow() const;

signals:
    void rowActivated(int row);
    void showInFolderRequested(int row);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void place();

    QWidget* m_anchor;
};
