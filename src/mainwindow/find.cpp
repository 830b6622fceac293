// Finding any entry of any store from the command box: the index of every
// store, the suggestions under the input box, and opening or showing what
// was found.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/favorites.h"
#include "bookmarks/finder.h"
#include "bookmarks/findindexer.h"
#include "bookmarks/histories.h"
#include "bookmarks/keys.h"
#include "bookmarks/registrystores.h"
#include "bookmarks/stores.h"
#include "controls/FlatButton.h"
#include "controls/ImageList.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/SuggestionList.h"
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

} // namespace

bool cMainDialog::RefreshFindIndex(bool lookAtDisk, int mostParts)
{
    if (m_loadingBookmarks)
        return false;
    std::vector<Find::Indexer::Shown> shown;
    for (const auto& folder : m_folderList)
        shown.push_back({Keys::leadingNumber(folder->Key()), folder->Name()});
    return m_findIndexer->refresh(shown, m_settings.SupportCompuServe(), lookAtDisk, mostParts);
}

const Find::Index& cMainDialog::FindIndex() const
{
    return m_findIndexer->index();
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
        } catch (const cError&) {
            // gathered again at the first key
        } catch (const std::exception& error) {
            logUnexpected("buildFindIndexInSteps", error);
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
        QObject::connect(
            m_suggestions, &SuggestionList::rowActivated, m_suggestions, [this](int row) { openFound(row); });
        QObject::connect(
            m_suggestions, &SuggestionList::showInFolderRequested, m_suggestions, [this](int row) { showFound(row); });
    }
    // Opening the list looks at the Favorites folder, which other programs
    // change; each later key uses what is known.
    RefreshFindIndex(!m_suggestions->isVisible());
    m_found = FindIndex().find(text, kMostSuggestions);
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
    Find::Entry entry;
    if (takeFound(row, &entry))
        showEntry(entry);
}

void cMainDialog::showEntry(const Find::Entry& entry)
{
    try {
        KeyedTreeView* tree = m_form->tvMain;
        QTreeWidgetItem* node = nullptr;
        // A folder the tree numbers as it lists it (the Favorites folder's,
        // a user folder) is found by its path in its store; another by its key.
        const bool byPath = !entry.folderPath().isEmpty() || entry.folderKey().isEmpty();
        const Stores::Store* store = m_stores->at(entry.source);
        if (!byPath) {
            node = tree->Node(entry.folderKey());
        } else if (store) {
            for (QTreeWidgetItem* candidate : tree->NodesInOrder()) {
                if (m_stores->forKey(KeyedTreeView::Key(candidate)) == store &&
                    placeOf(candidate).folderPath == entry.folderPath()) {
                    node = candidate;
                    break;
                }
            }
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
