// Moving entries by dragging them onto a folder of the tree; what an entry
// dropped or pasted into each store becomes.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/transfer.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/twips.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "mainwindow/MainForm.h"
#include "platform/files.h"
#include "platform/profilefile.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QSet>
#include <QUrl>

namespace {

// The kind a moved entry carries: go words from the CompuServe sources, addresses otherwise.
int kindOfSource(int source)
{
    return source == Keys::CompuServeFavoritesSource || source == Keys::ForumsSource ? 2 : 0;
}

} // namespace

QString cMainDialog::fetchAddress(int source, const QString& name, const QString& listKey, int* kind)
{
    *kind = kindOfSource(source);
    switch (source) {
    case Keys::CompuServeFavoritesSource:
    case Keys::WebFavoritesSource:
        return RegistryStores::favoriteText(source == 0, name);
    case Keys::ForumsSource:
        return name;
    case Keys::InternetExplorerSource: {
        const QString root = Favorites::folder();
        const QString relative = favoritesPathOf(m_form->tvMain->SelectedItem());
        return root.isEmpty() ? QString()
                              : Favorites::ReadShortcutUrl(
                                    Favorites::pathIn(root, relative, Favorites::fileNameOf(name) + QStringLiteral(".url")));
    }
    case Keys::NetscapeSource:
        return netscapeAddress(listKey);
    case Keys::FirefoxSource:
    case Keys::ChromiumSource:
        return browserAddress(KeyedTreeView::Key(m_form->tvMain->SelectedItem()), listKey);
    default:
        break;
    }
    if (source < Keys::FirstUserFolder)
        return {};
    const QString folder = KeyedTreeView::Text(m_form->tvMain->Node(Keys::rootKey(source)));
    *kind = RegistryStores::userEntryType(folder, name);
    return RegistryStores::userEntryUrl(folder, name);
}

bool cMainDialog::confirmAdd(bool exists, const QString& question, const QString& existsMessage)
{
    if (exists) {
        tell(existsMessage);
        return false;
    }
    return ask(question);
}

bool cMainDialog::acceptName(Names::Target target, const QString& name, QString* stored)
{
    const Names::Checked checked = Names::check(target, name);
    if (!checked.ok()) {
        tell(QLatin1Char('\'') + name.left(60) + QStringLiteral("' was not added. ") + checked.refusal);
        return false;
    }
    *stored = checked.name;
    return true;
}

namespace {

QString notAdded(const QString& name, const QString& why = {})
{
    return QLatin1Char('\'') + name + QStringLiteral("' could not be added")
           + (why.isEmpty() ? QString() : QStringLiteral(": ") + why) + QLatin1Char('.');
}

QString addToFolderQuestion(const QString& name, const QString& folder)
{
    return QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your '") + folder + QStringLiteral("' folder?");
}

} // namespace

void cMainDialog::addToCompuServeFavorites(const QString& name)
{
    QString stored;
    if (!acceptName(Names::Target::RegistryValue, name, &stored))
        return;
    if (!confirmAdd(RegistryStores::hasFavorite(true, stored),
                    QStringLiteral("Are you sure you wish to add '") + stored + QStringLiteral("' to your list of CompuServe Web Favorites?"),
                    Names::existsInList(stored, true)))
        return;
    if (!RegistryStores::writeFavorite(true, stored, Names::address(name)))
        tell(notAdded(stored));
}

void cMainDialog::AddToWebFavorites(int source, const QString& name, const QString& key)
{
    QString stored;
    if (!acceptName(Names::Target::RegistryValue, name, &stored))
        return;
    if (!confirmAdd(RegistryStores::hasFavorite(false, stored),
                    QStringLiteral("Are you sure you wish to add '") + stored + QStringLiteral("' to your list of Web Favorites?"),
                    Names::existsInList(stored, false)))
        return;
    int kind = 0;
    if (!RegistryStores::writeFavorite(false, stored, Names::address(fetchAddress(source, name, key, &kind))))
        tell(notAdded(stored));
}

void cMainDialog::AddToUserFolder(int source, const QString& name, const QString& key, QTreeWidgetItem* target)
{
    const QString folder = KeyedTreeView::Text(target);
    QString stored;
    if (!acceptName(Names::Target::RegistryKey, name, &stored))
        return;
    if (!confirmAdd(RegistryStores::hasUserEntry(folder, stored), addToFolderQuestion(stored, folder), Names::existsInFolder(stored, folder)))
        return;
    int kind = 0;
    const QString address = Names::address(fetchAddress(source, name, key, &kind));
    if (!RegistryStores::writeUserEntry(folder, stored, address, kind))
        tell(notAdded(stored));
}

void cMainDialog::AddToInternetExplorerFolder(int source, const QString& name, const QString& key, QTreeWidgetItem* target)
{
    const QString root = Favorites::folder();
    if (root.isEmpty())
        return;
    QString stored;
    if (!acceptName(Names::Target::ShortcutFile, name, &stored))
        return;
    const QString relative = favoritesPathOf(target);
    const QString file = platform::nativePath(Favorites::pathIn(root, relative, QString())) + Favorites::fileNameOf(stored)
                         + QStringLiteral(".url");
    const QString onDisk = platform::diskPath(file);
    const QString folder = KeyedTreeView::Text(target);
    if (!confirmAdd(QFileInfo::exists(onDisk) || QFileInfo(onDisk).isSymLink(), addToFolderQuestion(stored, folder),
                    Names::existsInFolder(stored, folder)))
        return;
    if (!Favorites::isInside(file)) {
        tell(notAdded(stored, QStringLiteral("the folder lies outside your Favorites folder")));
        return;
    }
    int kind = 0;
    QString why;
    if (!Favorites::WriteShortcut(file, Names::address(fetchAddress(source, name, key, &kind)), &why))
        tell(notAdded(stored, why));
}

void cMainDialog::AddToNetscapeFolder(int source, const QString& name, const QString& key, QTreeWidgetItem* target)
{
    const int folderNumber = netscapeFolderOf(KeyedTreeView::Key(target));
    if (folderNumber < 0)
        return;
    QString title;
    acceptName(Names::Target::NetscapeTitle, name, &title); // a title can hold anything once it is one line
    bool exists = false;
    for (qsizetype position : Bookmarks().childrenOf(folderNumber)) {
        const cBookmark& record = *Bookmarks().records().at(position);
        if (record.BookmarkType() == cBookmark::LinkType && record.Title() == title)
            exists = true;
    }
    const QString folder = KeyedTreeView::Text(target);
    if (!confirmAdd(exists, addToFolderQuestion(title, folder), Names::existsInFolder(title, folder)))
        return;
    int kind = 0;
    auto link = std::make_shared<cBookmark>();
    link->setTitle(title);
    link->setURL(Names::address(fetchAddress(source, name, key, &kind)));
    link->setKey(Bookmarks().newKey());
    link->setParentFolder(folderNumber);
    link->setBookmarkType(cBookmark::LinkType);
    if (source == Keys::NetscapeSource) {
        if (const auto from = Bookmarks().records().find(NetscapeBookmarks::recordKey(key)); from && from->BookmarkType() == cBookmark::LinkType)
            carryBookmarkLines(*link, *from);
    }
    Bookmarks().records().Add(link, link->Key());
    Bookmarks().invalidateIndex();
    SaveBookmarkFile();
}

void cMainDialog::DragOverTvMain(QObject* source, int x, int y, int)
{
    if (source != m_form->lvMain)
        return;
    KeyedTreeView* tree = m_form->tvMain;
    QTreeWidgetItem* node = tree->itemAt(Twips::toPixelsX(x), Twips::toPixelsY(y));
    QTreeWidgetItem* dragged = m_form->lvMain->SelectedItem();
    if (!node || !dragged || KeyedListView::Image(dragged) == 2)
        return;
    const QString key = KeyedTreeView::Key(node);
    if (Keys::folderPart(key) == Keys::TopKey)
        return; // the top node holds the stores, not entries
    const int target = Keys::sourceNumber(key);
    const bool accepted = (target == Keys::CompuServeFavoritesSource && CurrentSource == Keys::ForumsSource)
                          || (target == Keys::WebFavoritesSource
                              && (CurrentSource == Keys::InternetExplorerSource || CurrentSource == Keys::NetscapeSource
                                  || Keys::isBrowserSource(CurrentSource)))
                          || target == Keys::ForumsSource || target == Keys::InternetExplorerSource
                          || target == Keys::NetscapeSource || target >= Keys::FirstUserFolder;
    if (accepted)
        tree->setDropHighlight(node);
}

void cMainDialog::DragDropTvMain(QObject* source, int, int)
{
    BookmarkReloadScope reloadScope(*this);
    if (source != m_form->lvMain)
        return;
    try {
        KeyedTreeView* tree = m_form->tvMain;
        QTreeWidgetItem* target = tree->DropHighlight();
        if (!target || Keys::folderPart(KeyedTreeView::Key(target)) == Keys::TopKey) {
            tree->setDropHighlight(tree->SelectedItem()); // nothing to drop on: the shown folder stays
            return;
        }
        const int t = Keys::sourceNumber(KeyedTreeView::Key(target));
        const int from = CurrentSource;
        KeyedListView* list = m_form->lvMain;
        const bool focusedIsFolder = list->SelectedItem() && KeyedListView::Image(list->SelectedItem()) == 2;
        for (QTreeWidgetItem* item : list->selectedInOrder()) {
            if (KeyedListView::Image(item) == 2 || KeyedListView::Image(item) == 4)
                continue; // folders are not moved
            const QString name = KeyedListView::Text(item);
            const QString key = KeyedListView::Key(item);
            const bool fromUser = from >= Keys::FirstUserFolder;
            const bool fromForum = from == Keys::CompuServeFavoritesSource || from == Keys::ForumsSource;
            if (t == Keys::CompuServeFavoritesSource && from == Keys::ForumsSource) {
                addToCompuServeFavorites(name);
            } else if (t == Keys::WebFavoritesSource
                       && (from == Keys::InternetExplorerSource || from == Keys::NetscapeSource || Keys::isBrowserSource(from))) {
                if (!focusedIsFolder)
                    AddToWebFavorites(from, name, key);
            } else if (t == Keys::InternetExplorerSource && !fromForum) {
                AddToInternetExplorerFolder(from, name, key, target);
            } else if (t == Keys::NetscapeSource && !fromForum) {
                if (bookmarksReadOnly())
                    return; // the whole drop ends
                AddToNetscapeFolder(from, name, key, target);
            } else if (t >= Keys::FirstUserFolder && (fromForum || fromUser || from == Keys::WebFavoritesSource
                                                      || from == Keys::InternetExplorerSource || from == Keys::NetscapeSource)) {
                AddToUserFolder(from, name, key, target);
            }
        }
    } catch (const cError&) {
        // ends silently, keeping what was written
    } catch (const std::exception& error) {
        logUnexpected("DragDropTvMain", error);
    }
}

void cMainDialog::startDrag()
{
    KeyedListView* list = m_form->lvMain;
    QTreeWidgetItem* item = list->SelectedItem();
    if (!item || KeyedListView::Image(item) == 2)
        return; // folders are not moved
    int image = 0;
    if (CurrentSource == Keys::CompuServeFavoritesSource || CurrentSource == Keys::ForumsSource)
        image = 1;
    else if (CurrentSource == Keys::WebFavoritesSource || CurrentSource == Keys::InternetExplorerSource
             || CurrentSource == Keys::NetscapeSource || CurrentSource >= Keys::FirstUserFolder)
        image = 3;
    list->beginDrag(image);
}
