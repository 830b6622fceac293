#include "support/freshhome.h"

#include "platform/registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace FreshHome {

namespace {

std::unique_ptr<QTemporaryDir> g_home;

class Listener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo&) override
    {
        platform::Registry::reset();
        g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/markcrate-test-XXXXXX"));
        const QByteArray home = g_home->path().toLocal8Bit();
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("XDG_STATE_HOME", home + "/.local/state");
        qputenv("XDG_RUNTIME_DIR", home + "/.runtime");
        qputenv("XDG_CONFIG_DIRS", home + "/etc-xdg");
        // No test reaches the user's desktop (its portal would bind a real
        // key), but a test given a private bus of its own.
        if (!qEnvironmentVariableIsSet("MARKCRATE_TEST_BUS"))
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        platform::Registry::reset();
        g_home.reset();
    }
};

} // namespace

void install()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new Listener);
}

QString path()
{
    return g_home ? g_home->path() : QString();
}

} // namespace FreshHome
