#include "dialogs/frmLinkCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRowRole = Qt::UserRole;

using LinkCheck::Verdict;

QString resultText(const LinkCheck::Result& result, bool dead)
{
    QString text = LinkCheck::verdictText(result.verdict);
    if (dead)
        return QStringLiteral("Dead: not found in checks a day apart");
    if (result.verdict == Verdict::MovedTemporarily && result.probablyRemoved)
        return text + QStringLiteral(", probably removed (sent to the front page)");
    if (result.verdict == Verdict::MovedPermanently || result.verdict == Verdict::MovedTemporarily)
        return text;
    if (result.status != 0)
        return text + QStringLiteral(" (%1)").arg(result.status);
    if (!result.error.isEmpty())
        return text + QStringLiteral(" (%1)").arg(result.error);
    return text;
}

} // namespace

frmLinkCheck::frmLinkCheck(Hooks hooks, QWidget* parent) : QDialog(parent, Qt::Window), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("frmLinkCheck"));
    setWindowTitle(QStringLiteral("Check Links"));
    resize(1000, 560);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgCheck"));
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("lblCounts"));
    m_counts->setWordWrap(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* top = new QHBoxLayout;
    top->addWidget(m_progress, 1);
    top->addWidget(m_cancel);

    m_show = new QComboBox(this);
    m_show->setObjectName(QStringLiteral("cboShow"));
    m_show->addItems({QStringLiteral("Problems"),
                      QStringLiteral("Moved permanently"),
                      QStringLiteral("Moved temporarily"),
                      QStringLiteral("Not found"),
                      QStringLiteral("Dead (not found twice, a day apart)"),
                      QStringLiteral("Could not tell"),
                      QStringLiteral("OK"),
                      QStringLiteral("Not checked"),
                      QStringLiteral("Ignored"),
                      QStringLiteral("All")});
    m_private = new QCheckBox(QStringLiteral("Include local and private addresses"), this);
    m_private->setObjectName(QStringLiteral("chkPrivate"));
    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("Show:"), this));
    filter->addWidget(m_show);
    filter->addStretch();
    filter->addWidget(m_private);

    m_results = new QTreeWidget(this);
    m_results->setObjectName(QStringLiteral("tvResults"));
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_results->setHeaderLabels({QStringLiteral("Result"),
                                QStringLiteral("Where"),
                                QStringLiteral("Title"),
                                QStringLiteral("Address"),
                                QStringLiteral("Now at"),
                                QStringLiteral("Checked")});
    m_results->header()->resizeSection(ResultColumn, 220);
    m_results->header()->resizeSection(WhereColumn, 160);
    m_results->header()->resizeSection(TitleColumn, 180);
    m_results->header()->resizeSection(AddressColumn, 220);

    m_open = new QPushButton(QStringLiteral("Open"), this);
    m_open->setObjectName(QStringLiteral("cmdOpen"));
    m_update = new QPushButton(QStringLiteral("Update Address"), this);
    m_update->setObjectName(QStringLiteral("cmdUpdate"));
    m_update->setToolTip(QStringLiteral("Give the selected entries that moved for good their new address"));
    m_trash = new QPushButton(QStringLiteral("Move to Trash"), this);
    m_trash->setObjectName(QStringLiteral("cmdTrash"));
    m_ignore = new QPushButton(QStringLiteral("Ignore"), this);
    m_ignore->setObjectName(QStringLiteral("cmdIgnore"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_open);
    actions->addWidget(m_update);
    actions->addWidget(m_trash);
    actions->addWidget(m_ignore);
    actions->addStretch();
    actions->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_counts);
    layout->addLayout(filter);
    layout->addWidget(m_results, 1);
    layout->addLayout(actions);

    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_running)
            m_hooks.cancel();
        else
            m_hooks.checkAgain(m_private->isChecked());
    });
    connect(m_private, &QCheckBox::toggled, this, [this](bool allow) {
        if (allow)
            m_hooks.checkAgain(true); // what was skipped is checked now
    });
    connect(m_show, &QComboBox::currentIndexChanged, this, &frmLinkCheck::refill);
    connect(m_results, &QTreeWidget::itemSelectionChanged, this, &frmLinkCheck::updateButtons);
    connect(m_results, &QTreeWidget::itemActivated, this, &frmLinkCheck::openChosen);
    connect(m_open, &QPushButton::clicked, this, &frmLinkCheck::openChosen);
    connect(m_update, &QPushButton::clicked, this, &frmLinkCheck::updateChosen);
    connect(m_trash, &QPushButton::clicked, this, &frmLinkCheck::trashChosen);
    connect(m_ignore, &QPushButton::clicked, this, &frmLinkCheck::ignoreChosen);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* del = new QShortcut(QKeySequence::Delete, m_results, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &frmLinkCheck::trashChosen);
    updateButtons();
}

bool frmLinkCheck::allowsPrivate() const
{
    return m_private->isChecked();
}

void frmLinkCheck::setRows(std::vector<Row> rows)
{
    m_rows = std::move(rows);
    m_rowsOf.clear();
    for (int i = 0; i < int(m_rows.size()); ++i)
        m_rowsOf[m_rows[size_t(i)].entry.address].push_back(i);
    refill();
}

bool frmLinkCheck::passes(const Row& row) const
{
    const QString& address = row.entry.address;
    const Show show = Show(m_show->currentIndex());
    const bool ignored = m_hooks.isIgnored(address);
    if (show == Show::All)
        return true;
    if (show == Show::Ignored)
        return ignored;
    if (ignored)
        return false;
    const QList<LinkCheck::Result> results = m_hooks.resultsOf(address);
    if (results.isEmpty())
        return show == Show::NotChecked;
    const Verdict verdict = results.first().verdict;
    switch (show) {
    case Show::Problems:
        return verdict != Verdict::Ok;
    case Show::MovedPermanently:
        return verdict == Verdict::MovedPermanently;
    case Show::MovedTemporarily:
        return verdict == Verdict::MovedTemporarily;
    case Show::NotFound:
        return verdict == Verdict::NotFound;
    case Show::Dead:
        return m_hooks.isDead(address);
    case Show::CouldNotTell:
        return verdict == Verdict::CouldNotTell;
    case Show::Ok:
        return verdict == Verdict::Ok;
    default:
        return false;
    }
}

void frmLinkCheck::fillItem(QTreeWidgetItem* item, const Row& row) const
{
    const QString& address = row.entry.address;
    const QList<LinkCheck::Result> results = m_hooks.resultsOf(address);
    QString text =
        results.isEmpty() ? QStringLiteral("Not checked") : resultText(results.first(), m_hooks.isDead(address));
    if (m_hooks.isIgnored(address))
        text = QStringLiteral("Ignored: ") + text;
    item->setText(ResultColumn, text);
    item->setText(WhereColumn, row.entry.place());
    item->setText(TitleColumn, row.entry.title);
    item->setText(AddressColumn, address);
    const bool moved = !results.isEmpty() && results.first().finalAddress != address;
    item->setText(NowAtColumn, moved ? results.first().finalAddress : QString());
    item->setText(CheckedColumn,
                  results.isEmpty() ? QString()
                                    : QLocale().toString(results.first().when.toLocalTime(), QLocale::ShortFormat));
    if (row.readOnly)
        item->setToolTip(WhereColumn, QStringLiteral("A browser's own bookmark: shown, not changed"));
}

// Filled at once: the rows made first and added together, which is what
// keeps a view of ten thousand rows quick to open.
void frmLinkCheck::refill()
{
    m_results->clear();
    m_items.assign(m_rows.size(), nullptr);
    QList<QTreeWidgetItem*> items;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!passes(m_rows[i]))
            continue;
        auto* item = new QTreeWidgetItem;
        item->setData(ResultColumn, kRowRole, int(i));
        fillItem(item, m_rows[i]);
        m_items[i] = item;
        items.append(item);
    }
    m_results->addTopLevelItems(items);
    m_ignore->setText(Show(m_show->currentIndex()) == Show::Ignored ? QStringLiteral("Don't Ignore")
                                                                    : QStringLiteral("Ignore"));
    updateButtons();
}

void frmLinkCheck::resultCame(const QString& address)
{
    for (int i : m_rowsOf.value(address)) {
        QTreeWidgetItem*& item = m_items[size_t(i)];
        const bool shown = passes(m_rows[size_t(i)]);
        if (shown && !item) {
            item = new QTreeWidgetItem;
            item->setData(ResultColumn, kRowRole, i);
            m_results->addTopLevelItem(item);
        } else if (!shown && item) {
            delete item;
            item = nullptr;
            continue;
        }
        if (item)
            fillItem(item, m_rows[size_t(i)]);
    }
}

void frmLinkCheck::setProgress(const LinkCheck::Counts& counts, bool running)
{
    m_running = running;
    m_cancel->setText(running ? QStringLiteral("Cancel") : QStringLiteral("Check Again"));
    m_progress->setRange(0, std::max(1, counts.total));
    m_progress->setValue(running ? counts.checked : std::max(1, counts.total));
    QString text = QStringLiteral("Checked %1 of %2: %3 OK, %4 moved, %5 not found, %6 could not tell")
                       .arg(counts.checked)
                       .arg(counts.total)
                       .arg(counts.ok)
                       .arg(counts.moved)
                       .arg(counts.notFound)
                       .arg(counts.couldNotTell);
    if (counts.skipped > 0)
        text += QStringLiteral("; %1 skipped (not web addresses%2)")
                    .arg(counts.skipped)
                    .arg(m_private->isChecked() ? QString() : QStringLiteral(", or local and private ones"));
    if (running && counts.paused)
        text += QStringLiteral(". Most sites stopped answering: waiting a while, then going slower");
    else if (running && counts.secondTry)
        text += QStringLiteral(". Trying again, slowly, what could not be told");
    else if (!running)
        text += QLatin1Char('.');
    m_counts->setText(text);
}

std::vector<int> frmLinkCheck::chosen() const
{
    std::vector<int> rows;
    for (QTreeWidgetItem* item : m_results->selectedItems())
        rows.push_back(item->data(ResultColumn, kRowRole).toInt());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void frmLinkCheck::updateButtons()
{
    bool any = false;
    bool changeable = false;
    bool movable = false;
    for (int i : chosen()) {
        const Row& row = m_rows[size_t(i)];
        any = true;
        if (row.readOnly)
            continue;
        changeable = true;
        const QList<LinkCheck::Result> results = m_hooks.resultsOf(row.entry.address);
        movable = movable || (!results.isEmpty() && results.first().verdict == Verdict::MovedPermanently);
    }
    m_open->setEnabled(m_results->currentItem() != nullptr);
    m_update->setEnabled(movable);
    m_trash->setEnabled(changeable);
    m_ignore->setEnabled(any);
}

void frmLinkCheck::openChosen()
{
    if (QTreeWidgetItem* item = m_results->currentItem())
        m_hooks.open(m_rows[size_t(item->data(ResultColumn, kRowRole).toInt())].entry.address);
}

void frmLinkCheck::updateChosen()
{
    std::vector<std::pair<Find::Entry, QString>> changes;
    for (int i : chosen()) {
        const Row& row = m_rows[size_t(i)];
        const QList<LinkCheck::Result> results = m_hooks.resultsOf(row.entry.address);
        if (row.readOnly || results.isEmpty() || results.first().verdict != Verdict::MovedPermanently)
            continue; // only a move for good is followed
        changes.emplace_back(row.entry, LinkCheck::updatedAddress(row.entry.address, results.first()));
    }
    if (!changes.empty())
        m_hooks.update(changes);
}

void frmLinkCheck::trashChosen()
{
    std::vector<Find::Entry> going;
    for (int i : chosen()) {
        if (!m_rows[size_t(i)].readOnly)
            going.push_back(m_rows[size_t(i)].entry);
    }
    if (!going.empty())
        m_hooks.trash(going);
}

void frmLinkCheck::ignoreChosen()
{
    QStringList addresses;
    for (int i : chosen())
        addresses << m_rows[size_t(i)].entry.address;
    addresses.removeDuplicates();
    if (!addresses.isEmpty() && m_hooks.ignore(addresses, Show(m_show->currentIndex()) != Show::Ignored))
        refill();
}
