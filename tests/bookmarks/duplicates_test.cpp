#include "bookmarks/duplicates.h"
#include "bookmarks/finder.h"
#include "bookmarks/keys.h"

#include <gtest/gtest.h>

namespace {

using Duplicates::Level;

QString same(const char* address)
{
    return Duplicates::keyOf(QString::fromUtf8(address), Level::Same);
}

QString probably(const char* address)
{
    return Duplicates::keyOf(QString::fromUtf8(address), Level::Probably);
}

} // namespace

// Each rule of the first level, and what it must keep apart.
TEST(Duplicates, TheFirstLevelJoinsOnlyWhatIsTheSameAddress)
{
    EXPECT_EQ(same("HTTP://Example.COM/Path"), same("http://example.com/Path")) << "scheme and host in lower case";
    EXPECT_NE(same("http://example.com/Path"), same("http://example.com/path")) << "the path keeps its case";
    EXPECT_EQ(same("http://bücher.example/"), same("http://xn--bcher-kva.example/")) << "the host in ASCII";
    EXPECT_EQ(same("http://a.example:80/x"), same("http://a.example/x")) << "the default port";
    EXPECT_EQ(same("https://a.example:443/"), same("https://a.example/"));
    EXPECT_NE(same("http://a.example:8080/"), same("http://a.example/")) << "another port";
    EXPECT_NE(same("https://a.example:80/"), same("https://a.example/")) << "80 is not https's port";
    EXPECT_EQ(same("http://a.example"), same("http://a.example/")) << "an empty path is /";
    EXPECT_EQ(same("http://a.example/%7Euser/%41b"), same("http://a.example/~user/Ab")) << "unreserved escapes";
    EXPECT_NE(same("http://a.example/a%2Fb"), same("http://a.example/a/b")) << "an escaped / is no /";
    EXPECT_EQ(same("http://a.example/a%2fb"), same("http://a.example/a%2Fb")) << "escapes in one case";
    EXPECT_EQ(same("http://a.example/x?"), same("http://a.example/x")) << "a bare ?";
    EXPECT_EQ(same("http://a.example/x#"), same("http://a.example/x")) << "a bare #";
    EXPECT_EQ(same("  http://a.example/x "), same("http://a.example/x"));

    // Left to the second level.
    EXPECT_NE(same("http://a.example/"), same("https://a.example/"));
    EXPECT_NE(same("http://www.a.example/"), same("http://a.example/"));
    EXPECT_NE(same("http://a.example/x/"), same("http://a.example/x"));
    EXPECT_NE(same("http://a.example/x#top"), same("http://a.example/x"));
    EXPECT_NE(same("http://a.example/x?utm_source=mail"), same("http://a.example/x"));
    EXPECT_NE(same("http://a.example/x?a=1&b=2"), same("http://a.example/x?b=2&a=1"));
}

TEST(Duplicates, TheSecondLevelJoinsTheSamePageAndNothingElse)
{
    EXPECT_EQ(probably("https://www.a.example/p/?b=2&utm_source=x&a=1&fbclid=9#top"),
              probably("http://a.example/p?a=1&b=2"));
    EXPECT_EQ(probably("http://a.example/x?UTM_Medium=y&gclid=1&igshid=2&mc_eid=3&_hsenc=4&mkt_tok=5"),
              probably("http://a.example/x"))
        << "every tracking parameter, in any case";
    EXPECT_EQ(probably("http://a.example/x?oly_anon_id=1&oly_enc_id=2&vero_id=3&__s=4"),
              probably("http://a.example/x"));
    EXPECT_EQ(probably("http://a.example/"), probably("http://a.example")) << "the root keeps its /";

    EXPECT_NE(probably("http://a.example/p"), probably("http://a.example/q")) << "another path";
    EXPECT_NE(probably("http://a.example/p?id=1"), probably("http://a.example/p?id=2")) << "another query value";
    EXPECT_NE(probably("http://a.example:8080/p"), probably("http://a.example/p")) << "another port";
    EXPECT_NE(probably("http://a.example/p?utm=1"), probably("http://a.example/p")) << "'utm' is no utm_ parameter";
    EXPECT_NE(probably("http://wwwa.example/"), probably("http://a.example/")) << "only a leading www.";
    EXPECT_NE(probably("ftp://a.example/"), probably("http://a.example/"));
}

TEST(Duplicates, WhatIsNoWebAddressKeysAsItStands)
{
    EXPECT_EQ(same("MAILTO:me@a.example"), QStringLiteral("mailto:me@a.example"));
    EXPECT_EQ(same("gardening"), QStringLiteral("gardening"));
    EXPECT_EQ(same("http://[::1]:80/"), same("http://[::1]/")) << "an IPv6 host keeps its colons";
}

// Groups across stores, in the order their entries come; what is no web
// address (a go word, a search) is never grouped.
TEST(Duplicates, GroupsGatherEntriesOfEveryStoreAndSayWhichRuleJoinedThem)
{
    const auto entry = [](int source, const char* title, const char* address, int image = ListImage::WebPage) {
        Find::Entry e;
        e.source = source;
        e.image = image;
        e.title = QString::fromUtf8(title);
        e.address = QString::fromUtf8(address);
        return e;
    };
    const std::vector<Find::Entry> all{
        entry(Keys::NetscapeSource, "Docs", "https://docs.example/guide/"),
        entry(Keys::InternetExplorerSource, "Docs", "https://docs.example/guide/"),
        entry(Keys::FirefoxSource, "Docs (www)", "http://www.docs.example/guide?utm_source=rss"),
        entry(Keys::WebFavoritesSource, "Other", "https://docs.example/other"),
        entry(Keys::ForumsSource, "go", "go", ListImage::GoWord),
        entry(Keys::FirstUserFolder, "go", "go", ListImage::GoWord),
        entry(Keys::WebFavoritesSource, "Mail", "HTTP://Mail.example"),
        entry(Keys::FirstUserFolder, "Mail", "http://mail.example/"),
    };
    std::vector<const Find::Entry*> pointers;
    for (const Find::Entry& e : all)
        pointers.push_back(&e);

    const std::vector<Duplicates::Group> exact = Duplicates::group(pointers, Level::Same);
    ASSERT_EQ(exact.size(), 2u);
    EXPECT_EQ(exact[0].entries.size(), 2u);
    EXPECT_EQ(exact[1].entries.front()->title, QStringLiteral("Mail"));

    const std::vector<Duplicates::Group> loose = Duplicates::group(pointers, Level::Probably);
    ASSERT_EQ(loose.size(), 2u);
    EXPECT_EQ(loose[0].entries.size(), 3u);
    EXPECT_EQ(loose[0].level, Level::Probably);
    EXPECT_EQ(loose[1].level, Level::Same) << "the same address, however written";

    // The rules for all groups: one entry kept in each, the first where none matches.
    const auto keptOf = [&](const Duplicates::Rule& rule, const std::vector<qint64>& added = {}) {
        QString kept;
        for (bool keep : Duplicates::keptBy(loose[0], rule, added))
            kept += keep ? QLatin1Char('K') : QLatin1Char('-');
        return kept;
    };
    using Kind = Duplicates::Rule::Kind;
    EXPECT_EQ(keptOf({Kind::First, 0, {}}), QStringLiteral("K--"));
    EXPECT_EQ(keptOf({Kind::Store, Keys::InternetExplorerSource, {}}), QStringLiteral("-K-"));
    EXPECT_EQ(keptOf({Kind::Store, Keys::ChromiumSource, {}}), QStringLiteral("K--"));
    EXPECT_EQ(keptOf({Kind::Oldest, 0, {}}, {300, 0, 200}), QStringLiteral("--K"))
        << "an entry with no date is passed over";
    EXPECT_EQ(keptOf({Kind::Newest, 0, {}}, {300, 0, 200}), QStringLiteral("K--"));
    EXPECT_EQ(keptOf({Kind::Oldest, 0, {}}, {0, 0, 0}), QStringLiteral("K--"));

    const Duplicates::Span part = Duplicates::differingPart(
        QStringLiteral("https://docs.example/guide/"), QStringLiteral("http://www.docs.example/guide?utm_source=rss"));
    EXPECT_EQ(part.start, 4);
    EXPECT_EQ(QStringLiteral("https://docs.example/guide/").mid(part.start, part.length),
              QStringLiteral("s://docs.example/guide/"));
}
