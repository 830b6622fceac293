#include "store/cRegistry.h"
#include "store/keyvalue.h"
#include "support/regtest.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

cRegistry at(const QString& keyName, const QString& valueName = {}, qint32 type = cRegistry::REG_SZ)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(keyName);
    registry.setKeyType(type);
    registry.setValueName(valueName);
    return registry;
}

QByteArray storedBytes(const QString& key, const QString& name, DWORD* type = nullptr)
{
    QByteArray data;
    regtest::get(key, name, type, &data);
    return data;
}

} // namespace

TEST(cRegistry, CollectionsAreAbsentUntilAKeyOpensAndKeptWhenItDoesNot)
{
    cRegistry registry;
    EXPECT_EQ(registry.KeyType(), 0);
    EXPECT_EQ(registry.KeyRoot(), 0u);
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(QStringLiteral("Software\\Missing"));
    EXPECT_EQ(registry.SubKeyCollection(), nullptr);
    EXPECT_EQ(registry.ValueNameCollection(), nullptr);

    regtest::set(QStringLiteral("Software\\Empty"), QStringLiteral("x"), 1, regtest::sz(QStringLiteral("x")));
    cRegistry(at(QStringLiteral("Software\\Empty"), QStringLiteral("x"))).DeleteValue();
    registry.setKeyName(QStringLiteral("Software\\Empty"));
    ASSERT_NE(registry.SubKeyCollection(), nullptr);
    ASSERT_NE(registry.ValueNameCollection(), nullptr);
    EXPECT_EQ(registry.SubKeyCollection()->Count(), 0);
    EXPECT_EQ(registry.ValueNameCollection()->Count(), 0);

    // A key that does not exist leaves the old lists in place.
    const auto oldValues = registry.ValueNameCollection();
    registry.setKeyName(QStringLiteral("Software\\Missing"));
    EXPECT_EQ(registry.ValueNameCollection(), oldValues);
}

TEST(cRegistry, ListsValueNamesUnderNumberedKeysAndSubKeysInOrder)
{
    cRegistry writer = at(QStringLiteral("Software\\Two"), QStringLiteral("second"));
    writer.setKeyValue(QStringLiteral("2"));
    writer.setValueName(QStringLiteral("first"));
    writer.setKeyValue(QStringLiteral("1"));
    regtest::set(QStringLiteral("Software\\Two\\b"), {}, 1, regtest::sz(QString()));
    regtest::set(QStringLiteral("Software\\Two\\A"), {}, 1, regtest::sz(QString()));

    cRegistry registry = at(QStringLiteral("Software\\Two"));
    const auto values = registry.ValueNameCollection();
    ASSERT_EQ(values->Count(), 2);
    EXPECT_EQ(values->at(QStringLiteral("0X"))->ValueName(), QStringLiteral("second"));
    EXPECT_EQ(values->at(QStringLiteral("1X"))->ValueName(), QStringLiteral("first"));
    const auto keys = registry.SubKeyCollection();
    ASSERT_EQ(keys->Count(), 2);
    EXPECT_EQ(keys->at(1)->KeyName(), QStringLiteral("A"));
    EXPECT_EQ(keys->at(2)->KeyName(), QStringLiteral("b"));
    EXPECT_EQ(keys->KeyAt(1), QString()) << "sub-key records carry no key";
}

TEST(cRegistry, NamesAndSubKeyValuesReadAtOnceAgreeWithReadingEachInTurn)
{
    regtest::set(QStringLiteral("Software\\Bulk"), QStringLiteral("later"), 1, regtest::sz(QStringLiteral("x")));
    regtest::set(QStringLiteral("Software\\Bulk"), QStringLiteral("earlier"), 1, regtest::sz(QStringLiteral("y")));
    regtest::set(
        QStringLiteral("Software\\Bulk\\b"), QStringLiteral("URL"), 1, regtest::sz(QStringLiteral("http://b/")));
    regtest::set(QStringLiteral("Software\\Bulk\\A"), QStringLiteral("Type"), 4, QByteArray("\x02\0\0\0", 4));
    regtest::set(QStringLiteral("Software\\Bulk\\c"), QStringLiteral("URL"), 4, QByteArray("\x02\0\0\0", 4));

    const cRegistry registry = at(QStringLiteral("Software\\Bulk"));
    EXPECT_EQ(registry.ValueNames(), (QStringList{"later", "earlier"})) << "creation order";
    EXPECT_EQ(registry.SubKeyNames(), (QStringList{"A", "b", "c"})) << "name order without regard to case";
    const auto urls = registry.SubKeyValues(QStringLiteral("url"));
    ASSERT_EQ(urls.size(), 3u);
    for (const auto& [name, value] : urls) {
        cRegistry one = at(QStringLiteral("Software\\Bulk\\") + name, QStringLiteral("URL"));
        EXPECT_EQ(value, one.KeyValue()) << name.toStdString();
    }
    EXPECT_EQ(urls[1].second, QVariant(QStringLiteral("http://b/")));
    EXPECT_FALSE(urls[0].second.isValid()) << "no such value";
    EXPECT_EQ(urls[2].second, QVariant(qint32(2))) << "a number stays a number";

    const cRegistry missing = at(QStringLiteral("Software\\Nowhere"));
    EXPECT_TRUE(missing.ValueNames().isEmpty());
    EXPECT_TRUE(missing.SubKeyValues(QStringLiteral("URL")).empty());
    cRegistry exists = at(QStringLiteral("Software\\Bulk"), QStringLiteral("EARLIER"));
    EXPECT_TRUE(exists.ValueExists());
    exists.setValueName(QStringLiteral("none"));
    EXPECT_FALSE(exists.ValueExists());
}

TEST(cRegistry, TextValuesStoreTheirNulAndReadBackWithoutIt)
{
    cRegistry registry = at(QStringLiteral("Software\\Deep\\Path\\Created"), QStringLiteral("abc"));
    registry.setKeyValue(QStringLiteral("abc"));
    DWORD type = 0;
    EXPECT_EQ(storedBytes(QStringLiteral("Software\\Deep\\Path\\Created"), QStringLiteral("abc"), &type),
              QByteArray("abc\0", 4));
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(registry.KeyValue(), QVariant(QStringLiteral("abc")));

    registry.setValueName(QStringLiteral("empty"));
    registry.setKeyValue(QString());
    EXPECT_EQ(storedBytes(QStringLiteral("Software\\Deep\\Path\\Created"), QStringLiteral("empty")),
              QByteArray(1, '\0'));
    EXPECT_EQ(registry.KeyValue(), QVariant(QString()));

    // Numbers and flags written as text take their text form.
    registry.setValueName(QStringLiteral("number"));
    registry.setKeyValue(42);
    EXPECT_EQ(registry.KeyValue(), QVariant(QStringLiteral("42")));

    regtest::set(QStringLiteral("Software\\Deep"), QStringLiteral("zero"), 1, QByteArray());
    EXPECT_FALSE(at(QStringLiteral("Software\\Deep"), QStringLiteral("zero")).KeyValue().isValid());
}

TEST(cRegistry, NumbersAreStoredAsFourByteIntegers)
{
    cRegistry registry = at(QStringLiteral("Software\\N"), QStringLiteral("one"), cRegistry::REG_DWORD);
    registry.setKeyValue(1.0);
    EXPECT_EQ(storedBytes(QStringLiteral("Software\\N"), QStringLiteral("one")), regtest::dword(1));
    EXPECT_EQ(registry.KeyValue(), QVariant(1));
    registry.setKeyValue(2.5); // halves round to even
    EXPECT_EQ(registry.KeyValue(), QVariant(2));
    registry.setKeyValue(QStringLiteral(" 7 "));
    EXPECT_EQ(registry.KeyValue(), QVariant(7));
    registry.setKeyValue(-1);
    EXPECT_EQ(storedBytes(QStringLiteral("Software\\N"), QStringLiteral("one")), regtest::dword(0xFFFFFFFF));
    EXPECT_EQ(registry.KeyValue(), QVariant(-1));

    // What is not a number, or another KeyType, writes nothing.
    registry.setKeyValue(QStringLiteral("abc"));
    registry.setKeyType(3);
    registry.setKeyValue(5);
    EXPECT_EQ(registry.KeyValue(), QVariant(-1));
    EXPECT_EQ(registry.KeyType(), 3);
}

TEST(cRegistry, OtherTypesMissingKeysAndMissingValuesReadAsEmpty)
{
    regtest::set(QStringLiteral("Software\\T"), QStringLiteral("expand"), 2, regtest::sz(QStringLiteral("%HOME%")));
    regtest::set(QStringLiteral("Software\\T"), QStringLiteral("binary"), 3, QByteArray("\x01\x02", 2));
    regtest::set(QStringLiteral("Software\\T"), QStringLiteral("multi"), 7, QByteArray("a\0\0", 3));
    for (const char* name : {"expand", "binary", "multi", "missing"})
        EXPECT_FALSE(at(QStringLiteral("Software\\T"), QLatin1String(name)).KeyValue().isValid()) << name;
    EXPECT_FALSE(at(QStringLiteral("Software\\Nowhere"), QStringLiteral("x")).KeyValue().isValid());

    // The root is passed through as it is: nothing of the user's hive under another root.
    cRegistry machine;
    machine.setKeyRoot(cRegistry::HKEY_LOCAL_MACHINE);
    machine.setKeyName(QStringLiteral("Software\\T"));
    machine.setValueName(QStringLiteral("expand"));
    EXPECT_FALSE(machine.KeyValue().isValid());
    machine.setKeyType(cRegistry::REG_SZ);
    machine.setKeyValue(QStringLiteral("x"));
    EXPECT_FALSE(machine.KeyValue().isValid()) << "the machine hive is read-only";
}

TEST(cRegistry, DeleteKeyParsesTheTrailingSeparator)
{
    auto make = [](const QString& path) {
        regtest::set(path, QStringLiteral("v"), 1, regtest::sz(QStringLiteral("x")));
    };
    make(QStringLiteral("A\\B\\C"));
    EXPECT_TRUE(at(QStringLiteral("A\\B\\C\\")).DeleteKey());
    EXPECT_EQ(at(QStringLiteral("A\\B")).SubKeyCollection()->Count(), 0);

    make(QStringLiteral("A\\B\\C"));
    EXPECT_FALSE(at(QStringLiteral("A\\B\\C")).DeleteKey()) << "no trailing separator: empty child";
    EXPECT_FALSE(at(QStringLiteral("A\\")).DeleteKey()) << "parent and child both empty";
    EXPECT_FALSE(at(QStringLiteral("A\\B\\")).DeleteKey()) << "a key with sub-keys stays";
    EXPECT_NE(at(QStringLiteral("A\\B\\C")).SubKeyCollection(), nullptr);
    EXPECT_FALSE(at(QStringLiteral("A\\Missing\\")).DeleteKey());

    cRegistry value = at(QStringLiteral("A\\B\\C"), QStringLiteral("v"));
    value.DeleteValue();
    value.DeleteValue(); // a missing value is ignored
    EXPECT_FALSE(value.KeyValue().isValid());
    cRegistry(at(QStringLiteral("No\\Such\\Key"), QStringLiteral("v"))).DeleteValue();
}

TEST(KeyValues, BlankMeansNothingButWhitespaceWhateverTheValuesType)
{
    for (const QVariant& blank :
         {QVariant(), QVariant(QString()), QVariant(QStringLiteral(" \t ")), QVariant(QByteArray())})
        EXPECT_TRUE(keyvalue::isBlank(blank)) << blank.typeName();
    for (const QVariant& filled : {QVariant(0),
                                   QVariant(0u),
                                   QVariant(qint64(-1)),
                                   QVariant(0.0),
                                   QVariant(false),
                                   QVariant(QStringLiteral(" x ")),
                                   QVariant(QByteArray("0"))})
        EXPECT_FALSE(keyvalue::isBlank(filled)) << filled.typeName();
    // A stored number reads as the kind it gives, without being made text first.
    EXPECT_EQ(keyvalue::toLong(QVariant(2u)), 2);
    EXPECT_EQ(keyvalue::toLong(QVariant(-7)), -7);
    EXPECT_EQ(keyvalue::toLong(QVariant(QMetaType::fromType<int>())), std::nullopt);
}
