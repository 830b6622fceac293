#pragma once

#include "bookmarks/duplicates.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The duplicates view: groups of entries that share an address, across
// every store or within the folder shown, each entry with where it lives,
// its title and its address (what differs from the group's others marked);
// the user ticks what to keep, and the rest go to the Trash.
class frmDuplicates : public QDialog
{
    Q_OBJECT
public:
    struct Options
    {
        bool allStores = true;
        bool probably = true; // "Probably the same" groups too
        bool hideKept = true; // groups the user keeps on purpose are not shown
    };
    struct Hooks
    {
        // The groups for the options, as they are now.
        std::function<std::vector<Duplicates::Group>(const Options&)> find;
        // Whether a store's entries can be removed (a browser's cannot).
        std::function<bool(int source)> readOnly;
        // "Keep Both": the group is kept as it is, and not shown again.
        std::function<bool(const Duplicates::Group&)> keepAll;
        // When an entry was added, where its store keeps it (0: not).
        std::function<qint64(const Find::Entry&)> added;
    };
    // `shownPlace`: the folder the window shows, as the tree names it.
    frmDuplicates(Hooks hooks, const QString& shownPlace);

    // Shows the view; true, with what is not kept, when the user moves those to the Trash.
    bool Display(QWidget* parent, std::vector<const Find::Entry*>* unkept);

    QTreeWidget* tvGroups() const { return m_groups; }
    QComboBox* cboScope() const { return m_scope; }
    QComboBox* cboLevel() const { return m_level; }
    QComboBox* cboRule() const { return m_rule; }
    QCheckBox* chkHideKept() const { return m_hideKept; }

    // The columns of an entry's row.
    enum Column
    {
        KeepColumn,
        WhereColumn,
        TitleColumn,
        AddedColumn,
        AddressColumn,
    };

private:
    Options options() const;
    void refill();
    void applyRule();
    void keepBoth();
    void updateCount();

    Hooks m_hooks;
    QString m_shownPlace;
    std::vector<Duplicates::Group> m_found;
    std::vector<std::vector<qint64>> m_added; // each group's entries' dates
    QTreeWidget* m_groups = nullptr;
    QComboBox* m_scope = nullptr;
    QComboBox* m_level = nullptr;
    QComboBox* m_rule = nullptr;
    QCheckBox* m_hideKept = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_trash = nullptr;
};
