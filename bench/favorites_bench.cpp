// Walking and listing a Favorites folder of 10,000 shortcuts in 1,000
// folders, beside a plain recursive walk that reads every file; and sorting
// 100,000 names, beside std::sort of the same names.
#include "bookmarks/favorites.h"
#include "bookmarks/sortnames.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr int kTopFolders = 100;
constexpr int kSubFolders = 9; // 100 top + 900 below: 1,000 folders
constexpr int kShortcutsPerFolder = 10;

struct Tree
{
    QTemporaryDir dir;
    QString root; // with the trailing "\" the program's paths carry

    Tree()
    {
        for (int t = 0; t < kTopFolders; ++t) {
            const QString top = dir.path() + QStringLiteral("/Folder %1").arg(t);
            fill(top);
            for (int s = 0; s < kSubFolders; ++s)
                fill(top + QStringLiteral("/Sub %1").arg(s));
        }
        root = dir.path() + QLatin1Char('\\');
    }

    static void fill(const QString& folder)
    {
        QDir().mkpath(folder);
        for (int i = 0; i < kShortcutsPerFolder; ++i) {
            std::ofstream out(QStringLiteral("%1/Shortcut number %2.url").arg(folder).arg(i).toStdString(),
                              std::ios::binary);
            out << "[InternetShortcut]\r\nURL=https://example.com/page/" << i << "\r\n";
        }
    }
};

Tree& tree()
{
    static Tree instance;
    return instance;
}

void BM_FavoritesWalkAndList(benchmark::State& state)
{
    Tree& t = tree();
    for (auto _ : state) {
        QStringList folders;
        Favorites::loadTree(t.root, [&folders](const Favorites::FolderNode& node) { folders.append(node.key); });
        // List every folder, as clicking each would.
        qsizetype shortcuts = 0;
        for (int top = 0; top < kTopFolders; ++top) {
            const QString path = t.root + QStringLiteral("Folder %1\\").arg(top);
            shortcuts += Favorites::listFolder(path).size();
            for (int s = 0; s < kSubFolders; ++s)
                shortcuts += Favorites::listFolder(path + QStringLiteral("Sub %1\\").arg(s)).size();
        }
        benchmark::DoNotOptimize(shortcuts);
        if (folders.size() != kTopFolders * (kSubFolders + 1))
            state.SkipWithError("wrong folder count");
    }
}

void BM_PlainWalkReadingEveryFile(benchmark::State& state)
{
    const std::string root = tree().dir.path().toStdString();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            bytes += std::string(std::istreambuf_iterator<char>(in), {}).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}

QStringList randomNames(int count)
{
    QRandomGenerator random(7);
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString name;
        const int length = 5 + int(random.bounded(30));
        for (int c = 0; c < length; ++c) {
            const int pick = int(random.bounded(60));
            name += pick < 26 ? QChar(u'a' + pick) : pick < 52 ? QChar(u'A' + pick - 26) : QChar(u' ');
        }
        names.append(name);
    }
    return names;
}

void BM_SortNames(benchmark::State& state)
{
    const QStringList names = randomNames(int(state.range(0)));
    for (auto _ : state) {
        QStringList copy = names;
        SortNames(copy);
        benchmark::DoNotOptimize(copy);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdSortCaseInsensitive(benchmark::State& state)
{
    const QStringList names = randomNames(int(state.range(0)));
    for (auto _ : state) {
        QStringList copy = names;
        std::sort(copy.begin(), copy.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        benchmark::DoNotOptimize(copy);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_FavoritesWalkAndList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWalkReadingEveryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNames)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortCaseInsensitive)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
