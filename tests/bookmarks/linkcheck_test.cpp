#include "bookmarks/linkcheck.h"
#include "bookmarks/rememberedset.h"
#include "support/freshhome.h"

#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using LinkCheck::classify;
using LinkCheck::Response;
using LinkCheck::updatedAddress;
using LinkCheck::Verdict;

const QDateTime kNow = QDateTime(QDate(2026, 12, 10), QTime(12, 0), QTimeZone::utc());

LinkCheck::Result check(const char* address, Response response)
{
    return LinkCheck::classify(QString::fromLatin1(address), response, kNow);
}

} // namespace

// Each answer in its class, as the user is to read it.
TEST(LinkCheck, EveryAnswerFallsInItsClass)
{
    EXPECT_EQ(check("http://a.example/p", {200, {}, {}, {}}).verdict, Verdict::Ok);
    EXPECT_EQ(check("http://a.example/p", {204, {}, {}, {}}).verdict, Verdict::Ok);

    const auto moved = check("http://a.example/old", {200, {}, {301}, QStringLiteral("https://a.example/new")});
    EXPECT_EQ(moved.verdict, Verdict::MovedPermanently);
    EXPECT_EQ(moved.finalAddress, QStringLiteral("https://a.example/new"));
    EXPECT_EQ(check("http://a.example/old", {200, {}, {308}, QStringLiteral("http://a.example/new")}).verdict,
              Verdict::MovedPermanently);

    const auto toRoot = check("http://www.a.example/deep/page", {200, {}, {302}, QStringLiteral("https://a.example/")});
    EXPECT_EQ(toRoot.verdict, Verdict::MovedTemporarily);
    EXPECT_TRUE(toRoot.probablyRemoved) << "a deep page sent to the front page";
    const auto elsewhere = check("http://a.example/deep", {200, {}, {307}, QStringLiteral("http://a.example/other")});
    EXPECT_EQ(elsewhere.verdict, Verdict::MovedTemporarily);
    EXPECT_FALSE(elsewhere.probablyRemoved);
    EXPECT_FALSE(check("http://a.example/", {200, {}, {302}, QStringLiteral("http://a.example/")}).probablyRemoved)
        << "the front page itself";
    EXPECT_FALSE(check("http://a.example/x", {200, {}, {303}, QStringLiteral("http://b.example/")}).probablyRemoved)
        << "another site";

    EXPECT_EQ(check("http://a.example/p", {404, {}, {}, {}}).verdict, Verdict::NotFound);
    EXPECT_EQ(check("http://a.example/p", {410, {}, {}, {}}).verdict, Verdict::NotFound);
    EXPECT_EQ(check("http://a.example/p", {404, {}, {301}, QStringLiteral("http://a.example/q")}).verdict,
              Verdict::NotFound);
    EXPECT_EQ(check("http://nowhere.example/", {0, LinkCheck::kNoSuchHost, {}, {}}).verdict, Verdict::NotFound);

    for (int status : {401, 403, 429, 500, 502, 503})
        EXPECT_EQ(check("http://a.example/p", {status, {}, {}, {}}).verdict, Verdict::CouldNotTell) << status;
    EXPECT_EQ(check("https://a.example/", {0, LinkCheck::kTls, {}, {}}).verdict, Verdict::CouldNotTell);
    EXPECT_EQ(check("http://a.example/", {0, LinkCheck::kTimeout, {}, {}}).verdict, Verdict::CouldNotTell);
}

// Dead only after "not found" twice a day or more apart, with nothing found
// since; the last three checks kept, across a restart; a damaged line skipped.
TEST(LinkCheck, AnAddressIsDeadOnlyAfterTwoChecksADayApartAndResultsAreKept)
{
    const QString file = FreshHome::path() + QStringLiteral("/checks.tsv");
    const QString address = QStringLiteral("http://gone.example/page\tx");
    const auto notFound = [](const QDateTime& when) {
        return LinkCheck::classify(QStringLiteral("http://gone.example/"), {404, {}, {}, {}}, when);
    };
    {
        LinkCheck::Results results(file);
        ASSERT_TRUE(results.add(address, notFound(kNow.addDays(-3))));
        EXPECT_FALSE(results.isDead(address)) << "one check is not enough";
        ASSERT_TRUE(results.add(address, notFound(kNow.addSecs(-3600))));
        EXPECT_TRUE(results.isDead(address));
        ASSERT_TRUE(results.add(address, LinkCheck::classify(address, {503, {}, {}, {}}, kNow)));
        EXPECT_FALSE(results.isDead(address)) << "a later check could not tell";
        ASSERT_TRUE(results.add(address, notFound(kNow.addSecs(60))));
        EXPECT_FALSE(results.isDead(address)) << "the not-found run since is an hour short of a day";
    }
    QFile append(file);
    ASSERT_TRUE(append.open(QIODevice::Append));
    append.write("damaged line\n");
    append.close();

    const LinkCheck::Results again(file);
    const QList<LinkCheck::Result> kept = again.of(address);
    ASSERT_EQ(kept.size(), LinkCheck::kResultsKept);
    EXPECT_EQ(kept[0].when, kNow.addSecs(60));
    EXPECT_EQ(kept[1].verdict, Verdict::CouldNotTell);
    EXPECT_EQ(kept[2].status, 404);
}

TEST(LinkCheck, AnUpdatedAddressIsWhereTheEntryMovedForGoodWithItsOwnPlaceInThePage)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto moved = [&](const char* to, int first = 301) {
        return classify(QStringLiteral("x"), {200, {}, {first}, QLatin1String(to)}, now);
    };
    EXPECT_EQ(updatedAddress(QStringLiteral("http://a.org/doc#part2"), moved("https://a.org/docs/")),
              QStringLiteral("https://a.org/docs/#part2"));
    EXPECT_EQ(updatedAddress(QStringLiteral("http://a.org/doc#part2"), moved("https://a.org/docs/#intro")),
              QStringLiteral("https://a.org/docs/#intro"));
    EXPECT_EQ(updatedAddress(QStringLiteral("http://a.org/doc"), moved("https://a.org/docs/")),
              QStringLiteral("https://a.org/docs/"));
    // Only a move for good changes an address.
    EXPECT_EQ(updatedAddress(QStringLiteral("http://a.org/doc"), moved("https://a.org/login", 302)),
              QStringLiteral("http://a.org/doc"));

    RememberedSet set(RememberedSet::dataFile(QStringLiteral("ignored-test.txt")));
    QString why;
    ASSERT_TRUE(set.add({QStringLiteral("http://a.org/"), QStringLiteral("http://b.org/")}, &why)) << why.toStdString();
    EXPECT_FALSE(set.add({QStringLiteral("http://c.org/\nhttp://d.org/")}, &why)) << "a line break would split it";
    ASSERT_TRUE(set.remove({QStringLiteral("http://a.org/")}, &why)) << why.toStdString();
    const RememberedSet again(RememberedSet::dataFile(QStringLiteral("ignored-test.txt")));
    EXPECT_EQ(again.keys(), QSet<QString>{QStringLiteral("http://b.org/")});
}
