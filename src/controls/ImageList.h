#pragma once

#include <QIcon>

// The main window's images by the indexes the program uses. Icons come from
// the desktop theme where it has them, otherwise from the style.
namespace ImageList {

// Tree: 1 selected folder, 2 folder, 3 top node / selected source root,
// 4 source root, 5 selected hidden folder, 6 hidden folder.
QIcon treeImage(int index);
// List: 1 forum go word, 2 folder, 3 web page, 4 up one level, 5 search.
QIcon listImage(int index);

// The icon theme the program depends on ("breeze") serves where the desktop
// has none, as under a bare window manager: call before the first icon.
inline const QString kProgramIconTheme = QStringLiteral("breeze");
void useProgramIconTheme();

} // namespace ImageList
