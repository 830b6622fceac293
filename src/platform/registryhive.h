#pragma once

#include "platform/prefetch.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

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

    // Hints for a walk over many keys: bring this key, then its values and
    // name, into the cache before they are read.
    void prefetch() const { prefetchLine(this); }
    void prefetchValues() const
    {
        prefetchLine(m_values.data());
        prefetchLine(m_name.constData());
    }

    qsizetype valueCount() const { return m_live; }
    // By position in creation order; walking the positions in turn costs a step each.
    const RegValue& valueAt(qsizetype index) const;
    const RegValue* value(const QString& name) const;
    // The same, for a name already folded: a caller asking many keys for one
    // name folds it once.
    const RegValue* valueOfFolded(const QString& folded) const;
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
    struct Slot
    {
        RegValue value;
        bool live = true;
    };
    // The slot of the value of that folded name, or -1.
    qsizetype findValue(const QString& folded) const;
    // Drops the slots of removed values once they outnumber the rest.
    void compactValues();

    QString m_name;
    std::vector<Child> m_children;
    // Values in creation order, side by side. A removed value leaves an empty
    // slot until those outnumber the values, so that removing one costs no
    // shifting of the rest. A key of many values also keeps an index from the
    // folded name to the slot; most keys hold two or three values, and a hash
    // each would cost them far more memory than their values.
    std::vector<Slot> m_values;
    qsizetype m_live = 0;
    QHash<QString, qsizetype> m_valueIndex;
    bool m_indexed = false;
    // Where the last valueAt() stood while slots are empty, for enumerations in order.
    mutable qsizetype m_cursorIndex = -1;
    mutable size_t m_cursorSlot = 0;
};

// Splits a key path at "\", dropping empty components (a trailing "\" names the same key).
QStringList splitRegistryPath(const QString& path);

} // namespace platform
