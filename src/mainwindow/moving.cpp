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
#include <QMimeData>
#include <QPointer>
#include <QSet>
#include <QUrl>

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
    for (qsizetype position : m_bookmarks.childrenOf(folderNumber)) {
        const cBookmark& record = *m_bookmarks.records().at(position);
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
    link->setKey(m_bookmarks.newKey());
    link->setParentFolder(folderNumber);
    link->setBookmarkType(cBookmark::LinkType);
    if (source == Keys::NetscapeSource) {
        if (const auto from = m_bookmarks.records().find(NetscapeBookmarks::recordKey(key)); from && from->BookmarkType() == cBookmark::LinkType)
            carryBookmarkLines(*link, *from);
    }
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
        for (QTreeWidgetItem* item : selectedInOrder(list)) {
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

QList<QTreeWidgetItem*> cMainDialog::copyableSelection()
{
    KeyedListView* list = m_form->lvMain;
    const int focusedImage = KeyedListView::Image(list->SelectedItem());
    if ((CurrentSource == Keys::InternetExplorerSource || CurrentSource == Keys::NetscapeSource)
        && (focusedImage == 2 || focusedImage == 4))
        return {};
    QList<QTreeWidgetItem*> items;
    for (QTreeWidgetItem* item : selectedInOrder(list)) {
        if (KeyedListView::Image(item) != 2 && KeyedListView::Image(item) != 4)
            items.append(item); // folders and "up one level" are no entries
    }
    return items;
}

QList<Transfer::Record> cMainDialog::copySelection(const QList<QTreeWidgetItem*>& items)
{
    KeyedListView* list = m_form->lvMain;
    for (int i = 1; i <= list->Count(); ++i)
        list->setGhosted(list->ItemAt(i), false);
    m_cutPending = false;
    m_cutOrigins.clear();
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    QList<Transfer::Record> records;
    QString text;
    QList<QUrl> urls;
    for (QTreeWidgetItem* item : items) {
        Transfer::Record record;
        record.name = KeyedListView::Text(item);
        record.address = fetchAddress(CurrentSource, record.name, KeyedListView::Key(item), &record.kind);
        text += Transfer::makeRecord(record.kind, record.name, record.address);
        const QUrl url(record.address, QUrl::StrictMode);
        if (record.kind == 0 && url.isValid() && !url.scheme().isEmpty())
            urls.append(url);
        records.append(record);
    }
    if (records.isEmpty())
        return records;
    auto* mime = new QMimeData;
    mime->setText(text); // the program's text form, for other programs that know it
    mime->setData(Transfer::MimeType, Transfer::encode(records));
    if (!urls.isEmpty())
        mime->setUrls(urls); // so that a copied entry pastes into a browser or a file manager
    clipboard->setMimeData(mime);
    return records;
}

void cMainDialog::CopyEntries()
{
    try {
        copySelection(copyableSelection());
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("CopyEntries", error);
    }
}

void cMainDialog::CutEntries()
{
    try {
        const QList<QTreeWidgetItem*> items = copyableSelection();
        const QList<Transfer::Record> records = copySelection(items);
        m_cutList.Clear();
        if (CurrentSource == Keys::NetscapeSource && bookmarksReadOnly())
            return; // the file is not to change: the cut is a copy
        if (records.size() != items.size() || records.isEmpty())
            return;
        m_cutPending = true;
        m_cutSource = CurrentSource;
        m_cutNodeKey = KeyedTreeView::Key(m_form->tvMain->SelectedItem());
        m_cutStorePath.clear();
        if (m_cutSource == Keys::CompuServeFavoritesSource)
            m_cutStorePath = RegistryStores::compuServeFavoritesKey();
        else if (m_cutSource == Keys::WebFavoritesSource)
            m_cutStorePath = RegistryStores::webFavoritesKey();
        else if (m_cutSource == Keys::InternetExplorerSource)
            m_cutStorePath = favoritesPathOf(m_form->tvMain->SelectedItem());
        const QString userFolder = KeyedTreeView::Text(m_form->tvMain->SelectedItem());
        const QString root = Favorites::folder();
        for (qsizetype i = 0; i < items.size(); ++i) {
            QTreeWidgetItem* item = items[i];
            auto cut = std::make_shared<cCutItem>();
            cut->setKeyValue(KeyedListView::Key(item));
            cut->setKeyName(KeyedListView::Key(item));
            cut->setName(KeyedListView::Text(item));
            CutOrigin origin;
            origin.record = records[i];
            if (m_cutSource >= Keys::FirstUserFolder) {
                cut->setBranch(RegistryStores::userEntryKey(userFolder, KeyedListView::Text(item)) + QLatin1Char('\\'));
                origin.folder = userFolder;
            } else if (m_cutSource == Keys::InternetExplorerSource && !root.isEmpty()) {
                origin.file = platform::nativePath(Favorites::pathIn(root, m_cutStorePath, QString()))
                              + Favorites::fileNameOf(KeyedListView::Text(item)) + QStringLiteral(".url");
            } else if (m_cutSource == Keys::NetscapeSource) {
                origin.bookmark = m_bookmarks.records().find(NetscapeBookmarks::recordKey(KeyedListView::Key(item)));
                origin.parentFolder = CurrentNetscapeFolder;
            }
            m_form->lvMain->setGhosted(item, true);
            m_cutList.Add(cut, QString::number(i) + QLatin1Char('X'));
            m_cutOrigins.push_back(origin);
        }
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("CutEntries", error);
    }
}

void cMainDialog::PasteEntries()
{
    BookmarkReloadScope reloadScope(*this);
    try {
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        QList<Transfer::Record> records;
        if (mime && mime->hasFormat(Transfer::MimeType))
            records = Transfer::decode(mime->data(Transfer::MimeType));
        if (records.isEmpty())
            records = Transfer::parse(QApplication::clipboard()->text());
        if (records.isEmpty())
            return;
        QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
        if (!node)
            return;
        const QString nodeKey = KeyedTreeView::Key(node);
        const int target = Keys::sourceNumber(nodeKey);
        if (Keys::folderPart(nodeKey) == Keys::TopKey)
            return; // the top node is no store
        QWidget* window = m_form->window();
        std::vector<size_t> pasted; // places in the cut list of what was written into the target
        std::vector<bool> taken(m_cutOrigins.size(), false);
        const auto noteWritten = [&](const Transfer::Record& record) {
            if (!m_cutPending)
                return;
            for (size_t i = 0; i < m_cutOrigins.size(); ++i) {
                const Transfer::Record& cut = m_cutOrigins[i].record;
                if (!taken[i] && cut.kind == record.kind && cut.address == record.address
                    && cut.name.trimmed() == record.name.trimmed()) {
                    taken[i] = true;
                    pasted.push_back(i);
                    return;
                }
            }
        };
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
            bool written = false;
            if (target == Keys::CompuServeFavoritesSource) {
                if (record.kind != 2) {
                    QApplication::beep();
                    continue;
                }
                written = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                           record.address, false);
            } else if (target == Keys::WebFavoritesSource) {
                if (record.kind != 0)
                    continue;
                written = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                           record.address, false);
            } else if (target == Keys::ForumsSource) {
                if (record.kind != 2)
                    continue;
                frmForum forum;
                QString word;
                if (forum.Display(0, window, &word, record.name)) {
                    word = Names::check(Names::Target::GoWord, word).name;
                    if (!m_forumsBuilt)
                        LoadForumList();
                    QString key = QString::number(list->Count() + 100) + QLatin1Char('X');
                    while (m_forums.Contains(key))
                        key = QString::number(Keys::leadingNumber(key) + 1) + QLatin1Char('X');
                    m_forums.Add(std::make_shared<QString>(word), key);
                    written = SaveForumList();
                    if (written)
                        LoadForumList();
                }
            } else if (target == Keys::InternetExplorerSource) {
                if (record.kind != 0)
                    continue;
                const QString relative = favoritesPathOf(node);
                written = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                           record.address, false,
                                           relative.isEmpty() ? QStringLiteral("\\") : relative + QLatin1Char('\\'));
            } else if (target == Keys::NetscapeSource) {
                if (record.kind != 0)
                    continue;
                if (bookmarksReadOnly())
                    break;
                written = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::Add, window, record.name,
                                           record.address, false, QString::number(netscapeFolderOf(nodeKey)), &m_bookmarks);
                if (written) {
                    carryPastedBookmarkLines(record);
                    written = SaveBookmarkFile();
                }
            } else if (target >= Keys::FirstUserFolder) {
                favorite.setBookmarkType(record.kind);
                written = favorite.Display(target, KeyedTreeView::Text(node), frmFavorite::AddWithKind, window, record.name,
                                           record.address, m_settings.SupportCompuServe(), {}, nullptr, {}, record.kind);
            } else {
                continue;
            }
            if (written) {
                noteWritten(record);
                ClickTVMain(); // the new entry is listed before the next one is asked for
            }
        }
        if (!pasted.empty())
            RemoveCutEntries(pasted);
        ClickTVMain();
    } catch (const cError&) {
        // ends silently
    } catch (const std::exception& error) {
        logUnexpected("PasteEntries", error);
    }
}

void cMainDialog::RemoveCutEntries(const std::vector<size_t>& pasted)
{
    bool bookmarksChanged = false;
    bool forumsChanged = false;
    QStringList kept;
    std::vector<bool> removed(m_cutOrigins.size(), false);
    for (size_t index : pasted) {
        const CutOrigin& origin = m_cutOrigins.at(index);
        const QString& name = origin.record.name;
        const QString& address = origin.record.address;
        removed[index] = true;
        switch (m_cutSource) {
        case Keys::CompuServeFavoritesSource:
        case Keys::WebFavoritesSource: {
            const bool compuServe = m_cutSource == Keys::CompuServeFavoritesSource;
            // Only the entry as it was cut: one changed since stays.
            if (RegistryStores::hasFavorite(compuServe, name) && RegistryStores::favoriteText(compuServe, name) == address)
                RegistryStores::removeFavorite(compuServe, name);
            break;
        }
        case Keys::ForumsSource:
            for (qsizetype position = 1; position <= m_forums.Count(); ++position) {
                if (*m_forums.at(position) == name) {
                    m_forums.Remove(position);
                    forumsChanged = true;
                    break;
                }
            }
            break;
        case Keys::InternetExplorerSource:
            if (!origin.file.isEmpty() && Favorites::isInside(origin.file) && QFileInfo(platform::diskPath(origin.file)).isFile()
                && Favorites::ReadShortcutUrl(origin.file) == address && !QFile::remove(platform::diskPath(origin.file)))
                kept << name;
            break;
        case Keys::NetscapeSource: {
            const auto live = [&](const std::shared_ptr<cBookmark>& record) {
                return record && record->BookmarkType() == cBookmark::LinkType && record->Title() == name
                       && record->URL() == address && record->ParentFolder() == origin.parentFolder;
            };
            std::shared_ptr<cBookmark> record = live(origin.bookmark) ? origin.bookmark : nullptr;
            if (!record) {
                // A move in the folder swaps what records hold: find the link where it went.
                for (qsizetype position : m_bookmarks.childrenOf(origin.parentFolder)) {
                    if (live(m_bookmarks.records().at(position))) {
                        record = m_bookmarks.records().at(position);
                        break;
                    }
                }
            }
            if (record) {
                record->setBookmarkType(cBookmark::RetiredLinkType);
                bookmarksChanged = true;
            }
            break;
        }
        default:
            if (m_cutSource >= Keys::FirstUserFolder && RegistryStores::hasUserEntry(origin.folder, name)
                && RegistryStores::userEntryUrl(origin.folder, name) == address)
                RegistryStores::removeUserEntry(origin.folder, name);
            break;
        }
    }
    // What was not pasted stays cut, to be pasted elsewhere.
    KeyedCollection<cCutItem> remaining;
    std::vector<CutOrigin> origins;
    for (size_t i = 0; i < m_cutOrigins.size(); ++i) {
        if (removed[i])
            continue;
        remaining.Add(m_cutList.at(qsizetype(i) + 1), QString::number(origins.size()) + QLatin1Char('X'));
        origins.push_back(m_cutOrigins[i]);
    }
    m_cutList = std::move(remaining);
    m_cutOrigins = std::move(origins);
    m_cutPending = !m_cutOrigins.empty();
    if (bookmarksChanged) {
        m_bookmarks.invalidateIndex();
        SaveBookmarkFile();
    }
    if (forumsChanged && SaveForumList())
        LoadForumList();
    if (!kept.isEmpty())
        tell(QStringLiteral("These entries were pasted but could not be removed from where they were cut: '")
             + kept.join(QStringLiteral("', '")) + QLatin1Char('\''));
}

void cMainDialog::ghostCutEntries()
{
    if (!m_cutPending || m_cutSource != CurrentSource || SelectedKey != m_cutNodeKey)
        return; // ghosts belong to the folder they were cut from
    KeyedListView* list = m_form->lvMain;
    QSet<QString> names;
    for (const CutOrigin& origin : m_cutOrigins)
        names.insert(origin.record.name);
    for (int i = 1; i <= list->Count(); ++i) {
        QTreeWidgetItem* item = list->ItemAt(i);
        if (names.contains(KeyedListView::Text(item)))
            list->setGhosted(item, true);
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
