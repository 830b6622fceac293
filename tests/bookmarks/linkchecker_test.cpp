// The link checker against sites served by the test itself on 127.0.0.x:
// each site is its own address, so the per-site limits are seen at the server.
#include "bookmarks/linkchecker.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace LinkCheck;
using namespace std::chrono_literals;

namespace {

struct Answer
{
    Answer(int status = 200, QByteArray headers = {}, int delayMs = 0, bool silent = false)
        : status(status), headers(std::move(headers)), delayMs(delayMs), silent(silent)
    {
    }
    int status;
    QByteArray headers; // "Name: value\r\n" lines
    int delayMs;
    bool silent; // accepts and never answers
};

struct Request
{
    QByteArray method;
    QByteArray path;
    int site = 0;
    qint64 at = 0;
};

// What every site saw, and how many requests were in progress at once.
struct Recorder
{
    Recorder() { clock.start(); }
    QElapsedTimer clock;
    QList<Request> seen;
    int inFlight = 0;
    int maxInFlight = 0;
    QHash<int, int> siteInFlight;
    QHash<int, int> siteMax;

    int count(const QByteArray& method, const QByteArray& path) const
    {
        return int(std::count_if(seen.begin(), seen.end(), [&](const Request& request) {
            return request.method == method && request.path == path;
        }));
    }
};

using Handler = std::function<Answer(const Request& request, int times)>;

class Site : public QObject
{
public:
    Site(int number, Recorder& recorder, Handler handler)
        : m_number(number), m_recorder(recorder), m_handler(std::move(handler))
    {
        m_server.listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(number)), 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    bool listening() const { return m_server.isListening(); }
    QString url(const QString& path, const char* scheme = "http") const
    {
        return QStringLiteral("%1://127.0.0.%2:%3%4")
            .arg(QLatin1String(scheme))
            .arg(m_number)
            .arg(m_server.serverPort())
            .arg(path);
    }

private:
    void serve(QTcpSocket* socket)
    {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (buffer.startsWith('\x16')) { // a TLS greeting to a plain server
            socket->write("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        qsizetype end;
        while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> line = buffer.left(buffer.indexOf("\r\n")).split(' ');
            buffer.remove(0, end + 4);
            Request request{line.value(0), line.value(1), m_number, m_recorder.clock.elapsed()};
            m_recorder.seen.append(request);
            const int times = m_recorder.count(request.method, request.path) +
                              (request.method == "GET" ? m_recorder.count("HEAD", request.path) : 0);
            answer(socket, m_handler(request, times));
        }
    }

    void answer(QTcpSocket* socket, const Answer& answer)
    {
        m_recorder.maxInFlight = std::max(m_recorder.maxInFlight, ++m_recorder.inFlight);
        int& site = m_recorder.siteInFlight[m_number];
        m_recorder.siteMax[m_number] = std::max(m_recorder.siteMax[m_number], ++site);
        auto done = std::make_shared<bool>(false);
        const auto finish = [this, done] {
            if (*done)
                return;
            *done = true;
            --m_recorder.inFlight;
            --m_recorder.siteInFlight[m_number];
        };
        connect(socket, &QTcpSocket::disconnected, this, finish);
        if (answer.silent)
            return;
        QTimer::singleShot(answer.delayMs, socket, [socket, answer, finish] {
            finish();
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Length: 0\r\n" +
                          answer.headers + "\r\n");
        });
    }

    int m_number;
    Recorder& m_recorder;
    Handler m_handler;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

Limits quick()
{
    Limits limits;
    limits.hostGap = 20ms;
    limits.headers = 400ms;
    limits.hardLimit = 1200ms;
    limits.failurePause = 300ms;
    limits.allowPrivate = true;
    return limits;
}

struct CheckRun
{
    explicit CheckRun(Limits limits) : checker(limits)
    {
        QObject::connect(&checker, &Checker::checked, [this](const QString& address, const Result& result) {
            results.insert(address, result);
        });
        QObject::connect(
            &checker, &Checker::progress, [this](const Counts& counts) { everPaused = everPaused || counts.paused; });
        QObject::connect(&checker, &Checker::finished, [this](bool wasCancelled) {
            done = true;
            cancelled = wasCancelled;
        });
    }
    bool run(const QStringList& addresses, int waitMs = 20000)
    {
        checker.start(addresses);
        return QTest::qWaitFor([this] { return done; }, waitMs);
    }
    Checker checker;
    QHash<QString, Result> results;
    bool done = false;
    bool cancelled = false;
    bool everPaused = false;
};

} // namespace

TEST(LinkChecker, EachAnswerEndsInItsClass)
{
    Recorder recorder;
    Site site(1, recorder, [](const Request& request, int times) -> Answer {
        const QByteArray& path = request.path;
        if (path == "/moved")
            return {301, "Location: /new\r\n"};
        if (path == "/temp")
            return {307, "Location: /elsewhere\r\n"};
        if (path == "/gone")
            return {404};
        if (path == "/removed")
            return {410};
        if (path == "/nohead")
            return {request.method == "HEAD" ? 403 : 200};
        if (path == "/busy")
            return times == 1 ? Answer{429, "Retry-After: 1\r\n"} : Answer{200};
        if (path == "/broken")
            return {500};
        if (path == "/silent")
            return {200, {}, 0, true};
        if (path.startsWith("/slow")) // each step in time, the whole too long
            return {301, "Location: /slow" + QByteArray::number(path.mid(5).toInt() + 1) + "\r\n", 300};
        if (path.startsWith("/loop"))
            return {302, "Location: /loop" + QByteArray::number(path.mid(5).toInt() + 1) + "\r\n"};
        return {200};
    });
    ASSERT_TRUE(site.listening());

    CheckRun run(quick());
    const QStringList addresses{site.url(QStringLiteral("/ok")),
                                site.url(QStringLiteral("/moved")),
                                site.url(QStringLiteral("/temp")),
                                site.url(QStringLiteral("/gone")),
                                site.url(QStringLiteral("/removed")),
                                site.url(QStringLiteral("/nohead")),
                                site.url(QStringLiteral("/busy")),
                                site.url(QStringLiteral("/broken")),
                                site.url(QStringLiteral("/silent")),
                                site.url(QStringLiteral("/slow0")),
                                site.url(QStringLiteral("/loop0")),
                                site.url(QStringLiteral("/tls"), "https"),
                                QStringLiteral("http://nothing.invalid/page")};
    ASSERT_TRUE(run.run(addresses));
    EXPECT_FALSE(run.cancelled);
    ASSERT_EQ(run.results.size(), addresses.size());
    const auto verdict = [&](int index) { return run.results.value(addresses[index]).verdict; };

    EXPECT_EQ(verdict(0), Verdict::Ok);
    EXPECT_EQ(verdict(1), Verdict::MovedPermanently);
    EXPECT_EQ(run.results.value(addresses[1]).finalAddress, site.url(QStringLiteral("/new")));
    EXPECT_EQ(verdict(2), Verdict::MovedTemporarily);
    EXPECT_FALSE(run.results.value(addresses[2]).probablyRemoved);
    EXPECT_EQ(verdict(3), Verdict::NotFound);
    EXPECT_EQ(verdict(4), Verdict::NotFound);
    EXPECT_EQ(verdict(5), Verdict::Ok) << "a GET after HEAD was refused";
    EXPECT_EQ(recorder.count("GET", "/nohead"), 1);
    EXPECT_EQ(verdict(6), Verdict::Ok) << "asked again after the wait the site asked for";
    QList<qint64> busy;
    for (const Request& request : recorder.seen)
        if (request.path == "/busy")
            busy.append(request.at);
    ASSERT_EQ(busy.size(), 2);
    EXPECT_GE(busy[1] - busy[0], 900);
    EXPECT_EQ(verdict(7), Verdict::CouldNotTell);
    EXPECT_EQ(run.results.value(addresses[7]).status, 500);
    EXPECT_EQ(recorder.count("HEAD", "/broken"), 2) << "tried once more at the end";
    EXPECT_EQ(verdict(8), Verdict::CouldNotTell);
    EXPECT_EQ(run.results.value(addresses[8]).error, kTimeout);
    EXPECT_EQ(verdict(9), Verdict::CouldNotTell);
    EXPECT_EQ(run.results.value(addresses[9]).error, kTimeout) << "the hard limit holds across redirects";
    EXPECT_EQ(verdict(10), Verdict::CouldNotTell);
    EXPECT_EQ(recorder.count("HEAD", "/loop10"), 2) << "ten redirects followed, no more";
    EXPECT_EQ(recorder.count("HEAD", "/loop11"), 0);
    EXPECT_EQ(verdict(11), Verdict::CouldNotTell);
    EXPECT_EQ(run.results.value(addresses[11]).error, kTls);
    EXPECT_EQ(verdict(12), Verdict::NotFound);
    EXPECT_EQ(run.results.value(addresses[12]).error, kNoSuchHost);

    const Counts& counts = run.checker.counts();
    EXPECT_EQ(counts.checked, int(addresses.size()));
    EXPECT_EQ(counts.ok + counts.moved + counts.notFound + counts.couldNotTell, counts.checked);
    EXPECT_EQ(counts.notFound, 3);
}

TEST(LinkChecker, FrontPageRedirectOfADeepPageIsProbablyRemoved)
{
    Recorder recorder;
    Site* self = nullptr;
    Site site(1, recorder, [&self](const Request& request, int) {
        if (request.path == "/old/article")
            return Answer{302, "Location: " + self->url(QStringLiteral("/")).toUtf8() + "\r\n"};
        return Answer{};
    });
    self = &site;
    CheckRun run(quick());
    const QString address = site.url(QStringLiteral("/old/article"));
    ASSERT_TRUE(run.run({address}));
    EXPECT_EQ(run.results.value(address).verdict, Verdict::MovedTemporarily);
    EXPECT_TRUE(run.results.value(address).probablyRemoved);
}

TEST(LinkChecker, LimitsHoldAtTheServer)
{
    Recorder recorder;
    std::vector<std::unique_ptr<Site>> sites;
    QStringList addresses;
    for (int number = 1; number <= 4; ++number) {
        sites.push_back(std::make_unique<Site>(number, recorder, [](const Request&, int) {
            return Answer{200, {}, 150};
        }));
        for (int page = 0; page < 6; ++page)
            addresses << sites.back()->url(QStringLiteral("/page%1").arg(page));
    }
    Limits limits = quick();
    limits.overall = 5;
    limits.perHost = 2;
    limits.hostGap = 100ms;
    CheckRun run(limits);
    ASSERT_TRUE(run.run(addresses));
    EXPECT_EQ(run.checker.counts().ok, 24);
    EXPECT_LE(recorder.maxInFlight, 5);
    EXPECT_GE(recorder.maxInFlight, 4) << "the run uses what the limits allow";
    for (int number = 1; number <= 4; ++number) {
        EXPECT_LE(recorder.siteMax.value(number), 2) << number;
        QList<qint64> starts;
        for (const Request& request : recorder.seen)
            if (request.site == number)
                starts.append(request.at);
        ASSERT_EQ(starts.size(), 6);
        for (int i = 1; i < starts.size(); ++i)
            EXPECT_GE(starts[i] - starts[i - 1], 60) << "site " << number << " request " << i;
    }
}

TEST(LinkChecker, CancelStopsAtOnceAndKeepsWhatWasChecked)
{
    Recorder recorder;
    Site site(1, recorder, [](const Request&, int) { return Answer{200, {}, 200}; });
    QStringList addresses;
    for (int page = 0; page < 10; ++page)
        addresses << site.url(QStringLiteral("/p%1").arg(page));
    Limits limits = quick();
    limits.perHost = 1;
    CheckRun run(limits);
    QObject::connect(&run.checker, &Checker::checked, [&run] {
        if (run.results.size() == 2)
            run.checker.cancel();
    });
    run.checker.start(addresses);
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.done; }, 10000));
    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.results.size(), 2);
    EXPECT_FALSE(run.checker.isRunning());
    const int asked = int(recorder.seen.size());
    QTest::qWait(500);
    EXPECT_EQ(recorder.seen.size(), asked) << "nothing asked after the cancel";
}

TEST(LinkChecker, MostRequestsFailingPausesAndSlowsDown)
{
    // Nothing listens on these ports: every request is refused.
    QStringList addresses;
    for (int number = 1; number <= 30; ++number)
        addresses << QStringLiteral("http://127.0.0.%1:9/").arg(number);
    CheckRun run(quick());
    ASSERT_TRUE(run.run(addresses));
    EXPECT_TRUE(run.everPaused);
    EXPECT_EQ(run.checker.counts().couldNotTell, 30);
}

TEST(LinkChecker, OnlyPublicWebAddressesAreChecked)
{
    for (const char* address : {"http://example.com/",
                                "https://www.example.org/a?b#c",
                                "http://172.32.0.1/",
                                "http://8.8.8.8/",
                                "http://[2001:4860::8888]/"})
        EXPECT_TRUE(isCheckable(QLatin1String(address), false)) << address;
    for (const char* address : {"ftp://example.com/",
                                "mailto:a@example.com",
                                "javascript:alert(1)",
                                "file:///etc",
                                "http://localhost:8080/",
                                "http://app.localhost/",
                                "http://127.0.0.1/",
                                "http://10.1.2.3/",
                                "http://172.16.5.4/",
                                "http://192.168.1.1/",
                                "http://169.254.1.1/",
                                "http://[::1]/",
                                "http://[fd00::1]/",
                                "http://[::ffff:192.168.1.1]/",
                                "http://printer/",
                                "http://nas.local/",
                                "http://router.lan/",
                                "not an address"})
        EXPECT_FALSE(isCheckable(QLatin1String(address), false)) << address;
    EXPECT_TRUE(isCheckable(QStringLiteral("http://192.168.1.1/"), true));
    EXPECT_FALSE(isCheckable(QStringLiteral("ftp://192.168.1.1/"), true));

    CheckRun run(quick());
    ASSERT_TRUE(run.run({QStringLiteral("ftp://example.com/"), QStringLiteral("news:comp.lang")}));
    EXPECT_EQ(run.checker.counts().skipped, 2);
    EXPECT_EQ(run.checker.counts().total, 0);
    EXPECT_TRUE(run.results.isEmpty());
}
