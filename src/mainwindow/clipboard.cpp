// Moving entries through the clipboard: cut, copy and paste, and the removal
// of cut entries once they are pasted.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/transfer.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
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

QList<QTreeWidgetItem*> cMainDialog::copyableSelection()
{
    KeyedListView* list = m_form->lvMain;
    const int focusedImage = KeyedListView::Image(list->SelectedItem());
    if (focusedImage == ListImage::Folder || focusedImage == ListImage::UpOneLevel)
        return {};
    QList<QTreeWidgetItem*> items;
    for (QTreeWidgetItem* item : list->selectedInOrder()) {
        if (KeyedListView::Image(item) != ListImage::Folder && KeyedListView::Image(item) != ListImage::UpOneLevel)
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
    QTreeWidgetItem* node = m_form->tvMain->SelectedItem();
    for (QTreeWidgetItem* item : items) {
        const Stores::Entry entry = entryAt(placeOf(node, item));
        Transfer::Record record;
        record.name = entry.name;
        record.address = entry.address;
        record.kind = entry.kind;
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
                origin.bookmark = Bookmarks().records().find(NetscapeBookmarks::recordKey(KeyedListView::Key(item)));
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
                    if (!m_stores->forums().loaded())
                        LoadForumList();
                    QString key = QString::number(list->Count() + 100) + QLatin1Char('X');
                    while (ForumCollection().Contains(key))
                        key = QString::number(Keys::leadingNumber(key) + 1) + QLatin1Char('X');
                    ForumCollection().Add(std::make_shared<QString>(word), key);
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
                                           record.address, false, QString::number(netscapeFolderOf(nodeKey)), &Bookmarks());
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
            for (qsizetype position = 1; position <= ForumCollection().Count(); ++position) {
                if (*ForumCollection().at(position) == name) {
                    ForumCollection().Remove(position);
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
                for (qsizetype position : Bookmarks().childrenOf(origin.parentFolder)) {
                    if (live(Bookmarks().records().at(position))) {
                        record = Bookmarks().records().at(position);
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
        Bookmarks().invalidateIndex();
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
