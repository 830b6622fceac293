// Test helper: rewrites the user's registry file without end, each save
// holding N values of one generation, until it is killed.
#include "platform/registry.h"

#include <cstdio>
#include <cstdlib>

using namespace platform;

int main(int argc, char** argv)
{
    const int values = argc > 1 ? std::atoi(argv[1]) : 100;
    const QByteArray padding(200, 'p');
    for (qint64 generation = 1;; ++generation) {
        {
            RegistryBatch batch;
            HKEY key = 0;
            RegCreateKeyEx(
                HKEY_CURRENT_USER, QStringLiteral("Software\\Writer"), 0, KEY_ALL_ACCESS_NO_STANDARD, &key, nullptr);
            for (int i = 0; i < values; ++i) {
                QByteArray data = QByteArray::number(generation) + padding;
                data.append('\0');
                RegSetValueEx(key, QStringLiteral("v%1").arg(i), 1, data);
            }
            RegCloseKey(key);
        }
        if (generation == 1) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
