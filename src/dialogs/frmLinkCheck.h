#pragma once

#include "bookmarks/finder.h"
#include "bookmarks/linkcheck.h"
#include "bookmarks/linkchecker.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The link check's view: the run's progress with its counts and Cancel, and
// the entries checked, each with its last result, filtered by class. For the
// selected entries: Open, Update Address (moves for good only), Move to
// Trash and Ignore. It stays open beside the window while a run goes on;
// what it changes, the window changes, each action one step.
class frmLinkCheck : public QDialog
{
    Q_OBJECT
public:
    struct Row
    {
        Find::Entry entry;
        bool readOnly = false; // a browser's: checked and shown, never changed
    };
    struct Hooks
    {
        std::function<void(bool allowPrivate)> checkAgain;
        std::function<void()> cancel;
        std::function<void(const QString& address)> open;
        // Each entry with its new address; the entries the window updated.
        std::function<void(const std::vector<std::pair<Find::Entry, QString>>&)> update;
        std::function<void(const std::vector<Find::Entry>&)> trash;
        std::function<bool(const QStringList& addresses, bool ignore)> ignore;
        std::function<QList<LinkCheck::Result>(const QString& address)> resultsOf;
        std::function<bool(const QString& address)> isDead;
        std::function<bool(const QString& address)> isIgnored;
    };
    // What the list shows.
    enum class Show
    {
        Problems, // everything but OK and ignored
        MovedPermanently,
        MovedTemporarily,
        NotFound,
        Dead,
        CouldNotTell,
        Ok,
        NotChecked,
        Ignored,
        All,
    };
    enum Column
    {
        ResultColumn,
        WhereColumn,
        TitleColumn,
        AddressColumn,
        NowAtColumn,
        CheckedColumn,
    };

    explicit frmLinkCheck(Hooks hooks, QWidget* parent = nullptr);

    // The entries in the run's scope, as the stores hold them now.
    void setRows(std::vector<Row> rows);
    // A result for the address came: its rows show it.
    void resultCame(const QString& address);
    void setProgress(const LinkCheck::Counts& counts, bool running);
    bool allowsPrivate() const;

    QTreeWidget* tvResults() const { return m_results; }
    QComboBox* cboShow() const { return m_show; }

private:
    bool passes(const Row& row) const;
    void fillItem(QTreeWidgetItem* item, const Row& row) const;
    void refill();
    void updateButtons();
    std::vector<int> chosen() const;
    void updateChosen();
    void trashChosen();
    void ignoreChosen();
    void openChosen();

    Hooks m_hooks;
    std::vector<Row> m_rows;
    std::vector<QTreeWidgetItem*> m_items;     // each row's item, none while filtered out
    QHash<QString, std::vector<int>> m_rowsOf; // by address
    QProgressBar* m_progress = nullptr;
    QLabel* m_counts = nullptr;
    QPushButton* m_cancel = nullptr;
    QComboBox* m_show = nullptr;
    QCheckBox* m_private = nullptr;
    QTreeWidget* m_results = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_trash = nullptr;
    QPushButton* m_ignore = nullptr;
    bool m_running = false;
};
