#pragma once

#include "platform/singleinstance.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line before anything starts: "-HIDE" (in any case, anywhere)
// is the program's own switch; --show, --hide, --toggle, --find [TEXT] and
// --open TEXT are asked of the running copy (or done by this one when none
// runs); --help and --version answer and end; the options Qt itself takes
// pass; anything else is reported.
namespace CommandLine {

struct Verdict
{
    bool start = true; // false: print `output` and end with `exitCode`
    int exitCode = 0;
    QString output;
    bool toStandardError = false;
    int startAtLogin = -1;                                   // 1 or 0: turn starting at login on or off, then end
    std::optional<platform::Request> request = std::nullopt; // the last one given wins
};

// `arguments` as the process got them, the program's name first.
Verdict check(const QStringList& arguments, const QString& version);

} // namespace CommandLine
