#pragma once

#include <QVariant>

#include <optional>

// The registry object's tagged value is a QVariant: invalid for "nothing",
// QString for text, int for a 32-bit number; a caller may also assign a
// double or a bool. These helpers give the conversions the stores rely on.
namespace keyvalue {

bool isEmpty(const QVariant& value);
// Empty, or a text form that is only blanks.
bool isBlank(const QVariant& value);
// The text form: numbers in decimal, "True"/"False", empty for nothing.
QString text(const QVariant& value);
// The value as a 32-bit signed number, rounding halves to even; nullopt when it
// is not a number or does not fit.
std::optional<qint32> toLong(const QVariant& value);
// The value as a number (texts are parsed, blanks trimmed); nullopt when it is none.
std::optional<double> toNumber(const QVariant& value);

// The leading whole number of a text, with an optional sign, after leading
// blanks ("-120 twips" gives -120); 0 when there is none.
int leadingNumber(const QString& text);

} // namespace keyvalue
