#include "platform/registry.h"

#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/regfile.h"
#include "platform/registryparts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace platform {

namespace {

constexpr qint64 kMaxRegistryFileBytes = 64ll * 1024 * 1024;
constexpr qint64 kMaxUtf16RegistryFileBytes = 4 * kMaxRegistryFileBytes;
const QString kUserHiveName = QStringLiteral("HKEY_CURRENT_USER");
const QString kMachineHiveName = QStringLiteral("HKEY_LOCAL_MACHINE");
const QString kShellFoldersKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");

constexpr int kUnreadableCopiesKept = 3;

Registry::SaveFailureHandler& saveFailureHandler()
{
    static Registry::SaveFailureHandler handler;
    return handler;
}

std::unique_ptr<Registry>& registrySlot()
{
    static std::unique_ptr<Registry> registry;
    return registry;
}

QByteArray sz(const QString& text)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return data;
}

} // namespace

Registry& Registry::instance()
{
    auto& slot = registrySlot();
    if (!slot)
        slot.reset(new Registry());
    return *slot;
}

namespace {

quint64 userHiveChanges = 0;
// The change the last load of the hive counts as: every key read then changed with it.
quint64 userHiveLoaded = 0;

// The number of the last change in each key that changed and in each of its
// parents, by lower-cased path: key names do not tell case apart.
QHash<QString, quint64>& changesUnder()
{
    static QHash<QString, quint64> changes;
    return changes;
}

} // namespace

void Registry::reset()
{
    auto& slot = registrySlot();
    if (slot)
        slot->flush();
    slot.reset();
}

Registry::Registry()
{
    for (auto& hive : m_hives)
        hive = std::make_unique<RegKey>();
    m_userFile = configDir() + QStringLiteral("/registry.reg");
    removeStaleSaves();
    loadUserHive();
    loadMachineHive();
}

void Registry::removeStaleSaves()
{
    removeSaveLeftovers(configDir());
    // Earlier versions named their temporary files "registry.reg." and six
    // letters or digits; only this copy of the program writes here, so any
    // such file is left over.
    static const QRegularExpression pattern(QStringLiteral("^registry\\.reg\\.[A-Za-z0-9]{6}$"));
    QDir folder(configDir());
    for (const QFileInfo& entry :
         folder.entryInfoList({QStringLiteral("registry.reg.*")}, QDir::Files | QDir::Hidden)) {
        if (pattern.match(entry.fileName()).hasMatch() && entry.isFile() && !entry.isSymLink())
            QFile::remove(entry.filePath());
    }
}

QString Registry::takeLoadReport()
{
    return std::exchange(m_loadReport, QString());
}

void Registry::loadUserHive()
{
    userHiveLoaded = ++userHiveChanges;
    QFileInfo info(m_userFile);
    if (!info.exists()) {
        seedNewProfile();
        return;
    }
    QFile file(m_userFile);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        m_saveBlocked = true;
        m_loadReport = QStringLiteral("Markcrate could not read its registry file \"%1\" (%2). "
                                      "It runs with default settings and will not change that file.")
                           .arg(QDir::toNativeSeparators(m_userFile), file.errorString());
        return;
    }
    const qint64 size = file.size();
    // The program writes UTF-16, twice the bytes of the same text in UTF-8, and
    // text data as hex: its own files may be larger, so that what it rewrites
    // after reading a cut file reads whole at the next start.
    const bool utf16 = file.peek(2) == QByteArray("\xFF\xFE", 2);
    const qint64 limit = utf16 ? kMaxUtf16RegistryFileBytes : kMaxRegistryFileBytes;
    QByteArray bytes = readAtMost(file, limit);
    const bool truncated = size > limit || (bytes.size() >= limit && !file.atEnd());
    file.close();
    if (truncated) {
        qsizetype lastBreak = bytes.lastIndexOf('\n');
        if (utf16) {
            // A line ends with the pair 0A 00 at an even place.
            while (lastBreak >= 0 &&
                   (lastBreak % 2 != 0 || lastBreak + 1 >= bytes.size() || bytes[lastBreak + 1] != '\0'))
                lastBreak = lastBreak > 0 ? bytes.lastIndexOf('\n', lastBreak - 1) : -1;
            bytes.truncate(lastBreak < 0 ? 0 : lastBreak + 2);
        } else {
            bytes.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
        }
    }
    RegFileReadResult result = readRegFile(bytes, *m_hives[kUserHive], kUserHiveName);
    if (truncated) {
        result.complete = false;
        result.problems.prepend(
            QStringLiteral("the file is larger than %1 MB; only its start was read").arg(limit / (1024 * 1024)));
    }
    if (result.complete)
        return;

    // Keep the original as it was before anything overwrites it, then write
    // back what was read so that the user hears of it once.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString keptAside = configDir() + QStringLiteral("/registry.unreadable-") + stamp + QStringLiteral(".reg");
    QFile::remove(keptAside);
    const QString details = result.problems.join(QStringLiteral("; "));
    if (!QFile::copy(m_userFile, keptAside)) {
        m_saveBlocked = true;
        m_loadReport = QStringLiteral("Markcrate could not read all of its registry file \"%1\" (%2), "
                                      "nor keep a copy of it. It will not change that file in this session.")
                           .arg(QDir::toNativeSeparators(m_userFile), details);
        return;
    }
    // Copies of unreadable files do not pile up: the newest few are kept.
    const QStringList copies =
        QDir(configDir())
            .entryList({QStringLiteral("registry.unreadable-*.reg")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (qsizetype i = kUnreadableCopiesKept; i < copies.size(); ++i)
        QFile::remove(configDir() + QLatin1Char('/') + copies[i]);
    m_loadReport = QStringLiteral("Markcrate could not read all of its registry file \"%1\" (%2). "
                                  "It goes on with what it could read; the original file is kept as \"%3\".")
                       .arg(QDir::toNativeSeparators(m_userFile), details, QDir::toNativeSeparators(keptAside));
    m_dirty = true;
    flush();
}

void Registry::loadMachineHive()
{
    QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dirs.isEmpty())
        dirs.append(QStringLiteral("/etc/xdg"));
    for (const QString& dir : dirs) {
        QFile file(dir + QStringLiteral("/markcrate/machine.reg"));
        if (file.open(QIODevice::ReadOnly)) {
            readRegFile(
                readAtMost(file, kMaxRegistryFileBytes), *m_hives[hiveIndex(HKEY_LOCAL_MACHINE)], kMachineHiveName);
            return;
        }
    }
}

void Registry::seedNewProfile()
{
    // A fresh profile has a Favorites folder, and the shell folders key names it.
    const QString favorites = QDir::homePath() + QStringLiteral("/Favorites");
    QDir().mkpath(favorites);
    RegKey* shellFolders = m_hives[kUserHive].get();
    for (const QString& part : splitRegistryPath(kShellFoldersKey))
        shellFolders = shellFolders->addChild(part);
    shellFolders->setValue(QStringLiteral("Favorites"), RegType::Sz, sz(favorites));
    m_dirty = true;
    flush();
}

void Registry::setSaveFailureHandler(SaveFailureHandler handler)
{
    saveFailureHandler() = std::move(handler);
    // A save that failed before anyone could be told (at start-up) is told now.
    if (saveFailureHandler() && registrySlot() && registrySlot()->m_failurePending)
        registrySlot()->tellSaveFailure();
}

QString Registry::saveFailureText() const
{
    return QStringLiteral("Markcrate could not save its settings, window placement and favorites to \"%1\": %2.\n\n"
                          "Your changes are kept while Markcrate runs, and it tries again at every change.")
        .arg(QDir::toNativeSeparators(m_userFile), m_lastSaveError);
}

void Registry::tellSaveFailure()
{
    if (m_failureTold)
        return; // once a session
    if (!saveFailureHandler()) {
        m_failurePending = true;
        return;
    }
    m_failureTold = true;
    m_failurePending = false;
    saveFailureHandler()(saveFailureText());
}

namespace {

quint64 userFileWrites = 0;

} // namespace

quint64 Registry::fileWrites()
{
    return userFileWrites;
}

bool Registry::flush()
{
    if (!m_dirty || m_saveBlocked)
        return !m_dirty;
    if (!ensurePrivateDir(configDir())) {
        m_lastSaveError = QStringLiteral("cannot create the folder %1").arg(configDir());
        tellSaveFailure();
        return false;
    }
    const QByteArray bytes = writeRegFile(*m_hives[kUserHive], kUserHiveName);
    QString error;
    const bool ok = writePrivateFileAtomically(
        m_userFile,
        [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); },
        &error,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!ok) {
        // The change stays in memory and goes to disk with the next save.
        m_lastSaveError = error;
        tellSaveFailure();
        return false;
    }
    ++userFileWrites;
    m_lastSaveError.clear();
    m_failurePending = false; // saved after all: nothing is left to tell
    m_dirty = false;
    return true;
}

void Registry::endBatch()
{
    if (m_batchDepth > 0 && --m_batchDepth == 0)
        flush();
}

quint64 Registry::changeCount(const QString& keyPath)
{
    instance(); // loaded, so that a count asked for is never from before the hive read now
    if (keyPath.isEmpty())
        return userHiveChanges;
    return std::max(changesUnder().value(splitRegistryPath(keyPath).join(QLatin1Char('\\')).toLower(), 0),
                    userHiveLoaded);
}

void Registry::changed(int hive, const QStringList& path)
{
    if (hive != kUserHive)
        return;
    const quint64 change = ++userHiveChanges;
    QString key;
    for (const QString& part : path) {
        if (!key.isEmpty())
            key += QLatin1Char('\\');
        key += part.toLower();
        changesUnder().insert(key, change);
    }
    m_dirty = true;
    if (m_batchDepth == 0)
        flush();
}

bool Registry::locate(HKEY key, Handle* handle) const
{
    const int index = hiveIndex(key);
    if (index >= 0) {
        *handle = Handle{index, {}, KEY_READ | KEY_ALL_ACCESS_NO_STANDARD};
        return true;
    }
    const auto it = m_handles.find(key);
    if (it == m_handles.end())
        return false;
    *handle = it->second;
    return true;
}

RegKey* Registry::resolve(HKEY key, REGSAM needed, LONG* error, Handle* handle)
{
    Handle found;
    if (!locate(key, &found)) {
        *error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if ((found.access & needed) != needed) {
        *error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    RegKey* target = walk(m_hives[found.hive].get(), found.path);
    if (!target) {
        *error = ERROR_KEY_DELETED;
        return nullptr;
    }
    if (handle)
        *handle = std::move(found);
    *error = ERROR_SUCCESS;
    return target;
}

HKEY Registry::openHandle(int hive, QStringList path, REGSAM access)
{
    const HKEY handle = m_nextHandle++;
    m_handles.emplace(handle, Handle{hive, std::move(path), access});
    return handle;
}

bool Registry::closeHandle(HKEY key)
{
    return m_handles.erase(key) > 0;
}

} // namespace platform
