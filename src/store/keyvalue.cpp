#include "store/keyvalue.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace keyvalue {

bool isEmpty(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

namespace {

// Held as a number, not as text to be read as one.
bool holdsNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

bool isBlank(const QVariant& value)
{
    if (isEmpty(value))
        return true;
    if (holdsNumber(value) || value.typeId() == QMetaType::Bool)
        return false; // its text is never blank: no need to make it
    return text(value).trimmed().isEmpty();
}

QString text(const QVariant& value)
{
    if (isEmpty(value))
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

std::optional<double> toNumber(const QVariant& value)
{
    if (isEmpty(value))
        return std::nullopt;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    if (holdsNumber(value))
        return value.toDouble();
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<qint32> toLong(const QVariant& value)
{
    // A stored DWORD, as nearly every number read is, is already one.
    if (value.typeId() == QMetaType::Int && !isEmpty(value))
        return *static_cast<const int*>(value.constData());
    const std::optional<double> number = toNumber(value);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number); // the default rounding mode rounds halves to even
    if (rounded < double(std::numeric_limits<qint32>::min()) || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

int leadingNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed.at(i) == QLatin1Char('-') || trimmed.at(i) == QLatin1Char('+'))) {
        negative = trimmed.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 number = 0;
    for (; i < trimmed.size() && trimmed.at(i).isDigit() && trimmed.at(i).unicode() < 128; ++i) {
        number = number * 10 + (trimmed.at(i).unicode() - '0');
        if (number > std::numeric_limits<qint32>::max())
            break;
    }
    number = std::min<qint64>(number, std::numeric_limits<qint32>::max());
    return int(negative ? -number : number);
}

} // namespace keyvalue
