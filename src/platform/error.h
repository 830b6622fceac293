#pragma once

#include <QLoggingCategory>
#include <QString>

#include <exception>

namespace ErrorNumber {
// The program's error numbers; the same numbers the user sees in "description (number)".
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int ModalFormShown = 401;
inline constexpr int DuplicateKey = 457;
inline constexpr int Cancel = 32755;
} // namespace ErrorNumber

// The one exception of the program: thrown by the lower layers, caught at the
// boundary of each operation, which applies its own rule (end silently or report).
class cError : public std::exception
{
public:
    explicit cError(int number, QString description = {});

    int Number() const noexcept { return m_number; }
    const QString& Description() const noexcept { return m_description; }
    // "description (number)", the text of the standard information box.
    QString MessageText() const;
    const char* what() const noexcept override { return m_what.constData(); }

    static QString standardDescription(int number);

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// The program's log: failures that reach no message box go here.
Q_DECLARE_LOGGING_CATEGORY(markcrateLog)

// An operation whose rule is to end silently met a failure that is not the
// program's own error (a logic error, memory exhausted): it still ends, and
// the failure is logged, not swallowed unseen.
void logUnexpected(const char* operation, const std::exception& error);
