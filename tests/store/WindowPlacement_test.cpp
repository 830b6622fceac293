#include "store/WindowPlacement.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "support/storetest.h"

#include <gtest/gtest.h>

namespace {

const QString kRecord = cSettings::kRegistryKey + QStringLiteral("\\WindowPosition");

QVariant stored(const char* name)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(kRecord);
    registry.setValueName(QLatin1String(name));
    return registry.KeyValue();
}

void store(const char* name, const QVariant& value, qint32 type)
{
    storetest::write(kRecord, QLatin1String(name), value, type);
}

} // namespace

TEST(WindowPlacement, AMaximisedCloseKeepsTheLastNormalPlacement)
{
    WindowPlacement::save(WindowPlacement::Normal, QRect(150, 300, 7000, 5000));
    WindowPlacement::save(WindowPlacement::Maximized, QRect(0, 0, 20000, 15000));
    EXPECT_EQ(stored("WindowState"), QVariant(2));
    EXPECT_EQ(stored("Left"), QVariant(150));
    EXPECT_EQ(stored("Width"), QVariant(7000));
    EXPECT_EQ(WindowPlacement::restore(QSize(15360, 11520), QSize(6375, 1590)), QRect(150, 300, 7000, 5000));
}

TEST(WindowPlacement, MissingValuesCentreOrKeepTheSizeAndOddValuesAreReadAsTheyStand)
{
    // Nothing stored: centred, current size.
    EXPECT_EQ(WindowPlacement::restore(QSize(15000, 11000), QSize(6000, 1590)), QRect(4500, 4705, 6000, 1590));
    // Some values: those are used, the rest default; off-screen positions stay.
    store("Left", -30000, cRegistry::REG_DWORD);
    store("Height", QStringLiteral(" 4000 twips"), cRegistry::REG_SZ);
    EXPECT_EQ(WindowPlacement::restore(QSize(15000, 11000), QSize(6000, 1590)), QRect(-30000, 3500, 6000, 4000));
    store("Top", QStringLiteral("   "), cRegistry::REG_SZ);
    store("Width", QStringLiteral("abc"), cRegistry::REG_SZ); // no size at all: the current one
    store("Height", 70000, cRegistry::REG_DWORD);
    EXPECT_EQ(WindowPlacement::restore(QSize(15000, 11000), QSize(6000, 1590)), QRect(-30000, 4705, 6000, 1590));
}
