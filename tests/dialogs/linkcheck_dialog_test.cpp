// The link check's view on its own: a browser's entry is shown but never
// offered a change, only moves for good are updated, and the counts read as
// the run stands.
#include "dialogs/frmLinkCheck.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using LinkCheck::Result;
using LinkCheck::Verdict;

Find::Entry entry(const char* title, const char* address)
{
    Find::Entry made;
    made.title = QLatin1String(title);
    made.address = QLatin1String(address);
    return made;
}

} // namespace

TEST(LinkCheckDialog, OnlyWritableEntriesAreChangedAndOnlyMovesForGoodUpdated)
{
    QHash<QString, Result> results;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    results.insert(QStringLiteral("http://a.example/old"),
                   LinkCheck::classify(QStringLiteral("http://a.example/old"),
                                       {200, {}, {301}, QStringLiteral("https://a.example/new")},
                                       now));
    results.insert(QStringLiteral("http://b.example/temp"),
                   LinkCheck::classify(QStringLiteral("http://b.example/temp"),
                                       {200, {}, {302}, QStringLiteral("https://b.example/login")},
                                       now));
    std::vector<std::pair<Find::Entry, QString>> updated;
    std::vector<Find::Entry> trashed;
    frmLinkCheck::Hooks hooks;
    hooks.checkAgain = [](bool) {};
    hooks.cancel = [] {};
    hooks.open = [](const QString&) {};
    hooks.update = [&updated](const auto& changes) { updated = changes; };
    hooks.trash = [&trashed](const auto& entries) { trashed = entries; };
    hooks.ignore = [](const QStringList&, bool) { return true; };
    hooks.resultsOf = [&results](const QString& address) {
        return results.contains(address) ? QList<Result>{results.value(address)} : QList<Result>{};
    };
    hooks.isDead = [](const QString&) { return false; };
    hooks.isIgnored = [](const QString&) { return false; };
    frmLinkCheck view(hooks);
    view.setRows({{entry("Browser's", "http://a.example/old"), true},
                  {entry("Mine", "http://a.example/old"), false},
                  {entry("Login wall", "http://b.example/temp"), false}});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTreeWidget* list = view.tvResults();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    auto* update = view.findChild<QPushButton*>(QStringLiteral("cmdUpdate"));
    auto* trash = view.findChild<QPushButton*>(QStringLiteral("cmdTrash"));

    const auto clickRow = [list](int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->topLevelItem(row)).center());
    };
    clickRow(0);
    EXPECT_FALSE(update->isEnabled()) << "a browser's entry is not changed";
    EXPECT_FALSE(trash->isEnabled());
    EXPECT_TRUE(list->topLevelItem(0)->text(frmLinkCheck::NowAtColumn).endsWith(QLatin1String("/new")));
    clickRow(2);
    EXPECT_FALSE(update->isEnabled()) << "a move for now is not followed";
    EXPECT_TRUE(trash->isEnabled());

    // All three chosen: the update takes only the writable move for good.
    clickRow(0);
    clickRow(2, Qt::ShiftModifier);
    ASSERT_TRUE(update->isEnabled());
    QTest::mouseClick(update, Qt::LeftButton);
    ASSERT_EQ(updated.size(), 1u);
    EXPECT_EQ(updated[0].first.title, QStringLiteral("Mine"));
    EXPECT_EQ(updated[0].second, QStringLiteral("https://a.example/new"));
    clickRow(0); // the focus back in the list, all three chosen again
    clickRow(2, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(trashed.size(), 2u);
    EXPECT_EQ(trashed[0].title, QStringLiteral("Mine"));
    EXPECT_EQ(trashed[1].title, QStringLiteral("Login wall"));

    LinkCheck::Counts counts;
    counts.total = 10;
    counts.checked = 4;
    counts.ok = 2;
    counts.moved = 1;
    counts.couldNotTell = 1;
    counts.skipped = 3;
    counts.paused = true;
    view.setProgress(counts, true);
    EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("lblCounts"))->text(),
              QStringLiteral("Checked 4 of 10: 2 OK, 1 moved, 0 not found, 1 could not tell; 3 skipped (not web "
                             "addresses, or local and private ones). Most sites stopped answering: waiting a "
                             "while, then going slower"));
    EXPECT_EQ(view.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(), QStringLiteral("Cancel"));
    view.setProgress(counts, false);
    EXPECT_EQ(view.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(), QStringLiteral("Check Again"));
}
