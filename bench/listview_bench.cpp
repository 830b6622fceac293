// Filling the window's list with 10,000 and 100,000 entries the way a folder
// is shown (a key, a text and an image each), beside the same widget class
// filled with plain items: the difference is what the list adds per entry.
#include "bench/offscreen_main.h"
#include "controls/KeyedListView.h"

#include <QTreeWidget>

#include <benchmark/benchmark.h>

namespace {

void BM_PlainItemsBaseline(benchmark::State& state)
{
    QTreeWidget widget;
    const int count = int(state.range(0));
    for (auto _ : state) {
        widget.clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(count);
        for (int i = 0; i < count; ++i)
            items.append(new QTreeWidgetItem(QStringList{QStringLiteral("Site %1").arg(i)}));
        widget.addTopLevelItems(items);
        benchmark::DoNotOptimize(widget.topLevelItemCount());
    }
}
BENCHMARK(BM_PlainItemsBaseline)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_KeyedListWithImages(benchmark::State& state)
{
    KeyedListView list;
    const int count = int(state.range(0));
    for (auto _ : state) {
        list.Clear();
        for (int i = 0; i < count; ++i)
            list.AddItem(QString::number(i) + QStringLiteral("X4A"), QStringLiteral("Site %1").arg(i), 3);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_KeyedListWithImages)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// As a folder is shown: the entries in one batch.
void BM_KeyedListBatch(benchmark::State& state)
{
    KeyedListView list;
    const int count = int(state.range(0));
    for (auto _ : state) {
        list.Clear();
        QList<KeyedListView::Entry> entries;
        entries.reserve(count);
        for (int i = 0; i < count; ++i)
            entries.append({QString::number(i) + QStringLiteral("X4A"), QStringLiteral("Site %1").arg(i), 3});
        list.AddItems(entries);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_KeyedListBatch)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
