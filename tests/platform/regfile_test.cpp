#include "platform/paths.h"
#include "platform/regfile.h"
#include "platform/registry.h"
#include "platform/registryhive.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QDir>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QByteArray kGood = "Windows Registry Editor Version 5.00\r\n"
                         "\r\n"
                         "[HKEY_CURRENT_USER\\Software\\Veltrane Software\\Markcrate]\r\n"
                         "\"AlwaysOnTop\"=dword:00000000\r\n"
                         "\"BookmarkLocation\"=\"C:\\\\Users\\\\me\\\\bookmark.htm\"\r\n"
                         "\r\n";

QString stored(const RegKey& root, const QString& path, const QString& name)
{
    const RegKey* key = &root;
    for (const QString& part : splitRegistryPath(path)) {
        key = key->child(part);
        if (!key)
            return QStringLiteral("<no key>");
    }
    const RegValue* value = key->value(name);
    return value ? QString::fromUtf8(value->data) : QStringLiteral("<no value>");
}

// Puts `bytes` in place as the user's registry file and loads it.
QString loadUserFile(const QByteArray& bytes)
{
    Registry::reset();
    QDir().mkpath(configDir());
    regtest::writeFile(configDir() + QStringLiteral("/registry.reg"), bytes);
    return Registry::instance().takeLoadReport();
}

QStringList keptAside()
{
    return QDir(configDir()).entryList({QStringLiteral("registry.unreadable-*")}, QDir::Files);
}

} // namespace

TEST(RegFile, ReadsTheFormsAnExportHolds)
{
    RegKey root;
    const QByteArray text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
                            "; a comment\n"
                            "[HKEY_CURRENT_USER\\A]\n"
                            "@=\"default\"\n"
                            "\"multi\"=hex(7):61,00,62,00,\\\n"
                            "  00,00\n"
                            "\"bin\"=hex:\n"
                            "\"n\"=DWORD:A\n"
                            "\"gone\"=-\n"
                            "[-HKEY_CURRENT_USER\\Old]\n"
                            "\"ignored\"=\"x\"\n"
                            "[HKCU\\B\\\\C]\n"
                            "\"esc\"=\"q\\\"b\\\\\"\n";
    const RegFileReadResult result = readRegFile(text, root, QStringLiteral("HKEY_CURRENT_USER"));
    EXPECT_TRUE(result.complete) << result.problems.join(QLatin1Char('\n')).toStdString();
    const RegKey* a = root.child(QStringLiteral("a"));
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->valueCount(), 4);
    EXPECT_EQ(a->valueAt(0).name, QString());
    EXPECT_EQ(a->valueAt(1).type, 7u);
    EXPECT_EQ(a->valueAt(1).data, QByteArray("a\0b\0\0\0", 6));
    EXPECT_EQ(a->valueAt(2).type, RegType::Binary);
    EXPECT_TRUE(a->valueAt(2).data.isEmpty());
    EXPECT_EQ(a->valueAt(3).data, regtest::dword(10));
    EXPECT_EQ(root.child(QStringLiteral("Old")), nullptr);
    EXPECT_EQ(stored(root, QStringLiteral("B\\C"), QStringLiteral("esc")), QString::fromUtf8("q\"b\\", 5));
}

TEST(RegFile, WritesTextsAsTextAndEverythingElseSoItComesBack)
{
    RegKey root;
    RegKey* key = root.addChild(QStringLiteral("Software"))->addChild(QStringLiteral("X"));
    key->setValue(QStringLiteral("path"), RegType::Sz, regtest::sz(QStringLiteral("C:\\dir \"q\"")));
    key->setValue(QStringLiteral("n"), RegType::Dword, regtest::dword(10));
    key->setValue(QStringLiteral("nl"), RegType::Sz, regtest::sz(QStringLiteral("a\nb")));
    const QByteArray bytes = writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER"));
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE")) << "UTF-16LE with a byte-order mark, as the editor writes";
    EXPECT_EQ(regtest::utf8Of(bytes),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\X]\r\n"
              "\"path\"=\"C:\\\\dir \\\"q\\\"\"\r\n"
              "\"n\"=dword:0000000a\r\n"
              "\"nl\"=hex(1):61,00,0a,00,62,00,00,00\r\n\r\n")
        << "text data as UTF-16LE too";
    RegKey back;
    EXPECT_TRUE(readRegFile(bytes, back, QStringLiteral("HKEY_CURRENT_USER")).complete);
    EXPECT_EQ(back.child(QStringLiteral("Software"))->child(QStringLiteral("X"))->value(QStringLiteral("nl"))->data,
              regtest::sz(QStringLiteral("a\nb")));
}

TEST(RegFile, ReadsAWindowsUtf16Export)
{
    QStringEncoder encoder(QStringConverter::Utf16LE);
    const QByteArray utf16 = QByteArray("\xFF\xFE") + QByteArray(encoder.encode(QString::fromUtf8(kGood)));
    EXPECT_EQ(loadUserFile(utf16), QString());
    QByteArray data;
    ASSERT_TRUE(regtest::get(
        QStringLiteral("Software\\Veltrane Software\\Markcrate"), QStringLiteral("BookmarkLocation"), nullptr, &data));
    EXPECT_EQ(data, regtest::sz(QStringLiteral("C:\\Users\\me\\bookmark.htm")));
    EXPECT_TRUE(keptAside().isEmpty());
}

// Each broken file: what can be read is read, the original is kept aside
// byte for byte, the user is told once, and the next start reads cleanly.
TEST(RegFile, BrokenFilesAreReadAsFarAsPossibleAndKeptAside)
{
    const QByteArray goodValue = "\"Kept\"=\"yes\"\r\n";
    const QList<QPair<const char*, QByteArray>> files = {
        {"garbage lines", kGood + "this is not a value\r\n" + goodValue},
        {"unknown type", kGood + "\"x\"=float:1.5\r\n" + goodValue},
        {"broken escape", kGood + "\"x\"=\"a\\qb\"\r\n\"y\"=\"unterminated\r\n" + goodValue},
        {"missing header", kGood.mid(kGood.indexOf('[')) + goodValue},
        {"binary junk", kGood + QByteArray("\x00\x01\xFF\xFE\x80garbage\x00\r\n", 15) + goodValue},
        {"another hive",
         kGood +
             "[HKEY_LOCAL_MACHINE\\X]\r\n\"y\"=\"z\"\r\n"
             "[HKEY_CURRENT_USER\\Software\\Veltrane Software\\Markcrate]\r\n" +
             goodValue},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        const QString report = loadUserFile(bytes);
        EXPECT_FALSE(report.isEmpty());
        EXPECT_TRUE(Registry::instance().takeLoadReport().isEmpty()) << "told once";
        QByteArray data;
        EXPECT_TRUE(regtest::get(
            QStringLiteral("Software\\Veltrane Software\\Markcrate"), QStringLiteral("Kept"), nullptr, &data));
        EXPECT_EQ(data, regtest::sz(QStringLiteral("yes")));
        const QStringList aside = keptAside();
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(regtest::readFile(configDir() + QLatin1Char('/') + aside.first()), bytes);
        QFile::remove(configDir() + QLatin1Char('/') + aside.first());

        Registry::reset();
        EXPECT_TRUE(Registry::instance().takeLoadReport().isEmpty());
        EXPECT_TRUE(keptAside().isEmpty());
    }
}

TEST(RegFile, AHugeFileIsReadUpToTheLimitAndKeptAside)
{
    QByteArray bytes = kGood + "\"Kept\"=\"yes\"\r\n";
    bytes.append(QByteArray(70 * 1024 * 1024, 'x'));
    EXPECT_FALSE(loadUserFile(bytes).isEmpty());
    QByteArray data;
    EXPECT_TRUE(
        regtest::get(QStringLiteral("Software\\Veltrane Software\\Markcrate"), QStringLiteral("Kept"), nullptr, &data));
    ASSERT_EQ(keptAside().size(), 1);
    EXPECT_EQ(QFileInfo(configDir() + QLatin1Char('/') + keptAside().first()).size(), bytes.size());

    Registry::reset();
    EXPECT_TRUE(Registry::instance().takeLoadReport().isEmpty()) << "what was rewritten reads whole at the next start";
    EXPECT_EQ(keptAside().size(), 1) << "and no further copy is made";
}

TEST(RegFile, AFileThatCannotBeReadIsNeverOverwritten)
{
    Registry::reset();
    QDir().mkpath(configDir() + QStringLiteral("/registry.reg")); // a folder where the file should be
    EXPECT_FALSE(Registry::instance().takeLoadReport().isEmpty());
    regtest::set(QStringLiteral("Software\\X"), QStringLiteral("v"), 1, regtest::sz(QStringLiteral("in memory")));
    QByteArray data;
    EXPECT_TRUE(regtest::get(QStringLiteral("Software\\X"), QStringLiteral("v"), nullptr, &data));
    EXPECT_TRUE(QFileInfo(configDir() + QStringLiteral("/registry.reg")).isDir());
}

TEST(RegFile, TheEditorsOwnExportReadsBackIntoTheSameValues)
{
    const QString exported =
        QString::fromUtf8("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\E]\r\n"
                          "\"name\"=\"J\u00fcrgen\"\r\n"
                          "\"path\"=hex(2):25,00,55,00,00,00\r\n"
                          "\"two\"=\"line\\r\\nbreak\"\r\n");
    const QByteArray bytes =
        QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(exported));
    RegKey root;
    EXPECT_TRUE(readRegFile(bytes, root, QStringLiteral("HKEY_CURRENT_USER")).complete);
    const RegKey* key = root.child(QStringLiteral("Software"))->child(QStringLiteral("E"));
    EXPECT_EQ(key->value(QStringLiteral("name"))->data, regtest::sz(QString::fromUtf8("J\u00fcrgen")));
    EXPECT_EQ(key->value(QStringLiteral("path"))->data, QByteArray("%U\0", 3))
        << "UTF-16LE data, kept as the program keeps text";
    EXPECT_EQ(key->value(QStringLiteral("two"))->data, regtest::sz(QStringLiteral("line\r\nbreak")));
    EXPECT_EQ(writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER")),
              writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER")));
}

// Found by fuzzing: data and names that have no UTF-16 form of their own.
TEST(RegFile, TextDataThatAreNotUtf8AndHalfSurrogatesSurviveOrAreToldOf)
{
    const QString hive = QStringLiteral("HKEY_CURRENT_USER");
    RegKey root;
    RegKey* key = root.addChild(QStringLiteral("K"));
    // Even in length and valid as UTF-16: must not come back as that text.
    const QByteArray odd("a\0\0\0b\0\0\xDF", 8);
    key->setValue(QStringLiteral("multi"), 7, odd);
    key->setValue(QStringLiteral("text"), RegType::Sz, regtest::sz(QStringLiteral("caf\u00E9")));
    const QByteArray bytes = writeRegFile(root, hive);
    RegKey back;
    EXPECT_TRUE(readRegFile(bytes, back, hive).complete);
    EXPECT_EQ(back.child(QStringLiteral("K"))->value(QStringLiteral("multi"))->data, odd);
    EXPECT_EQ(back.child(QStringLiteral("K"))->value(QStringLiteral("text"))->data,
              regtest::sz(QStringLiteral("caf\u00E9")));
    EXPECT_EQ(writeRegFile(back, hive), bytes);

    const char16_t broken[] = u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A\xD800"
                              u"b]\r\n";
    const QByteArray utf16 =
        QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(broken), sizeof(broken) - 2);
    RegKey damaged;
    const RegFileReadResult result = readRegFile(utf16, damaged, hive);
    EXPECT_FALSE(result.complete) << "a half pair is damage, and the file is kept aside";
    ASSERT_EQ(damaged.childCount(), 1);
    EXPECT_EQ(damaged.childAt(0)->name(), QStringLiteral("A\uFFFDb"));
}
