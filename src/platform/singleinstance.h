#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace platform {

// One running copy per user. The first start listens on a socket in a folder
// only the user can enter; a later start connects, asks the first to show
// its window and ends, without touching anything else.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role
    {
        Primary,   // nobody else runs: this copy listens now
        Secondary, // another copy runs and was asked to show itself
        Busy,      // another copy holds the lock, is alive and does not answer: this one must not run
        Failed     // neither: the program may go on alone
    };

    explicit SingleInstance(QObject* parent = nullptr);

    // The folder of the lock and the socket: the runtime folder when it is the
    // user's own and private (mode 0700), else the private configuration folder.
    static QString folder();
    ~SingleInstance() override;

    // Decides this process's role; at most `timeoutMs` waiting for a busy peer.
    Role start(int timeoutMs = 1000);
    QString socketPath() const;

    // Messages between copies: one line of text, parsed by a pure function.
    static QByteArray showRequest();
    static bool isShowRequest(const QByteArray& message);

signals:
    void showRequested();

private:
    bool askRunningCopy(int timeoutMs);
    void acceptConnection();

    std::unique_ptr<QLocalServer> m_server;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace platform
