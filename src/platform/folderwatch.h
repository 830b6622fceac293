#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <utility>

namespace platform {

// Which names came, went or were replaced in a few folders, so that a listing
// kept of such a folder is brought up to date by looking at those names alone
// instead of reading the whole folder again. Where the system cannot tell
// (no such facility, a folder on a network share, too many changes at once),
// changes() says so and the caller reads the folder.
class FolderWatch
{
public:
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching a folder given as a native path; 0 where it cannot be
    // watched. Watch before reading the folder, so that no change between the
    // read and the watch goes unseen.
    int watch(const QString& native);
    void unwatch(int handle);

    // The names (as on disk) changed in the folder since the watch started or
    // since the last call; empty when nothing changed. Nothing when the watch
    // lost track: the folder itself was moved or removed, or more changed than
    // is worth patching. A name may come more than once or have changed back.
    std::optional<QSet<QByteArray>> changes(int handle);

    // How many names one folder may gather before a new read is cheaper.
    static constexpr qsizetype kMostChanges = 256;

private:
    void drain();

    struct Watched
    {
        int descriptor = -1;
        QSet<QByteArray> names;
        bool lost = false;
    };
    int m_fd = -1;
    int m_next = 1;
    QHash<int, Watched> m_watched;         // by handle
    QHash<int, QList<int>> m_byDescriptor; // the handles of one system watch
};

// One folder watched for as long as this lives; nothing where it cannot be.
class WatchedFolder
{
public:
    WatchedFolder() = default;
    WatchedFolder(FolderWatch& watch, const QString& native) : m_watch(&watch), m_handle(watch.watch(native)) {}
    WatchedFolder(WatchedFolder&& other) noexcept : m_watch(other.m_watch), m_handle(std::exchange(other.m_handle, 0))
    {
    }
    WatchedFolder& operator=(WatchedFolder&& other) noexcept
    {
        if (this != &other) {
            end();
            m_watch = other.m_watch;
            m_handle = std::exchange(other.m_handle, 0);
        }
        return *this;
    }
    ~WatchedFolder() { end(); }

    explicit operator bool() const { return m_handle != 0; }
    // As FolderWatch::changes; nothing for a folder not watched.
    std::optional<QSet<QByteArray>> changes() const { return m_handle ? m_watch->changes(m_handle) : std::nullopt; }

private:
    void end()
    {
        if (m_handle)
            m_watch->unwatch(std::exchange(m_handle, 0));
    }
    FolderWatch* m_watch = nullptr;
    int m_handle = 0;
};

} // namespace platform
