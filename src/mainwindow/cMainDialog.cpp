#include "mainwindow/cMainDialog.h"

#include "bookmarks/browserstore.h"
#include "bookmarks/browserwatch.h"
#include "bookmarks/cutbuffer.h"
#include "bookmarks/finder.h"
#include "bookmarks/findindexer.h"
#include "bookmarks/forums.h"
#include "bookmarks/netscape.h"
#include "bookmarks/stores.h"
#include "bookmarks/undo.h"
#include "controls/GlobalShortcut.h"
#include "controls/SuggestionList.h"
#include "mainwindow/linkchecksession.h"

cMainDialog::cMainDialog(cSettings& settings, cAppServices& app)
    : m_settings(settings), m_app(app), m_stores(std::make_unique<Stores::Table>(settings)),
      m_cut(std::make_unique<CutBuffer>()), m_history(std::make_unique<Undo::History>()),
      m_findIndexer(std::make_unique<Find::Indexer>(*m_stores))
{
}

cMainDialog::~cMainDialog() = default;

NetscapeBookmarks& cMainDialog::Bookmarks()
{
    return m_stores->bookmarks();
}

Forums::Collection& cMainDialog::ForumCollection()
{
    return m_stores->forums().names();
}

SuggestionList* cMainDialog::Suggestions() const
{
    return m_suggestions;
}
