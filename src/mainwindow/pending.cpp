// Operations whose behaviour arrives with the stores, navigation, editing,
// moving, tray and export work. Until then they do nothing, so that every
// event of the form already reaches its place.
#include "mainwindow/cMainDialog.h"

void cMainDialog::DragOverTvMain(QObject*, int, int, int) {}
void cMainDialog::DragDropTvMain(QObject*, int, int) {}
void cMainDialog::CutEntries() {}
void cMainDialog::CopyEntries() {}
void cMainDialog::PasteEntries() {}


