#include "platform/error.h"

cError::cError(int number, QString description)
    : m_number(number), m_description(description.isEmpty() ? standardDescription(number) : std::move(description)),
      m_what(MessageText().toUtf8())
{
}

QString cError::MessageText() const
{
    return m_description + QStringLiteral(" (") + QString::number(m_number) + QLatin1Char(')');
}

QString cError::standardDescription(int number)
{
    switch (number) {
    case ErrorNumber::InvalidProcedureCall:
        return QStringLiteral("Invalid procedure call or argument");
    case ErrorNumber::Overflow:
        return QStringLiteral("Overflow");
    case ErrorNumber::SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case ErrorNumber::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrorNumber::FileNotFound:
        return QStringLiteral("File not found");
    case ErrorNumber::PathFileAccessError:
        return QStringLiteral("Path/File access error");
    case ErrorNumber::PathNotFound:
        return QStringLiteral("Path not found");
    case ErrorNumber::InvalidPropertyValue:
        return QStringLiteral("Invalid property value");
    case ErrorNumber::ModalFormShown:
        return QStringLiteral("Can't show non-modal form when modal form is displayed");
    case ErrorNumber::DuplicateKey:
        return QStringLiteral("This key is already associated with an element of this collection");
    case ErrorNumber::Cancel:
        return QStringLiteral("Cancel was selected.");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

Q_LOGGING_CATEGORY(markcrateLog, "markcrate")

void logUnexpected(const char* operation, const std::exception& error)
{
    qCWarning(markcrateLog, "%s ended on an unexpected error: %s", operation, error.what());
}
