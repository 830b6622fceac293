#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// Strings the user chose to set apart (duplicates kept on purpose, addresses
// whose check is ignored), kept by the program, never in the stores: one per
// line in a file of its data folder, written atomically.
class RememberedSet
{
public:
    explicit RememberedSet(QString file);
    // A file of the program's data folder ($XDG_DATA_HOME/markcrate/).
    static QString dataFile(const QString& name);

    bool contains(const QString& key) const { return m_keys.contains(key); }
    const QSet<QString>& keys() const { return m_keys; }
    // Adds or removes the keys and writes the file; false, with why, when it
    // could not be written (the set is then as it was).
    bool add(const QStringList& keys, QString* why);
    bool remove(const QStringList& keys, QString* why);

private:
    bool write(const QSet<QString>& keys, QString* why);
    QString m_file;
    QSet<QString> m_keys;
};
