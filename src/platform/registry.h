#pragma once

#include "platform/registryhive.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// The registry as the program sees it: hives of keys and typed values, reached
// through handles by functions shaped like the Win32 ones. HKEY_CURRENT_USER is
// kept in a registry-editor export file under the user's configuration folder;
// HKEY_LOCAL_MACHINE is read-only.
namespace platform {

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using REGSAM = std::uint32_t;
using HKEY = std::uintptr_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_WRITE_FAULT = 29;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_INVALID_NAME = 123;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_ALL_ACCESS_NO_STANDARD = 0x3F;

inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyEx(HKEY key, const QString& subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyEx(HKEY key, const QString& subKey, DWORD options, REGSAM access, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
// `type` and `data` may be null; `data` receives the stored bytes.
LONG RegQueryValueEx(HKEY key, const QString& valueName, DWORD* type, QByteArray* data);
LONG RegSetValueEx(HKEY key, const QString& valueName, DWORD type, const QByteArray& data);
// Sub-keys by index in name order without regard to case; values in creation order.
LONG RegEnumKeyEx(HKEY key, DWORD index, QString* name);
LONG RegEnumValue(HKEY key, DWORD index, QString* name, DWORD* type);
// Every sub-key or value name at once, in the order above: the key is looked
// up once, not once per index.
LONG RegEnumKeyNames(HKEY key, QStringList* names);
LONG RegEnumValueNames(HKEY key, QStringList* names);
// Every sub-key's name with its value `valueName` (type 0 and no data where
// it has none), in sub-key order: a folder of entries read in one lookup.
struct SubKeyValue
{
    QString name;
    DWORD type = 0;
    QByteArray data;
};
LONG RegQuerySubKeyValues(HKEY key, const QString& valueName, std::vector<SubKeyValue>* values);
// Refuses a key that still has sub-keys; removes its values with it.
LONG RegDeleteKey(HKEY key, const QString& subKey);
LONG RegDeleteValue(HKEY key, const QString& valueName);

// Owns the hives and the file behind HKEY_CURRENT_USER.
class Registry
{
public:
    // The process's registry, loaded from the user's file at first use.
    static Registry& instance();
    // Drops the loaded registry and every open handle; the next use reads the
    // file again from the (possibly changed) configuration folder.
    static void reset();

    QString userFilePath() const { return m_userFile; }
    // What went wrong while reading the file, for the user; empty when all was
    // read. Handed out once.
    QString takeLoadReport();
    // The last failure to save, empty after a successful save.
    QString lastSaveError() const { return m_lastSaveError; }
    // What the user is told of a failed save: what could not be saved, where and why.
    QString saveFailureText() const;
    // Told once per session, at the first save that fails; the changes stay
    // in memory and every later change tries again.
    using SaveFailureHandler = std::function<void(const QString& text)>;
    static void setSaveFailureHandler(SaveFailureHandler handler);
    // True while changes are held that could not be saved.
    bool hasUnsavedChanges() const { return m_dirty; }

    // Writes HKEY_CURRENT_USER now if it changed and saving is allowed.
    bool flush();

    // While a batch is open, changes are kept in memory and written once when
    // the outermost batch ends.
    void beginBatch() { ++m_batchDepth; }
    void endBatch();

    // Internal, for the Reg* functions.
    struct Handle
    {
        int hive = 0;
        QStringList path;
        REGSAM access = 0;
    };
    bool locate(HKEY key, Handle* handle) const;
    RegKey* resolve(HKEY key, REGSAM needed, LONG* error, Handle* handle = nullptr);
    HKEY openHandle(int hive, QStringList path, REGSAM access);
    bool closeHandle(HKEY key);
    bool isWritableHive(int hive) const { return hive == kUserHive; }
    // A change of the key at `path` (its parts below the hive's root).
    void changed(int hive, const QStringList& path);
    // Counts the changes to HKEY_CURRENT_USER in this process, across
    // reloads, in all or in the key at `keyPath` and below it: what copies
    // values (the find index) knows when to copy again. Two calls give the
    // same number when nothing there changed in between.
    static quint64 changeCount(const QString& keyPath = {});
    // How often this process has written the file: what an operation on many
    // entries costs, which ought to be one write.
    static quint64 fileWrites();

    static constexpr int kUserHive = 1;

private:
    Registry();
    void removeStaleSaves();
    void tellSaveFailure();
    void loadUserHive();
    void loadMachineHive();
    void seedNewProfile();

    std::unique_ptr<RegKey> m_hives[4];
    std::map<HKEY, Handle> m_handles;
    HKEY m_nextHandle = 1;
    QString m_userFile;
    QString m_loadReport;
    QString m_lastSaveError;
    bool m_dirty = false;
    bool m_saveBlocked = false; // the file could not be read, nor kept aside: never overwrite it
    bool m_failureTold = false;
    bool m_failurePending = false; // failed while no one could be told
    int m_batchDepth = 0;
};

class RegistryBatch
{
public:
    RegistryBatch() { Registry::instance().beginBatch(); }
    ~RegistryBatch() { Registry::instance().endBatch(); }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;
};

} // namespace platform
