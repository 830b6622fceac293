#include "mainwindow/cMainDialog.h"

#include "bookmarks/browserstore.h"
#include "bookmarks/browserwatch.h"
#include "bookmarks/cutbuffer.h"
#include "bookmarks/findindexer.h"
#include "bookmarks/forums.h"

cMainDialog::cMainDialog(cSettings& settings, cAppServices& app)
    : m_settings(settings), m_app(app), m_stores(std::make_unique<Stores::Table>(settings)),
      m_cut(std::make_unique<CutBuffer>()), m_findIndexer(std::make_unique<Find::Indexer>(*m_stores))
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

Stores::BrowserBookmarks& cMainDialog::browserStore(int source) const
{
    return m_stores->browser(source);
}
