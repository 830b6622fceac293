#include "dialogs/messagebox.h"

#include "platform/error.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace MessageBoxes {

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

void clearHook()
{
    hookSlot() = nullptr;
}

bool hasHook()
{
    return bool(hookSlot());
}

QMessageBox::StandardButton show(const Request& request, QWidget* parent)
{
    Request shown = request;
    if (shown.title.isEmpty())
        shown.title = QCoreApplication::applicationName();
    if (hookSlot())
        return hookSlot()(shown);
    QMessageBox box(shown.icon, shown.title, shown.text, shown.buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

namespace {

OpenFileHook& openFileHookSlot()
{
    static OpenFileHook hook;
    return hook;
}

SaveFileHook& saveFileHookSlot()
{
    static SaveFileHook hook;
    return hook;
}

} // namespace

void setOpenFileHook(OpenFileHook hook)
{
    openFileHookSlot() = std::move(hook);
}

QString getOpenFileName(QWidget* parent, const QString& title, const QString& filter, const QString& fileName)
{
    if (openFileHookSlot())
        return openFileHookSlot()(title, filter);
    return QFileDialog::getOpenFileName(parent, title, fileName, filter);
}

void setSaveFileHook(SaveFileHook hook)
{
    saveFileHookSlot() = std::move(hook);
}

QString getSaveFileName(QWidget* parent, const QString& title, const QString& filter, const QString& path)
{
    if (saveFileHookSlot())
        return saveFileHookSlot()(title, filter, path);
    return QFileDialog::getSaveFileName(parent, title, path, filter);
}

void showError(const cError& error, QWidget* parent)
{
    show(Request{QMessageBox::Information, {}, error.MessageText(), QMessageBox::Ok}, parent);
}

void inform(const QString& text, QWidget* parent)
{
    show(Request{QMessageBox::Information, {}, text, QMessageBox::Ok}, parent);
}

} // namespace MessageBoxes
