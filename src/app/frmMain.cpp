#include "app/frmMain.h"

#include "app/ContextIDs.h"
#include "controls/FlatButton.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "controls/TrayIcon.h"
#include "controls/twips.h"
#include "mainwindow/cMainDialog.h"
#include "platform/autostart.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

const QString frmMain::kTitle = QStringLiteral("ORX Markcrate");

namespace {

// The tray menu: items 4 and 5 stay hidden, as designed.
const QList<TrayIcon::Item> kTrayMenu = {
    {0, "&About", true},
    {1, "&Restore", true},
    {2, "&Options", true},
    {3, "-", true},
    {4, "Convert CompuServe &Forums HTML File", false},
    {5, "-", false},
    {7, "Start at &Login", true, true},
    {8, "-", true},
    {6, "&Close", true},
};

} // namespace

namespace {

// Design geometry, twips.
constexpr int kDesignWidth = 6375;
constexpr int kDesignHeight = 5000;
constexpr int kButtonHeight = 255;
constexpr int kStatusBarHeight = 285;
constexpr int kSplitterWidth = 90; // six pixels at 96 dots an inch

struct ButtonDesign
{
    int index;
    const char* caption;
    int left;
    int top;
    int width;
};

// The command row, the two command-box rows, the headings above tree and
// list, and (inside the bottom strip) the folder and entry rows.
constexpr ButtonDesign kFormButtons[] = {
    {0, "ORX", 60, 45, 450},
    {1, "Mark", 510, 45, 510},
    {14, "crate", 1020, 45, 450},
    {9, "More", 1620, 45, 600},
    {10, "Options", 2220, 45, 750},
    {2, "GO", 4500, 45, 450},
    {3, "Hide", 5000, 45, 500},
    {4, "Exit", 5550, 45, 450},
    {5, "Content Type", 60, 450, 1400},
    {6, "Web Address", 60, 780, 1400},
    {16, "Content Folders", 60, 1725, 1500},
    {17, "Markcrate Content", 3150, 1725, 1700},
};
constexpr ButtonDesign kBottomButtons[] = {
    {15, "Add", 60, 60, 450},
    {7, "Edit", 540, 60, 450},
    {8, "Delete", 1020, 60, 600},
    {18, "Explore", 1710, 60, 750},
    {13, "Add", 4500, 60, 450},
    {11, "Edit", 5000, 60, 450},
    {12, "Delete", 5500, 60, 600},
};

const QList<IndexedToolBar::Button> kToolbarButtons = {
    {1, nullptr, nullptr},
    {2, "New Folder", "folder-new"},
    {3, "Edit Folder", "document-properties"},
    {4, "Delete Folder", "edit-delete"},
    {5, nullptr, nullptr},
    {6, "Export Folder", "document-export"},
    {7, nullptr, nullptr},
    {8, "Cut", "edit-cut"},
    {9, "Copy", "edit-copy"},
    {10, "Paste", "edit-paste"},
    {11, nullptr, nullptr},
    {12, "New Item", "document-new"},
    {13, "Edit Item", "document-edit"},
    {14, "Delete Item", "list-remove"},
    {15, nullptr, nullptr},
    {16, "Move Bookmark Up", "go-up"},
    {17, "Move Bookmark Down", "go-down"},
    {18, nullptr, nullptr},
    {19, "Sort Ascending", "view-sort-ascending"},
    {20, "Sort Descending", "view-sort-descending"},
    {21, nullptr, nullptr},
    {22, "Help", "help-contents"},
};

QWidget* picture(QWidget* parent, int index, int left, int top, int width, int height, QFrame::Shape shape)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("picMain_%1").arg(index));
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    Twips::setGeometry(frame, left, top, width, height);
    return frame;
}

} // namespace

frmMain::frmMain(cSettings& settings, cAppServices& app, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_app(app)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);
    setMouseTracking(true);
    createControls();
    connectEvents();
    Twips::setGeometry(this, 0, 0, kDesignWidth, kDesignHeight);
}

frmMain::~frmMain() = default;

cMainDialog* frmMain::controller()
{
    // An event before SetObjPtr gets a controller of the form's own.
    if (!m_controller) {
        m_ownController = std::make_unique<cMainDialog>(m_settings, m_app);
        m_ownController->setMainForm(this);
        m_controller = m_ownController.get();
    }
    return m_controller;
}

void frmMain::createControls()
{
    // Pictures first, so that they stand behind the controls drawn over them.
    picMain[0] = picture(this, 0, 30, 15, kDesignWidth - 175, 330, QFrame::NoFrame);
    picMain[3] = picture(this, 3, 30, 375, kDesignWidth - 175, 15, QFrame::HLine);
    picMain[6] = picture(this, 6, 30, 1140, kDesignWidth - 175, 15, QFrame::HLine);
    picMain[4] = picture(this, 4, kDesignWidth - 175 - 300, 1185, 300, 120, QFrame::NoFrame);
    picMain[7] = picture(this, 7, 30, 1725, 3105, 225, QFrame::NoFrame);
    picMain[20] = picture(this, 20, 0, 3675, kDesignWidth, 630, QFrame::NoFrame);
    // The bar between tree and list: wide enough to see and grab.
    picMain[5] = picture(this, 5, 3150, 1950, kSplitterWidth, 1725, QFrame::NoFrame);
    picMain[5]->setCursor(Qt::SplitHCursor);
    picMain[5]->setAutoFillBackground(true);
    picMain[5]->setBackgroundRole(QPalette::Mid);
    for (const auto& [index, pic] : picMain) {
        Q_UNUSED(index);
        pic->setMouseTracking(true);
        pic->installEventFilter(this);
    }

    lbbMain = new FlatButtonArray(QStringLiteral("lbbMain"), this);
    auto addButtons = [this](QWidget* parent, const auto& designs) {
        for (const ButtonDesign& design : designs) {
            auto* button = new FlatButton(QLatin1String(design.caption), parent);
            Twips::setGeometry(button, design.left, design.top, design.width, kButtonHeight);
            lbbMain->add(design.index, button);
        }
    };
    addButtons(this, kFormButtons);
    addButtons(picMain[20], kBottomButtons);
    // Captions, headings and the logo do nothing: the keyboard passes them by.
    for (int index : {0, 1, 14, 5, 6, 16, 17})
        (*lbbMain)[index]->setFocusPolicy(Qt::NoFocus);
    // The captions before the two command-box rows line up at the left.
    for (int index : {5, 6})
        (*lbbMain)[index]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The product title "ORX Markcrate" is split over three buttons: "ORX",
    // a blank, then the two that read as one word.
    QFont logo = (*lbbMain)[0]->font();
    logo.setBold(true);
    const int blank = QFontMetrics(logo).horizontalAdvance(QLatin1Char(' '));
    int logoRight = (*lbbMain)[0]->x();
    for (int index : {0, 1, 14}) {
        FlatButton* piece = (*lbbMain)[index];
        piece->setFont(logo);
        piece->setGeometry(logoRight, piece->y(), piece->sizeHint().width() - 8, piece->height());
        logoRight = piece->geometry().right() + 1 + (index == 0 ? blank : 0);
    }

    for (int index : {0, 1}) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("cboMain_%1").arg(index));
        Twips::setGeometry(combo, 1500, 420 + 330 * index, 4845, 315);
        cboMain[size_t(index)] = combo;
    }
    cboMain[1]->setEditable(true);
    cboMain[1]->setInsertPolicy(QComboBox::NoInsert);
    // The input box's keys come to the combo box when it holds the focus (it
    // hands them to its line edit directly) and to the line edit otherwise:
    // both are watched, and each key reaches exactly one of them.
    cboMain[0]->installEventFilter(this);
    cboMain[1]->installEventFilter(this);
    cboMain[1]->lineEdit()->installEventFilter(this);

    tlbMain = new IndexedToolBar(this);
    tlbMain->setObjectName(QStringLiteral("tlbMain"));
    tlbMain->setButtons(kToolbarButtons);
    Twips::setGeometry(tlbMain, 0, 1320, kDesignWidth, 390);

    tvMain = new KeyedTreeView(this);
    tvMain->setObjectName(QStringLiteral("tvMain"));
    Twips::setGeometry(tvMain, 30, 1950, 3105, 1725);

    lvMain = new KeyedListView(this);
    lvMain->setObjectName(QStringLiteral("lvMain"));
    Twips::setGeometry(lvMain, 3150 + kSplitterWidth, 1950, 3195 - kSplitterWidth, 1725);
    lvMain->setColumnWidthTwips(3195 - kSplitterWidth - 650);
    picMain[5]->raise(); // over the tree's and the list's edges, never under them

    auto* count = new QLabel(picMain[20]);
    count->setObjectName(QStringLiteral("lblMain_1"));
    Twips::setGeometry(count, 60, 360, 3000, 240);
    lblMain[1] = count;
    auto* corner = new QLabel(this);
    corner->setObjectName(QStringLiteral("lblMain_3"));
    corner->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Twips::setGeometry(corner, kDesignWidth - 175 - 1200, 1725, 1200, 225);
    lblMain[3] = corner;

    stbMain = new QStatusBar(this);
    stbMain->setObjectName(QStringLiteral("stbMain"));
    stbMain->setSizeGripEnabled(false);
    Twips::setGeometry(stbMain, 0, 4590, kDesignWidth, kStatusBarHeight);
    // Shown beside an "Already in: ..." note: shows that entry in its folder.
    auto* showAlreadyIn = new QPushButton(QStringLiteral("Show"), stbMain);
    showAlreadyIn->setObjectName(QStringLiteral("cmdShowAlreadyIn"));
    showAlreadyIn->setFlat(true);
    showAlreadyIn->setVisible(false);
    stbMain->addPermanentWidget(showAlreadyIn);
    connect(showAlreadyIn, &QPushButton::clicked, this, [this] { controller()->ShowAlreadyIn(); });
    connect(stbMain, &QStatusBar::messageChanged, showAlreadyIn, [showAlreadyIn](const QString& text) {
        if (!text.startsWith(QLatin1String("Already in: ")))
            showAlreadyIn->setVisible(false);
    });

    cTrayIcon1 = new TrayIcon(kTitle, kTrayMenu, this);
    if (QAction* login = cTrayIcon1->item(7))
        login->setChecked(Autostart::isEnabled());
    cTrayIcon1->setObjectName(QStringLiteral("cTrayIcon1"));

    for (int index : {0, 1}) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("tmrMain_%1").arg(index));
        timer->setInterval(500);
        tmrMain[size_t(index)] = timer;
    }
}

void frmMain::connectEvents()
{
    connect(cboMain[0], &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            controller()->ClickCboMain(0);
    });
    connect(cboMain[1], &QComboBox::activated, this, [this] { controller()->ClickCboMain(1); });
    connect(cboMain[1]->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        controller()->ChangeCboMainText(text);
    });
    connect(lbbMain, &FlatButtonArray::MouseClick, this, [this](int index) { controller()->ClickLbbMain(index); });
    connect(lbbMain, &FlatButtonArray::MouseMove, this, [this](int index) { controller()->MouseMoveLbbMain(index); });
    connect(lvMain, &KeyedListView::Click, this, [this] { controller()->ClickLvMain(); });
    connect(lvMain, &KeyedListView::DblClick, this, [this] { controller()->DblClickLvMain(); });
    addToolbarShortcuts();
    setTabOrderInReadingOrder();
    connect(lvMain, &KeyedListView::KeyUp, this, [this](int keyCode, int shift) {
        controller()->KeyUpLvMain(keyCode, shift);
    });
    connect(lvMain, &KeyedListView::MouseMove, this, [this](int button, int shift, int x, int y) {
        controller()->MouseMoveLvMain(button, shift, x, y);
    });
    connect(tvMain, &KeyedTreeView::NodeClick, this, [this] {
        tvMain->setDropHighlight(tvMain->SelectedItem());
        controller()->ClickTVMain();
    });
    connect(tvMain, &KeyedTreeView::MouseDown, this, [this](int button, int shift, int x, int y) {
        controller()->MouseDownTvMain(button, shift, x, y);
    });
    connect(tvMain, &KeyedTreeView::MouseMove, this, [this] { controller()->MouseMoveTvMain(); });
    connect(tvMain, &KeyedTreeView::DragOver, this, [this](QObject* source, int x, int y, int state) {
        controller()->DragOverTvMain(source, x, y, state);
    });
    connect(tvMain, &KeyedTreeView::DragDrop, this, [this](QObject* source, int x, int y) {
        controller()->DragDropTvMain(source, x, y);
    });
    connect(tlbMain, &IndexedToolBar::ButtonClick, this, [this](int index) { controller()->ClickTlbMain(index); });
    for (int index : {0, 1})
        connect(tmrMain[size_t(index)], &QTimer::timeout, this, [this, index] { controller()->TimerTmrMain(index); });
    connect(cTrayIcon1, &TrayIcon::MouseDown, this, [this](int button, int id) {
        controller()->MouseDownTrayIcon(button, id);
    });
    connect(cTrayIcon1, &TrayIcon::MenuClick, this, [this](int index) { controller()->ClickMnuMARKCRATEChild(index); });
}

void frmMain::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    cTrayIcon1->setInTray(true); // the icon is there from the moment the form loads
    ContextIDs::InitHelp(this);
    controller()->LoadMainForm();
}

void frmMain::Unload()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        ContextIDs::CloseHelp();
        controller()->UnloadMainForm();
    }
    event->accept();
    emit unloaded();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeStatusBar();
    controller()->ResizeMainForm();
    keyboardReachesWhatShows();
}

void frmMain::setTabOrderInReadingOrder()
{
    // Row by row, left to right: the top row, the two command-box rows, the
    // tree and the list, the bottom rows.
    QList<QWidget*> order;
    for (int index : {9, 10, 2, 3, 4})
        order << (*lbbMain)[index];
    order << cboMain[0] << cboMain[1] << tvMain << lvMain;
    for (int index : {15, 7, 8, 18, 13, 11, 12})
        order << (*lbbMain)[index];
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void frmMain::keyboardReachesWhatShows()
{
    // Tab stops only on controls that act and can be seen: the tree, the list
    // and the bottom rows lie outside a collapsed window.
    const bool expanded = lvMain->geometry().bottom() < height() && lvMain->height() > 0;
    const auto reach = [expanded](QWidget* widget, Qt::FocusPolicy policy) {
        widget->setFocusPolicy(expanded ? policy : Qt::NoFocus);
    };
    reach(tvMain, Qt::StrongFocus);
    reach(lvMain, Qt::StrongFocus);
    for (int index : {15, 7, 8, 18, 13, 11, 12})
        reach((*lbbMain)[index], Qt::StrongFocus);
}

void frmMain::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    controller()->MouseDownMainForm(MouseState::button(event->buttons()),
                                    MouseState::shift(event->modifiers()),
                                    Twips::fromPixelsX(p.x()),
                                    Twips::fromPixelsY(p.y()));
}

void frmMain::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    controller()->MouseMoveMainForm(MouseState::button(event->buttons()),
                                    MouseState::shift(event->modifiers()),
                                    Twips::fromPixelsX(p.x()),
                                    Twips::fromPixelsY(p.y()));
}

bool frmMain::event(QEvent* event)
{
    // A size set before the window manager framed the window was meant to
    // include the frame: take the frame off once it is known.
    if (!m_pendingOuterPixels.isEmpty() && windowHandle() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Show || event->type() == QEvent::Resize)) {
        const QMargins frame = windowHandle()->frameMargins();
        if (!frame.isNull()) {
            const QSize outer = m_pendingOuterPixels;
            m_pendingOuterPixels = QSize();
            resize(outer.width() - frame.left() - frame.right(), outer.height() - frame.top() - frame.bottom());
        }
    }
    return QWidget::event(event);
}

void frmMain::addToolbarShortcuts()
{
    // The keys a desktop user expects for the toolbar's commands. Those that
    // act on entries or folders belong to the list or the tree, so that the
    // same keys still edit text in the command box; each works only while its
    // button is shown and enabled, as a click would.
    struct Shortcut
    {
        int index;
        QKeySequence keys;
        QWidget* scope; // null: the whole window
    };
    const Shortcut shortcuts[] = {
        {2, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), nullptr},
        {3, QKeySequence(Qt::Key_F2), tvMain},
        {4, QKeySequence(Qt::Key_Delete), tvMain},
        {8, QKeySequence::Cut, lvMain},
        {9, QKeySequence::Copy, lvMain},
        {10, QKeySequence::Paste, lvMain},
        {10, QKeySequence::Paste, tvMain},
        {12, QKeySequence(Qt::CTRL | Qt::Key_N), nullptr},
        {13, QKeySequence(Qt::Key_F2), lvMain},
        {16, QKeySequence(Qt::ALT | Qt::Key_Up), lvMain},
        {17, QKeySequence(Qt::ALT | Qt::Key_Down), lvMain},
        {22, QKeySequence::HelpContents, nullptr},
    };
    QSet<int> named;
    for (const Shortcut& shortcut : shortcuts) {
        auto* key = new QShortcut(shortcut.keys, shortcut.scope ? shortcut.scope : this);
        key->setContext(shortcut.scope ? Qt::WidgetWithChildrenShortcut : Qt::WindowShortcut);
        const int index = shortcut.index;
        connect(key, &QShortcut::activated, this, [this, index] {
            QAction* button = tlbMain->button(index);
            if (button && button->isVisible() && button->isEnabled())
                controller()->ClickTlbMain(index);
        });
        if (QAction* button = tlbMain->button(shortcut.index); button && !named.contains(index)) {
            named.insert(index);
            button->setToolTip(button->toolTip() + QStringLiteral(" (") +
                               shortcut.keys.toString(QKeySequence::NativeText) + QLatin1Char(')'));
        }
    }
    // Finding in every store, from anywhere in the window.
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Find), QKeySequence(Qt::CTRL | Qt::Key_L)}) {
        auto* find = new QShortcut(keys, this);
        find->setContext(Qt::WindowShortcut);
        connect(find, &QShortcut::activated, this, [this] { controller()->FindEverywhere(); });
    }
    // Undo and redo of the stores' changes, from anywhere in the window; the
    // command box keeps the keys for its own text while it has the focus.
    const struct
    {
        QKeySequence keys;
        bool undo;
    } steps[] = {{QKeySequence::Undo, true},
                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), false},
                 {QKeySequence(Qt::CTRL | Qt::Key_Y), false}};
    for (const auto& step : steps) {
        auto* key = new QShortcut(step.keys, this);
        key->setContext(Qt::WindowShortcut);
        const bool undo = step.undo;
        connect(key, &QShortcut::activated, this, [this, undo] {
            undo ? controller()->UndoStep() : controller()->RedoStep();
        });
    }
    // The duplicates view.
    auto* duplicates = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    duplicates->setContext(Qt::WindowShortcut);
    connect(duplicates, &QShortcut::activated, this, [this] { controller()->ShowDuplicates(); });
    // The right-click menus.
    for (QTreeWidget* view : {static_cast<QTreeWidget*>(tvMain), static_cast<QTreeWidget*>(lvMain)}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            controller()->ShowContextMenu(view, view->viewport()->mapToGlobal(at));
        });
    }
    // The list's own Delete key deletes entries (on its release, as before).
    if (QAction* button = tlbMain->button(cMainDialog::DeleteItemTool))
        button->setToolTip(button->toolTip() + QStringLiteral(" (Del)"));
}

void frmMain::placeStatusBar()
{
    // The status bar keeps to the bottom edge, as an aligned bar does, and
    // is as tall as its text needs: a larger font is not cut at the bottom.
    const int barHeight = qMax(Twips::toPixelsY(kStatusBarHeight), stbMain->sizeHint().height());
    const QRect place(0, height() - barHeight, width(), barHeight);
    if (stbMain->geometry() != place)
        stbMain->setGeometry(place);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const bool inputBox = cboMain[1] && (watched == cboMain[1] || watched == cboMain[1]->lineEdit());
    // The suggestions under the input box take their keys first.
    if (inputBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (controller()->KeyDownSuggestions(key->key(), key->modifiers().testFlag(Qt::ControlModifier)))
            return true;
    }
    // Leaving the input box for another control closes them; a menu or
    // another window taking the focus for a moment does not.
    if (inputBox && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !cboMain[1]->hasFocus())
            controller()->HideSuggestions();
    }
    // Key presses in the two drop-downs (the input box's keys reach its line edit).
    if (event->type() == QEvent::KeyPress &&
        (watched == cboMain[0] || watched == cboMain[1] || watched == cboMain[1]->lineEdit())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int index = watched == cboMain[0] ? 0 : 1;
        int ascii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            ascii = 13;
        else if (!key->text().isEmpty())
            ascii = key->text().at(0).unicode();
        if (ascii != 0)
            controller()->KeyPressCboMain(index, ascii);
        return ascii == 13 && index == 1; // Enter belongs to the go action, not to the drop-down
    }
    // Mouse events on the pictures, by index.
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool move = event->type() == QEvent::MouseMove;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (press || move || release) {
        for (const auto& [index, pic] : picMain) {
            if (pic != watched)
                continue;
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint p = mouse->position().toPoint();
            const int button = MouseState::button(release ? mouse->button() : mouse->buttons());
            const int shift = MouseState::shift(mouse->modifiers());
            const int x = Twips::fromPixelsX(p.x());
            const int y = Twips::fromPixelsY(p.y());
            if (press)
                controller()->MouseDownPicMain(index, button, shift, x, y);
            else if (move)
                controller()->MouseMovePicMain(index, button, shift, x, y);
            else
                controller()->MouseUpPicMain(index, button, shift, x, y);
            return true; // a picture's mouse events are its own, not the form's
        }
    }
    return QWidget::eventFilter(watched, event);
}
