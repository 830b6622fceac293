// The registry file is rewritten after every change, so its write and read
// costs bound how fast a big user folder can be edited.
#include "platform/regfile.h"
#include "platform/registryhive.h"

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

void fill(RegKey& root, int folders, int entriesPerFolder)
{
    RegKey* base = root.addChild(QStringLiteral("Software"))->addChild(QStringLiteral("Markcrate"));
    for (int f = 0; f < folders; ++f) {
        RegKey* folder = base->addChild(QStringLiteral("Folder %1").arg(f));
        for (int e = 0; e < entriesPerFolder; ++e) {
            RegKey* entry = folder->addChild(QStringLiteral("Entry title number %1").arg(e));
            QByteArray url = "https://example.com/some/path/" + QByteArray::number(e);
            url.append('\0');
            entry->setValue(QStringLiteral("URL"), RegType::Sz, url);
            entry->setValue(QStringLiteral("Type"), RegType::Dword, QByteArray(4, '\0'));
        }
    }
}

void BM_WriteRegFile(benchmark::State& state)
{
    RegKey root;
    fill(root, 100, int(state.range(0)) / 100);
    for (auto _ : state)
        benchmark::DoNotOptimize(writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER")));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadRegFile(benchmark::State& state)
{
    RegKey source;
    fill(source, 100, int(state.range(0)) / 100);
    const QByteArray text = writeRegFile(source, QStringLiteral("HKEY_CURRENT_USER"));
    for (auto _ : state) {
        RegKey root;
        benchmark::DoNotOptimize(readRegFile(text, root, QStringLiteral("HKEY_CURRENT_USER")));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * text.size());
}

// Deleting every value of a key, in creation order, beside making them.
void BM_MakeValuesBaseline(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        RegKey key;
        for (int i = 0; i < count; ++i)
            key.setValue(QStringLiteral("Favorite %1").arg(i), RegType::Sz, QByteArray("x", 2));
        benchmark::DoNotOptimize(key.valueCount());
    }
}

void BM_MakeAndDeleteEveryValue(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        RegKey key;
        for (int i = 0; i < count; ++i)
            key.setValue(QStringLiteral("Favorite %1").arg(i), RegType::Sz, QByteArray("x", 2));
        for (int i = 0; i < count; ++i)
            key.removeValue(QStringLiteral("Favorite %1").arg(i));
        benchmark::DoNotOptimize(key.valueCount());
    }
}

// Reading a file whose one key holds n sub-keys (a user folder of n entries),
// beside reading a file of the same size whose key holds n values.
QByteArray manySubKeys(int count)
{
    RegKey root;
    RegKey* folder = root.addChild(QStringLiteral("Software"))->addChild(QStringLiteral("Folder"));
    for (int i = 0; i < count; ++i)
        folder->addChild(QStringLiteral("Entry %1").arg(i))
            ->setValue(QStringLiteral("URL"), RegType::Sz, QByteArray("u", 2));
    return writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER"));
}

QByteArray manyValues(int count)
{
    RegKey root;
    RegKey* folder = root.addChild(QStringLiteral("Software"))->addChild(QStringLiteral("Folder"));
    for (int i = 0; i < count; ++i)
        folder->setValue(QStringLiteral("Entry %1").arg(i), RegType::Sz, QByteArray("u", 2));
    return writeRegFile(root, QStringLiteral("HKEY_CURRENT_USER"));
}

void BM_ReadManyValuesBaseline(benchmark::State& state)
{
    const QByteArray text = manyValues(int(state.range(0)));
    for (auto _ : state) {
        RegKey root;
        benchmark::DoNotOptimize(readRegFile(text, root, QStringLiteral("HKEY_CURRENT_USER")));
    }
}

void BM_ReadManySubKeys(benchmark::State& state)
{
    const QByteArray text = manySubKeys(int(state.range(0)));
    for (auto _ : state) {
        RegKey root;
        benchmark::DoNotOptimize(readRegFile(text, root, QStringLiteral("HKEY_CURRENT_USER")));
    }
}

} // namespace

BENCHMARK(BM_ReadManyValuesBaseline)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadManySubKeys)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeValuesBaseline)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeAndDeleteEveryValue)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRegFile)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRegFile)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
