#include "bookmarks/linkcheck.h"

#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace LinkCheck {

namespace {

bool isTemporary(int status)
{
    return status == 302 || status == 303 || status == 307;
}

bool isPermanent(int status)
{
    return status == 301 || status == 308;
}

// Whether a deep page was sent to the site's front page.
bool sentToFrontPage(const QString& address, const QString& final)
{
    const QUrl from(address);
    const QUrl to(final);
    const QString path = from.path();
    const bool deep = !path.isEmpty() && path != QLatin1String("/");
    const bool front = to.path().isEmpty() || to.path() == QLatin1String("/");
    const auto bare = [](QString host) { return host.startsWith(QLatin1String("www.")) ? host.mid(4) : host; };
    return deep && front && to.query().isEmpty() && bare(from.host().toLower()) == bare(to.host().toLower());
}

// A field of the file: what would end a field or a line escaped.
QString escaped(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('\t'), QLatin1String("%09"))
        .replace(QLatin1Char('\n'), QLatin1String("%0A"))
        .replace(QLatin1Char('\r'), QLatin1String("%0D"));
    return out;
}

QString unescaped(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("%0D"), QLatin1String("\r"))
        .replace(QLatin1String("%0A"), QLatin1String("\n"))
        .replace(QLatin1String("%09"), QLatin1String("\t"))
        .replace(QLatin1String("%25"), QLatin1String("%"));
    return out;
}

} // namespace

Result classify(const QString& address, const Response& response, const QDateTime& when)
{
    Result result;
    result.when = when;
    result.status = response.status;
    result.error = response.error;
    result.finalAddress = response.finalAddress.isEmpty() ? address : response.finalAddress;
    if (response.status == 0) {
        result.verdict = response.error == kNoSuchHost ? Verdict::NotFound : Verdict::CouldNotTell;
        return result;
    }
    const int status = response.status;
    if (status == 404 || status == 410) {
        result.verdict = Verdict::NotFound;
        return result;
    }
    if (status < 200 || status >= 300) {
        result.verdict = Verdict::CouldNotTell; // 401, 403, 429, 5xx and the rest
        return result;
    }
    // Answered: how it was reached tells whether the address moved.
    const int first = response.chainStatus.isEmpty() ? status : response.chainStatus.first();
    if (isPermanent(first)) {
        result.verdict = Verdict::MovedPermanently;
    } else if (isTemporary(first)) {
        result.verdict = Verdict::MovedTemporarily;
        result.probablyRemoved = sentToFrontPage(address, result.finalAddress);
    } else {
        result.verdict = Verdict::Ok;
    }
    return result;
}

QString verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
        return QStringLiteral("OK");
    case Verdict::MovedPermanently:
        return QStringLiteral("Moved permanently");
    case Verdict::MovedTemporarily:
        return QStringLiteral("Moved temporarily");
    case Verdict::NotFound:
        return QStringLiteral("Not found");
    case Verdict::CouldNotTell:
        return QStringLiteral("Could not tell");
    }
    return {};
}

QString updatedAddress(const QString& address, const Result& result)
{
    if (result.verdict != Verdict::MovedPermanently || result.finalAddress.isEmpty())
        return address;
    const qsizetype hash = address.indexOf(QLatin1Char('#'));
    if (hash < 0 || result.finalAddress.contains(QLatin1Char('#')))
        return result.finalAddress;
    return result.finalAddress + address.mid(hash);
}

Results::Results(QString file) : m_file(std::move(file))
{
    if (m_file.isEmpty())
        m_file = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/markcrate/link-checks.tsv");
    QFile in(m_file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : in.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (fields.size() != 6 && fields.size() != 7)
            continue; // a damaged line is left out
        Result result;
        bool number = false;
        const int verdict = fields[1].toInt(&number);
        if (!number || verdict < 0 || verdict > int(Verdict::CouldNotTell))
            continue;
        result.verdict = Verdict(verdict);
        result.status = fields[2].toInt();
        result.finalAddress = unescaped(fields[3]);
        result.probablyRemoved = fields[4] == QLatin1String("1");
        result.when = QDateTime::fromString(fields[5], Qt::ISODate);
        if (fields.size() == 7)
            result.error = unescaped(fields[6]);
        QList<Result>& kept = m_results[unescaped(fields[0])];
        if (kept.size() < kResultsKept)
            kept.append(result);
    }
}

bool Results::add(const QString& address, const Result& result, QString* why)
{
    put(address, result);
    return save(why);
}

void Results::put(const QString& address, const Result& result)
{
    QList<Result>& kept = m_results[address];
    kept.prepend(result);
    while (kept.size() > kResultsKept)
        kept.removeLast();
}

bool Results::isDead(const QString& address) const
{
    const QList<Result> kept = m_results.value(address);
    if (kept.isEmpty() || kept.first().verdict != Verdict::NotFound)
        return false;
    // The newest run of "not found": its first and last a day apart or more.
    QDateTime oldest = kept.first().when;
    for (const Result& result : kept) {
        if (result.verdict != Verdict::NotFound)
            break;
        oldest = result.when;
    }
    return oldest.isValid() && oldest.secsTo(kept.first().when) >= 24 * 60 * 60;
}

bool Results::save(QString* why) const
{
    QByteArray bytes;
    for (auto entry = m_results.cbegin(); entry != m_results.cend(); ++entry) {
        for (const Result& result : entry.value()) {
            bytes += QStringList{escaped(entry.key()),
                                 QString::number(int(result.verdict)),
                                 QString::number(result.status),
                                 escaped(result.finalAddress),
                                 result.probablyRemoved ? QStringLiteral("1") : QStringLiteral("0"),
                                 result.when.toUTC().toString(Qt::ISODate),
                                 escaped(result.error)}
                         .join(QLatin1Char('\t'))
                         .toUtf8();
            bytes += '\n';
        }
    }
    QDir().mkpath(QFileInfo(m_file).path());
    return platform::writeFileAtomically(
        m_file, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, why);
}

} // namespace LinkCheck
