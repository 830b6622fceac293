#include "platform/journal.h"

#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/registry.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::journal {

namespace {

Listener* listening = nullptr;

QByteArray encoded(const QString& path)
{
    return encodeFileName(path);
}

bool readWhole(const QByteArray& path, QByteArray* bytes)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    // Read straight into the buffer: a large file is copied once, by the kernel.
    bytes->resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes->size())
            bytes->resize(bytes->size() * 2); // it grew while read
        const ssize_t got = ::read(fd, bytes->data() + filled, size_t(bytes->size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        filled += qsizetype(got);
    }
    bytes->truncate(filled);
    ::close(fd);
    return true;
}

// The names a folder holds, without "." and ".."; none when it cannot be read.
std::optional<std::vector<QByteArray>> namesIn(const QByteArray& path)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return std::nullopt;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

FileState capture(const QByteArray& path)
{
    FileState state;
    struct stat info;
    if (::lstat(path.constData(), &info) != 0) {
        state.type = errno == ENOENT || errno == ENOTDIR ? FileState::Type::Absent : FileState::Type::Unreadable;
        return state;
    }
    if (S_ISLNK(info.st_mode)) {
        QByteArray target(4096, Qt::Uninitialized);
        const ssize_t size = ::readlink(path.constData(), target.data(), size_t(target.size()));
        state.type = size < 0 ? FileState::Type::Unreadable : FileState::Type::Link;
        target.truncate(qMax<qsizetype>(0, size));
        state.bytes = target;
        return state;
    }
    if (S_ISDIR(info.st_mode)) {
        std::optional<std::vector<QByteArray>> names = namesIn(path);
        if (!names) {
            state.type = FileState::Type::Unreadable;
            return state;
        }
        state.type = FileState::Type::Folder;
        std::sort(names->begin(), names->end());
        for (QByteArray& name : *names) {
            FileState child = capture(path + '/' + name);
            state.children.push_back({std::move(name), std::move(child)});
        }
        return state;
    }
    state.type =
        S_ISREG(info.st_mode) && readWhole(path, &state.bytes) ? FileState::Type::File : FileState::Type::Unreadable;
    return state;
}

// Removes whatever the path holds, a folder with all it holds; a link itself, never what it points to.
bool removeAll(const QByteArray& path)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.constData()) == 0;
    if (const std::optional<std::vector<QByteArray>> names = namesIn(path)) {
        for (const QByteArray& name : *names) {
            if (!removeAll(path + '/' + name))
                return false;
        }
    }
    return ::rmdir(path.constData()) == 0;
}

QString described(const QByteArray& path)
{
    return QDir::toNativeSeparators(decodeFileName(path));
}

bool put(const QByteArray& path, const FileState& state, QString* why)
{
    const auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    const FileState::Type now = capture(path).type;
    switch (state.type) {
    case FileState::Type::Unreadable:
        return fail(QStringLiteral("%1 could not be read when it was changed").arg(described(path)));
    case FileState::Type::Absent:
        return removeAll(path) || fail(QStringLiteral("%1 could not be removed").arg(described(path)));
    case FileState::Type::Link:
        if (now != FileState::Type::Absent && !removeAll(path))
            return fail(QStringLiteral("%1 could not be replaced").arg(described(path)));
        return ::symlink(state.bytes.constData(), path.constData()) == 0 ||
               fail(QStringLiteral("the link %1 could not be made").arg(described(path)));
    case FileState::Type::File: {
        // A link or folder there now is replaced, not written through.
        if (now != FileState::Type::Absent && now != FileState::Type::File && !removeAll(path))
            return fail(QStringLiteral("%1 could not be replaced").arg(described(path)));
        QString error;
        const QByteArray& bytes = state.bytes;
        if (!writeFileAtomically(
                decodeFileName(path),
                [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); },
                &error))
            return fail(QStringLiteral("%1 could not be written: %2").arg(described(path), error));
        return true;
    }
    case FileState::Type::Folder: {
        if (now != FileState::Type::Absent && now != FileState::Type::Folder && !removeAll(path))
            return fail(QStringLiteral("%1 could not be replaced").arg(described(path)));
        if (now != FileState::Type::Folder && ::mkdir(path.constData(), 0777) != 0)
            return fail(QStringLiteral("the folder %1 could not be made").arg(described(path)));
        for (const FileState::Child& child : state.children) {
            if (!put(path + '/' + child.name, child.state, why))
                return false;
        }
        const FileState held = capture(path);
        for (const FileState::Child& child : held.children) {
            const bool kept = std::any_of(state.children.begin(), state.children.end(), [&](const auto& wanted) {
                return wanted.name == child.name;
            });
            if (!kept && !removeAll(path + '/' + child.name))
                return fail(QStringLiteral("%1 could not be removed").arg(described(path + '/' + child.name)));
        }
        return true;
    }
    }
    return false;
}

bool sameValue(const RegValue& a, const RegValue& b)
{
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

} // namespace

void setListener(Listener* listener)
{
    listening = listener;
}

Listener* listener()
{
    return listening;
}

void fileChanging(const QString& path)
{
    if (listening)
        listening->fileChanging(normalFilePath(path));
}

void keyChanging(const QStringList& path)
{
    if (listening)
        listening->keyChanging(path.join(QLatin1Char('\\')));
}

bool operator==(const FileState& a, const FileState& b)
{
    if (a.type != b.type || a.bytes != b.bytes || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i) {
        if (a.children[i].name != b.children[i].name || !(a.children[i].state == b.children[i].state))
            return false;
    }
    return true;
}

FileState captureFile(const QString& path)
{
    return capture(encoded(normalFilePath(path)));
}

bool putFile(const QString& path, const FileState& state, QString* why)
{
    return put(encoded(normalFilePath(path)), state, why);
}

bool operator==(const KeyState& a, const KeyState& b)
{
    return a.exists == b.exists &&
           std::equal(a.values.begin(), a.values.end(), b.values.begin(), b.values.end(), sameValue);
}

KeyState captureKey(const QString& key)
{
    KeyState state;
    HKEY handle = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return state;
    state.exists = true;
    QStringList names;
    RegEnumValueNames(handle, &names);
    for (const QString& name : names) {
        RegValue value;
        value.name = name;
        DWORD type = 0;
        RegQueryValueEx(handle, name, &type, &value.data);
        value.type = type;
        state.values.push_back(std::move(value));
    }
    RegCloseKey(handle);
    return state;
}

bool putKey(const QString& key, const KeyState& state, QString* why)
{
    const auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    if (!state.exists) {
        const KeyState now = captureKey(key);
        if (!now.exists)
            return true;
        QStringList parts = splitRegistryPath(key);
        const QString leaf = parts.takeLast();
        HKEY parent = 0;
        LONG error =
            RegOpenKeyEx(HKEY_CURRENT_USER, parts.join(QLatin1Char('\\')), 0, KEY_ALL_ACCESS_NO_STANDARD, &parent);
        if (error == ERROR_SUCCESS) {
            error = RegDeleteKey(parent, leaf);
            RegCloseKey(parent);
        }
        return error == ERROR_SUCCESS || fail(QStringLiteral("the registry key %1 could not be removed").arg(key));
    }
    HKEY handle = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, key, 0, KEY_ALL_ACCESS_NO_STANDARD, &handle, nullptr) != ERROR_SUCCESS)
        return fail(QStringLiteral("the registry key %1 could not be made").arg(key));
    // Values keep the order they were made in: all go, then come back in order.
    QStringList names;
    RegEnumValueNames(handle, &names);
    bool ok = true;
    for (const QString& name : names)
        ok = RegDeleteValue(handle, name) == ERROR_SUCCESS && ok;
    for (const RegValue& value : state.values)
        ok = RegSetValueEx(handle, value.name, value.type, value.data) == ERROR_SUCCESS && ok;
    RegCloseKey(handle);
    return ok || fail(QStringLiteral("the registry key %1 could not be written").arg(key));
}

QString normalFilePath(const QString& path)
{
    // Links among the folders are resolved, the last part is not: a link is itself what changes.
    const QString disk = QDir::cleanPath(diskPath(nativePath(path)));
    const qsizetype slash = disk.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return disk;
    const QString folder = QFileInfo(disk.left(slash)).canonicalFilePath();
    return folder.isEmpty() ? disk : folder + disk.mid(slash);
}

QString normalRoot(const QString& path)
{
    const QString whole = QFileInfo(QDir::cleanPath(diskPath(nativePath(path)))).canonicalFilePath();
    return whole.isEmpty() ? normalFilePath(path) : whole;
}

bool fileIsUnder(const QString& path, const QString& root)
{
    if (root.isEmpty())
        return false;
    if (path == root)
        return true;
    return path.startsWith(root) && (root.endsWith(QLatin1Char('/')) || path.at(root.size()) == QLatin1Char('/'));
}

bool keyIsUnder(const QString& key, const QString& root)
{
    const QStringList path = splitRegistryPath(key);
    const QStringList top = splitRegistryPath(root);
    if (top.isEmpty() || path.size() < top.size())
        return false;
    for (qsizetype i = 0; i < top.size(); ++i) {
        if (registryFoldedName(path[i]) != registryFoldedName(top[i]))
            return false;
    }
    return true;
}

} // namespace platform::journal
