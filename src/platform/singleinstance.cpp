#include "platform/singleinstance.h"

#include "platform/paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace platform {

namespace {

QString runtimeDir()
{
    // XDG_RUNTIME_DIR is private to the user by definition; without it, the
    // configuration folder (made private on creation) serves.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime + QStringLiteral("/markcrate");
    return configDir();
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath() const
{
    return runtimeDir() + QStringLiteral("/instance.socket");
}

QByteArray SingleInstance::showRequest()
{
    return QByteArrayLiteral("SHOW\n");
}

bool SingleInstance::isShowRequest(const QByteArray& message)
{
    return message.trimmed() == "SHOW";
}

bool SingleInstance::askRunningCopy(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(showRequest());
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait for the reply so that the request is surely taken before this copy ends.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Role SingleInstance::start(int timeoutMs)
{
    if (!ensurePrivateDir(runtimeDir()))
        return Role::Failed;
    QElapsedTimer clock;
    clock.start();
    // The lock file orders two copies started at the same moment; a lock left
    // by a crashed copy is stale and taken over.
    m_lock = std::make_unique<QLockFile>(runtimeDir() + QStringLiteral("/instance.lock"));
    m_lock->setStaleLockTime(0);
    while (!m_lock->tryLock(100)) {
        if (askRunningCopy(200))
            return Role::Secondary;
        if (clock.elapsed() > timeoutMs) {
            // The holder neither answers nor dies: try to take the lock over.
            m_lock->removeStaleLockFile();
            if (!m_lock->tryLock(100))
                return Role::Failed;
            break;
        }
    }
    // We hold the lock: any socket left there belongs to a crashed copy.
    QLocalServer::removeServer(socketPath());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath()))
        return Role::Failed;
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return Role::Primary;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // A request is one short line; anything longer is not ours.
            if (socket->bytesAvailable() > 64) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            if (isShowRequest(socket->readLine())) {
                socket->write("OK\n");
                socket->flush();
                emit showRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace platform
