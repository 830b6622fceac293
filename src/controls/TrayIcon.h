#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the notification area, with its popup menu. It owns
// both and reports mouse-downs on the icon and clicks on menu items by index;
// the controller decides what they do.
// The program's icon, for the window and the tray alike.
QIcon programIcon();

class TrayIcon : public QObject
{
    Q_OBJECT
public:
    struct Item
    {
        int index;
        const char* caption; // "-" for a separator
        bool visible;
        bool checkable = false;
    };

    TrayIcon(const QString& toolTip, const QList<Item>& items, QObject* parent = nullptr);
    ~TrayIcon() override;

    // The icon stands in the notification area while this is true (and the desktop has one).
    bool InTray() const { return m_inTray; }
    void setInTray(bool inTray);
    // True when the icon is really shown, so that a hidden window can come back from it.
    bool isShown() const;

    // A passing notice from the icon, where it is shown.
    void notify(const QString& title, const QString& text);

    QAction* item(int index) const;
    QMenu* menu() const { return m_menu.get(); }
    // Opens the menu at the mouse position, with `defaultIndex` as its default item.
    void popup(int defaultIndex);

signals:
    // 1 left button, 2 right button.
    void MouseDown(int button, int id);
    void MenuClick(int index);

private:
    // The desktop's tray may start after the program (at login) or go and
    // come back (a panel restarted): it is looked for now and then, and the
    // icon made anew for each tray that appears.
    void makeIcon();
    void lookForTray();

    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::map<int, QAction*> m_items;
    QString m_toolTip;
    QTimer m_trayWatch;
    bool m_trayAvailable = false;
    quint32 m_trayOwner = 0; // the X11 tray's window, where that is the tray
    bool m_inTray = false;
};
