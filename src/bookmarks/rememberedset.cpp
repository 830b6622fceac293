#include "bookmarks/rememberedset.h"

#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

RememberedSet::RememberedSet(QString file) : m_file(std::move(file))
{
    QFile in(m_file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : in.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            m_keys.insert(QString::fromUtf8(line.trimmed()));
    }
}

QString RememberedSet::dataFile(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/markcrate/") + name;
}

bool RememberedSet::add(const QStringList& keys, QString* why)
{
    QSet<QString> now = m_keys;
    for (const QString& key : keys) {
        // A line is a key: one that would end a line, or lose its blanks, could not be read back.
        if (key.contains(QLatin1Char('\n')) || key.contains(QLatin1Char('\r')) || key.trimmed() != key) {
            if (why)
                *why = QStringLiteral("it holds a line break or blanks at an end");
            return false;
        }
        now.insert(key);
    }
    return now == m_keys || write(now, why);
}

bool RememberedSet::remove(const QStringList& keys, QString* why)
{
    QSet<QString> now = m_keys;
    for (const QString& key : keys)
        now.remove(key);
    return now == m_keys || write(now, why);
}

bool RememberedSet::write(const QSet<QString>& keys, QString* why)
{
    QStringList lines(keys.begin(), keys.end());
    lines.sort();
    const QByteArray bytes = lines.isEmpty() ? QByteArray() : lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    QDir().mkpath(QFileInfo(m_file).path());
    if (!platform::writeFileAtomically(
            m_file, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, why))
        return false;
    m_keys = keys;
    return true;
}
