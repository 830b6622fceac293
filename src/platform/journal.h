#pragma once

#include "platform/registryhive.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// What the program is about to change on disk and in the registry, told to
// whoever records it (the undo history), and what a path or a key holds, so
// that a change can be put back exactly.
namespace platform::journal {

class Listener
{
public:
    virtual ~Listener() = default;
    // A path on disk (as it stands on disk) is about to change: a file, a
    // link, or a folder with everything in it.
    virtual void fileChanging(const QString& path) = 0;
    // A key of HKEY_CURRENT_USER (its path joined with "\") is about to
    // change: its values, or whether it is there.
    virtual void keyChanging(const QString& key) = 0;
};

// At most one listens; null for none.
void setListener(Listener* listener);
Listener* listener();

// What is written while the object lives is told to no one (housekeeping
// such as the Trash's expiry, which is no change the user made).
class Unrecorded
{
public:
    Unrecorded() : m_listener(listener()) { setListener(nullptr); }
    ~Unrecorded() { setListener(m_listener); }
    Unrecorded(const Unrecorded&) = delete;
    Unrecorded& operator=(const Unrecorded&) = delete;

private:
    Listener* m_listener;
};
// Every writer calls these before it changes anything (they cost nothing while no one listens).
void fileChanging(const QString& path);
void keyChanging(const QStringList& path);

// What a path on disk holds, whole: a file's bytes, a link's target, or a
// folder with what it holds (each by its name's bytes, in name order).
struct FileState
{
    enum class Type : quint8
    {
        Absent,
        File,
        Folder,
        Link,
        Unreadable, // there, but it could not be read: it cannot be put back
    };
    struct Child;
    Type type = Type::Absent;
    QByteArray bytes;
    std::vector<Child> children;
};
struct FileState::Child
{
    QByteArray name;
    FileState state;
};
bool operator==(const FileState& a, const FileState& b);

FileState captureFile(const QString& path);
// Makes the path hold the state: a file is written atomically, a folder made
// and filled (what it held beyond the state goes), an absent path removed
// with all it holds, never following a link. False, with why, on failure.
bool putFile(const QString& path, const FileState& state, QString* why);

// What a registry key holds: whether it is there, and its values in order.
struct KeyState
{
    bool exists = false;
    std::vector<RegValue> values;
};
bool operator==(const KeyState& a, const KeyState& b);

KeyState captureKey(const QString& key);
// Makes the key hold the state (its sub-keys are not touched; a key to be
// removed must hold none).
bool putKey(const QString& key, const KeyState& state, QString* why);

// How a path and a key path are compared with the roots a listener follows.
QString normalFilePath(const QString& path);
// A root is followed where it leads: a bookmark file that is a link is changed where it points.
QString normalRoot(const QString& path);
bool fileIsUnder(const QString& path, const QString& root);
bool keyIsUnder(const QString& key, const QString& root);

} // namespace platform::journal
