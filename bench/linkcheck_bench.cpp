// Checking 5,000 addresses on 200 sites that each answer after 50 ms, with
// the polite limits (16 at once, 2 per site, a second between two requests
// to one site). The least time those limits allow is measured in the same
// run: the time one request takes here, then the longer of the per-site
// bound (25 requests a second apart) and the overall one (5,000 requests 16
// at a time). The sites run on a thread of their own, so that serving them
// does not slow the checker.
#include "bookmarks/linkchecker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kSites = 200;
constexpr int kPerSite = 25;
constexpr int kLatencyMs = 50;

// Sites on 127.0.0.1 to 127.0.0.200, each answering every request with 200
// after the latency.
class Sites : public QObject
{
public:
    void open()
    {
        for (int number = 1; number <= kSites; ++number) {
            auto server = std::make_unique<QTcpServer>();
            server->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(number)), 0);
            QTcpServer* raw = server.get();
            connect(raw, &QTcpServer::newConnection, this, [this, raw] {
                while (QTcpSocket* socket = raw->nextPendingConnection())
                    serve(socket);
            });
            m_ports.push_back(raw->serverPort());
            m_servers.push_back(std::move(server));
        }
    }
    void close() { m_servers.clear(); }
    quint16 port(int number) const { return m_ports[size_t(number - 1)]; }

private:
    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [socket, buffer] {
            *buffer += socket->readAll();
            qsizetype end;
            while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                buffer->remove(0, end + 4);
                QTimer::singleShot(
                    kLatencyMs, socket, [socket] { socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"); });
            }
        });
    }
    std::vector<std::unique_ptr<QTcpServer>> m_servers;
    std::vector<quint16> m_ports;
};

struct Served
{
    QThread thread;
    Sites sites;
    Served()
    {
        sites.moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(
            &sites, [this] { sites.open(); }, Qt::BlockingQueuedConnection);
    }
    ~Served()
    {
        QMetaObject::invokeMethod(
            &sites, [this] { sites.close(); }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    QString address(int site, int page) const
    {
        return QStringLiteral("http://127.0.0.%1:%2/page/%3").arg(site).arg(sites.port(site)).arg(page);
    }
};

// Made in main, ended before the application ends.
std::unique_ptr<Served> g_served;

Served& served()
{
    return *g_served;
}

LinkCheck::Limits politeLimits()
{
    LinkCheck::Limits limits;
    limits.allowPrivate = true; // the sites are on this machine
    return limits;
}

void BM_CheckLinks(benchmark::State& state)
{
    QStringList addresses;
    for (int page = 0; page < kPerSite; ++page)
        for (int site = 1; site <= kSites; ++site)
            addresses << served().address(site, page);
    for (auto _ : state) {
        LinkCheck::Checker checker(politeLimits());
        QEventLoop loop;
        QObject::connect(&checker, &LinkCheck::Checker::finished, &loop, &QEventLoop::quit);
        checker.start(addresses);
        loop.exec();
        if (checker.counts().ok != int(addresses.size()))
            state.SkipWithError("not every address was answered");
    }
    state.counters["addresses"] = double(addresses.size());
}
BENCHMARK(BM_CheckLinks)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// One request as this machine serves it, then the least time of the whole
// run that the limits allow.
void BM_LeastTheLimitsAllowBaseline(benchmark::State& state)
{
    QNetworkAccessManager network;
    const LinkCheck::Limits limits = politeLimits();
    double perRequest = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        constexpr int kRequests = 20;
        for (int i = 0; i < kRequests; ++i) {
            QNetworkReply* reply = network.head(QNetworkRequest(QUrl(served().address(1 + i, 0))));
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            reply->deleteLater();
        }
        perRequest = double(clock.nsecsElapsed()) / 1e9 / kRequests;
    }
    const double perSite = double(kPerSite - 1) * double(limits.hostGap.count()) / 1000 + perRequest;
    const double overall = double(kSites * kPerSite) * perRequest / limits.overall;
    state.counters["request_s"] = perRequest;
    state.counters["least_s"] = std::max(perSite, overall);
}
BENCHMARK(BM_LeastTheLimitsAllowBaseline)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    g_served = std::make_unique<Served>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_served.reset();
    return 0;
}
