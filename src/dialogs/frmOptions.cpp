#include "dialogs/frmOptions.h"

#include "controls/twips.h"
#include "dialogs/messagebox.h"
#include "dialogs/modal.h"
#include "store/cSettings.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>

namespace {

constexpr int kWidth = 6300;
constexpr int kHeight = 4900;
constexpr int kPanelLeft = 150;
constexpr int kHiddenLeft = -20000;
constexpr int kPanelTop = 500;
constexpr int kPanelWidth = kWidth - 300;
constexpr int kPanelHeight = 3600;

const char* const kCheckCaptions[] = {
    "Always On Top",
    "Auto Hide on Launch",
    "Display \"More\" by Default",
    "Refresh Bookmarks On Access",
    "Provide CompuServe Support",
    "Provide Netscape Navigator Support",
    "Provide Microsoft Internet Explorer Support",
    "Treat Bookmark file as read-only",
    "Expand Bookmarks on Refresh",
    "Provide Firefox Support",
    "Provide Chromium Support",
};

} // namespace

frmOptions::frmOptions(cSettings& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_settings(settings)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    Twips::setGeometry(this, 0, 0, kWidth, kHeight);
    setFixedSize(size());

    tbsOptions = new QTabBar(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    for (const char* caption : {"General", "Content", "Netscape Navigator", "Microsoft Internet Explorer"})
        tbsOptions->addTab(QLatin1String(caption));
    Twips::setGeometry(tbsOptions, kPanelLeft, 120, kPanelWidth, 380);

    for (int index = 0; index < 4; ++index) {
        auto* panel = new QWidget(this);
        panel->setObjectName(QStringLiteral("picOptions_%1").arg(index));
        Twips::setGeometry(panel, kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight);
        picOptions[size_t(index)] = panel;
    }
    for (int index = 0; index < int(chkOptions.size()); ++index) {
        auto* box = new QCheckBox(QLatin1String(kCheckCaptions[index]), this);
        box->setObjectName(QStringLiteral("chkOptions_%1").arg(index));
        chkOptions[size_t(index)] = box;
        connect(box, &QCheckBox::clicked, this, &frmOptions::markDirty);
    }
    // Which tab holds which control.
    auto place = [](QWidget* widget, QWidget* panel, int row, int pitch = 390) {
        widget->setParent(panel);
        Twips::setGeometry(widget, 120, 120 + row * pitch, kPanelWidth - 240, 330);
    };
    // Eight boxes on the first tab: closer rows, so that all fit.
    int row = 0;
    for (int index : {0, 1, 2, 3, 4, 8, 9, 10})
        place(chkOptions[size_t(index)], picOptions[0], row++, 330);
    place(chkOptions[5], picOptions[2], 0);
    place(chkOptions[7], picOptions[2], 1);
    place(chkOptions[6], picOptions[3], 0);

    const char* const textLabels[] = {
        "CompuServe Web Forums URL", "Yahoo Search URL", "Location of Netscape's Bookmark.htm"};
    for (int index = 0; index < 3; ++index) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("txtOptions_%1").arg(index));
        txtOptions[size_t(index)] = edit;
        connect(edit, &QLineEdit::textChanged, this, &frmOptions::markDirty);
    }
    auto placeText = [&textLabels](QLineEdit* edit, int index, QWidget* panel, int top, int width) {
        auto* label = new QLabel(QLatin1String(textLabels[index]), panel);
        label->setBuddy(edit);
        Twips::setGeometry(label, 120, top, kPanelWidth - 240, 300);
        edit->setParent(panel);
        Twips::setGeometry(edit, 120, top + 300, width, 330);
    };
    placeText(txtOptions[1], 1, picOptions[1], 120, kPanelWidth - 240);
    placeText(txtOptions[0], 0, picOptions[1], 900, kPanelWidth - 240);
    placeText(txtOptions[2], 2, picOptions[2], 900, kPanelWidth - 1500);
    // Below the General tab's boxes: the key that shows the window from anywhere.
    auto* shortcutCaption = new QLabel(QStringLiteral("Show Markcrate from any application"), picOptions[0]);
    Twips::setGeometry(shortcutCaption, 120, 2800, kPanelWidth - 240, 280);
    txtShortcut = new QKeySequenceEdit(picOptions[0]);
    txtShortcut->setObjectName(QStringLiteral("txtShortcut"));
    shortcutCaption->setBuddy(txtShortcut);
    Twips::setGeometry(txtShortcut, 120, 3080, 1800, 330);
    connect(txtShortcut, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& key) {
        // One chord: the first pressed is the key.
        if (key.count() > 1)
            txtShortcut->setKeySequence(QKeySequence(key[0]));
        markDirty();
    });
    lblShortcut = new QLabel(picOptions[0]);
    lblShortcut->setObjectName(QStringLiteral("lblShortcut"));
    lblShortcut->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblShortcut->setWordWrap(true);
    Twips::setGeometry(lblShortcut, 2040, 3080, kPanelWidth - 2040 - 1500, 500);
    cmdCopyCommand = new QPushButton(QStringLiteral("Copy Command"), picOptions[0]);
    cmdCopyCommand->setObjectName(QStringLiteral("cmdCopyCommand"));
    cmdCopyCommand->setToolTip(
        QStringLiteral("Copy \"markcrate --find\" to bind it to a key in your desktop's settings"));
    Twips::setGeometry(cmdCopyCommand, kPanelWidth - 1380, 3065, 1260, 360);
    cmdCopyCommand->hide();
    connect(cmdCopyCommand, &QPushButton::clicked, this, [] {
        QGuiApplication::clipboard()->setText(QStringLiteral("markcrate --find"));
    });

    cmdOptions = new QPushButton(QStringLiteral("Browse..."), picOptions[2]);
    cmdOptions->setObjectName(QStringLiteral("cmdOptions"));
    Twips::setGeometry(cmdOptions, kPanelWidth - 1260, 1185, 1140, 360);
    connect(cmdOptions, &QPushButton::clicked, this, &frmOptions::browse);

    int left = kWidth - 3 * 1200 - 2 * 120 - 150;
    for (QPushButton** button : {&cmdOK, &cmdCancel, &cmdApply}) {
        const QString caption = button == &cmdOK       ? QStringLiteral("OK")
                                : button == &cmdCancel ? QStringLiteral("Cancel")
                                                       : QStringLiteral("Apply");
        *button = new QPushButton(caption, this);
        (*button)->setObjectName(QStringLiteral("cmd") + caption);
        Twips::setGeometry(*button, left, kHeight - 600, 1200, 400);
        left += 1320;
    }
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        SaveOptions();
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::SaveOptions);
    connect(tbsOptions, &QTabBar::currentChanged, this, &frmOptions::showPanel);
    showPanel(0);
    fitTabCaptions();
}

void frmOptions::fitTabCaptions()
{
    // Every tab shows its whole caption: the dialog grows where the four need more than its width.
    tbsOptions->setElideMode(Qt::ElideNone);
    tbsOptions->setUsesScrollButtons(false);
    const int extra = tbsOptions->sizeHint().width() - tbsOptions->width();
    if (extra <= 0)
        return;
    setFixedSize(width() + extra, height());
    tbsOptions->resize(tbsOptions->width() + extra, tbsOptions->height());
    for (QWidget* panel : picOptions)
        panel->resize(panel->width() + extra, panel->height());
    for (QLineEdit* edit : txtOptions)
        edit->resize(edit->width() + extra, edit->height());
    for (QPushButton* moved : {cmdOK, cmdCancel, cmdApply, cmdOptions})
        moved->move(moved->x() + extra, moved->y());
}

bool frmOptions::Display()
{
    Form_Load();
    return Modal::run(*this) == QDialog::Accepted;
}

void frmOptions::Form_Load()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    const bool values[] = {
        m_settings.AlwaysOnTop(),
        m_settings.HideOnLaunch(),
        m_settings.ShowMore(),
        m_settings.ReloadBookmarks(),
        m_settings.SupportCompuServe(),
        m_settings.SupportNetscape(),
        m_settings.SupportInternetExplorer(),
        m_settings.TreatBookmarksAsReadOnly(),
        m_settings.ExpandFoldersOnRefresh(),
        m_settings.SupportFirefox(),
        m_settings.SupportChromium(),
    };
    for (int index = 0; index < int(chkOptions.size()); ++index)
        chkOptions[size_t(index)]->setChecked(values[index]);
    txtOptions[0]->setText(m_settings.CForumURL());
    txtOptions[1]->setText(m_settings.YahooSearchURL());
    txtOptions[2]->setText(m_settings.BookmarkLocation());
    const QString key = m_settings.GlobalShortcut().trimmed();
    txtShortcut->setKeySequence(key.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0
                                    ? QKeySequence()
                                    : QKeySequence::fromString(key, QKeySequence::PortableText));
    showShortcutState(shortcutState ? shortcutState() : QString());
    m_dirty = false;
    cmdApply->setEnabled(false);
}

void frmOptions::markDirty()
{
    if (m_dirty)
        return;
    m_dirty = true;
    cmdApply->setEnabled(true);
}

void frmOptions::showPanel(int tab)
{
    for (int index = 0; index < int(picOptions.size()); ++index) {
        QWidget* panel = picOptions[size_t(index)];
        const bool shown = index == tab;
        Twips::setLeft(panel, shown ? kPanelLeft : kHiddenLeft);
        panel->setEnabled(shown);
    }
}

void frmOptions::showShortcutState(const QString& state)
{
    const bool unavailable = state == QLatin1String("not available here");
    lblShortcut->setText(unavailable ? QStringLiteral("not available here: bind \"markcrate --find\" to a key in "
                                                      "your desktop's settings")
                                     : state);
    lblShortcut->setToolTip(lblShortcut->text());
    cmdCopyCommand->setVisible(unavailable);
}

void frmOptions::browse()
{
    const QString chosen = MessageBoxes::getOpenFileName(this,
                                                         QStringLiteral("Select HTML Favorites"),
                                                         QStringLiteral("HTML Files (*.HTM *.htm *.html)"),
                                                         QStringLiteral("*.htm"));
    if (chosen.isEmpty())
        return; // cancelled: nothing changes
    txtOptions[2]->setText(chosen);
}

void frmOptions::SaveOptions()
{
    const auto checked = [this](int index) { return chkOptions[size_t(index)]->checkState() != Qt::Unchecked; };
    m_settings.setAlwaysOnTop(checked(0));
    m_settings.setHideOnLaunch(checked(1));
    m_settings.setShowMore(checked(2));
    m_settings.setReloadBookmarks(checked(3));
    m_settings.setSupportCompuServe(checked(4));
    m_settings.setSupportNetscape(checked(5));
    m_settings.setSupportInternetExplorer(checked(6));
    m_settings.setTreatBookmarksAsReadOnly(checked(7));
    m_settings.setExpandFoldersOnRefresh(checked(8));
    m_settings.setSupportFirefox(checked(9));
    m_settings.setSupportChromium(checked(10));
    m_settings.setCForumURL(txtOptions[0]->text());
    m_settings.setYahooSearchURL(txtOptions[1]->text());
    m_settings.setBookmarkLocation(txtOptions[2]->text());
    const QKeySequence key = txtShortcut->keySequence();
    m_settings.setGlobalShortcut(key.isEmpty() ? QStringLiteral("none") : key.toString(QKeySequence::PortableText));
    m_settings.Update();
    if (shortcutSaved)
        showShortcutState(shortcutSaved());
    m_dirty = false;
    cmdApply->setEnabled(false);
}

bool frmOptions::event(QEvent* event)
{
    // Ctrl+Tab selects the next tab, from the last back to the first.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % tbsOptions->count());
            return true;
        }
    }
    return QDialog::event(event);
}
