// Finding across every store at the scale of a big user: the bookmark file
// of 100,000 links in 5,000 folders plus 30,000 entries of the other stores
// (130,000 in all). Each keystroke's query beside a plain case-blind
// substring scan of the same titles; gathering the bookmark file's part
// beside its load; grouping every entry's address into duplicates (one in ten
// of the other stores' entries repeats a bookmark, written another way)
// beside putting every address into a hash.
#include "bench/netscape_generate.h"
#include "bookmarks/duplicates.h"
#include "bookmarks/finder.h"
#include "bookmarks/netscape.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLinks = 100000;
constexpr int kFolders = 5000;
constexpr int kOtherEntries = 30000;

struct Fixture
{
    QTemporaryDir dir;
    NetscapeBookmarks bookmarks;
    Find::Index index;
    QStringList titles;
    Fixture()
    {
        const QString path = dir.path() + QStringLiteral("/bookmarks.html");
        writeFirefoxLikeExport(path, kLinks, kFolders);
        bookmarks.load(path);
        std::vector<Find::Entry> netscape = Find::netscape(bookmarks);
        std::vector<Find::Entry> others;
        others.reserve(kOtherEntries);
        for (int i = 0; i < kOtherEntries; ++i) {
            Find::Entry entry;
            entry.source = 1 + i % 3;
            entry.title = QStringLiteral("Favorite site %1 Übersicht").arg(i);
            entry.address = QStringLiteral("http://favorites%1.example.org/page/%2").arg(i % 50).arg(i);
            if (i % 10 == 0 && size_t(i) < netscape.size()) {
                // The same page as a bookmark, as another program wrote it.
                QString same = netscape[size_t(i) * 3].address;
                same.replace(QStringLiteral("https://www."), QStringLiteral("http://"));
                entry.address = same + (same.contains(QLatin1Char('?')) ? QStringLiteral("&utm_source=feed")
                                                                        : QStringLiteral("?utm_source=feed"));
            }
            Find::prepare(entry);
            others.push_back(std::move(entry));
        }
        for (const auto& entry : netscape)
            titles << entry.title;
        for (const auto& entry : others)
            titles << entry.title;
        index.setPart(4, 4, std::move(netscape));
        index.setPart(1, 1, std::move(others));
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

// What a user types, one key at a time: each prefix is one query, so one
// iteration is ten keystrokes.
const QStringList kKeystrokes = {QStringLiteral("c"),
                                 QStringLiteral("ca"),
                                 QStringLiteral("caf"),
                                 QStringLiteral("cafe"),
                                 QStringLiteral("cafe n"),
                                 QStringLiteral("cafe nu"),
                                 QStringLiteral("cafe num"),
                                 QStringLiteral("cafe number 4"),
                                 QStringLiteral("cafe number 47"),
                                 QStringLiteral("cafe number 4711")};

void BM_PlainSubstringScanBaseline(benchmark::State& state)
{
    const Fixture& data = fixture();
    for (auto _ : state) {
        qsizetype hits = 0;
        for (const QString& keys : kKeystrokes) {
            for (const QString& title : data.titles)
                hits += title.contains(keys, Qt::CaseInsensitive);
        }
        benchmark::DoNotOptimize(hits);
    }
}

void BM_FindAsTheUserTypes(benchmark::State& state)
{
    const Fixture& data = fixture();
    if (data.index.size() != kLinks + kOtherEntries)
        state.SkipWithError("wrong index size");
    for (auto _ : state) {
        qsizetype hits = 0;
        for (const QString& keys : kKeystrokes)
            hits += qsizetype(data.index.find(keys, 50).size());
        benchmark::DoNotOptimize(hits);
    }
}

void BM_LoadBookmarkFileBaseline(benchmark::State& state)
{
    const QString path = fixture().dir.path() + QStringLiteral("/bookmarks.html");
    for (auto _ : state) {
        NetscapeBookmarks bookmarks;
        bookmarks.load(path);
        benchmark::DoNotOptimize(bookmarks.records().Count());
    }
}

void BM_GatherBookmarkFile(benchmark::State& state)
{
    const Fixture& data = fixture();
    for (auto _ : state) {
        std::vector<Find::Entry> entries = Find::netscape(data.bookmarks);
        if (entries.size() != size_t(kLinks))
            state.SkipWithError("wrong entry count");
        benchmark::DoNotOptimize(entries.data());
    }
}

// Every entry's address grouped at the second level (the view's default).
void BM_GroupDuplicates(benchmark::State& state)
{
    const std::vector<const Find::Entry*> entries = fixture().index.entries();
    const Duplicates::Level level = state.range(0) ? Duplicates::Level::Probably : Duplicates::Level::Same;
    size_t groups = 0;
    for (auto _ : state) {
        groups = Duplicates::group(entries, level).size();
        benchmark::DoNotOptimize(groups);
    }
    state.counters["groups"] = double(groups);
    state.counters["entries"] = double(entries.size());
}

// The baseline: every address put into a hash as it stands.
void BM_HashEveryAddressBaseline(benchmark::State& state)
{
    const std::vector<const Find::Entry*> entries = fixture().index.entries();
    for (auto _ : state) {
        QHash<QString, int> seen;
        seen.reserve(qsizetype(entries.size()));
        for (const Find::Entry* entry : entries)
            ++seen[entry->address];
        benchmark::DoNotOptimize(seen.size());
    }
}

} // namespace

BENCHMARK(BM_PlainSubstringScanBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAsTheUserTypes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBookmarkFileBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GatherBookmarkFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupDuplicates)->ArgName("probably")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashEveryAddressBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
