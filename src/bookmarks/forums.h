#pragma once

#include "platform/collection.h"

#include <QString>
#include <QStringList>

#include <functional>

// The CompuServe Web Forums list: a text file of forum names, one per line,
// kept in the program's data folder, and the sorted, keyed collection the
// window lists.
namespace Forums {

using Collection = KeyedCollection<QString>;

// $XDG_DATA_HOME/markcrate/cforums.txt
QString listPath();

struct File
{
    QStringList names;
    bool latin1 = false; // the bytes were not UTF-8; written back the same way
};

// The lines of the file as they stand (untrimmed; an empty line is an empty
// name); no names when the file is missing.
File read(const QString& path);

// The names sorted by SortNames, keyed "0X", "1X", ... by their place.
void fill(Collection& collection, QStringList names);

// Writes the names, one line each, ended by CR LF, replacing the file in one step.
bool write(const QString& path, const Collection& collection, bool latin1, QString* error = nullptr);

// The list as the program keeps it: the collection read from the file, how
// the file was encoded, and whether it has been read yet.
class List
{
public:
    Collection& names() { return m_names; }
    const Collection& names() const { return m_names; }
    bool loaded() const { return m_loaded; }
    // Reads the file again, sorted and numbered afresh.
    void load();
    void loadIfNeeded()
    {
        if (!m_loaded)
            load();
    }
    // Writes the collection back to the file; the reason on failure.
    bool save(QString* error);

private:
    Collection m_names;
    bool m_latin1 = false;
    bool m_loaded = false;
};

// The forum names of a saved forum page: the text of the first link of each
// line, after its tag's last ">", trimmed; blank names are passed over.
// `yield` runs every few hundred lines.
QStringList namesFromPage(const QString& pagePath, const std::function<void()>& yield = {});

} // namespace Forums
