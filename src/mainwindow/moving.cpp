// Moving entries: dragging them onto a folder of the tree, and cut, copy and
// paste through the clipboard.
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
#include <QPointer>

namespace {

QList<QTreeWidgetItem*> selectedInOrder(KeyedListView* list)
{
    QList<QTreeWidgetItem*> items;
    for (int i = 1; i <= list->Count(); ++i) {
        if (list->ItemAt(i)->isSelected())
            items.append(list->ItemAt(i));
    }
    return items;
}

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
                              : Favorites::ReadShortcutUrl(Favorites::pathIn(root, relative, name + QStringLiteral(".url")));
    }
    case Keys::NetscapeSource:
        return netscapeAddress(listKey);
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

void cMainDialog::addToCompuServeFavorites(const QString& name)
{
    if (!confirmAdd(!keyvalue::isBlank(RegistryStores::favoriteText(true, name)),
                    QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your list of CompuServe Web Favorites?"),
                    QLatin1Char('\'') + name + QStringLiteral("' already exists in your list of CompuServe Web Favorites")))
        return;
    cRegistry registry = userKey(RegistryStores::compuServeFavoritesKey());
    registry.setKeyType(cRegistry::REG_SZ);
    registry.setValueName(name);
    registry.setKeyValue(name);
}

void cMainDialog::AddToWebFavorites(int source, const QString& name, const QString& key)
{
    if (!confirmAdd(!keyvalue::isBlank(RegistryStores::favoriteText(false, name)),
                    QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your list of Web Favorites?"),
                    QLatin1Char('\'') + name + QStringLiteral("' already exists in your list of Web Favorites")))
        return;
    int kind = 0;
    cRegistry registry = userKey(RegistryStores::webFavoritesKey());
    registry.setKeyType(cRegistry::REG_SZ);
    registry.setValueName(name);
    registry.setKeyValue(fetchAddress(source, name, key, &kind));
}

void cMainDialog::AddToUserFolder(int source, const QString& name, const QString& key, QTreeWidgetItem* target)
{
    const QString folder = KeyedTreeView::Text(target);
    const QString safeName = storeSafeName(name);
    const bool exists = userKey(RegistryStores::userEntryKey(folder, safeName) + QLatin1Char('\\')).SubKeyCollection() != nullptr;
    if (!confirmAdd(exists,
                    QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your '") + folder + QStringLiteral("' folder?"),
                    QLatin1Char('\'') + name + QStringLiteral("' already exists in your '") + folder + QStringLiteral("' folder")))
        return;
    int kind = 0;
    const QString address = fetchAddress(source, name, key, &kind);
    cRegistry entry = userKey(RegistryStores::userEntryKey(folder, safeName));
    entry.setKeyType(cRegistry::REG_SZ);
    entry.setValueName(QStringLiteral("URL"));
    entry.setKeyValue(address);
    if (kind >= 0) {
        entry.setKeyType(cRegistry::REG_DWORD);
        entry.setValueName(QStringLiteral("Type"));
        entry.setKeyValue(kind);
    }
}

void cMainDialog::AddToInternetExplorerFolder(int source, const QString& name, const QString& key, QTreeWidgetItem* target)
{
    const QString root = Favorites::folder();
    if (root.isEmpty())
        return;
    const QString relative = favoritesPathOf(target);
    const QString file = Favorites::pathIn(root, relative, storeSafeName(name) + QStringLiteral(".url"));
    const QString folder = KeyedTreeView::Text(target);
    if (!confirmAdd(QFileInfo::exists(platform::nativePath(file)),
                    QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your '") + folder + QStringLiteral("' folder?"),
                    QLatin1Char('\'') + name + QStringLiteral("' already exists in your '") + folder + QStringLiteral("' folder")))
        return;
    int kind = 0;
    platform::WritePrivateProfileString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"),
                                        fetchAddress(source, name, key, &kind), file);
}

void cMainDialog::AddToNetscapeFolder(int source, const QString& name, const QString& key, QTreeWidgetItem* target)
{
    const int folderNumber = netscapeFolderOf(KeyedTreeView::Key(target));
    bool exists = false;
    for (qsizetype position : m_bookmarks.childrenOf(folderNumber)) {
        const cBookmark& record = *m_bookmarks.records().at(position);
        if (record.BookmarkType() == cBookmark::LinkType && record.Title() == name)
            exists = true;
    }
    const QString folder = KeyedTreeView::Text(target);
    if (!confirmAdd(exists,
                    QStringLiteral("Are you sure you wish to add '") + name + QStringLiteral("' to your '") + folder + QStringLiteral("' folder?"),
                    QLatin1Char('\'') + name + QStringLiteral("' already exists in your '") + folder + QStringLiteral("' folder")))
        return;
    int kind = 0;
    auto link = std::make_shared<cBookmark>();
    link->setTitle(name);
    link->setURL(fetchAddress(source, name, key, &kind));
    link->setKey(m_bookmarks.newKey());
    link->setParentFolder(folderNumber);
    link->setBookmarkType(cBookmark::LinkType);
    m_bookmarks.records().Add(link, link->Key());
    m_bookmarks.invalidateIndex();
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
    const int target = Keys::sourceNumber(KeyedTreeView::Key(node));
    const bool accepted = (target == Keys::CompuServeFavoritesSource && CurrentSource == Keys::ForumsSource)
                          || (target == Keys::WebFavoritesSource
                              && (CurrentSource == Keys::InternetExplorerSource || CurrentSource == Keys::NetscapeSource))
                          || target == Keys::ForumsSource || target == Keys::InternetExplorerSource
                          || target == Keys::NetscapeSource || target >= Keys::FirstUserFolder;
    if (accepted)
        tree->setDropHighlight(node);
}

void cMainDialog::DragDropTvMain(QObject* source, int, int)
{
    if (source != m_form->lvMain)
        return;
    try {
        KeyedTreeView* tree = m_form->tvMain;
        QTreeWidgetItem* target = tree->DropHighlight();
        if (!target) {
            tree->setDropHighlight(tree->SelectedItem()); // nothing to drop on: the shown folder stays
            return;
        }
        const int t = Keys::sourceNumber(KeyedTreeView::Key(target));
        const int from = CurrentSource;
        KeyedListView* list = m_form->lvMain;
        const bool focusedIsFolder = list->SelectedItem() && KeyedListView::Image(list->SelectedItem()) == 2;
        for (QTreeWidgetItem* item : selectedInOrder(list)) {
            const QString name = KeyedListView::Text(item);
            const QString key = KeyedListView::Key(item);
            const bool fromUser = from >= Keys::FirstUserFolder;
            const bool fromForum = from == Keys::CompuServeFavoritesSource || from == Keys::ForumsSource;
            if (t == Keys::CompuServeFavoritesSource && from == Keys::ForumsSource) {
                addToCompuServeFavorites(name);
            } else if (t == Keys::WebFavoritesSource
                       && (from == Keys::InternetExplorerSource || from == Keys::NetscapeSource)) {
                if (!focusedIsFolder)
                    AddToWebFavorites(from, name, key);
            } else if (t == Keys::InternetExplorerSource && !fromForum && from != Keys::ForumsSource) {
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
    } catch (...) {
        // ends silently, keeping what was written
    }
}

void cMainDialog::CopyEntries()
{
    try {
        KeyedListView* list = m_form->lvMain;
        for (int i = 1; i <= list->Count(); ++i)
            list->setGhosted(list->ItemAt(i), false);
        m_cutPending = false;
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        const int source = CurrentSource;
        const int focusedImage = KeyedListView::Image(list->SelectedItem());
        if ((source == Keys::InternetExplorerSource || source == Keys::NetscapeSource)
            && (focusedImage == 2 || focusedImage == 4))
            return;
        QString text;
        for (QTreeWidgetItem* item : selectedInOrder(list)) {
            int kind = 0;
            const QString address = fetchAddress(source, KeyedListView::Text(item), KeyedListView::Key(item), &kind);
            text += Transfer::makeRecord(kind, KeyedListView::Text(item), address);
        }
        clipboard->setText(text);
    } catch (...) {
        // ends silently
    }
}

void cMainDialog::CutEntries()
{
    CopyEntries();
    try {
        KeyedListView* list = m_form->lvMain;
        m_cutList.Clear();
        m_cutPending = true;
        m_cutSource = CurrentSource;
        m_cutStorePath.clear();
        if (m_cutSource == Keys::CompuServeFavoritesSource)
            m_cutStorePath = RegistryStores::compuServeFavoritesKey();
        else if (m_cutSource == Keys::WebFavoritesSource)
            m_cutStorePath = RegistryStores::webFavoritesKey();
        else if (m_cutSource == Keys::InternetExplorerSource)
            m_cutStorePath = favoritesPathOf(m_form->tvMain->SelectedItem());
        const QString userFolder = KeyedTreeView::Text(m_form->tvMain->SelectedItem());
        int number = 0;
        for (QTreeWidgetItem* item : selectedInOrder(list)) {
            auto cut = std::make_shared<cCutItem>();
            cut->setKeyValue(KeyedListView::Key(item));
            cut->setKeyName(KeyedListView::Key(item));
            cut->setName(KeyedListView::Text(item));
            if (m_cutSource >= Keys::FirstUserFolder)
                cut->setBranch(RegistryStores::userEntryKey(userFolder, KeyedListView::Text(item)) + QLatin1Char('\\'));
            list->setGhosted(item, true);
            m_cutList.Add(cut, QString::number(number++) + QLatin1Char('X'));
        }
    } catch (...) {
        // ends silently
    }
}

void cMainDialog::PasteEntries()
{
    try {
        const QList<Transfer::Record> records = Transfer::parse(QApplication::clipboard()->text());
        if (records.isEmpty())
            return;
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        if (!node)
            return;
        const QString nodeKey = KeyedTreeView::Key(node);
        const int target = Keys::sourceNumber(nodeKey);
        QWidget* window = m_form->window();
        bool lastAnswer = false;
        for (const Transfer::Record& record : records) {
            KeyedListView* list = m_form->lvMain;
            bool shown = false;
            for (int i = 1; i <= list->Count() && !shown; ++i)
                shown = KeyedListView::Text(list->ItemAt(i)) == record.name;
            if (shown) {
                QApplication::beep();
                continue;
            }
            frmFavorite favorite;
            bool answer = false;
            if (target == Keys::CompuServeFavoritesSource) {
                if (record.kind != 2) {
                    QApplication::beep();
                    continue;
                }
                answer = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                          record.address, false);
            } else if (target == Keys::WebFavoritesSource) {
                if (record.kind != 0)
                    continue;
                answer = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                          record.address, false);
            } else if (target == Keys::ForumsSource) {
                if (record.kind != 2)
                    continue;
                frmForum forum;
                QString word;
                answer = forum.Display(0, window, &word, record.name);
                if (answer) {
                    if (!m_forumsBuilt)
                        LoadForumList();
                    QString key = QString::number(list->Count() + 100) + QLatin1Char('X');
                    while (m_forums.Contains(key))
                        key = QString::number(Keys::leadingNumber(key) + 1) + QLatin1Char('X');
                    m_forums.Add(std::make_shared<QString>(word), key);
                    SaveForumList();
                    LoadForumList();
                }
            } else if (target == Keys::InternetExplorerSource) {
                if (record.kind != 0)
                    continue;
                const QString relative = favoritesPathOf(node);
                answer = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                          record.address, false,
                                          relative.isEmpty() ? QStringLiteral("\\") : relative + QLatin1Char('\\'));
            } else if (target == Keys::NetscapeSource) {
                if (record.kind != 0)
                    continue;
                if (bookmarksReadOnly())
                    return;
                answer = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                          record.address, false, QString::number(netscapeFolderOf(nodeKey)), &m_bookmarks);
                if (answer)
                    SaveBookmarkFile();
            } else if (target >= Keys::FirstUserFolder) {
                favorite.setBookmarkType(record.kind);
                answer = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::AddWithKind, window, record.name,
                                          record.address, m_settings.SupportCompuServe(), {}, nullptr, {}, record.kind);
            } else {
                continue;
            }
            lastAnswer = answer;
            if (answer) {
                CurrentSource = -1;
                ClickTVMain();
            }
        }
        if (lastAnswer && m_cutPending) {
            m_cutPending = false;
            RemoveCutEntries();
            ClickTVMain();
        }
        if (target == Keys::ForumsSource) {
            SaveForumList();
            CurrentSource = -1;
        } else if (target == Keys::NetscapeSource) {
            SaveBookmarkFile();
        }
    } catch (...) {
        // ends silently
    }
}

void cMainDialog::RemoveCutEntries()
{
    bool bookmarksChanged = false;
    bool forumsChanged = false;
    for (const auto& cut : m_cutList) {
        const QString name = keyvalue::text(cut->Name());
        const QString keyName = keyvalue::text(cut->KeyName());
        switch (m_cutSource) {
        case Keys::CompuServeFavoritesSource:
        case Keys::WebFavoritesSource: {
            cRegistry registry = userKey(m_cutStorePath);
            registry.setValueName(name);
            registry.DeleteValue();
            break;
        }
        case Keys::ForumsSource:
            if (m_forums.Contains(keyName)) {
                m_forums.Remove(keyName);
                forumsChanged = true;
            }
            break;
        case Keys::InternetExplorerSource: {
            const QString root = Favorites::folder();
            if (!root.isEmpty())
                QFile::remove(platform::nativePath(Favorites::pathIn(root, m_cutStorePath, name + QStringLiteral(".url"))));
            break;
        }
        case Keys::NetscapeSource:
            if (const auto record = m_bookmarks.records().find(NetscapeBookmarks::recordKey(keyName))) {
                record->setBookmarkType(cBookmark::RetiredLinkType);
                bookmarksChanged = true;
            }
            break;
        default:
            if (m_cutSource >= Keys::FirstUserFolder)
                userKey(cut->Branch()).DeleteKey();
            break;
        }
    }
    m_cutList.Clear();
    if (bookmarksChanged) {
        m_bookmarks.invalidateIndex();
        SaveBookmarkFile();
    }
    if (forumsChanged) {
        SaveForumList();
        LoadForumList();
    }
}

void cMainDialog::ghostCutEntries()
{
    if (!m_cutPending || m_cutSource != CurrentSource)
        return;
    KeyedListView* list = m_form->lvMain;
    for (int i = 1; i <= list->Count(); ++i) {
        QTreeWidgetItem* item = list->ItemAt(i);
        for (const auto& cut : m_cutList) {
            const bool match = CurrentSource >= Keys::FirstUserFolder
                                   ? keyvalue::text(cut->Name()) == KeyedListView::Text(item)
                                   : keyvalue::text(cut->KeyName()) == KeyedListView::Key(item);
            if (match) {
                list->setGhosted(item, true);
                break;
            }
        }
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
