#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Dead links: what one check of an address found, said honestly, and the
// last few checks of each address kept by the program (never in the stores),
// so that an address is called dead only when it was not found twice, a day
// or more apart.
namespace LinkCheck {

enum class Verdict
{
    Ok,               // 2xx
    MovedPermanently, // 301, 308: the new address is known
    MovedTemporarily, // 302, 303, 307
    NotFound,         // 404, 410, no such host
    CouldNotTell,     // 401, 403, 429, 5xx, TLS errors, timeouts, anything else
};

// What the server (or the network) answered to one check.
struct Response
{
    int status = 0;         // the last answer's HTTP status; 0 when none came
    QString error;          // the network's failure where no answer came: see the values below
    QList<int> chainStatus; // the status of each redirect followed, in order
    QString finalAddress;   // where the redirects led (the address itself when none)
};
// The network failures a check tells apart.
inline const QString kNoSuchHost = QStringLiteral("no such host");
inline const QString kTimeout = QStringLiteral("timeout");
inline const QString kTls = QStringLiteral("TLS");

struct Result
{
    Verdict verdict = Verdict::CouldNotTell;
    int status = 0;
    QString error; // the network's failure where no answer came
    QString finalAddress;
    // A deep page sent on to the site's front page: most likely gone.
    bool probablyRemoved = false;
    QDateTime when;
};

Result classify(const QString& address, const Response& response, const QDateTime& when);
QString verdictText(Verdict verdict);
// The address an entry that moved for good is given: where it is now, with
// the entry's own fragment (a place in the page) where the new one has none.
QString updatedAddress(const QString& address, const Result& result);

inline constexpr int kResultsKept = 3;

// The last checks of each address, newest first, on disk beside the
// program's other data ($XDG_DATA_HOME/markcrate/link-checks.tsv).
class Results
{
public:
    explicit Results(QString file = {});
    QList<Result> of(const QString& address) const { return m_results.value(address); }
    // Keeps the result (the oldest beyond the kept number go) and writes the file.
    bool add(const QString& address, const Result& result, QString* why = nullptr);
    // Keeps it in memory only: a run saves once at its end, not per address.
    void put(const QString& address, const Result& result);
    bool save(QString* why = nullptr) const;
    // Not found in two checks a day or more apart, and nothing else found since.
    bool isDead(const QString& address) const;

private:
    QString m_file;
    QHash<QString, QList<Result>> m_results;
};

} // namespace LinkCheck
