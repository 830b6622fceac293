#pragma once

#include "controls/x11.h"

#include <QAbstractNativeEventFilter>
#include <QKeySequence>
#include <QObject>
#include <QString>

#include <memory>

class QDBusArgument;
class QDBusMessage;

// A key that reaches the program from any application. Where the desktop
// offers the GlobalShortcuts portal, the key is asked of it (the desktop has
// the last word on the trigger); on an X11 session the key is grabbed on the
// root window; elsewhere there is no such key, and the user is told which
// command to bind in the desktop's settings instead.
class GlobalShortcut : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    enum class Way
    {
        None,
        Portal,
        X11,
    };
    // The shortcut's id with the portal.
    static constexpr const char* kId = "show-find";
    // What a desktop user binds where no way works.
    static QString command() { return QStringLiteral("markcrate --find"); }
    // The desktop's trigger text for a key ("CTRL+ALT+b"); empty for a key it cannot name.
    static QString portalTrigger(const QKeySequence& key);

    explicit GlobalShortcut(QObject* parent = nullptr);
    ~GlobalShortcut() override;

    // Takes the key (empty: none); the way is chosen anew.
    void setKey(const QKeySequence& key);
    QKeySequence key() const { return m_key; }
    Way way() const { return m_way; }
    bool isTaken() const { return m_taken; }
    // How it stands, as Options show it: "Ctrl+Alt+B (desktop portal)",
    // "Ctrl+Alt+B (X11)", "Ctrl+Alt+B is held by another program", "not available here".
    QString stateText() const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void activated();
    void stateChanged();

private slots:
    // The portal's signals (Response, Activated, ShortcutsChanged): Qt D-Bus
    // delivers them to a slot named by its signature.
    void portalSignal(const QDBusMessage& message);

private:
    void release();
    bool tryPortal();
    void tryX11();
    void portalFailed();
    void bindShortcuts();
    void takeShortcuts(const QDBusArgument& shortcuts);
    // Calls a portal method whose answer comes as a Response on a request object.
    void askPortal(const QString& method, QList<QVariant> arguments, QVariantMap options);
    QString requestPath(const QString& token) const;

    QKeySequence m_key;
    Way m_way = Way::None;
    bool m_taken = false;
    bool m_waitingForPortal = false;
    X11::Grab m_grab;
    QString m_session; // the portal's session handle
    QString m_pending; // the request whose Response is awaited
    QString m_trigger; // the trigger the desktop reports
    int m_tokens = 0;
    int m_attempt = 0; // each key taken anew: a late answer to an earlier one is not this one's
};
