#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace platform {

// Registry data types, as the registry numbers them.
namespace RegType {
inline constexpr quint32 None = 0;
inline constexpr quint32 Sz = 1;
inline constexpr quint32 ExpandSz = 2;
inline constexpr quint32 Binary = 3;
inline constexpr quint32 Dword = 4;
inline constexpr quint32 MultiSz = 7;
inline constexpr quint32 Qword = 11;
} // namespace RegType

struct RegValue
{
    QString name;
    quint32 type = RegType::None;
    QByteArray data;
};

// Names compare without regard to case, character by character, and sort in
// that folded order, as the registry enumerates sub-keys.
QString registryFoldedName(const QString& name);

// One key of an in-memory hive: case-preserving sub-keys kept in folded-name
// order and values kept in creation order, both reachable by index and by name.
class RegKey
{
public:
    explicit RegKey(QString name = {});

    const QString& name() const { return m_name; }

    qsizetype childCount() const { return qsizetype(m_children.size()); }
    RegKey* childAt(qsizetype index) const;
    RegKey* child(const QString& name) const;
    // Returns the existing child of that name, or a new one.
    RegKey* addChild(const QString& name, bool* created = nullptr);
    // Removes the child and its whole sub-tree.
    bool removeChild(const QString& name);

    qsizetype valueCount() const { return qsizetype(m_values.size()); }
    // By position in creation order; walking the positions in turn costs a step each.
    const RegValue& valueAt(qsizetype index) const;
    const RegValue* value(const QString& name) const;
    // Replaces the data of an existing value in place (its position stays) or appends a new one.
    void setValue(const QString& name, quint32 type, const QByteArray& data);
    bool removeValue(const QString& name);

private:
    struct Child
    {
        QString folded;
        std::unique_ptr<RegKey> key;
    };
    std::vector<Child>::const_iterator lowerBound(const QString& folded) const;
    // The creation number of the value of that folded name, or none.
    std::map<quint64, RegValue>::const_iterator findValue(const QString& folded) const;

    QString m_name;
    std::vector<Child> m_children;
    // Values by creation number, so that removing one costs no renumbering.
    // A key of many values also keeps an index from the folded name to that
    // number; most keys hold two or three values, and a hash each would cost
    // them far more memory than their values.
    std::map<quint64, RegValue> m_values;
    QHash<QString, quint64> m_valueIndex;
    bool m_indexed = false;
    quint64 m_nextValue = 0;
    // Where the last valueAt() stood, for enumerations in order.
    mutable qsizetype m_cursorIndex = -1;
    mutable std::map<quint64, RegValue>::const_iterator m_cursor;
};

// Splits a key path at "\", dropping empty components (a trailing "\" names the same key).
QStringList splitRegistryPath(const QString& path);

} // namespace platform
