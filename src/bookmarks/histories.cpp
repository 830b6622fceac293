#include "bookmarks/histories.h"

#include <array>
#include <memory>

namespace Histories {

namespace {

std::array<std::unique_ptr<cListHistory>, ContentKind::Count>& historySlots()
{
    static std::array<std::unique_ptr<cListHistory>, ContentKind::Count> histories;
    return histories;
}

} // namespace

cListHistory& forKind(int kind)
{
    if (kind < 0 || kind >= ContentKind::Count)
        throw cError(ErrorNumber::SubscriptOutOfRange);
    auto& slot = historySlots()[size_t(kind)];
    if (!slot) {
        slot = std::make_unique<cListHistory>();
        slot->setListType(kind);
    }
    return *slot;
}

void resetAll()
{
    for (auto& slot : historySlots())
        slot.reset();
}

} // namespace Histories
