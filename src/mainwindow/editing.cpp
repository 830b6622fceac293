// Adding, changing and removing entries and folders in the store of the
// selected node, with the program's confirmations and refusals.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"
#include "bookmarks/names.h"
#include "bookmarks/registrystores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "dialogs/frmMessage.h"
#include "mainwindow/MainForm.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include <functional>
#include <optional>

namespace {

const QString kFavoritesRoot = QStringLiteral("3A");
const QString kNetscapeRoot = QStringLiteral("4A");

// A name for the target store, or empty with the user told why it cannot be kept.
std::optional<QString> checkedName(Names::Target target, const QString& typed, const std::function<void(const QString&)>& tell)
{
    const Names::Checked checked = Names::check(target, typed);
    if (checked.ok())
        return checked.name;
    tell(checked.refusal);
    return std::nullopt;
}

} // namespace

void cMainDialog::tell(const QString& text)
{
    frmMessage message;
    message.setMessage(text);
    message.Display(m_form->window());
}

bool cMainDialog::ask(const QString& question)
{
    frmQuestion box;
    box.setMessage(question);
    return box.Display(m_form->window());
}

bool cMainDialog::bookmarksReadOnly()
{
    if (!m_settings.TreatBookmarksAsReadOnly())
        return false;
    tell(QStringLiteral("ORX Markcrate is currently configured to treat your Netscape Bookmark File as Read-Only.  "
                        "If you would like to modify your bookmark's file please modify your settings."));
    return true;
}

void cMainDialog::AddEntry()
{
    BookmarkReloadScope reloadScope(*this);
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    if (!store || !writableOrTold(*store))
        return;
    const Stores::Place folder = placeOf(node);
    QWidget* window = m_form->window();
    if (store->nameIsAddress()) {
        frmForum forum;
        QString word;
        if (!forum.Display(0, window, &word, {}))
            return;
        if (store->add(folder, {word, word, store->entryKind()}).ok())
            saveStore(*store); // sorted and numbered afresh
        ClickTVMain();
        return;
    }
    const bool kindChoice = store->entryKind() < 0;
    frmFavorite favorite;
    if (favorite.Display(*store, folder, kindChoice ? frmFavorite::AddWithKind : frmFavorite::Add, window, {}, {},
                         kindChoice && m_settings.SupportCompuServe())) {
        saveStore(*store);
        ClickTVMain();
    }
}

void cMainDialog::EditEntry()
{
    BookmarkReloadScope reloadScope(*this);
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    QTreeWidgetItem* item = m_form->lvMain->SelectedItem();
    Stores::Store* store = node && item ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    if (!store || !writableOrTold(*store))
        return;
    const int icon = KeyedListView::Image(item);
    if (icon == ListImage::Folder || icon == ListImage::UpOneLevel)
        return; // a folder or the way up, not an entry
    const Stores::Place entry = placeOf(node, item);
    QWidget* window = m_form->window();
    if (store->nameIsAddress()) {
        frmForum forum;
        QString word;
        if (!forum.Display(0, window, &word, entry.name))
            return;
        if (store->change(entry, {word, word, store->entryKind()}).ok())
            saveStore(*store); // keys stay unique and the list sorted
        ClickTVMain();
        return;
    }
    const bool kindChoice = store->entryKind() < 0;
    const Stores::Entry held = entryAt(entry);
    frmFavorite favorite;
    if (kindChoice)
        favorite.setBookmarkType(held.kind);
    if (favorite.Display(*store, entry, kindChoice ? frmFavorite::EditWithKind : frmFavorite::Edit, window, entry.name,
                         held.address, kindChoice && m_settings.SupportCompuServe())) {
        saveStore(*store);
        ClickTVMain();
    }
}

void cMainDialog::DeleteEntries()
{
    BookmarkReloadScope reloadScope(*this);
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    KeyedListView* list = m_form->lvMain;
    Stores::Store* store = node ? m_stores->forKey(KeyedTreeView::Key(node)) : nullptr;
    if (!store || !writableOrTold(*store))
        return;
    QTreeWidgetItem* selected = list->SelectedItem();
    if (list->Count() > 0 && selected && KeyedListView::Image(selected) != ListImage::Folder
        && KeyedListView::Image(selected) != ListImage::UpOneLevel
        && ask(QStringLiteral("Are you sure you wish to delete the selected entries?"))) {
        QStringList notDeleted;
        {
            platform::RegistryBatch batch; // one rewrite of the registry file for the whole selection
            for (int i = list->Count(); i >= 1; --i) {
                QTreeWidgetItem* item = list->ItemAt(i);
                if (!item->isSelected())
                    continue;
                if (store->remove(placeOf(node, item)).outcome == Stores::Result::Outcome::Failed) {
                    notDeleted << KeyedListView::Text(item);
                    continue; // still there: it stays in the list
                }
                list->RemoveItem(item);
            }
        }
        if (!notDeleted.isEmpty())
            tell(QStringLiteral("These entries could not be deleted: '") + notDeleted.join(QStringLiteral("', '")) + QLatin1Char('\''));
        if (!saveStore(*store) || store->keysChangeOnSave())
            ClickTVMain(); // what the store holds now
        m_form->cboMain[1]->setEditText(QString());
    }
    m_form->lblMain.at(1)->setText(QString::number(list->Count()) + QStringLiteral(" items"));
}

void cMainDialog::NewFolder()
{
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    if (!node)
        return;
    const QString key = KeyedTreeView::Key(node);
    const QString part = Keys::folderPart(key);
    QWidget* window = m_form->window();
    const auto tellFn = [this](const QString& text) { tell(text); };
    auto exists = [this](const QString& name) {
        tell(QStringLiteral("A folder already exists with the name '") + name
             + QStringLiteral("'.  The folder name will not be created."));
    };
    if (part == kNetscapeRoot) {
        if (bookmarksReadOnly())
            return;
        frmFolder dialog;
        QString typed;
        if (!dialog.Display(0, window, &typed, {}))
            return;
        const QString name = Names::check(Names::Target::NetscapeTitle, typed).name;
        int parent = 0;
        int level = 0;
        if (key != kNetscapeRoot) {
            const auto folder = Bookmarks().records().find(key.chopped(2));
            if (!folder)
                return;
            parent = NetscapeBookmarks::folderNumber(*folder);
            level = folder->FolderLevel() + 1;
        }
        // The highest number among all folder records, deleted ones too: a
        // deleted folder's links still name its number, and must not come back.
        int highest = Bookmarks().lastFolderNumber();
        for (const auto& record : Bookmarks().records()) {
            if (record->BookmarkType() == cBookmark::FolderType && record->FolderLevel() == level && record->Title() == name) {
                exists(name);
                return;
            }
            if (record->BookmarkType() != cBookmark::LinkType)
                highest = qMax(highest, NetscapeBookmarks::folderNumber(*record));
        }
        auto folder = std::make_shared<cBookmark>();
        folder->setTitle(name);
        folder->setKey(Bookmarks().newKey());
        folder->setParentFolder(parent);
        folder->setURL(QString::number(highest + 1));
        folder->setFolderLevel(qint16(level));
        folder->setBookmarkType(cBookmark::FolderType);
        Bookmarks().records().Add(folder, folder->Key());
        Bookmarks().invalidateIndex();
        SaveBookmarkFile();
        BuildFolderTree();
        return;
    }
    frmFolder dialog;
    QString typed;
    if (!dialog.Display(0, window, &typed, {}))
        return;
    if (part == kFavoritesRoot) {
        const auto name = checkedName(Names::Target::Directory, typed, tellFn);
        if (!name)
            return;
        const QString root = Favorites::folder();
        if (root.isEmpty())
            return;
        const QString relative = favoritesPathOf(node);
        const QString path =
            platform::diskPath(platform::nativePath(Favorites::pathIn(root, relative, QString())) + Favorites::fileNameOf(*name));
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            exists(*name);
            return;
        }
        if (!Favorites::isInside(path)) {
            tell(QLatin1Char('\'') + KeyedTreeView::Text(node) + QStringLiteral("' lies outside your Favorites folder; nothing was changed."));
            return;
        }
        if (!QDir().mkdir(path)) {
            tell(QStringLiteral("The folder '") + *name + QStringLiteral("' could not be created in \"")
                 + QDir::toNativeSeparators(QFileInfo(path).path()) + QStringLiteral("\"."));
            return;
        }
        BuildFolderTree();
        return;
    }
    const auto name = checkedName(Names::Target::RegistryKey, typed, tellFn);
    if (!name)
        return;
    if (RegistryStores::hasUserFolder(*name)) {
        exists(*name);
        return;
    }
    if (!RegistryStores::createUserFolder(*name)) {
        tell(QStringLiteral("The folder '") + *name + QStringLiteral("' could not be created."));
        return;
    }
    BuildFolderTree();
}

void cMainDialog::RenameFolder()
{
    BookmarkReloadScope reloadScope(*this);
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    if (!node)
        return;
    const QString key = KeyedTreeView::Key(node);
    const QString part = Keys::folderPart(key);
    const int source = Keys::sourceNumber(key);
    const bool netscape = key.contains(QLatin1Char('X')) && part == kNetscapeRoot;
    const bool favorites = key.contains(QLatin1Char('X')) && part == kFavoritesRoot;
    if (!netscape && !favorites && source < Keys::FirstUserFolder)
        return; // only sub-folders and user folders can be renamed
    if (netscape && bookmarksReadOnly())
        return;
    frmFolder dialog;
    QString typed;
    if (!dialog.Display(0, m_form->window(), &typed, KeyedTreeView::Text(node)))
        return;
    const Names::Checked checked = Names::check(netscape    ? Names::Target::NetscapeTitle
                                                : favorites ? Names::Target::Directory
                                                            : Names::Target::RegistryKey,
                                                typed);
    if (!checked.ok()) {
        tell(checked.refusal);
        return;
    }
    const QString name = checked.name;
    const QString old = KeyedTreeView::Text(node);
    if (name == old)
        return; // only what the store cannot keep was changed
    auto exists = [this](const QString& newName) {
        tell(QStringLiteral("A folder already exists with the name '") + newName
             + QStringLiteral("'.  The folder name will not been changed."));
    };
    if (netscape) {
        const auto folder = Bookmarks().records().find(key.chopped(2));
        if (!folder)
            return;
        for (const auto& record : Bookmarks().records()) {
            if (record != folder && record->BookmarkType() == cBookmark::FolderType
                && record->FolderLevel() == folder->FolderLevel() && record->Title() == name) {
                exists(name);
                return;
            }
        }
        folder->setTitle(name);
        if (!SaveBookmarkFile()) {
            BuildFolderTree();
            return;
        }
    } else if (favorites) {
        const QString root = Favorites::folder();
        if (root.isEmpty())
            return;
        const QString oldPath = platform::diskPath(platform::nativePath(root + favoritesPathOf(node)));
        const QString newPath = QFileInfo(oldPath).path() + QLatin1Char('/') + Favorites::fileNameOf(name);
        if ((QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink())
            && QFileInfo(newPath).canonicalFilePath() != QFileInfo(oldPath).canonicalFilePath()) {
            exists(name);
            return;
        }
        if (!Favorites::isInside(oldPath) || !Favorites::isInside(newPath)) {
            tell(QLatin1Char('\'') + old + QStringLiteral("' lies outside your Favorites folder; nothing was changed."));
            return;
        }
        if (!QDir().rename(oldPath, newPath))
            throw cError(ErrorNumber::PathFileAccessError);
    } else {
        if (RegistryStores::hasUserFolder(name) && name.compare(old, Qt::CaseInsensitive) != 0) {
            exists(name);
            return;
        }
        // The new folder with copies of the entries is written and checked before the old one goes.
        if (!RegistryStores::renameUserFolder(old, name)) {
            tell(QStringLiteral("The folder '") + old + QStringLiteral("' could not be renamed to '") + name
                 + QStringLiteral("'; it is unchanged."));
            return;
        }
    }
    m_form->tvMain->setNodeText(node, name);
}

void cMainDialog::DeleteFolder()
{
    BookmarkReloadScope reloadScope(*this);
    KeyedTreeView* tree = m_form->tvMain;
    QTreeWidgetItem* node = tree->SelectedItem();
    if (!node)
        return;
    const QString key = KeyedTreeView::Key(node);
    const QString part = Keys::folderPart(key);
    const int source = Keys::sourceNumber(key);
    const bool subFolder = key.contains(QLatin1Char('X'));
    if (!subFolder && source < Keys::FirstUserFolder)
        return; // the sources themselves are not deleted
    if (part == kNetscapeRoot && bookmarksReadOnly())
        return;
    if (!ask(QStringLiteral("Are you sure you wish to delete this folder?")))
        return;
    if (subFolder && part == kNetscapeRoot) {
        if (const auto folder = Bookmarks().records().find(key.chopped(2)))
            folder->setBookmarkType(cBookmark::RetiredLinkType);
        Bookmarks().invalidateIndex();
    } else if (subFolder && part == kFavoritesRoot) {
        const QString root = Favorites::folder();
        const QString path = root + favoritesPathOf(node);
        if (!root.isEmpty() && !Favorites::isInside(platform::nativePath(path))) {
            tell(QLatin1Char('\'') + KeyedTreeView::Text(node) + QStringLiteral("' lies outside your Favorites folder; nothing was changed."));
            return;
        }
        if (root.isEmpty()
            || platform::fileAttributes(path) & (platform::FileAttribute::Hidden | platform::FileAttribute::System)) {
            tell(QLatin1Char('\'') + KeyedTreeView::Text(node) + QStringLiteral("' is a Hidden or System folder and cannot be deleted"));
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            Favorites::DeleteFolderTree(path, [] { QApplication::processEvents(); });
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
    } else {
        RegistryStores::deleteUserFolder(KeyedTreeView::Text(node));
    }
    QTreeWidgetItem* parent = node->parent();
    const int index = parent ? parent->indexOfChild(node) : -1;
    QTreeWidgetItem* next = parent && index + 1 < parent->childCount() ? parent->child(index + 1)
                            : parent && index > 0                      ? parent->child(index - 1)
                                                                       : tree->Node(Keys::rootKey(Keys::WebFavoritesSource));
    tree->setSelectedItem(next);
    tree->RemoveNode(node);
    if (source == Keys::NetscapeSource && !SaveBookmarkFile())
        BuildFolderTree(); // the file keeps the folder: so does the tree
    ClickTVMain();
}
