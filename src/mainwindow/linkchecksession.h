#pragma once

#include "bookmarks/linkcheck.h"
#include "bookmarks/linkchecker.h"
#include "bookmarks/rememberedset.h"
#include "dialogs/frmLinkCheck.h"

#include <QElapsedTimer>
#include <QPointer>

#include <memory>

// What the window keeps of the link check: the results of every check so
// far, the addresses the user ignores, and the run and its view while they
// last.
struct LinkCheckSession
{
    LinkCheckSession() = default;
    LinkCheckSession(const LinkCheckSession&) = delete;
    LinkCheckSession& operator=(const LinkCheckSession&) = delete;
    ~LinkCheckSession()
    {
        // The run ends unheard: the window it would report to is going.
        if (checker) {
            QObject::disconnect(checker.get(), nullptr, nullptr, nullptr);
            checker.reset();
        }
        if (unsaved > 0)
            results.save();
        delete view.data(); // where the window has not taken it along
    }

    LinkCheck::Results results;
    RememberedSet ignored{RememberedSet::dataFile(QStringLiteral("ignored-link-checks.txt"))};
    QPointer<frmLinkCheck> view; // a window of its own, the main window's child
    std::unique_ptr<LinkCheck::Checker> checker;
    QString scope; // the tree's place of the folder checked; empty: every store
    QElapsedTimer runClock;
    int unsaved = 0;
    bool saveFailureTold = false;
};
