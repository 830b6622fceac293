// Finding any entry of any store from the command box: the index of every
// store, the suggestions under the input box, and opening or showing what
// was found.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/browserstore.h"

#include "bookmarks/favorites.h"
#include "bookmarks/histories.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "controls/ImageList.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "mainwindow/MainForm.h"
#include "platform/registry.h"
#include "store/cSettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <functional>

namespace {

// More than any screen shows; the list scrolls through them.
constexpr qsizetype kMostSuggestions = 50;
// How long one step of the index build may keep the window from answering.
constexpr qint64 kFindStepMilliseconds = 50;

} // namespace

bool cMainDialog::RefreshFindIndex(bool lookAtDisk, int mostParts)
{
    if (m_loadingBookmarks)
        return false;
    // The stores the tree shows, in its order: a change of options or of the
    // user folders gathers the registry's stores again. The list is taken as
    // known only once a whole pass has gathered what it changed.
    QString stores;
    for (const auto& folder : m_folderList)
        stores += folder->Key() + QLatin1Char('\t') + folder->Name() + QLatin1Char('\n');
    stores += m_settings.SupportCompuServe() ? QLatin1Char('C') : QLatin1Char('-');
    if (stores != m_findStores) {
        m_findStores = stores;
        m_findStale.clear();
        for (const auto& folder : m_folderList)
            m_findStale.insert(Keys::leadingNumber(folder->Key()));
    }

    QList<int> present;
    int order = 0;
    int gathered = 0;
    bool complete = true;
    // Gathers one part when it is out of date and the budget allows.
    auto refresh = [&](int source, bool outOfDate, const std::function<bool()>& gather) {
        if (!outOfDate && !m_findStale.contains(source) && m_findIndex.hasPart(source))
            return;
        if (mostParts >= 0 && gathered >= mostParts) {
            m_findStale.insert(source); // known out of date: a later pass gathers it
            complete = false;
            return;
        }
        const bool done = gather();
        ++gathered;
        if (done) {
            m_findStale.remove(source);
        } else {
            m_findStale.insert(source);
            complete = false;
        }
    };
    // A store kept in the registry is gathered again when its key changed.
    auto registryPart = [&](int source, const QString& key, const std::function<std::vector<Find::Entry>()>& gather) {
        const quint64 changes = platform::Registry::changeCount(key);
        const auto known = m_findRegistryChanges.constFind(source);
        refresh(source, known == m_findRegistryChanges.cend() || *known != changes, [&] {
            m_findRegistryChanges.insert(source, changes);
            m_findIndex.setPart(source, order, gather());
            return true;
        });
    };
    for (const auto& folder : m_folderList) {
        const int source = Keys::leadingNumber(folder->Key());
        present.append(source);
        ++order;
        switch (source) {
        case Keys::CompuServeFavoritesSource:
        case Keys::WebFavoritesSource: {
            const bool compuServe = source == Keys::CompuServeFavoritesSource;
            registryPart(source, compuServe ? RegistryStores::compuServeFavoritesKey() : RegistryStores::webFavoritesKey(),
                         [compuServe] { return Find::webFavorites(compuServe); });
            break;
        }
        case Keys::ForumsSource:
            // Small, and changed only by this program between two openings.
            refresh(source, lookAtDisk, [&] {
                m_findIndex.setPart(source, order, Find::forums(ForumCollection()));
                return true;
            });
            break;
        case Keys::NetscapeSource:
            refresh(source, Bookmarks().generation() != m_findNetscapeGeneration, [&] {
                // A hundred thousand links are listed over several steps; a
                // change between two steps starts the listing again.
                if (!m_netscapeGathering)
                    m_netscapeGathering = std::make_unique<Find::NetscapeGathering>();
                if (!m_netscapeGathering->step(Bookmarks(), mostParts < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                                          : QDeadlineTimer(kFindStepMilliseconds)))
                    return false;
                m_findNetscapeGeneration = m_netscapeGathering->generation();
                m_findIndex.setPart(source, order, m_netscapeGathering->takeEntries());
                m_netscapeGathering.reset();
                return true;
            });
            break;
        case Keys::InternetExplorerSource: {
            const QString root = Favorites::folder();
            refresh(source, root != m_findFavoritesRoot || (lookAtDisk && Find::changedSince(m_findFavoritesStamps)), [&] {
                // Thousands of shortcuts are read over several steps; the
                // part found so far stays until the new one is whole.
                if (!m_favoritesGathering || m_favoritesGathering->root() != root)
                    m_favoritesGathering = std::make_unique<Find::FavoritesGathering>(root, &m_stores->favoritesListings());
                if (!m_favoritesGathering->step(mostParts < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                              : QDeadlineTimer(kFindStepMilliseconds)))
                    return false;
                m_findFavoritesRoot = root;
                m_findFavoritesStamps = m_favoritesGathering->takeStamps();
                m_findIndex.setPart(source, order, m_favoritesGathering->takeEntries());
                m_favoritesGathering.reset();
                return true;
            });
            break;
        }
        case Keys::FirefoxSource:
        case Keys::ChromiumSource: {
            const Stores::BrowserBookmarks& store = browserStore(source);
            refresh(source, store.generation() != m_findBrowserGenerations.value(source, ~quint64(0)), [&] {
                m_findBrowserGenerations.insert(source, store.generation());
                m_findIndex.setPart(source, order, Find::browser(source, store.contents().root));
                return true;
            });
            break;
        }
        default:
            if (source >= Keys::FirstUserFolder) {
                const QString name = folder->Name();
                const bool compuServe = m_settings.SupportCompuServe();
                registryPart(source, RegistryStores::userFolderKey(name),
                             [name, source, compuServe] { return Find::userFolder(name, source, compuServe); });
            }
            break;
        }
    }
    // Stores no longer shown are not found either.
    m_findIndex.keepOnly(present);
    return complete;
}

void cMainDialog::buildFindIndexInSteps(bool lookAtDisk)
{
    // One store per turn of the event loop, so that the window answers
    // while the index is built; a key typed before it is done gathers the
    // rest. Only the first step looks at the disk: what it finds changed
    // stays out of date until gathered.
    QTimer::singleShot(0, m_form->window(), [this, lookAtDisk] {
        bool complete = true;
        try {
            complete = RefreshFindIndex(lookAtDisk, 1);
        } catch (const std::exception&) {
            // gathered again at the first key
        }
        if (!complete)
            buildFindIndexInSteps(false);
    });
}

void cMainDialog::ChangeCboMainText(const QString& text)
{
    try {
        const bool webContent = m_form->cboMain[0]->currentIndex() == ContentKind::WebAddress;
        if (!webContent && !m_findForced) {
            HideSuggestions();
            return;
        }
        updateSuggestions(text);
    } catch (const std::exception& error) {
        HideSuggestions();
        report(error);
    }
}

void cMainDialog::updateSuggestions(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        HideSuggestions();
        return;
    }
    if (!m_suggestions) {
        m_suggestions = new SuggestionList(m_form->cboMain[1]);
        QObject::connect(m_suggestions, &SuggestionList::rowActivated, m_suggestions, [this](int row) { openFound(row); });
        QObject::connect(m_suggestions, &SuggestionList::showInFolderRequested, m_suggestions,
                         [this](int row) { showFound(row); });
    }
    // Opening the list looks at the Favorites folder, which other programs
    // change; each later key uses what is known.
    RefreshFindIndex(!m_suggestions->isVisible());
    m_found = m_findIndex.find(text, kMostSuggestions);
    QList<SuggestionList::Row> rows;
    rows.reserve(qsizetype(m_found.size()));
    for (const Find::Entry* entry : m_found)
        rows.append({ImageList::listImage(entry->image), entry->title, entry->address, entry->place()});
    m_suggestions->showRows(rows);
}

void cMainDialog::HideSuggestions()
{
    m_found.clear();
    if (m_suggestions) {
        m_suggestions->clear();
        m_suggestions->hide();
    }
}

bool cMainDialog::KeyDownSuggestions(int key, bool control)
{
    if (!m_suggestions || !m_suggestions->isVisible())
        return false;
    switch (key) {
    case Qt::Key_Down:
        m_suggestions->moveSelection(1);
        return true;
    case Qt::Key_Up:
        m_suggestions->moveSelection(-1);
        return true;
    case Qt::Key_PageDown:
        m_suggestions->moveSelection(10);
        return true;
    case Qt::Key_PageUp:
        m_suggestions->moveSelection(-10);
        return true;
    case Qt::Key_Escape:
        m_findForced = false;
        HideSuggestions();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const int row = m_suggestions->selectedRow();
        if (row < 0) {
            HideSuggestions(); // the typed text goes as it always went
            return false;
        }
        if (control)
            showFound(row);
        else
            openFound(row);
        return true;
    }
    default:
        return false;
    }
}

bool cMainDialog::takeFound(int row, Find::Entry* entry)
{
    if (row < 0 || size_t(row) >= m_found.size())
        return false;
    *entry = *m_found[size_t(row)]; // a copy: closing the list lets go of the found entries
    m_findForced = false;
    HideSuggestions();
    return true;
}

void cMainDialog::openFound(int row)
{
    try {
        Find::Entry entry;
        if (!takeFound(row, &entry))
            return;
        QString address;
        int kind = 0;
        if (storeAddress(entry.source, placeOf(entry), &address, &kind))
            goAndRemember(address, kind);
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::showFound(int row)
{
    try {
        Find::Entry entry;
        if (!takeFound(row, &entry))
            return;
        KeyedTreeView* tree = m_form->tvMain;
        QTreeWidgetItem* node = nullptr;
        if (entry.source == Keys::InternetExplorerSource) {
            if (entry.folderPath().isEmpty()) {
                node = tree->Node(Keys::rootKey(Keys::InternetExplorerSource));
            } else {
                for (QTreeWidgetItem* candidate : tree->NodesInOrder()) {
                    const QString key = KeyedTreeView::Key(candidate);
                    if (Keys::sourceNumber(key) == Keys::InternetExplorerSource && key.contains(QLatin1Char('X'))
                        && favoritesPathOf(candidate) == entry.folderPath()) {
                        node = candidate;
                        break;
                    }
                }
            }
        } else if (entry.source >= Keys::FirstUserFolder) {
            // The tree numbers user folders as it lists them: find it by name.
            for (const auto& folder : m_folderList) {
                if (Keys::leadingNumber(folder->Key()) >= Keys::FirstUserFolder && folder->Name() == entry.folderPath())
                    node = tree->Node(Keys::rootKey(Keys::leadingNumber(folder->Key())));
            }
        } else {
            node = tree->Node(entry.folderKey());
        }
        if (!node) {
            tell(QStringLiteral("\"%1\" is no longer in %2.").arg(entry.title, entry.place()));
            return;
        }
        if ((*m_form->lbbMain)[MoreButton]->Caption() == QLatin1String("More"))
            ClickLbbMain(MoreButton); // the tree and list are below the collapsed window
        for (QTreeWidgetItem* parent = node->parent(); parent; parent = parent->parent())
            parent->setExpanded(true);
        tree->setSelectedItem(node);
        tree->scrollToItem(node);
        ClickTVMain();
        KeyedListView* list = m_form->lvMain;
        QTreeWidgetItem* item = entry.key.isEmpty() ? nullptr : list->Item(entry.listKey());
        for (int i = 1; !item && i <= list->Count(); ++i) {
            if (KeyedListView::Text(list->ItemAt(i)) == entry.title)
                item = list->ItemAt(i);
        }
        if (!item) {
            tell(QStringLiteral("\"%1\" is no longer in %2.").arg(entry.title, entry.place()));
            return;
        }
        list->clearSelection();
        list->setCurrentItem(item);
        item->setSelected(true);
        list->scrollToItem(item);
        list->setFocus(Qt::OtherFocusReason);
        ClickLvMain();
    } catch (const std::exception& error) {
        report(error);
    }
}

void cMainDialog::FindEverywhere()
{
    try {
        if (!m_form->window()->isVisible() || m_form->window()->isMinimized())
            ShowFromElsewhere();
        QComboBox* input = m_form->cboMain[1];
        input->setFocus(Qt::ShortcutFocusReason);
        input->lineEdit()->selectAll();
        m_findForced = true;
        updateSuggestions(input->currentText());
    } catch (const std::exception& error) {
        report(error);
    }
}
