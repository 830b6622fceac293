#include "platform/singleinstance.h"

#include "platform/paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The longest path a Unix socket takes is 107 bytes.
constexpr qsizetype kMaxSocketPath = 100;

bool isAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::folder()
{
    return runtimeDir();
}

QString SingleInstance::socketPath() const
{
    const QString path = runtimeDir() + QStringLiteral("/instance.socket");
    if (QFile::encodeName(path).size() <= kMaxSocketPath)
        return path;
    // A long home folder: a short private folder of this user's own in /tmp holds the socket.
    const QString shortFolder = QStringLiteral("/tmp/markcrate-%1").arg(::getuid());
    if (privateFolder(shortFolder))
        return shortFolder + QStringLiteral("/s");
    return path; // listening fails, and the program says so
}

namespace {

struct RequestWord
{
    Request::Kind kind;
    const char* word;
    bool text;
};
constexpr RequestWord kRequestWords[] = {
    {Request::Kind::Show, "SHOW", false},
    {Request::Kind::Hide, "HIDE", false},
    {Request::Kind::Toggle, "TOGGLE", false},
    {Request::Kind::Find, "FIND", true},
    {Request::Kind::Open, "OPEN", true},
};

} // namespace

QByteArray SingleInstance::encode(const Request& request)
{
    for (const RequestWord& word : kRequestWords) {
        if (word.kind != request.kind)
            continue;
        QByteArray line = word.word;
        if (word.text && !request.text.isEmpty())
            line += ' ' + request.text.toUtf8().toPercentEncoding();
        return line + '\n';
    }
    return {};
}

std::optional<Request> SingleInstance::parse(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    const qsizetype space = trimmed.indexOf(' ');
    const QByteArray head = space < 0 ? trimmed : trimmed.left(space);
    for (const RequestWord& word : kRequestWords) {
        if (head != word.word)
            continue;
        if (space >= 0 && !word.text)
            return std::nullopt; // a word that takes no text, given one: not ours
        Request request{word.kind, {}};
        if (space >= 0)
            request.text = QString::fromUtf8(QByteArray::fromPercentEncoding(trimmed.mid(space + 1)));
        return request;
    }
    return std::nullopt;
}

bool SingleInstance::askRunningCopy(const Request& request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(encode(request));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait for the reply so that the request is surely taken before this copy ends.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Role SingleInstance::start(const Request& request, int timeoutMs)
{
    if (!ensurePrivateDir(runtimeDir()) || !isPrivateFolder(runtimeDir()))
        return Role::Failed;
    QElapsedTimer clock;
    clock.start();
    // The lock file orders two copies started at the same moment; a lock left
    // by a crashed copy is stale and taken over.
    m_lock = std::make_unique<QLockFile>(runtimeDir() + QStringLiteral("/instance.lock"));
    m_lock->setStaleLockTime(0);
    while (!m_lock->tryLock(100)) {
        if (askRunningCopy(request, 200))
            return Role::Secondary;
        if (clock.elapsed() > timeoutMs) {
            // The holder does not answer: its lock is taken over only when it is gone.
            qint64 pid = 0;
            QString host;
            QString application;
            if (m_lock->getLockInfo(&pid, &host, &application) && host == QSysInfo::machineHostName() && isAlive(pid))
                return Role::Busy;
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
            // A request is one line; anything longer is not ours.
            if (socket->bytesAvailable() > kMostRequestBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            if (const std::optional<Request> request = parse(socket->readLine())) {
                socket->write("OK\n");
                socket->flush();
                emit requested(*request);
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace platform
