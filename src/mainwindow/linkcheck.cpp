// Dead links in the window: a run over the entries of a folder or of every
// store, its view beside the window, and what the user does with the
// results, each action one step that can be undone.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/finder.h"
#include "bookmarks/findindexer.h"
#include "bookmarks/stores.h"
#include "bookmarks/trashstore.h"
#include "controls/KeyedTreeView.h"
#include "controls/TrayIcon.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/linkchecksession.h"
#include "platform/registry.h"
#include "platform/shell.h"

#include <QApplication>
#include <QSet>
#include <QStatusBar>

namespace {

// A run longer than this ending unseen is worth a notice from the tray.
constexpr qint64 kLongRunMs = 30000;
// Results are written now and then during a run, so that a crash keeps most.
constexpr int kSaveEvery = 500;

} // namespace

LinkCheckSession& cMainDialog::linkCheck()
{
    if (!m_linkCheck)
        m_linkCheck = std::make_unique<LinkCheckSession>();
    return *m_linkCheck;
}

void cMainDialog::CheckLinks(bool everything)
{
    try {
        LinkCheckSession& session = linkCheck();
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        session.scope = everything || !node ? QString() : KeyedTreeView::FullPath(node).section(QLatin1Char('\\'), 1);
        if (!session.view) {
            frmLinkCheck::Hooks hooks;
            hooks.checkAgain = [this](bool allowPrivate) { startLinkCheck(allowPrivate); };
            hooks.cancel = [this] {
                if (m_linkCheck->checker)
                    m_linkCheck->checker->cancel();
            };
            hooks.open = [](const QString& address) { platform::ShellOpen(address); };
            hooks.update = [this](const auto& changes) { updateAddresses(changes); };
            hooks.trash = [this](const auto& entries) { trashCheckedEntries(entries); };
            hooks.ignore = [this](const QStringList& addresses, bool ignore) {
                QString why;
                RememberedSet& ignored = m_linkCheck->ignored;
                if (ignore ? ignored.add(addresses, &why) : ignored.remove(addresses, &why))
                    return true;
                tell(QStringLiteral("Markcrate could not remember the addresses to ignore: %1.").arg(why));
                return false;
            };
            hooks.resultsOf = [this](const QString& address) { return m_linkCheck->results.of(address); };
            hooks.isDead = [this](const QString& address) { return m_linkCheck->results.isDead(address); };
            hooks.isIgnored = [this](const QString& address) { return m_linkCheck->ignored.contains(address); };
            session.view = new frmLinkCheck(hooks, m_form->window());
            // Closing the view ends the run; what was checked is kept.
            QObject::connect(session.view, &QDialog::finished, session.view, [this] {
                if (m_linkCheck->checker)
                    m_linkCheck->checker->cancel();
            });
        }
        session.view->setWindowTitle(QStringLiteral("Check Links: ") +
                                     (session.scope.isEmpty() ? QStringLiteral("Every Store") : session.scope));
        session.view->show();
        session.view->raise();
        session.view->activateWindow();
        startLinkCheck(session.view->allowsPrivate());
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::refreshLinkView()
{
    if (m_linkCheck && m_linkCheck->view && m_linkCheck->view->isVisible())
        showLinkRows();
}

// The entries of the scope with a web address, as the stores hold them now;
// every address of the scope, for a run to check or count as skipped.
QStringList cMainDialog::showLinkRows()
{
    LinkCheckSession& session = *m_linkCheck;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        RefreshFindIndex(true);
        QApplication::restoreOverrideCursor();
    }
    const QString& scope = session.scope;
    const QString below = scope + QLatin1Char('\\');
    std::vector<frmLinkCheck::Row> rows;
    QStringList addresses;
    for (const Find::Entry* entry : FindIndex().entries()) {
        if (!scope.isEmpty() && entry->place() != scope && !entry->place().startsWith(below))
            continue;
        addresses << entry->address;
        if (!LinkCheck::isCheckable(entry->address, true))
            continue; // go words, mail and the like: counted as skipped
        rows.push_back({*entry, offersNoChange(entry->source)});
    }
    session.view->setRows(std::move(rows));
    return addresses;
}

void cMainDialog::startLinkCheck(bool allowPrivate)
{
    LinkCheckSession& session = *m_linkCheck;
    if (session.checker)
        session.checker->cancel();
    const QStringList addresses = showLinkRows();
    LinkCheck::Limits limits;
    limits.allowPrivate = allowPrivate;
    session.checker = std::make_unique<LinkCheck::Checker>(limits);
    LinkCheck::Checker* checker = session.checker.get();
    QObject::connect(
        checker, &LinkCheck::Checker::checked, checker, [this](const QString& address, const auto& result) {
            m_linkCheck->results.put(address, result);
            if (++m_linkCheck->unsaved >= kSaveEvery)
                saveLinkResults();
            if (m_linkCheck->view)
                m_linkCheck->view->resultCame(address);
        });
    QObject::connect(checker, &LinkCheck::Checker::progress, checker, [this](const LinkCheck::Counts& counts) {
        if (m_linkCheck->view)
            m_linkCheck->view->setProgress(counts, true);
    });
    QObject::connect(checker, &LinkCheck::Checker::finished, checker, [this] { linkCheckEnded(); });
    session.runClock.start();
    session.saveFailureTold = false;
    checker->start(addresses);
}

void cMainDialog::linkCheckEnded()
{
    LinkCheckSession& session = *m_linkCheck;
    saveLinkResults();
    const LinkCheck::Counts counts = session.checker->counts();
    if (!session.view)
        return;
    session.view->setProgress(counts, false);
    const bool unseen = !m_form->window()->isActiveWindow() && !session.view->isActiveWindow();
    if (unseen && session.runClock.elapsed() >= kLongRunMs && m_form->cTrayIcon1)
        m_form->cTrayIcon1->notify(QStringLiteral("Link check done"),
                                   QStringLiteral("%1 checked: %2 OK, %3 moved, %4 not found, %5 could not tell")
                                       .arg(counts.checked)
                                       .arg(counts.ok)
                                       .arg(counts.moved)
                                       .arg(counts.notFound)
                                       .arg(counts.couldNotTell));
}

void cMainDialog::saveLinkResults()
{
    LinkCheckSession& session = *m_linkCheck;
    session.unsaved = 0;
    QString why;
    if (session.results.save(&why) || session.saveFailureTold)
        return;
    session.saveFailureTold = true; // once a run: the results stay in memory
    tell(QStringLiteral("Markcrate could not keep the link check's results: %1.").arg(why));
}

void cMainDialog::updateAddresses(const std::vector<std::pair<Find::Entry, QString>>& changes)
{
    LinkCheckSession& session = *m_linkCheck;
    // The new address answered at the end of the move: it is known to be there.
    const auto noteMoved = [&session](const QString& from, const QString& to) {
        const QList<LinkCheck::Result> results = session.results.of(from);
        if (results.isEmpty() || !session.results.of(to).isEmpty())
            return;
        LinkCheck::Result there = results.first();
        there.verdict = LinkCheck::Verdict::Ok;
        there.finalAddress = to;
        there.probablyRemoved = false;
        session.results.put(to, there);
    };
    int updated = 0;
    int changed = 0;
    QString lastTitle;
    {
        ChangeScope step(*this, QStringLiteral("Update %1 addresses").arg(changes.size()));
        using Change = std::pair<Find::Entry, QString>;
        for (const auto& [store, ofStore] :
             byStore<Change>(changes, [](const Change& change) { return change.first.source; })) {
            if (!writableOrTold(*store))
                continue;
            int done = 0;
            {
                platform::RegistryBatch batch;
                for (const Change* change : ofStore) {
                    const Find::Entry& entry = change->first;
                    const Stores::Place place = placeOf(entry);
                    // Changed since it was checked: the user's newer address stays.
                    const std::optional<Stores::Entry> held = store->read(place);
                    if (!held || held->address != entry.address || place.name != entry.title) {
                        ++changed;
                        continue;
                    }
                    const Stores::Result result = store->change(place, {place.name, change->second, held->kind});
                    if (result.ok()) {
                        ++done;
                        lastTitle = entry.title;
                        noteMoved(change->first.address, change->second);
                    } else if (!result.why.isEmpty())
                        tell(QStringLiteral("'%1' could not be updated: %2.").arg(entry.title, result.why));
                }
            }
            if (done > 0 && saveStore(*store))
                updated += done;
        }
        step.rename(updated == 1 ? QStringLiteral("Update the address of '%1'").arg(lastTitle)
                                 : QStringLiteral("Update %1 addresses").arg(updated));
    }
    saveLinkResults();
    ClickTVMain();
    m_form->stbMain->showMessage(
        withChanged(QStringLiteral("Updated %1 addresses").arg(updated), changed, QStringLiteral("checked")));
}

void cMainDialog::trashCheckedEntries(const std::vector<Find::Entry>& entries)
{
    int changed = 0;
    int removed = 0;
    {
        ChangeScope step(*this, QStringLiteral("Move %1 checked links to the Trash").arg(entries.size()));
        removed = trashEntries(entries, &changed);
        step.rename(removed == 1 ? QStringLiteral("Move '%1' to the Trash").arg(entries.front().title)
                                 : QStringLiteral("Move %1 checked links to the Trash").arg(removed));
    }
    ClickTVMain();
    showTrashNode();
    m_form->stbMain->showMessage(
        withChanged(QStringLiteral("Moved %1 entries to the Trash").arg(removed), changed, QStringLiteral("checked")));
}
