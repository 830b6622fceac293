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

} // namespace MessageBoxes
