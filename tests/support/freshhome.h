#pragma once

#include <QString>

// Every test runs with HOME and the XDG folders in a fresh temporary folder,
// and with the registry loaded anew from there: no test sees another's files
// or a real user's.
namespace FreshHome {

// Installs the per-test listener; called once by the test main.
void install();
// The current test's temporary home.
QString path();

} // namespace FreshHome
