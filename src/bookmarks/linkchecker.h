#pragma once

#include "bookmarks/linkcheck.h"

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <memory>
#include <vector>

class QNetworkReply;

namespace LinkCheck {

using Milliseconds = std::chrono::milliseconds;

// How hard a run may press on the sites it checks. The defaults are the
// polite ones; tests shorten the waits.
struct Limits
{
    int overall = 16;              // requests at once, all sites together
    int perHost = 2;               // requests at once to one site
    Milliseconds hostGap{1000};    // between two requests to one site
    Milliseconds headers{10000};   // no answer by then: the address is given up
    Milliseconds hardLimit{20000}; // one address, redirects and all
    Milliseconds retryAfterAtMost{120000};
    int redirects = 10;
    int retryConcurrency = 2; // the second try of what could not be told
    Milliseconds failurePause{30000};
    bool allowPrivate = false; // local and private addresses
};

struct Counts
{
    int total = 0; // addresses to check (skipped ones not included)
    int checked = 0;
    int ok = 0;
    int moved = 0;
    int notFound = 0;
    int couldNotTell = 0;
    int skipped = 0;     // not http(s), or local and private ones not allowed
    bool paused = false; // most sites stopped answering: waiting a while
    bool secondTry = false;
};

// Whether an address is one a run checks: http or https, and a public host
// unless private ones are allowed. Decided from the address alone, without
// a name lookup.
bool isCheckable(const QString& address, bool allowPrivate);

// Checks addresses politely and fast: a HEAD first (a GET that reads only the
// headers where a site refuses HEAD), redirects followed by hand and
// recorded, a few requests at once per site and a gap between them, sites
// asking to wait waited for, and a pause when most requests fail at the
// network. What could not be told is tried once more at the end, slowly; only
// that final answer is reported.
class Checker : public QObject
{
    Q_OBJECT
public:
    explicit Checker(Limits limits = {}, QObject* parent = nullptr);
    ~Checker() override;

    // Checks each distinct address once. A run in progress is cancelled first.
    void start(const QStringList& addresses);
    // Stops at once; what was checked stays reported.
    void cancel();
    bool isRunning() const { return m_running; }
    const Counts& counts() const { return m_counts; }

signals:
    void checked(const QString& address, const LinkCheck::Result& result);
    void progress(const LinkCheck::Counts& counts);
    void finished(bool cancelled);

private:
    struct Job;
    struct Host
    {
        std::deque<Job*> queue;
        int active = 0;
        qint64 nextStart = 0; // on m_clock: the gap after the last start, or a wait the site asked for
        bool inOrder = false;
    };

    void pump();
    void startRequest(Job& job);
    void onHeaders(Job& job);
    void onFinished(Job& job);
    void conclude(Job& job, const Response& response);
    void count(const Result& result, int by);
    void enqueue(Job& job, bool front);
    void onHardLimit(Job& job);
    void dropHardTimer(Job& job);
    void noteNetworkOutcome(bool failed);
    void afterRequest();
    void finishRun(bool cancelled);
    Host& hostFor(const QUrl& url);

    Limits m_limits;
    QNetworkAccessManager m_network;
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::vector<std::unique_ptr<Host>> m_hostStore;
    QHash<QString, Host*> m_hosts;
    std::vector<Host*> m_order; // round robin over the sites with work waiting
    std::size_t m_cursor = 0;
    int m_active = 0;
    int m_pending = 0; // addresses not yet concluded
    int m_concurrency = 0;
    QElapsedTimer m_clock;
    qint64 m_pausedUntil = 0;
    std::deque<bool> m_recentFailures;
    std::vector<Job*> m_undecided; // could not tell at first: tried again at the end
    QTimer m_wake;
    Counts m_counts;
    bool m_running = false;
    bool m_secondTry = false;
};

} // namespace LinkCheck

Q_DECLARE_METATYPE(LinkCheck::Result)
Q_DECLARE_METATYPE(LinkCheck::Counts)
