// The link checker against sites served by the test itself on 127.0.0.x:
// each site is its own address, so the per-site limits are seen at the server.
#include "bookmarks/linkchecker.h"
#include "support/httpsites.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace LinkCheck;
using namespace httpsites;
using namespace std::chrono_literals;

namespace {

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
