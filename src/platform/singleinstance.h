#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;

namespace platform {

// What a later start asks of the running copy.
struct Request
{
    enum class Kind
    {
        Show,   // the window forward (a start with no option)
        Hide,   // to the tray
        Toggle, // hidden when it is the active window, else shown
        Find,   // shown, the command box focused, suggestions for the text
        Open,   // the text opened as the command box's go would
    };
    Kind kind = Kind::Show;
    QString text;
    bool operator==(const Request&) const = default;
};

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

    // Decides this process's role; a secondary one hands `request` to the
    // running copy. At most `timeoutMs` waiting for a busy peer.
    Role start(const Request& request = {}, int timeoutMs = 1000);
    QString socketPath() const;

    // Messages between copies: one line of text ("SHOW", "FIND <text>"),
    // the text percent-encoded so that it stays on its line; parsed by a pure
    // function, anything else none.
    static QByteArray encode(const Request& request);
    static std::optional<Request> parse(const QByteArray& line);
    // The longest line taken: an address of a few thousand characters, encoded.
    static constexpr qint64 kMostRequestBytes = 64 * 1024;

signals:
    void requested(const platform::Request& request);

private:
    bool askRunningCopy(const Request& request, int timeoutMs);
    void acceptConnection();

    std::unique_ptr<QLocalServer> m_server;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace platform
