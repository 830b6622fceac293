#include "platform/paths.h"
#include "platform/registry.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform;
using regtest::dword;
using regtest::sz;

namespace {

QStringList subKeys(const QString& path)
{
    HKEY key = 0;
    QStringList names;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    QString name;
    for (DWORD i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i)
        names << name;
    RegCloseKey(key);
    return names;
}

QStringList valueNames(const QString& path)
{
    HKEY key = 0;
    QStringList names;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    QString name;
    for (DWORD i = 0; RegEnumValue(key, i, &name, nullptr) == ERROR_SUCCESS; ++i)
        names << name;
    RegCloseKey(key);
    return names;
}

QString userFile()
{
    return Registry::instance().userFilePath();
}

} // namespace

TEST(Registry, NamesIgnoreCaseKeepTheirCaseAndEnumerateLikeTheRegistry)
{
    for (const char* name : {"beta", "Alpha", "_under", "gamma", "ALPHA"})
        ASSERT_EQ(regtest::set(QStringLiteral("T\\") + QLatin1String(name), {}, 1, sz(QStringLiteral("x"))),
                  ERROR_SUCCESS);
    // Upper-case order: "_" (0x5F) sorts after the letters; "ALPHA" is the same key as "Alpha".
    EXPECT_EQ(subKeys(QStringLiteral("t")), (QStringList{"Alpha", "beta", "gamma", "_under"}));

    for (const char* name : {"zeta", "Alpha", "mid"})
        regtest::set(QStringLiteral("T"), QLatin1String(name), 1, sz(QStringLiteral("1")));
    regtest::set(QStringLiteral("T"), QStringLiteral("ZETA"), 4, dword(7)); // rewrite keeps place and first spelling
    EXPECT_EQ(valueNames(QStringLiteral("T")), (QStringList{"zeta", "Alpha", "mid"}));
    DWORD type = 0;
    QByteArray data;
    ASSERT_TRUE(regtest::get(QStringLiteral("t"), QStringLiteral("Zeta"), &type, &data));
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(data, dword(7));
}

TEST(Registry, DeleteKeyRefusesAKeyWithSubKeysAndDeleteValueRemovesOne)
{
    regtest::set(QStringLiteral("A\\B\\C"), QStringLiteral("v"), 1, sz(QStringLiteral("x")));
    HKEY a = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("A"), 0, KEY_READ, &a), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(a, QStringLiteral("B")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(a, QStringLiteral("B\\C")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(a, QStringLiteral("B\\C")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(a, QString()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKey(a, QStringLiteral("b")), ERROR_SUCCESS);
    RegCloseKey(a);
    EXPECT_TRUE(subKeys(QStringLiteral("A")).isEmpty());

    regtest::set(QStringLiteral("A"), QStringLiteral("one"), 1, sz(QStringLiteral("1")));
    regtest::set(QStringLiteral("A"), QStringLiteral("two"), 1, sz(QStringLiteral("2")));
    regtest::set(QStringLiteral("A"), QStringLiteral("three"), 1, sz(QStringLiteral("3")));
    HKEY readOnly = 0;
    RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("A"), 0, KEY_READ, &readOnly);
    EXPECT_EQ(RegDeleteValue(readOnly, QStringLiteral("one")), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);
    HKEY writable = 0;
    RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("A"), 0, KEY_ALL_ACCESS_NO_STANDARD, &writable);
    EXPECT_EQ(RegDeleteValue(writable, QStringLiteral("ONE")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(writable, QStringLiteral("one")), ERROR_FILE_NOT_FOUND);
    RegCloseKey(writable);
    // The remaining values keep their order and are still found by name.
    EXPECT_EQ(valueNames(QStringLiteral("A")), (QStringList{"two", "three"}));
    QByteArray data;
    ASSERT_TRUE(regtest::get(QStringLiteral("A"), QStringLiteral("three"), nullptr, &data));
    EXPECT_EQ(data, sz(QStringLiteral("3")));
}

TEST(Registry, HandlesAreCheckedAndOutliveNothing)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Missing"), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(0, QStringLiteral("x"), nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(12345), ERROR_INVALID_HANDLE);

    regtest::set(QStringLiteral("Gone\\Leaf"), QStringLiteral("v"), 1, sz(QStringLiteral("x")));
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Gone\\Leaf"), 0, KEY_READ, &key), ERROR_SUCCESS);
    HKEY parent = 0;
    RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Gone"), 0, KEY_READ, &parent);
    ASSERT_EQ(RegDeleteKey(parent, QStringLiteral("Leaf")), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("v"), nullptr, nullptr), ERROR_KEY_DELETED);
    RegCloseKey(key);
    RegCloseKey(parent);

    // A line break in a key name would tear the file's section header.
    HKEY bad = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Bad\nName"), 0, KEY_READ, &bad, nullptr),
              ERROR_INVALID_NAME);
}

TEST(Registry, LocalMachineIsReadOnlyAndEmptyWithoutAFile)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software"), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\X"), 0, KEY_READ, &key, nullptr),
              ERROR_ACCESS_DENIED);

    const QString etc = FreshHome::path() + QStringLiteral("/etc-xdg/markcrate");
    QDir().mkpath(etc);
    regtest::writeFile(etc + QStringLiteral("/machine.reg"),
                       "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Tools]\r\n\"Path\"=\"/usr/bin/tool\"\r\n");
    Registry::reset();
    QByteArray data;
    ASSERT_TRUE(
        regtest::get(QStringLiteral("software\\tools"), QStringLiteral("path"), nullptr, &data, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(data, sz(QStringLiteral("/usr/bin/tool")));
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Tools"), 0, KEY_ALL_ACCESS_NO_STANDARD, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Tools"), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, QStringLiteral("x"), 1, sz(QStringLiteral("y"))), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

TEST(Registry, FirstStartSeedsTheFavoritesFolderOnlyOnce)
{
    QByteArray data;
    const QString shellFolders =
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    ASSERT_TRUE(regtest::get(shellFolders, QStringLiteral("Favorites"), nullptr, &data));
    const QString folder = QString::fromUtf8(data.chopped(1));
    EXPECT_EQ(folder, FreshHome::path() + QStringLiteral("/Favorites"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(QFileInfo::exists(userFile()));

    // A user who removed the value keeps it removed.
    HKEY key = 0;
    RegOpenKeyEx(HKEY_CURRENT_USER, shellFolders, 0, KEY_ALL_ACCESS_NO_STANDARD, &key);
    RegDeleteValue(key, QStringLiteral("Favorites"));
    RegCloseKey(key);
    Registry::reset();
    EXPECT_FALSE(regtest::get(shellFolders, QStringLiteral("Favorites"), nullptr, &data));
}

TEST(Registry, EveryChangeIsOnDiskPrivateAndBatchesWriteOnce)
{
    regtest::set(QStringLiteral("Software\\P"), QStringLiteral("v"), 1, sz(QStringLiteral("first")));
    EXPECT_TRUE(regtest::readRegistryText(userFile()).contains("\"v\"=\"first\""));
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(userFile()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    {
        RegistryBatch batch;
        regtest::set(QStringLiteral("Software\\P"), QStringLiteral("v"), 1, sz(QStringLiteral("second")));
        regtest::set(QStringLiteral("Software\\P"), QStringLiteral("w"), 4, dword(10));
        EXPECT_TRUE(regtest::readRegistryText(userFile()).contains("\"v\"=\"first\""));
    }
    const QByteArray saved = regtest::readRegistryText(userFile());
    EXPECT_TRUE(saved.contains("\"v\"=\"second\"\r\n\"w\"=dword:0000000a\r\n"));
    EXPECT_TRUE(saved.startsWith("Windows Registry Editor Version 5.00\r\n"));
}

TEST(Registry, AFileOrFolderOpenedToOthersIsPrivateAgainAfterTheNextSave)
{
    regtest::set(QStringLiteral("Software\\P"), QStringLiteral("v"), 1, sz(QStringLiteral("first")));
    const QByteArray file = QFile::encodeName(userFile());
    const QByteArray folder = QFile::encodeName(QFileInfo(userFile()).path());
    ASSERT_EQ(::chmod(file.constData(), 0644), 0);
    ASSERT_EQ(::chmod(folder.constData(), 0755), 0);
    regtest::set(QStringLiteral("Software\\P"), QStringLiteral("v"), 1, sz(QStringLiteral("second")));
    struct stat info = {};
    ASSERT_EQ(::stat(file.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(folder.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(Registry, AwkwardNamesAndDataSurviveASaveAndLoad)
{
    struct Case
    {
        QString key;
        QString name;
        DWORD type;
        QByteArray data;
    };
    const QString odd = QStringLiteral("Quote\" back\\slash = equals ünïcödé 日本 😀");
    const QList<Case> cases = {
        {QStringLiteral("Software\\Odd ] [ = \"key\" ü"), odd, 1, sz(odd)},
        {QStringLiteral("Software\\Odd"), QString(), 1, sz(QStringLiteral("default value"))},
        {QStringLiteral("Software\\Odd"), QStringLiteral("empty"), 1, sz(QString())},
        {QStringLiteral("Software\\Odd"), QStringLiteral("line\r\nbreaks"), 1, sz(QStringLiteral("a\r\nb\nc"))},
        {QStringLiteral("Software\\Odd"), QStringLiteral("no nul"), 1, QByteArray("abc")},
        {QStringLiteral("Software\\Odd"), QStringLiteral("zero size"), 1, QByteArray()},
        {QStringLiteral("Software\\Odd"), QStringLiteral("latin1 bytes"), 1, QByteArray("caf\xE9\0", 5)},
        {QStringLiteral("Software\\Odd"), QStringLiteral("dword"), 4, dword(0xFFFFFFFF)},
        {QStringLiteral("Software\\Odd"), QStringLiteral("short dword"), 4, QByteArray("\x01\x02", 2)},
        {QStringLiteral("Software\\Odd"), QStringLiteral("multi"), 7, QByteArray("a\0b\0\0", 5)},
        {QStringLiteral("Software\\Odd"), QStringLiteral("binary"), 3, QByteArray(200, '\xAB')},
        {QStringLiteral("Software\\Odd"), QStringLiteral("odd type"), 0x1234, QByteArray("x")},
        {QStringLiteral("Software\\Odd"), QString::fromLatin1("nul\0in name", 11), 1, sz(QStringLiteral("n"))},
    };
    for (const Case& c : cases)
        ASSERT_EQ(regtest::set(c.key, c.name, c.type, c.data), ERROR_SUCCESS) << c.name.toStdString();
    Registry::reset();
    for (const Case& c : cases) {
        DWORD type = 0;
        QByteArray data;
        ASSERT_TRUE(regtest::get(c.key, c.name, &type, &data)) << c.name.toStdString();
        EXPECT_EQ(type, c.type) << c.name.toStdString();
        EXPECT_EQ(data, c.data) << c.name.toStdString();
    }
    EXPECT_EQ(subKeys(QStringLiteral("Software")), (QStringList{"Microsoft", "Odd", "Odd ] [ = \"key\" ü"}));
    EXPECT_TRUE(Registry::instance().takeLoadReport().isEmpty());
}

TEST(RegKeyValues, RemovingKeepsCreationOrderAndEveryPositionReachable)
{
    platform::RegKey key;
    for (int i = 0; i < 6; ++i)
        key.setValue(QStringLiteral("v%1").arg(i), platform::RegType::Sz, QByteArray::number(i));
    EXPECT_TRUE(key.removeValue(QStringLiteral("V1")));
    EXPECT_TRUE(key.removeValue(QStringLiteral("v4")));
    key.setValue(QStringLiteral("v2"), platform::RegType::Sz, "changed"); // in place
    key.setValue(QStringLiteral("new"), platform::RegType::Sz, "n");
    QStringList order;
    for (qsizetype i = 0; i < key.valueCount(); ++i)
        order << key.valueAt(i).name;
    EXPECT_EQ(order, (QStringList{"v0", "v2", "v3", "v5", "new"}));
    EXPECT_EQ(key.valueAt(3).name, QStringLiteral("v5")) << "out of turn too";
    EXPECT_EQ(key.valueAt(1).data, QByteArray("changed"));
    EXPECT_EQ(key.value(QStringLiteral("NEW"))->data, QByteArray("n"));
    EXPECT_FALSE(key.removeValue(QStringLiteral("v1")));
}

TEST(RegKeyValues, KeysOfFewAndOfManyValuesFindEveryNameWithoutRegardToCase)
{
    // A small key is searched in turn, a large one through its index: both
    // must agree, also across the size where the index is made.
    for (int count : {3, 15, 16, 17, 200}) {
        SCOPED_TRACE(count);
        platform::RegKey key;
        for (int i = 0; i < count; ++i)
            key.setValue(QStringLiteral("Name Ä%1").arg(i), platform::RegType::Sz, QByteArray::number(i));
        for (int i = 0; i < count; ++i) {
            const platform::RegValue* value = key.value(QStringLiteral("nAME ä%1").arg(i));
            ASSERT_NE(value, nullptr) << i;
            EXPECT_EQ(value->data, QByteArray::number(i));
            EXPECT_EQ(value->name, QStringLiteral("Name Ä%1").arg(i)) << "the case it was made with";
        }
        key.setValue(QStringLiteral("NAME Ä0"), platform::RegType::Dword, "again");
        EXPECT_EQ(key.valueCount(), count) << "a name in another case is the same value";
        EXPECT_EQ(key.valueAt(0).data, QByteArray("again"));
        EXPECT_TRUE(key.removeValue(QStringLiteral("name ä1")));
        EXPECT_EQ(key.value(QStringLiteral("Name Ä1")), nullptr);
        key.setValue(QStringLiteral("Name Ä1"), platform::RegType::Sz, "back");
        EXPECT_EQ(key.valueAt(count - 1).name, QStringLiteral("Name Ä1")) << "made again, it comes last";
        EXPECT_EQ(key.value(QStringLiteral("Name Ä1"))->data, QByteArray("back"));
        EXPECT_EQ(key.value(QStringLiteral("Name Ä")), nullptr);
    }
}

TEST(RegKeyValues, AnyRunOfChangesKeepsTheOrderAModelListKeeps)
{
    // Removals leave gaps that are closed later; whatever the mix, the key
    // must enumerate, find and count its values as a plain list would.
    for (int size : {4, 40}) {
        SCOPED_TRACE(size);
        platform::RegKey key;
        QStringList model;
        quint32 seed = 7;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
        for (int step = 0; step < 3000; ++step) {
            const QString name = QStringLiteral("N%1").arg(next() % quint32(size));
            if (next() % 3 == 0) {
                EXPECT_EQ(key.removeValue(name.toLower()), model.removeOne(name)) << step;
            } else {
                key.setValue(name, platform::RegType::Sz, name.toUtf8());
                if (!model.contains(name))
                    model.append(name);
            }
            ASSERT_EQ(key.valueCount(), model.size()) << step;
            if (step % 7 == 0) {
                for (qsizetype i = 0; i < model.size(); ++i)
                    ASSERT_EQ(key.valueAt(i).name, model.at(i)) << step << " in turn, at " << i;
            }
            if (!model.isEmpty()) {
                const qsizetype at = qsizetype(next() % quint32(model.size()));
                ASSERT_EQ(key.valueAt(at).name, model.at(at)) << step << " out of turn";
                const platform::RegValue* found = key.value(model.at(at).toLower());
                ASSERT_NE(found, nullptr);
                EXPECT_EQ(found->data, model.at(at).toUtf8());
            }
        }
    }
}

TEST(Registry, ChangeCountsTellWhichKeyChangedAndNothingElse)
{
    ASSERT_EQ(regtest::set(QStringLiteral("Software\\Counted\\Mine"), QStringLiteral("v"), 1, sz(QStringLiteral("1"))),
              ERROR_SUCCESS);
    const quint64 mine = Registry::changeCount(QStringLiteral("Software\\Counted\\Mine"));
    const quint64 all = Registry::changeCount();
    EXPECT_NE(mine, 0u);

    ASSERT_EQ(regtest::set(QStringLiteral("Software\\Counted\\Other"), QStringLiteral("v"), 1, sz(QStringLiteral("1"))),
              ERROR_SUCCESS);
    EXPECT_EQ(Registry::changeCount(QStringLiteral("Software\\Counted\\Mine")), mine) << "a neighbour's change";
    EXPECT_GT(Registry::changeCount(), all);
    EXPECT_GT(Registry::changeCount(QStringLiteral("software\\COUNTED")), mine)
        << "a parent counts its children, in any case";

    // A new sub-key, a changed value and a deleted sub-key each count.
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Counted\\Mine\\Entry"),
                             0,
                             KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                             &key,
                             nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const quint64 created = Registry::changeCount(QStringLiteral("Software\\Counted\\Mine"));
    EXPECT_GT(created, mine);
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Counted\\Mine\\Entry")), ERROR_SUCCESS);
    EXPECT_GT(Registry::changeCount(QStringLiteral("Software\\Counted\\Mine")), created);
    const quint64 never = Registry::changeCount(QStringLiteral("Software\\Never"));
    EXPECT_LT(never, Registry::changeCount(QStringLiteral("Software\\Counted\\Mine"))) << "unchanged since the load";
    Registry::reset(); // read from the file again: any key may differ now
    EXPECT_GT(Registry::changeCount(QStringLiteral("Software\\Never")), never);
}
