#include "dialogs/frmDuplicates.h"

#include "bookmarks/finder.h"
#include "bookmarks/keys.h"
#include "dialogs/modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kGroupRole = Qt::UserRole;
constexpr int kEntryRole = Qt::UserRole + 1;
constexpr int kDiffersRole = Qt::UserRole + 2; // QPoint(start, length) of the part that differs

// An address with the part that differs from its group's others marked.
class AddressDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant differs = index.data(kDiffersRole);
        if (!differs.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QString text = plain.text;
        plain.text.clear();
        plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        const QPoint part = differs.toPoint();
        const QRect area = option.rect.adjusted(4, 0, -4, 0);
        const QFontMetrics metrics(option.font);
        const QString before = text.left(part.x());
        const QString middle = text.mid(part.x(), part.y());
        const int start = area.left() + metrics.horizontalAdvance(before);
        const int width = metrics.horizontalAdvance(middle);
        painter->save();
        painter->fillRect(QRect(start, area.top() + 1, width, area.height() - 2),
                          option.palette.color(QPalette::Inactive, QPalette::Highlight));
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(area, Qt::AlignVCenter | Qt::AlignLeft, text);
        painter->restore();
    }
};

QString levelText(Duplicates::Level level)
{
    return level == Duplicates::Level::Same ? QStringLiteral("the same address")
                                            : QStringLiteral("probably the same page");
}

} // namespace

frmDuplicates::frmDuplicates(Hooks hooks, const QString& shownPlace)
    : QDialog(nullptr, Qt::Dialog), m_hooks(std::move(hooks)), m_shownPlace(shownPlace)
{
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(QStringLiteral("Duplicates"));
    setModal(true);
    resize(900, 520);

    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("cboScope"));
    m_scope->addItems({QStringLiteral("Across all stores"), QStringLiteral("Within the folder shown")});
    m_level = new QComboBox(this);
    m_level->setObjectName(QStringLiteral("cboLevel"));
    m_level->addItems({QStringLiteral("Probably the same too"), QStringLiteral("The same address only")});
    m_hideKept = new QCheckBox(QStringLiteral("Hide groups kept on purpose"), this);
    m_hideKept->setObjectName(QStringLiteral("chkHideKept"));
    m_hideKept->setChecked(true);
    auto* options = new QHBoxLayout;
    options->addWidget(m_scope);
    options->addWidget(m_level);
    options->addWidget(m_hideKept);
    options->addStretch();

    m_groups = new QTreeWidget(this);
    m_groups->setObjectName(QStringLiteral("tvGroups"));
    m_groups->setHeaderLabels({QStringLiteral("Keep"),
                               QStringLiteral("Where"),
                               QStringLiteral("Title"),
                               QStringLiteral("Added"),
                               QStringLiteral("Address")});
    m_groups->setItemDelegateForColumn(AddressColumn, new AddressDelegate(m_groups));
    m_groups->setSelectionMode(QAbstractItemView::SingleSelection);
    m_groups->header()->setStretchLastSection(true);

    m_rule = new QComboBox(this);
    m_rule->setObjectName(QStringLiteral("cboRule"));
    auto* apply = new QPushButton(QStringLiteral("Apply to All Groups"), this);
    apply->setObjectName(QStringLiteral("cmdApplyRule"));
    auto* keep = new QPushButton(QStringLiteral("Keep Both"), this);
    keep->setObjectName(QStringLiteral("cmdKeepBoth"));
    keep->setToolTip(QStringLiteral("Keep every entry of the selected group as it is, and show it no more"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblCount"));
    m_trash = new QPushButton(QStringLiteral("Move Unkept to Trash"), this);
    m_trash->setObjectName(QStringLiteral("cmdTrash"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_rule);
    actions->addWidget(apply);
    actions->addWidget(keep);
    actions->addStretch();
    actions->addWidget(m_count);
    actions->addWidget(m_trash);
    actions->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(m_groups);
    layout->addLayout(actions);

    connect(m_scope, &QComboBox::currentIndexChanged, this, &frmDuplicates::refill);
    connect(m_level, &QComboBox::currentIndexChanged, this, &frmDuplicates::refill);
    connect(m_hideKept, &QCheckBox::toggled, this, &frmDuplicates::refill);
    connect(apply, &QPushButton::clicked, this, &frmDuplicates::applyRule);
    connect(keep, &QPushButton::clicked, this, &frmDuplicates::keepBoth);
    connect(m_groups, &QTreeWidget::itemChanged, this, &frmDuplicates::updateCount);
    connect(m_trash, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

frmDuplicates::Options frmDuplicates::options() const
{
    return {m_scope->currentIndex() == 0, m_level->currentIndex() == 0, m_hideKept->isChecked()};
}

void frmDuplicates::refill()
{
    m_found = m_hooks.find(options());
    m_added.assign(m_found.size(), {});
    const QSignalBlocker quiet(m_groups);
    m_groups->clear();
    QList<int> stores;
    bool dated = false;
    // Built apart and handed to the view at once: thousands of groups are one insertion, not thousands.
    QList<QTreeWidgetItem*> heads;
    heads.reserve(qsizetype(m_found.size()));
    for (size_t g = 0; g < m_found.size(); ++g) {
        const Duplicates::Group& group = m_found[g];
        auto* head = new QTreeWidgetItem;
        heads.append(head);
        head->setText(WhereColumn,
                      QStringLiteral("%1 entries: %2").arg(group.entries.size()).arg(levelText(group.level)));
        head->setData(KeepColumn, kGroupRole, qulonglong(g));
        for (size_t e = 0; e < group.entries.size(); ++e) {
            const Find::Entry& entry = *group.entries[e];
            if (!stores.contains(entry.source))
                stores.append(entry.source);
            auto* row = new QTreeWidgetItem(head);
            row->setData(KeepColumn, kGroupRole, qulonglong(g));
            row->setData(KeepColumn, kEntryRole, qulonglong(e));
            row->setText(WhereColumn, entry.place());
            row->setText(TitleColumn, entry.title);
            row->setText(AddressColumn, entry.address);
            const qint64 added = m_hooks.added ? m_hooks.added(entry) : 0;
            m_added[g].push_back(added);
            if (added > 0) {
                dated = true;
                row->setText(AddedColumn,
                             QLocale().toString(QDateTime::fromSecsSinceEpoch(added).date(), QLocale::ShortFormat));
            }
            const Find::Entry& other = *group.entries[e == 0 && group.entries.size() > 1 ? 1 : 0];
            const Duplicates::Span part = Duplicates::differingPart(entry.address, other.address);
            if (part.length > 0)
                row->setData(AddressColumn, kDiffersRole, QPoint(int(part.start), int(part.length)));
            if (m_hooks.readOnly(entry.source)) {
                row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
                row->setCheckState(KeepColumn, Qt::Checked);
                row->setToolTip(KeepColumn, QStringLiteral("A browser's own bookmark: Markcrate does not change it"));
            } else {
                row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
                row->setCheckState(KeepColumn, e == 0 ? Qt::Checked : Qt::Unchecked);
            }
        }
    }
    m_groups->addTopLevelItems(heads);
    m_groups->expandAll();
    // Widths from the texts of the first rows: measuring every row of thousands would take longer than the rest.
    const QFontMetrics metrics(m_groups->font());
    int where = metrics.horizontalAdvance(QStringLiteral("Where")) + 24;
    int title = metrics.horizontalAdvance(QStringLiteral("Title")) + 24;
    for (qsizetype i = 0; i < heads.size() && i < 50; ++i) {
        for (int e = 0; e < heads[i]->childCount(); ++e) {
            where = qMax(where, metrics.horizontalAdvance(heads[i]->child(e)->text(WhereColumn)) + 24);
            title = qMax(title, metrics.horizontalAdvance(heads[i]->child(e)->text(TitleColumn)) + 24);
        }
    }
    m_groups->setColumnWidth(KeepColumn, metrics.horizontalAdvance(QStringLiteral("Keep")) + 40);
    m_groups->setColumnWidth(WhereColumn, qMin(where, 320));
    m_groups->setColumnWidth(TitleColumn, qMin(title, 260));
    m_groups->setColumnWidth(AddedColumn, metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + 24);

    // The quick rules: the first of each group, the folder shown, each store that has a duplicate.
    const QSignalBlocker quietRule(m_rule);
    m_rule->clear();
    m_rule->addItem(QStringLiteral("Keep the first of each group"), QVariantList{0, 0, QString()});
    if (dated) {
        m_rule->addItem(QStringLiteral("Keep the oldest"), QVariantList{3, 0, QString()});
        m_rule->addItem(QStringLiteral("Keep the newest"), QVariantList{4, 0, QString()});
    }
    if (!m_shownPlace.isEmpty())
        m_rule->addItem(QStringLiteral("Keep the one in %1").arg(m_shownPlace), QVariantList{2, 0, m_shownPlace});
    for (int source : std::as_const(stores)) {
        if (!m_hooks.readOnly(source))
            m_rule->addItem(QStringLiteral("Keep the one in %1")
                                .arg(Keys::sourceText(source).isEmpty() ? QStringLiteral("the user folders")
                                                                        : Keys::sourceText(source)),
                            QVariantList{1, source, QString()});
    }
    updateCount();
}

void frmDuplicates::applyRule()
{
    const QVariantList chosen = m_rule->currentData().toList();
    if (chosen.size() != 3)
        return;
    Duplicates::Rule rule;
    rule.kind = Duplicates::Rule::Kind(chosen[0].toInt());
    rule.source = chosen[1].toInt();
    rule.place = chosen[2].toString();
    const QSignalBlocker quiet(m_groups);
    for (int i = 0; i < m_groups->topLevelItemCount(); ++i) {
        QTreeWidgetItem* head = m_groups->topLevelItem(i);
        const size_t g = size_t(head->data(KeepColumn, kGroupRole).toULongLong());
        const std::vector<bool> kept = Duplicates::keptBy(m_found[g], rule, m_added[g]);
        for (int e = 0; e < head->childCount(); ++e) {
            QTreeWidgetItem* row = head->child(e);
            if (row->flags() & Qt::ItemIsUserCheckable)
                row->setCheckState(KeepColumn, kept[size_t(e)] ? Qt::Checked : Qt::Unchecked);
        }
    }
    updateCount();
}

void frmDuplicates::keepBoth()
{
    QTreeWidgetItem* item = m_groups->currentItem();
    if (!item)
        return;
    const size_t g = size_t(item->data(KeepColumn, kGroupRole).toULongLong());
    if (g < m_found.size() && m_hooks.keepAll(m_found[g]))
        refill();
}

void frmDuplicates::updateCount()
{
    int unkept = 0;
    for (int g = 0; g < m_groups->topLevelItemCount(); ++g) {
        QTreeWidgetItem* head = m_groups->topLevelItem(g);
        for (int e = 0; e < head->childCount(); ++e)
            unkept += head->child(e)->checkState(KeepColumn) == Qt::Unchecked ? 1 : 0;
    }
    m_count->setText(QStringLiteral("%1 groups, %2 to go").arg(m_groups->topLevelItemCount()).arg(unkept));
    m_trash->setEnabled(unkept > 0);
}

bool frmDuplicates::Display(QWidget* parent, std::vector<const Find::Entry*>* unkept)
{
    if (parent)
        move(parent->frameGeometry().center() - rect().center());
    refill();
    if (Modal::run(*this) != QDialog::Accepted)
        return false;
    unkept->clear();
    for (int g = 0; g < m_groups->topLevelItemCount(); ++g) {
        QTreeWidgetItem* head = m_groups->topLevelItem(g);
        const Duplicates::Group& group = m_found[size_t(head->data(KeepColumn, kGroupRole).toULongLong())];
        for (int e = 0; e < head->childCount(); ++e) {
            QTreeWidgetItem* row = head->child(e);
            if ((row->flags() & Qt::ItemIsUserCheckable) && row->checkState(KeepColumn) == Qt::Unchecked)
                unkept->push_back(group.entries[size_t(row->data(KeepColumn, kEntryRole).toULongLong())]);
        }
    }
    return !unkept->empty();
}
