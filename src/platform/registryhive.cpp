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

RegKey::RegKey(QString name)
    : m_name(std::move(name))
{
}

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
    if (m_cursorIndex >= 0 && index == m_cursorIndex + 1) {
        ++m_cursor;
    } else if (index != m_cursorIndex || m_cursorIndex < 0) {
        m_cursor = m_values.begin();
        std::advance(m_cursor, index);
    }
    m_cursorIndex = index;
    return m_cursor->second;
}

namespace {

// From this many values on, a key finds its values through a hash.
constexpr size_t kIndexedValues = 16;

bool sameFoldedName(const QString& name, const QString& folded)
{
    // Folding keeps the length, so most names differ before any folding.
    return name.size() == folded.size() && registryFoldedName(name) == folded;
}

} // namespace

std::map<quint64, RegValue>::const_iterator RegKey::findValue(const QString& folded) const
{
    if (m_indexed) {
        const auto it = m_valueIndex.constFind(folded);
        return it == m_valueIndex.cend() ? m_values.end() : m_values.find(*it);
    }
    return std::find_if(m_values.begin(), m_values.end(), [&](const auto& entry) { return sameFoldedName(entry.second.name, folded); });
}

const RegValue* RegKey::value(const QString& name) const
{
    const auto it = findValue(registryFoldedName(name));
    return it == m_values.end() ? nullptr : &it->second;
}

void RegKey::setValue(const QString& name, quint32 type, const QByteArray& data)
{
    const QString folded = registryFoldedName(name);
    const auto it = findValue(folded);
    if (it != m_values.end()) {
        RegValue& existing = m_values.at(it->first);
        existing.type = type;
        existing.data = data;
        return;
    }
    m_cursorIndex = -1;
    if (!m_indexed && m_values.size() + 1 >= kIndexedValues) {
        m_valueIndex.reserve(qsizetype(m_values.size() + 1));
        for (const auto& [number, value] : m_values)
            m_valueIndex.insert(registryFoldedName(value.name), number);
        m_indexed = true;
    }
    if (m_indexed)
        m_valueIndex.insert(folded, m_nextValue);
    m_values.emplace_hint(m_values.end(), m_nextValue++, RegValue{name, type, data});
}

bool RegKey::removeValue(const QString& name)
{
    const QString folded = registryFoldedName(name);
    const auto it = findValue(folded);
    if (it == m_values.end())
        return false;
    m_cursorIndex = -1;
    m_values.erase(it);
    if (m_indexed)
        m_valueIndex.remove(folded);
    return true;
}

} // namespace platform
