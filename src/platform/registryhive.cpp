#include "platform/registryhive.h"

#include <algorithm>

namespace platform {

QString registryFoldedName(const QString& name)
{
    // Simple per-character upper case, as the registry compares names; unlike
    // QString::toUpper it never changes the length ("ß" stays one character).
    QString folded;
    folded.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(c, name.at(i + 1)));
            folded += QString::fromUcs4(&upper, 1);
            ++i;
        } else {
            folded += c.toUpper();
        }
    }
    return folded;
}

QStringList splitRegistryPath(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

RegKey::RegKey(QString name) : m_name(std::move(name)) {}

std::vector<RegKey::Child>::const_iterator RegKey::lowerBound(const QString& folded) const
{
    return std::lower_bound(m_children.begin(), m_children.end(), folded, [](const Child& child, const QString& f) {
        return child.folded < f;
    });
}

RegKey* RegKey::childAt(qsizetype index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    return m_children[size_t(index)].key.get();
}

RegKey* RegKey::child(const QString& name) const
{
    const QString folded = registryFoldedName(name);
    const auto it = lowerBound(folded);
    return it != m_children.end() && it->folded == folded ? it->key.get() : nullptr;
}

RegKey* RegKey::addChild(const QString& name, bool* created)
{
    const QString folded = registryFoldedName(name);
    auto it = m_children.begin() + (lowerBound(folded) - m_children.cbegin());
    if (it != m_children.end() && it->folded == folded) {
        if (created)
            *created = false;
        return it->key.get();
    }
    if (created)
        *created = true;
    it = m_children.insert(it, Child{folded, std::make_unique<RegKey>(name)});
    return it->key.get();
}

bool RegKey::removeChild(const QString& name)
{
    const QString folded = registryFoldedName(name);
    const auto it = lowerBound(folded);
    if (it == m_children.end() || it->folded != folded)
        return false;
    m_children.erase(it);
    return true;
}

const RegValue& RegKey::valueAt(qsizetype index) const
{
    if (m_live == qsizetype(m_values.size()))
        return m_values[size_t(index)].value;
    // Empty slots lie between: walk on from where the last call stood.
    if (m_cursorIndex >= 0 && index == m_cursorIndex)
        return m_values[m_cursorSlot].value;
    if (m_cursorIndex < 0 || index < m_cursorIndex) {
        m_cursorIndex = -1;
        m_cursorSlot = 0;
    } else {
        ++m_cursorSlot; // past the slot the cursor stands on
    }
    while (true) {
        while (!m_values[m_cursorSlot].live)
            ++m_cursorSlot;
        if (++m_cursorIndex == index)
            return m_values[m_cursorSlot].value;
        ++m_cursorSlot;
    }
}

namespace {

// From this many values on, a key finds its values through a hash.
constexpr qsizetype kIndexedValues = 16;

bool sameFoldedName(const QString& name, const QString& folded)
{
    // Folding keeps the length, so most names differ before any folding, and
    // the rest are compared as they fold, character by character.
    if (name.size() != folded.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const char16_t u = c.unicode();
        if (u < 0x80) { // most names are ASCII: fold without a call per character
            if ((u >= u'a' && u <= u'z' ? char16_t(u - 32) : u) != folded.at(i).unicode())
                return false;
            continue;
        }
        if (c.isSurrogate())
            return registryFoldedName(name) == folded;
        if (c.toUpper() != folded.at(i))
            return false;
    }
    return true;
}

} // namespace

qsizetype RegKey::findValue(const QString& folded) const
{
    if (m_indexed)
        return m_valueIndex.value(folded, -1);
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (m_values[i].live && sameFoldedName(m_values[i].value.name, folded))
            return qsizetype(i);
    }
    return -1;
}

const RegValue* RegKey::value(const QString& name) const
{
    return valueOfFolded(registryFoldedName(name));
}

const RegValue* RegKey::valueOfFolded(const QString& folded) const
{
    const qsizetype slot = findValue(folded);
    return slot < 0 ? nullptr : &m_values[size_t(slot)].value;
}

void RegKey::setValue(const QString& name, quint32 type, const QByteArray& data)
{
    const QString folded = registryFoldedName(name);
    const qsizetype slot = findValue(folded);
    if (slot >= 0) {
        RegValue& existing = m_values[size_t(slot)].value;
        existing.type = type;
        existing.data = data;
        return;
    }
    if (!m_indexed && m_live + 1 >= kIndexedValues) {
        m_valueIndex.reserve(m_live + 1);
        for (size_t i = 0; i < m_values.size(); ++i) {
            if (m_values[i].live)
                m_valueIndex.insert(registryFoldedName(m_values[i].value.name), qsizetype(i));
        }
        m_indexed = true;
    }
    if (m_indexed)
        m_valueIndex.insert(folded, qsizetype(m_values.size()));
    m_values.push_back(Slot{RegValue{name, type, data}});
    ++m_live;
}

bool RegKey::removeValue(const QString& name)
{
    const QString folded = registryFoldedName(name);
    const qsizetype slot = findValue(folded);
    if (slot < 0)
        return false;
    m_values[size_t(slot)] = Slot{RegValue{}, false};
    --m_live;
    m_cursorIndex = -1;
    if (m_indexed)
        m_valueIndex.remove(folded);
    if (qsizetype(m_values.size()) - m_live > m_live)
        compactValues();
    return true;
}

void RegKey::compactValues()
{
    std::erase_if(m_values, [](const Slot& slot) { return !slot.live; });
    m_cursorIndex = -1;
    if (m_indexed) {
        for (size_t i = 0; i < m_values.size(); ++i)
            m_valueIndex[registryFoldedName(m_values[i].value.name)] = qsizetype(i);
    }
}

} // namespace platform
