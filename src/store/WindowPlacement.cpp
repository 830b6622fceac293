#include "store/WindowPlacement.h"

#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "store/keyvalue.h"

#include <limits>
#include <optional>

namespace WindowPlacement {

namespace {

QString recordKey()
{
    return cSettings::kRegistryKey + QStringLiteral("\\WindowPosition");
}

// A value read as text and trimmed; its leading number, or nothing when blank.
std::optional<int> leading(cRegistry& registry, const char* name)
{
    registry.setValueName(QLatin1String(name));
    const QString text = keyvalue::text(registry.KeyValue()).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return keyvalue::leadingNumber(text);
}

} // namespace

void save(int windowState, const QRect& normalTwips)
{
    platform::RegistryBatch batch;
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(recordKey());
    registry.setKeyType(cRegistry::REG_DWORD);
    registry.setValueName(QStringLiteral("WindowState"));
    registry.setKeyValue(windowState);
    if (windowState != Normal)
        return;
    const std::pair<const char*, int> values[] = {
        {"Left", normalTwips.left()},
        {"Top", normalTwips.top()},
        {"Height", normalTwips.height()},
        {"Width", normalTwips.width()},
    };
    for (const auto& [name, value] : values) {
        registry.setValueName(QLatin1String(name));
        registry.setKeyValue(value);
    }
}

QRect restore(const QSize& screenTwips, const QSize& currentTwips)
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(recordKey());
    registry.setKeyType(cRegistry::REG_DWORD);
    // A size that is not a positive 16-bit number would leave no window to see: keep the current one.
    auto size = [&](const char* name, int current) {
        const std::optional<int> stored = leading(registry, name);
        return stored && *stored > 0 && *stored <= std::numeric_limits<qint16>::max() ? *stored : current;
    };
    const int width = size("Width", currentTwips.width());
    const int height = size("Height", currentTwips.height());
    const int left = leading(registry, "Left").value_or((screenTwips.width() - width) / 2);
    const int top = leading(registry, "Top").value_or((screenTwips.height() - height) / 2);
    return QRect(left, top, width, height);
}

bool hasStoredTop()
{
    cRegistry registry;
    registry.setKeyRoot(cRegistry::HKEY_CURRENT_USER);
    registry.setKeyName(recordKey());
    registry.setKeyType(cRegistry::REG_DWORD);
    return leading(registry, "Top").has_value();
}

} // namespace WindowPlacement
