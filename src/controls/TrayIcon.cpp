#include "controls/TrayIcon.h"

#include "controls/x11.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {

// A bookmark ribbon on a rounded square, drawn, for a Qt without its SVG plugin.
QIcon drawnProgramIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2a, 0x6d, 0xb0));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setBrush(QColor(0xf5, 0xc2, 0x42));
    const QPointF ribbon[] = {{10, 5}, {22, 5}, {22, 27}, {16, 21}, {10, 27}};
    painter.drawPolygon(ribbon, 5);
    return QIcon(pixmap);
}

} // namespace

QIcon programIcon()
{
    // The installed icon where the desktop has it, else the one built in:
    // the window, the tray and the menu entry show the same picture.
    // Never destroyed: an icon must not outlive the application object.
    static const QIcon* icon = [] {
        // The resource lives in a static library, where nothing else would
        // keep its registration in the program.
        Q_INIT_RESOURCE(icons);
        QIcon builtIn(QStringLiteral(":/markcrate/org.markcrate.Markcrate.svg"));
        if (builtIn.pixmap(32, 32).isNull())
            builtIn = drawnProgramIcon();
        return new QIcon(QIcon::fromTheme(QStringLiteral("org.markcrate.Markcrate"), builtIn));
    }();
    return *icon;
}

namespace {

// How often the tray is looked for: a tray that appears shows the icon within this.
constexpr int kTrayWatchMs = 1500;

} // namespace

TrayIcon::TrayIcon(const QString& toolTip, const QList<Item>& items, QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()), m_toolTip(toolTip)
{
    m_menu->setObjectName(QStringLiteral("mnuMARKCRATE"));
    for (const Item& entry : items) {
        QAction* action = nullptr;
        if (QLatin1String(entry.caption) == QLatin1String("-")) {
            action = m_menu->addSeparator();
        } else {
            action = m_menu->addAction(QLatin1String(entry.caption));
            action->setCheckable(entry.checkable);
            const int index = entry.index;
            connect(action, &QAction::triggered, this, [this, index] { emit MenuClick(index); });
        }
        action->setObjectName(QStringLiteral("mnuMARKCRATEChild_%1").arg(entry.index));
        action->setVisible(entry.visible);
        m_items[entry.index] = action;
    }
    makeIcon();
    m_trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_trayOwner = X11::trayOwner();
    connect(&m_trayWatch, &QTimer::timeout, this, &TrayIcon::lookForTray);
    m_trayWatch.start(kTrayWatchMs);
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::makeIcon()
{
    if (m_icon)
        m_icon->hide();
    m_icon = std::make_unique<QSystemTrayIcon>(programIcon());
    m_icon->setToolTip(m_toolTip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Context)
            emit MouseDown(2, 0);
        else if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit MouseDown(1, 0);
    });
}

void TrayIcon::lookForTray()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    const quint32 owner = X11::trayOwner();
    // A tray that appeared, or another one in the place of the last: the
    // icon is made anew, which is what a tray takes in.
    if (available && (!m_trayAvailable || owner != m_trayOwner)) {
        makeIcon();
        m_icon->setVisible(m_inTray);
    }
    m_trayAvailable = available;
    m_trayOwner = owner;
}

void TrayIcon::setInTray(bool inTray)
{
    m_inTray = inTray;
    m_icon->setVisible(inTray && QSystemTrayIcon::isSystemTrayAvailable());
}

bool TrayIcon::isShown() const
{
    return m_inTray && m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

QAction* TrayIcon::item(int index) const
{
    const auto it = m_items.find(index);
    return it == m_items.end() ? nullptr : it->second;
}

void TrayIcon::popup(int defaultIndex)
{
    m_menu->setDefaultAction(item(defaultIndex));
    m_menu->popup(QCursor::pos());
}

void TrayIcon::notify(const QString& title, const QString& text)
{
    if (isShown())
        m_icon->showMessage(title, text, QSystemTrayIcon::Information, 10000);
}
