#include "bookmarks/linkchecker.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>
#include <limits>

namespace LinkCheck {

namespace {

// Sites that refuse unknown clients answer a browser's greeting.
const QByteArray kUserAgent =
    QByteArrayLiteral("Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                      "Chrome/131.0.0.0 Safari/537.36");
const QByteArray kAccept =
    QByteArrayLiteral("text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8");
const QByteArray kAcceptLanguage = QByteArrayLiteral("en-US,en;q=0.9");

constexpr int kRecentRequests = 20;

bool isPrivateAddress(const QHostAddress& address)
{
    if (address.isLoopback() || address.isLinkLocal() || address.isSiteLocal() || address.isUniqueLocalUnicast() ||
        address.isNull() || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6)
        return true;
    bool mapped = false;
    const quint32 v4 =
        address.protocol() == QAbstractSocket::IPv4Protocol ? address.toIPv4Address() : address.toIPv4Address(&mapped);
    if (address.protocol() == QAbstractSocket::IPv6Protocol && !mapped)
        return false;
    const auto in = [v4](quint32 net, int bits) { return (v4 >> (32 - bits)) == (net >> (32 - bits)); };
    return in(0x00000000, 8) || in(0x0A000000, 8) || in(0x7F000000, 8) || in(0xA9FE0000, 16) || in(0xAC100000, 12) ||
           in(0xC0A80000, 16) || in(0x64400000, 10);
}

// Names that only a local network resolves.
bool isLocalName(const QString& host)
{
    if (!host.contains(QLatin1Char('.')))
        return true;
    static const char* const local[] = {".localhost", ".local", ".lan", ".home.arpa", ".internal", ".intranet"};
    return std::any_of(std::begin(local), std::end(local), [&host](const char* suffix) {
        return host.endsWith(QLatin1String(suffix));
    });
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A site that refuses HEAD (or a bot's HEAD) may still answer a GET.
bool mayRefuseHead(int status)
{
    return status == 400 || status == 403 || status == 405 || status == 501;
}

// Retry-After in seconds or as an HTTP date; -1 when it says nothing usable.
qint64 retryAfterMs(const QByteArray& value)
{
    bool number = false;
    const qint64 seconds = value.trimmed().toLongLong(&number);
    if (number)
        return seconds >= 0 ? seconds * 1000 : -1;
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value.trimmed()), Qt::RFC2822Date);
    if (!when.isValid())
        return -1;
    return std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(when));
}

} // namespace

bool isCheckable(const QString& address, bool allowPrivate)
{
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return false;
    if (allowPrivate)
        return true;
    const QString host = url.host().toLower();
    QHostAddress literal;
    if (literal.setAddress(host))
        return !isPrivateAddress(literal);
    return host != QLatin1String("localhost") && !isLocalName(host);
}

struct Checker::Job
{
    QString address;
    QUrl url; // where the next request goes
    Host* host = nullptr;
    QList<int> chain;
    bool get = false;        // the site refused HEAD: read a GET's headers only
    bool waitedOnce = false; // a Retry-After is honoured once
    bool queued = false;
    bool counted = false; // in the counts from its first try
    bool gaveUp = false;  // aborted by a limit
    QPointer<QNetworkReply> reply;
    // What the headers said, kept when a GET is cut short after them.
    bool headersSeen = false;
    int status = 0;
    QByteArray location;
    QByteArray retryAfter;
    Result first;
    QPointer<QTimer> hardTimer; // a child of the checker
};

Checker::Checker(Limits limits, QObject* parent) : QObject(parent), m_limits(limits)
{
    qRegisterMetaType<LinkCheck::Result>();
    qRegisterMetaType<LinkCheck::Counts>();
    // The manager's own jar lives as long as the run, in memory only: a site
    // that sets a cookie and redirects to see it back is answered as a browser would.
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, &Checker::pump);
}

Checker::~Checker()
{
    cancel();
}

void Checker::start(const QStringList& addresses)
{
    cancel();
    m_jobs.clear();
    m_hosts.clear();
    m_hostStore.clear();
    m_order.clear();
    m_undecided.clear();
    m_recentFailures.clear();
    m_cursor = 0;
    m_active = 0;
    m_pausedUntil = 0;
    m_counts = {};
    m_secondTry = false;
    m_concurrency = std::max(1, m_limits.overall);
    m_clock.start();
    QSet<QString> seen;
    for (const QString& address : addresses) {
        if (seen.contains(address))
            continue;
        seen.insert(address);
        if (!isCheckable(address, m_limits.allowPrivate)) {
            ++m_counts.skipped;
            continue;
        }
        auto job = std::make_unique<Job>();
        job->address = address;
        job->url = QUrl(address);
        enqueue(*job, false);
        m_jobs.push_back(std::move(job));
    }
    m_counts.total = int(m_jobs.size());
    m_pending = m_counts.total;
    m_running = true;
    emit progress(m_counts);
    if (m_pending == 0)
        QTimer::singleShot(0, this, [this] {
            if (m_running && m_pending == 0)
                finishRun(false);
        });
    else
        pump();
}

void Checker::cancel()
{
    if (!m_running)
        return;
    m_running = false;
    m_wake.stop();
    for (const auto& job : m_jobs) {
        dropHardTimer(*job);
        if (job->reply) {
            QNetworkReply* reply = job->reply;
            disconnect(reply, nullptr, this, nullptr);
            reply->abort();
            reply->deleteLater();
        }
    }
    // What was answered once and waited for its second try was checked.
    for (Job* job : m_undecided)
        emit checked(job->address, job->first);
    m_undecided.clear();
    emit finished(true);
}

Checker::Host& Checker::hostFor(const QUrl& url)
{
    const QString name = url.host().toLower();
    Host*& host = m_hosts[name];
    if (!host) {
        m_hostStore.push_back(std::make_unique<Host>());
        host = m_hostStore.back().get();
    }
    return *host;
}

void Checker::enqueue(Job& job, bool front)
{
    Host& host = hostFor(job.url);
    job.host = &host;
    job.queued = true;
    if (front)
        host.queue.push_front(&job);
    else
        host.queue.push_back(&job);
    if (!host.inOrder) {
        host.inOrder = true;
        m_order.push_back(&host);
    }
}

// Starts what the limits allow now, round robin over the sites, and sets the
// wake-up for the next site whose gap ends.
void Checker::pump()
{
    if (!m_running)
        return;
    const qint64 now = m_clock.elapsed();
    if (now < m_pausedUntil) {
        m_wake.start(int(m_pausedUntil - now));
        return;
    }
    if (m_counts.paused) {
        m_counts.paused = false;
        emit progress(m_counts);
    }
    qint64 earliest = std::numeric_limits<qint64>::max();
    std::size_t looked = 0;
    while (m_active < m_concurrency && !m_order.empty() && looked < m_order.size()) {
        if (m_cursor >= m_order.size())
            m_cursor = 0;
        Host* host = m_order[m_cursor];
        if (host->queue.empty()) {
            host->inOrder = false;
            m_order.erase(m_order.begin() + qsizetype(m_cursor));
            continue;
        }
        ++m_cursor;
        ++looked;
        if (host->active >= m_limits.perHost)
            continue;
        if (host->nextStart > now) {
            earliest = std::min(earliest, host->nextStart);
            continue;
        }
        Job* job = host->queue.front();
        host->queue.pop_front();
        job->queued = false;
        host->nextStart = now + m_limits.hostGap.count();
        ++host->active;
        ++m_active;
        looked = 0;
        startRequest(*job);
    }
    if (m_active < m_concurrency && earliest != std::numeric_limits<qint64>::max())
        m_wake.start(int(std::max<qint64>(1, earliest - now)));
}

void Checker::startRequest(Job& job)
{
    QNetworkRequest request(job.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setRawHeader("Accept", kAccept);
    request.setRawHeader("Accept-Language", kAcceptLanguage);
    if (!job.hardTimer) {
        job.hardTimer = new QTimer(this);
        job.hardTimer->setSingleShot(true);
        connect(job.hardTimer, &QTimer::timeout, this, [this, &job] { onHardLimit(job); });
        job.hardTimer->start(m_limits.hardLimit);
    }
    job.headersSeen = false;
    job.status = 0;
    job.location.clear();
    job.retryAfter.clear();
    job.gaveUp = false;
    QNetworkReply* reply = job.get ? m_network.get(request) : m_network.head(request);
    job.reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, &job] { onHeaders(job); });
    connect(reply, &QNetworkReply::finished, this, [this, &job] { onFinished(job); });
    QTimer::singleShot(m_limits.headers, reply, [&job, reply] {
        if (job.reply == reply && !job.headersSeen) {
            job.gaveUp = true;
            reply->abort();
        }
    });
}

void Checker::onHeaders(Job& job)
{
    QNetworkReply* reply = job.reply;
    if (!reply || job.headersSeen)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    job.headersSeen = true;
    job.status = status.toInt();
    job.location = reply->rawHeader("Location");
    job.retryAfter = reply->rawHeader("Retry-After");
    if (job.get)
        reply->abort(); // the headers are all a check needs
}

void Checker::onHardLimit(Job& job)
{
    if (job.reply) {
        job.gaveUp = true;
        job.reply->abort();
        return;
    }
    // Waiting for its site between two redirects: given up all the same.
    if (job.queued) {
        auto& queue = job.host->queue;
        queue.erase(std::remove(queue.begin(), queue.end(), &job), queue.end());
        job.queued = false;
    }
    conclude(job, Response{0, kTimeout, job.chain, job.url.toString()});
    afterRequest();
}

void Checker::onFinished(Job& job)
{
    QNetworkReply* reply = job.reply;
    if (!reply)
        return;
    job.reply = nullptr;
    reply->deleteLater();
    --job.host->active;
    --m_active;
    onHeaders(job);
    const int status = job.status;
    const QString current = job.url.toString();
    if (status == 0) {
        const QNetworkReply::NetworkError error = reply->error();
        if (job.gaveUp) {
            noteNetworkOutcome(true);
            conclude(job, Response{0, kTimeout, job.chain, current});
        } else if (error == QNetworkReply::HostNotFoundError) {
            noteNetworkOutcome(false);
            conclude(job, Response{0, kNoSuchHost, job.chain, current});
        } else if (error == QNetworkReply::SslHandshakeFailedError) {
            noteNetworkOutcome(false);
            conclude(job, Response{0, kTls, job.chain, current});
        } else if (error == QNetworkReply::RemoteHostClosedError && !job.get) {
            noteNetworkOutcome(false);
            job.get = true; // some servers drop a HEAD
            enqueue(job, true);
        } else {
            noteNetworkOutcome(true);
            conclude(job, Response{0, reply->errorString(), job.chain, current});
        }
        afterRequest();
        return;
    }
    noteNetworkOutcome(false);
    const qint64 wait = retryAfterMs(job.retryAfter);
    if (!job.get && mayRefuseHead(status)) {
        job.get = true;
        enqueue(job, true);
    } else if (isRedirect(status) && !job.location.isEmpty() && job.chain.size() < m_limits.redirects) {
        const QUrl next = job.url.resolved(QUrl::fromEncoded(job.location));
        job.chain.append(status);
        if (!isCheckable(next.toString(), m_limits.allowPrivate)) {
            // Never followed into a private network or another scheme.
            conclude(job, Response{status, {}, job.chain, next.toString()});
        } else {
            if (next.host().compare(job.url.host(), Qt::CaseInsensitive) != 0)
                job.get = false;
            job.url = next;
            enqueue(job, true);
        }
    } else if ((status == 429 || status == 503) && !job.waitedOnce && wait >= 0 &&
               wait <= m_limits.retryAfterAtMost.count()) {
        // The site asked to wait: nothing goes to it before then, and this
        // address is asked again once.
        job.waitedOnce = true;
        job.host->nextStart = std::max(job.host->nextStart, m_clock.elapsed() + wait);
        dropHardTimer(job);
        enqueue(job, false);
    } else {
        conclude(job, Response{status, {}, job.chain, current});
    }
    afterRequest();
}

void Checker::dropHardTimer(Job& job)
{
    if (job.hardTimer) {
        job.hardTimer->stop();
        job.hardTimer->deleteLater(); // it may be the one calling
        job.hardTimer = nullptr;
    }
}

void Checker::conclude(Job& job, const Response& response)
{
    dropHardTimer(job);
    const Result result = classify(job.address, response, QDateTime::currentDateTimeUtc());
    if (job.counted)
        count(job.first, -1);
    count(result, +1);
    job.counted = true;
    if (result.verdict == Verdict::CouldNotTell && !m_secondTry) {
        job.first = result;
        m_undecided.push_back(&job);
    } else {
        --m_pending;
        emit checked(job.address, result);
    }
    emit progress(m_counts);
}

void Checker::count(const Result& result, int by)
{
    m_counts.checked += by;
    switch (result.verdict) {
    case Verdict::Ok:
        m_counts.ok += by;
        break;
    case Verdict::MovedPermanently:
    case Verdict::MovedTemporarily:
        m_counts.moved += by;
        break;
    case Verdict::NotFound:
        m_counts.notFound += by;
        break;
    case Verdict::CouldNotTell:
        m_counts.couldNotTell += by;
        break;
    }
}

// When most of the recent requests failed at the network, the fault is
// likely near us or the sites are pushing back: wait, then go slower.
void Checker::noteNetworkOutcome(bool failed)
{
    m_recentFailures.push_back(failed);
    if (m_recentFailures.size() > kRecentRequests)
        m_recentFailures.pop_front();
    const auto failures = std::count(m_recentFailures.begin(), m_recentFailures.end(), true);
    if (m_recentFailures.size() < kRecentRequests || failures * 2 <= kRecentRequests)
        return;
    m_recentFailures.clear();
    m_pausedUntil = m_clock.elapsed() + m_limits.failurePause.count();
    m_concurrency = std::max(1, m_concurrency / 2);
    m_counts.paused = true;
    emit progress(m_counts);
}

void Checker::afterRequest()
{
    if (!m_running)
        return;
    if (m_active == 0 && m_pending == int(m_undecided.size()) && !m_undecided.empty() && !m_secondTry) {
        bool waiting = false;
        for (Host* host : m_order)
            waiting = waiting || !host->queue.empty();
        if (!waiting) {
            // The second try, slowly, of what could not be told.
            m_secondTry = true;
            m_counts.secondTry = true;
            m_concurrency = std::min(m_concurrency, std::max(1, m_limits.retryConcurrency));
            for (Job* job : m_undecided) {
                job->url = QUrl(job->address);
                job->chain.clear();
                job->get = false;
                job->waitedOnce = false;
                enqueue(*job, false);
            }
            m_undecided.clear();
            emit progress(m_counts);
        }
    }
    if (m_pending == 0) {
        finishRun(false);
        return;
    }
    pump();
}

void Checker::finishRun(bool cancelled)
{
    m_running = false;
    m_wake.stop();
    emit finished(cancelled);
}

} // namespace LinkCheck
