#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class cError;
class QWidget;

// Every modal message box of the program goes through here, so that tests can
// answer them: with a hook set, no box is shown and the hook gives the answer.
namespace MessageBoxes {

struct Request
{
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

using Hook = std::function<QMessageBox::StandardButton(const Request&)>;
void setHook(Hook hook);
void clearHook();
bool hasHook();

QMessageBox::StandardButton show(const Request& request, QWidget* parent = nullptr);

// The standard information box for an unexpected error: "description (number)".
void showError(const cError& error, QWidget* parent = nullptr);
// An information box with the program's title.
void inform(const QString& text, QWidget* parent = nullptr);

// The Open box of a file. With a hook set, the hook answers instead; an empty
// answer means the user cancelled.
using OpenFileHook = std::function<QString(const QString& title, const QString& filter)>;
void setOpenFileHook(OpenFileHook hook);
QString getOpenFileName(QWidget* parent, const QString& title, const QString& filter, const QString& fileName);
// The Save box; it asks before replacing a file. Answered by its own hook in tests.
// The save dialog's hook also gets the file the dialog would start with.
using SaveFileHook = std::function<QString(const QString& title, const QString& filter, const QString& path)>;
void setSaveFileHook(SaveFileHook hook);
QString getSaveFileName(QWidget* parent, const QString& title, const QString& filter, const QString& path);

} // namespace MessageBoxes
