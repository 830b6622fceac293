#pragma once

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>

class QFileSystemWatcher;
class QObject;
class QTimer;

// Watches the files of the browsers' stores, and once a burst of writes has
// settled (a second at most), reports which stores changed.
class BrowserWatch
{
public:
    // The watcher and its timer live as long as `owner` (the window): a
    // change never reaches a window that is gone. `changed` runs after the pause.
    BrowserWatch(QObject* owner, std::function<void()> changed);
    ~BrowserWatch();
    BrowserWatch(const BrowserWatch&) = delete;
    BrowserWatch& operator=(const BrowserWatch&) = delete;

    // Watches these files of each store (by source number) anew: browsers
    // replace their files (a new inode), and a -wal file comes and goes.
    void watch(const QHash<int, QStringList>& files);
    // The stores whose files changed since the last call.
    QSet<int> takeChanged() { return std::exchange(m_changed, {}); }
    // Reports again after a pause (what runs now is to end first).
    void later();
    // Reports the store as changed after the pause, as a change notice would.
    void markChanged(int store);

private:
    void fileChanged(const QString& path);
    void folderChanged(const QString& folder);

    QPointer<QFileSystemWatcher> m_watcher;
    QPointer<QTimer> m_pause;
    QHash<int, QStringList> m_files;
    QSet<int> m_changed;
};
