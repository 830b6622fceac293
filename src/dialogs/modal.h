#pragma once

#include <functional>

class QDialog;

// Every modal dialog of the program is run through here, so that tests can
// answer it: with a hook set, the hook gets the loaded dialog instead of the
// user and gives the result exec() would have given.
namespace Modal {

using Hook = std::function<int(QDialog& dialog)>;
void setHook(Hook hook);
int run(QDialog& dialog);

} // namespace Modal
