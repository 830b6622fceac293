#include "bookmarks/browserwatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

BrowserWatch::BrowserWatch(QObject* owner, std::function<void()> changed)
    : m_watcher(new QFileSystemWatcher(owner)), m_pause(new QTimer(owner))
{
    m_pause->setSingleShot(true);
    m_pause->setInterval(1000); // a browser writes in bursts: once a second at most
    QObject::connect(
        m_watcher, &QFileSystemWatcher::fileChanged, m_pause, [this](const QString& path) { fileChanged(path); });
    QObject::connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_pause, [this](const QString& folder) {
        folderChanged(folder);
    });
    QObject::connect(m_pause, &QTimer::timeout, m_pause, std::move(changed));
}

// What the owner has not deleted yet goes with the watch, whose callbacks it runs.
BrowserWatch::~BrowserWatch()
{
    delete m_watcher;
    delete m_pause;
}

void BrowserWatch::watch(const QHash<int, QStringList>& files)
{
    m_files = files;
    if (!m_watcher)
        return;
    const QStringList old = m_watcher->files() + m_watcher->directories();
    if (!old.isEmpty())
        m_watcher->removePaths(old);
    QStringList paths;
    for (const QStringList& watched : files) {
        for (const QString& file : watched) {
            const QString path = QFileInfo::exists(file) ? file : QFileInfo(file).path();
            if (!paths.contains(path) && QFileInfo::exists(path))
                paths << path;
        }
    }
    if (!paths.isEmpty())
        m_watcher->addPaths(paths);
}

void BrowserWatch::later()
{
    if (m_pause)
        m_pause->start();
}

void BrowserWatch::markChanged(int store)
{
    m_changed.insert(store);
    if (m_pause && !m_pause->isActive())
        m_pause->start();
}

void BrowserWatch::fileChanged(const QString& path)
{
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (it.value().contains(path))
            m_changed.insert(it.key());
    }
    if (m_pause && !m_pause->isActive())
        m_pause->start();
}

// A file that was missing (Firefox's -wal file before it starts) shows by its
// folder changing: that folder is watched until it comes.
void BrowserWatch::folderChanged(const QString& folder)
{
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        for (const QString& file : it.value()) {
            if (QFileInfo(file).path() == folder && QFileInfo::exists(file) && !m_watcher->files().contains(file))
                m_changed.insert(it.key());
        }
    }
    if (!m_changed.isEmpty() && m_pause && !m_pause->isActive())
        m_pause->start();
}
