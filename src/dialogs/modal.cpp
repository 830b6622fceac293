#include "dialogs/modal.h"

#include <QDialog>

namespace Modal {

namespace {

Hook& hookSlot()
{
    static Hook hook;
    return hook;
}

} // namespace

void setHook(Hook hook)
{
    hookSlot() = std::move(hook);
}

int run(QDialog& dialog)
{
    if (hookSlot())
        return hookSlot()(dialog);
    return dialog.exec();
}

} // namespace Modal
