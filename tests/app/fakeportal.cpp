// A desktop portal of the test's own on a private session bus: the
// GlobalShortcuts interface and the host registry, each call printed as a
// line ("Register org.markcrate.Markcrate", "CreateSession show-find=CTRL+ALT+b",
// "BindShortcuts show-find=CTRL+ALT+b"), each request answered at once with
// its Response. Its own method org.markcrate.test.Press() sends the
// Activated signal a key press on the desktop would.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QTimer>

#include <cstdio>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

struct Shortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString described(const QList<Shortcut>& shortcuts)
{
    QStringList parts;
    for (const Shortcut& shortcut : shortcuts)
        parts << shortcut.id + QLatin1Char('=') +
                     shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
    return parts.join(QLatin1Char(','));
}

} // namespace

Q_DECLARE_METATYPE(Shortcut)

class Portal : public QDBusVirtualObject
{
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString interface = message.interface();
        const QString member = message.member();
        const QList<QVariant> arguments = message.arguments();
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        if (member == QLatin1String("Get") && arguments.value(0).toString() == kShortcuts) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
        } else if (interface == QLatin1String("org.freedesktop.host.portal.Registry") &&
                   member == QLatin1String("Register")) {
            print(QStringLiteral("Register ") + arguments.value(0).toString());
            connection.send(message.createReply());
        } else if (interface == kShortcuts && member == QLatin1String("CreateSession")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(0));
            QList<Shortcut> shortcuts;
            if (options.contains(QStringLiteral("shortcuts")))
                options.value(QStringLiteral("shortcuts")).value<QDBusArgument>() >> shortcuts;
            print(QStringLiteral("CreateSession ") + described(shortcuts));
            m_session = kPath + QStringLiteral("/session/") + sender + QLatin1Char('/') +
                        options.value(QStringLiteral("session_handle_token")).toString();
            respond(message, connection, options, {{QStringLiteral("session_handle"), m_session}});
        } else if (interface == kShortcuts && member == QLatin1String("BindShortcuts")) {
            QList<Shortcut> shortcuts;
            arguments.value(1).value<QDBusArgument>() >> shortcuts;
            print(QStringLiteral("BindShortcuts ") + described(shortcuts));
            QList<Shortcut> bound;
            for (const Shortcut& shortcut : std::as_const(shortcuts))
                bound.append({shortcut.id, {{QStringLiteral("trigger_description"), QStringLiteral("Ctrl+Alt+B")}}});
            respond(message,
                    connection,
                    qdbus_cast<QVariantMap>(arguments.value(3)),
                    {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
        } else if (member == QLatin1String("Close")) {
            print(QStringLiteral("Close ") + message.path());
            connection.send(message.createReply());
        } else if (interface == QLatin1String("org.markcrate.test") && member == QLatin1String("Press")) {
            QDBusMessage activated = QDBusMessage::createSignal(kPath, kShortcuts, QStringLiteral("Activated"));
            activated << QVariant::fromValue(QDBusObjectPath(m_session)) << QStringLiteral("show-find")
                      << QVariant::fromValue(qulonglong(0)) << QVariantMap();
            connection.send(activated);
            connection.send(message.createReply());
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, member));
        }
        return true;
    }

private:
    // The request's handle, then its Response signal, as a portal answers.
    void respond(const QDBusMessage& message,
                 const QDBusConnection& connection,
                 const QVariantMap& options,
                 const QVariantMap& results)
    {
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') +
                                options.value(QStringLiteral("handle_token")).toString();
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << uint(0) << results;
        QTimer::singleShot(10, [connection, response]() mutable { connection.send(response); });
    }

    QString m_session;
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    Portal portal;
    if (!bus.registerVirtualObject(kPath, &portal, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "fakeportal: %s\n", bus.lastError().message().toUtf8().constData());
        return 1;
    }
    print(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
