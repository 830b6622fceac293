#pragma once

#include <QString>
#include <QStringList>

// The command line before anything starts: "-HIDE" (in any case, anywhere)
// is the program's own switch; --help and --version answer and end; the
// options Qt itself takes pass; anything else is reported.
namespace CommandLine {

struct Verdict
{
    bool start = true; // false: print `output` and end with `exitCode`
    int exitCode = 0;
    QString output;
    bool toStandardError = false;
    int startAtLogin = -1; // 1 or 0: turn starting at login on or off, then end
};

// `arguments` as the process got them, the program's name first.
Verdict check(const QStringList& arguments, const QString& version);

} // namespace CommandLine
