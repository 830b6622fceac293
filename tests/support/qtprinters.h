#pragma once

// Readable failure messages for the Qt types the tests compare.
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *out << '}';
}

inline void PrintTo(const QVariant& value, std::ostream* out)
{
    if (!value.isValid())
        *out << "<empty>";
    else
        *out << value.typeName() << '(' << value.toString().toStdString() << ')';
}

inline void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", " << rect.height() << ')';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << "bytes(" << bytes.toHex(' ').toStdString() << ')';
}
