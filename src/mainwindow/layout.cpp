// Building the main window: load, show, the layout on resize, the splitter
// and moving the window by its body.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/keys.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/TrayIcon.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/frmOptions.h"
#include "dialogs/messagebox.h"
#include "mainwindow/AppServices.h"
#include "mainwindow/MainForm.h"
#include "store/WindowPlacement.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kListColumnInset = 650;
constexpr int kBottomArea = 1325;

int errorNumber(const std::exception& error)
{
    const auto* known = dynamic_cast<const cError*>(&error);
    return known ? known->Number() : 0;
}

} // namespace

void cMainDialog::report(const std::exception& error)
{
    if (const auto* known = dynamic_cast<const cError*>(&error))
        MessageBoxes::showError(*known, m_form ? m_form->window() : nullptr);
    else
        MessageBoxes::showError(cError(ErrorNumber::InvalidProcedureCall, QString::fromUtf8(error.what())));
}

void cMainDialog::LoadMainForm()
{
    // One handler for all steps: errors 5 and 380 are passed over, others end the load.
    auto step = [this](auto&& action) {
        try {
            action();
            return true;
        } catch (const std::exception& error) {
            const int number = errorNumber(error);
            if (number == ErrorNumber::InvalidProcedureCall || number == ErrorNumber::InvalidPropertyValue)
                return true;
            report(error);
            return false;
        }
    };
    FlatButton* more = (*m_form->lbbMain)[MoreButton];
    const bool ok = step([&] {
                        if (m_settings.ShowMore()) {
                            more->setCaption(QStringLiteral("Less"));
                            m_app.RestoreMainPos();
                            // A placement saved while collapsed would show "Less" over a collapsed
                            // window: with the setting on, the window opens expanded.
                            if (m_form->Height() <= kCollapsedHeight + kCollapsedSlack)
                                m_form->setHeight(kExpandedHeight);
                        } else {
                            m_app.RestoreMainPos();
                            more->setCaption(QStringLiteral("More"));
                            m_form->setHeight(kCollapsedHeight);
                        }
                        // Centred at the height the window opens with, when no top was stored.
                        if (!WindowPlacement::hasStoredTop())
                            m_form->Move(m_form->Left(),
                                         (m_form->screenTwips().height() - m_form->Height()) / 2,
                                         m_form->Width(),
                                         m_form->Height());
                    }) &&
                    step([&] {
                        if (m_settings.AlwaysOnTop())
                            m_form->setTopmost(true);
                    }) &&
                    step([&] {
                        m_state.CurrentSource = -1;
                        BuildFolderTree();
                    }) &&
                    step([&] {
                        // The tree build above has read the file already; read it once only.
                        if (m_settings.SupportNetscape()) {
                            if (!m_state.NetscapeLoaded)
                                LoadBookmarkFile();
                            m_state.NetscapeLoaded = true;
                        } else {
                            m_state.NetscapeLoaded = false;
                        }
                    }) &&
                    step([&] {
                        if (m_settings.SupportCompuServe()) {
                            LoadForumList();
                            m_state.ForumsLoaded = true;
                        } else {
                            m_state.ForumsLoaded = false;
                        }
                    }) &&
                    step([&] { fillContentTypes(); }) && step([&] { startGlobalShortcut(); });
    if (ok)
        m_form->HelpContextID = kMainHelpContext;
}

void cMainDialog::fillContentTypes()
{
    QComboBox* kinds = m_form->cboMain[0];
    const QSignalBlocker quiet(kinds);
    kinds->clear();
    kinds->addItem(QStringLiteral("Web Content"));
    kinds->addItem(QStringLiteral("Yahoo Search"));
    if (m_settings.SupportCompuServe())
        kinds->addItem(QStringLiteral("CompuServe Web Forums"));
    kinds->setCurrentIndex(-1); // nothing selected until a kind is chosen
}

void cMainDialog::ShowForm(bool hide)
{
    m_form->Load();
    QComboBox* kinds = m_form->cboMain[0];
    if (kinds->count() > 0) {
        if (m_settings.ContentType() == 2 && !m_settings.SupportCompuServe())
            m_settings.setContentType(0);
        // A stored kind the list does not offer selects the first.
        if (m_settings.ContentType() < 0 || m_settings.ContentType() >= kinds->count())
            m_settings.setContentType(0);
        if (kinds->currentIndex() == m_settings.ContentType())
            ClickCboMain(0);
        else
            kinds->setCurrentIndex(m_settings.ContentType()); // raises the click
    }
    SetFlatToolbar();
    if (hide) {
        hideMainWindow();
    } else {
        showMainWindow();
    }
    // The find index, once the window has shown: the first keys then find at once.
    buildFindIndexInSteps();
}

void cMainDialog::SetFlatToolbar()
{
    m_form->tlbMain->toggleFlat();
}

void cMainDialog::ResizeMainForm()
{
    cMainForm& form = *m_form;
    if (form.ScaleWidth() < kMinimumInnerWidth)
        form.setWidth(form.Width() + kMinimumInnerWidth - form.ScaleWidth());
    FlatButton* more = (*form.lbbMain)[MoreButton];
    if (more->Caption() == QLatin1String("More") && form.Height() != kCollapsedHeight)
        form.setHeight(kCollapsedHeight);
    const int W = form.Width();
    const int H = form.Height();

    for (QComboBox* combo : form.cboMain)
        Twips::setWidth(combo, W - (Twips::left(combo) + 125));

    auto alignRow = [&](int right, int middle, int leftmost) {
        FlatButton* r = (*form.lbbMain)[right];
        FlatButton* m = (*form.lbbMain)[middle];
        FlatButton* l = (*form.lbbMain)[leftmost];
        r->setLeft(W - (r->Width() + 225));
        m->setLeft(r->Left() - (m->Width() + 50));
        l->setLeft(m->Left() - (l->Width() + 50));
    };
    alignRow(ExitButton, HideButton, GoButton);
    alignRow(DeleteEntriesButton, EditEntryButton, AddEntryButton);

    for (int index : {0, 3, 6})
        Twips::setWidth(form.picMain.at(index), W - 175);
    QWidget* pic4 = form.picMain.at(4);
    Twips::setLeft(pic4, W - 175 - Twips::width(pic4));

    KeyedListView* list = form.lvMain;
    Twips::setWidth(list, W - 150 - Twips::left(list));
    Twips::setHeight(list, H - Twips::top(list) - kBottomArea);
    list->setColumnWidthTwips(Twips::width(list) - kListColumnInset);

    KeyedTreeView* tree = form.tvMain;
    Twips::setHeight(tree, H - Twips::top(tree) - kBottomArea);
    QWidget* bar = form.picMain.at(kSplitter);
    Twips::setGeometry(
        bar, Twips::left(tree) + Twips::width(tree) + 15, Twips::top(bar), Twips::width(bar), Twips::height(tree));
    // The list starts after the bar, which it never covers; its right edge stays.
    const int listRight = Twips::left(list) + Twips::width(list);
    const int listLeft = Twips::left(bar) + Twips::width(bar);
    Twips::setGeometry(list, listLeft, Twips::top(list), listRight - listLeft, Twips::height(list));
    list->setColumnWidthTwips(Twips::width(list) - kListColumnInset);

    QLabel* label = form.lblMain.at(3);
    Twips::setLeft(label, W - 175 - Twips::width(label));
    QWidget* bottom = form.picMain.at(20);
    Twips::setGeometry(bottom, Twips::left(bottom), Twips::top(tree) + Twips::height(tree), W, Twips::height(bottom));
}

void cMainDialog::layoutList(int barLeft)
{
    QWidget* bar = m_form->picMain.at(kSplitter);
    KeyedListView* list = m_form->lvMain;
    const int left = barLeft + Twips::width(bar);
    Twips::setGeometry(list, left, Twips::top(list), m_form->ScaleWidth() - left, Twips::height(list));
    list->setColumnWidthTwips(Twips::width(list) - kListColumnInset);
}

void cMainDialog::MouseDownPicMain(int index, int, int, int x, int y)
{
    if (index != kSplitter)
        return;
    m_state.SplitX = x;
    m_state.SplitY = y;
}

void cMainDialog::MouseMovePicMain(int index, int button, int, int x, int)
{
    if (index != kSplitter || button == 0)
        return;
    QWidget* bar = m_form->picMain.at(kSplitter);
    const int left = Twips::left(bar) + x - m_state.SplitX;
    Twips::setLeft(bar, left);
    Twips::setWidth(m_form->tvMain, left - 15);
    Twips::setWidth(m_form->picMain.at(7), left);
    (*m_form->lbbMain)[ContentHeading]->Move(left + Twips::width(bar));
    layoutList(left);
}

void cMainDialog::MouseUpPicMain(int index, int, int, int x, int)
{
    if (index != kSplitter)
        return;
    QWidget* bar = m_form->picMain.at(kSplitter);
    const int W = m_form->Width();
    int left = Twips::left(bar) + x - m_state.SplitX;
    if (left < 0)
        left = 250;
    else if (left > W - 300)
        left = W - 250;
    else
        return; // in range: left where the last move put it
    Twips::setLeft(bar, left);
    Twips::setWidth(m_form->tvMain, left);
    layoutList(left);
}

void cMainDialog::MouseDownMainForm(int, int, int x, int y)
{
    m_state.DragX = x;
    m_state.DragY = y;
}

void cMainDialog::MouseMoveMainForm(int button, int, int x, int y)
{
    if (button & 1) {
        m_form->window()->move(Twips::toPixelsX(m_form->Left() + x - m_state.DragX),
                               Twips::toPixelsY(m_form->Top() + y - m_state.DragY));
        QApplication::processEvents();
    } else {
        MouseMoveLbbMain(-1);
    }
}
