#include "controls/GlobalShortcut.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcShortcut, "markcrate.shortcut")

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kAppId = QStringLiteral("org.markcrate.Markcrate");
constexpr int kPortalTimeoutMs = 1000;
// A desktop may ask the user to confirm the key; past this, no answer is taken as none.
constexpr int kPortalAnswerMs = 120000;

// One shortcut as the portal takes and reports it: (sa{sv}).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

QString GlobalShortcut::portalTrigger(const QKeySequence& key)
{
    if (key.isEmpty())
        return {};
    const QKeyCombination combination = key[0];
    const int code = int(combination.key());
    QString name;
    if (code >= Qt::Key_A && code <= Qt::Key_Z)
        name = QChar(QLatin1Char(char('a' + (code - Qt::Key_A))));
    else if (code >= Qt::Key_0 && code <= Qt::Key_9)
        name = QChar(QLatin1Char(char(code)));
    else if (code >= Qt::Key_F1 && code <= Qt::Key_F24)
        name = QStringLiteral("F%1").arg(code - Qt::Key_F1 + 1);
    else if (code == Qt::Key_Space)
        name = QStringLiteral("space");
    else
        return {};
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << name;
    return parts.join(QLatin1Char('+'));
}

GlobalShortcut::GlobalShortcut(QObject* parent) : QObject(parent)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalShortcut::~GlobalShortcut()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    release();
}

void GlobalShortcut::release()
{
    if (m_way == Way::X11)
        X11::ungrabKey(m_grab);
    m_grab = {};
    if (!m_session.isEmpty()) {
        QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(
                kPortalService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")),
            QDBus::NoBlock);
        m_session.clear();
    }
    m_way = Way::None;
    m_taken = false;
    m_trigger.clear();
    m_pending.clear();
    m_waitingForPortal = false;
}

void GlobalShortcut::setKey(const QKeySequence& key)
{
    release();
    ++m_attempt;
    m_key = key;
    if (!key.isEmpty() && !tryPortal())
        tryX11();
    emit stateChanged();
}

void GlobalShortcut::tryX11()
{
    switch (X11::grabKey(m_key[0].toCombined(), &m_grab)) {
    case X11::GrabResult::Grabbed:
        m_way = Way::X11;
        break;
    case X11::GrabResult::Taken:
        m_taken = true;
        qCWarning(lcShortcut).noquote() << m_key.toString() << "is held by another program";
        break;
    case X11::GrabResult::Unsupported:
        break;
    }
}

// The portal where the desktop has it: true while it is being asked.
bool GlobalShortcut::tryPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || portalTrigger(m_key).isEmpty())
        return false;
    QDBusMessage version = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    version << kShortcutsInterface << QStringLiteral("version");
    if (bus.call(version, QDBus::Block, kPortalTimeoutMs).type() != QDBusMessage::ReplyMessage)
        return false;
    // Outside a sandbox the portal knows the program by the id it registers
    // first, where the portal has that registry (an error otherwise, which is fine).
    QDBusMessage registry = QDBusMessage::createMethodCall(kPortalService,
                                                           kPortalPath,
                                                           QStringLiteral("org.freedesktop.host.portal.Registry"),
                                                           QStringLiteral("Register"));
    registry << kAppId << QVariantMap();
    bus.call(registry, QDBus::Block, kPortalTimeoutMs);
    bus.connect(kPortalService,
                kPortalPath,
                kShortcutsInterface,
                QStringLiteral("Activated"),
                this,
                SLOT(portalSignal(QDBusMessage)));
    bus.connect(kPortalService,
                kPortalPath,
                kShortcutsInterface,
                QStringLiteral("ShortcutsChanged"),
                this,
                SLOT(portalSignal(QDBusMessage)));
    m_waitingForPortal = true;
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), QStringLiteral("markcrate%1").arg(++m_tokens));
    // Some desktops take the shortcuts with the session, not only when bound.
    const QList<PortalShortcut> shortcuts{
        {QString::fromLatin1(kId),
         {{QStringLiteral("description"), QStringLiteral("Show Markcrate with its command box")},
          {QStringLiteral("preferred_trigger"), portalTrigger(m_key)}}}};
    options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
    askPortal(QStringLiteral("CreateSession"), {}, options);
    QTimer::singleShot(kPortalAnswerMs, this, [this, attempt = m_attempt] {
        if (m_waitingForPortal && attempt == m_attempt)
            portalFailed(); // the session or the binding never came back
    });
    return true;
}

QString GlobalShortcut::requestPath(const QString& token) const
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void GlobalShortcut::askPortal(const QString& method, QList<QVariant> arguments, QVariantMap options)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = QStringLiteral("markcrate_%1").arg(++m_tokens);
    options.insert(QStringLiteral("handle_token"), token);
    // Listened for before the call, so that no answer comes first.
    m_pending = requestPath(token);
    bus.connect(kPortalService,
                m_pending,
                kRequestInterface,
                QStringLiteral("Response"),
                this,
                SLOT(portalSignal(QDBusMessage)));
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsInterface, method);
    arguments.append(options);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            portalFailed();
            return;
        }
        // An older portal names its request object itself.
        const QString path = reply.value().path();
        if (path != m_pending && !path.isEmpty()) {
            QDBusConnection::sessionBus().connect(kPortalService,
                                                  path,
                                                  kRequestInterface,
                                                  QStringLiteral("Response"),
                                                  this,
                                                  SLOT(portalSignal(QDBusMessage)));
            m_pending = path;
        }
    });
}

void GlobalShortcut::portalFailed()
{
    // The desktop refused or has no such portal after all: the next way.
    m_waitingForPortal = false;
    m_pending.clear();
    m_session.clear();
    tryX11();
    emit stateChanged();
}

void GlobalShortcut::portalSignal(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (message.member() == QLatin1String("Response")) {
        if (message.path() != m_pending || arguments.size() < 2)
            return;
        m_pending.clear();
        const uint response = arguments.at(0).toUInt();
        const QVariantMap results = qdbus_cast<QVariantMap>(arguments.at(1));
        if (response != 0) {
            portalFailed();
            return;
        }
        if (m_session.isEmpty()) {
            m_session = results.value(QStringLiteral("session_handle")).toString();
            if (m_session.isEmpty()) {
                portalFailed();
                return;
            }
            bindShortcuts();
            return;
        }
        m_waitingForPortal = false;
        m_way = Way::Portal;
        const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
        if (shortcuts.canConvert<QDBusArgument>())
            takeShortcuts(shortcuts.value<QDBusArgument>());
        emit stateChanged();
        return;
    }
    if (arguments.isEmpty() || m_session.isEmpty() || arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    if (message.member() == QLatin1String("Activated")) {
        if (arguments.size() >= 2 && arguments.at(1).toString() == QLatin1String(kId))
            emit activated();
    } else if (message.member() == QLatin1String("ShortcutsChanged") && arguments.size() >= 2) {
        takeShortcuts(arguments.at(1).value<QDBusArgument>());
        emit stateChanged();
    }
}

void GlobalShortcut::bindShortcuts()
{
    const QList<PortalShortcut> shortcuts{
        {QString::fromLatin1(kId),
         {{QStringLiteral("description"), QStringLiteral("Show Markcrate with its command box")},
          {QStringLiteral("preferred_trigger"), portalTrigger(m_key)}}}};
    askPortal(QStringLiteral("BindShortcuts"),
              {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString()},
              {});
}

// The trigger the desktop settled on, as it describes it.
void GlobalShortcut::takeShortcuts(const QDBusArgument& argument)
{
    QList<PortalShortcut> shortcuts;
    argument >> shortcuts;
    for (const PortalShortcut& shortcut : std::as_const(shortcuts)) {
        if (shortcut.id == QLatin1String(kId))
            m_trigger = shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    }
}

QString GlobalShortcut::stateText() const
{
    const QString key = m_key.toString(QKeySequence::NativeText);
    if (m_key.isEmpty())
        return QStringLiteral("off");
    if (m_waitingForPortal)
        return key + QStringLiteral(" (asking the desktop)");
    switch (m_way) {
    case Way::Portal:
        return (m_trigger.isEmpty() ? key : m_trigger) + QStringLiteral(" (desktop portal)");
    case Way::X11:
        return key + QStringLiteral(" (X11)");
    case Way::None:
        break;
    }
    if (m_taken)
        return key + QStringLiteral(" is held by another program: choose another key");
    return QStringLiteral("not available here");
}

bool GlobalShortcut::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_way != Way::X11 || eventType != "xcb_generic_event_t" || !X11::isPress(message, m_grab))
        return false;
    emit activated();
    return true;
}
