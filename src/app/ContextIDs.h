#pragma once

#include <QString>

class QWidget;

// The help: an HTML page shipped with the program, shown in a viewer window
// that closes with the program.
namespace ContextIDs {

inline constexpr int MainWindowContext = 129;

// Remembers the owner window and finds the help file.
void InitHelp(QWidget* owner);
// Opens the help at a context's topic.
void ShowHelpContext(int context);
// Closes a help window the program opened.
void CloseHelp();

// The help file path: the folder, then the name, with one separator between.
QString helpFilePath(const QString& folder, const QString& name);
// The help file in use (empty before InitHelp or when none is installed).
QString HelpFile();
// The viewer, while one is open (for tests).
QWidget* viewer();

} // namespace ContextIDs
