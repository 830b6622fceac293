#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

class RegKey;

inline constexpr char kRegFileHeader[] = "Windows Registry Editor Version 5.00";

struct RegFileReadResult
{
    // False when anything of the text was skipped: unreadable lines, a missing
    // header, another encoding guessed, sections of another hive.
    bool complete = true;
    int skippedLines = 0;
    QStringList problems; // the first few, for the user, "line N: why"

    void addProblem(int line, const QString& why);
};

// Reads a registry-editor export (UTF-8, UTF-16 with BOM, or Latin-1 as a last
// resort) into `root`, which stands for the hive named `hiveName`. Reads every
// line it understands and reports the rest; never throws.
RegFileReadResult readRegFile(const QByteArray& bytes, RegKey& root, const QString& hiveName);

// Writes the hive as a UTF-8 export with CR LF line ends: every key as a
// section in enumeration order, texts as "name"="text", numbers as dword:,
// everything else (including texts that would not survive as a quoted line)
// as hex(n): bytes, so that nothing is lost.
QByteArray writeRegFile(const RegKey& root, const QString& hiveName);

} // namespace platform
