#include "platform/collection.h"

#include <gtest/gtest.h>

namespace {

using Names = KeyedCollection<QString>;

std::shared_ptr<QString> item(const char* text)
{
    return std::make_shared<QString>(QLatin1String(text));
}

QStringList contents(const Names& names)
{
    QStringList out;
    for (const auto& name : names)
        out << *name;
    return out;
}

int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const cError& error) {
        return error.Number();
    }
    return 0;
}

} // namespace

TEST(KeyedCollection, KeepsOrderFindsByKeyAndRenumbersAfterChanges)
{
    Names names;
    names.Add(item("a"), QStringLiteral("0X"));
    names.Add(item("b"), QStringLiteral("1X"));
    names.Add(item("no key"));
    names.Add(item("c"), QStringLiteral("2X"));
    EXPECT_EQ(names.Count(), 4);
    EXPECT_EQ(*names.at(QStringLiteral("1x")), QStringLiteral("b")) << "keys ignore case";
    EXPECT_EQ(*names.at(3), QStringLiteral("no key"));

    names.Remove(QStringLiteral("0X"));
    EXPECT_EQ(contents(names), (QStringList{"b", "no key", "c"}));
    EXPECT_EQ(names.IndexOf(QStringLiteral("2X")), 3);
    names.Insert(1, item("first"), QStringLiteral("9X"));
    EXPECT_EQ(contents(names), (QStringList{"first", "b", "no key", "c"}));
    EXPECT_EQ(names.IndexOf(QStringLiteral("2X")), 4);
    EXPECT_EQ(names.IndexOf(QStringLiteral("9X")), 1);
    names.Remove(4);
    EXPECT_FALSE(names.Contains(QStringLiteral("2X")));
    EXPECT_EQ(names.find(QStringLiteral("2X")), nullptr);
}

TEST(KeyedCollection, RaisesTheCollectionErrors)
{
    Names names;
    names.Add(item("a"), QStringLiteral("0X"));
    EXPECT_EQ(errorOf([&] { names.Add(item("again"), QStringLiteral("0x")); }), ErrorNumber::DuplicateKey);
    EXPECT_EQ(names.Count(), 1) << "a refused add changes nothing";
    EXPECT_EQ(errorOf([&] { names.at(2); }), ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { names.at(0); }), ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { names.at(QStringLiteral("5X")); }), ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(errorOf([&] { names.Remove(QStringLiteral("5X")); }), ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(errorOf([&] { names.Insert(3, item("x")); }), ErrorNumber::SubscriptOutOfRange);
}
