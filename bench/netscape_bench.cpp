// The Netscape bookmark file at scale: a Firefox-like export of 100,000 links
// in 5,000 folders, most links with an icon address and one in five with
// the icon's data (about 72 MB). Load (records and folder tree) beside a
// plain line scan of the same file; save (one title changed) beside writing
// the same bytes, and beside the same save recorded as a step of the undo
// history, then that step undone and redone.
#include "bench/netscape_generate.h"
#include "bookmarks/netscape.h"
#include "bookmarks/undo.h"
#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>

namespace {

constexpr int kLinks = 100000;
constexpr int kFolders = 5000;

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    qint64 size = 0;
    Fixture()
    {
        path = dir.path() + QStringLiteral("/bookmarks.html");
        writeFirefoxLikeExport(path, kLinks, kFolders, {}, Icons::Real);
        size = QFileInfo(path).size();
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

// The folder tree as the window builds it, without the widgets: every folder
// once, parents first, with its node key and its parent's.
qsizetype folderTree(const NetscapeBookmarks& bookmarks)
{
    qsizetype nodes = 0;
    std::vector<int> stack{0};
    while (!stack.empty()) {
        const int folder = stack.back();
        stack.pop_back();
        for (qsizetype position : bookmarks.childrenOf(folder)) {
            const cBookmark& record = *bookmarks.records().at(position);
            if (record.BookmarkType() != cBookmark::FolderType)
                continue;
            const QString key = record.Key() + QStringLiteral("4A");
            benchmark::DoNotOptimize(key);
            ++nodes;
            stack.push_back(NetscapeBookmarks::folderNumber(record));
        }
    }
    return nodes;
}

void BM_PlainLineScan(benchmark::State& state)
{
    for (auto _ : state) {
        std::ifstream in(fixture().path.toStdString(), std::ios::binary);
        std::string line;
        qsizetype markers = 0;
        while (std::getline(in, line)) {
            markers += line.find("<A HREF=") != std::string::npos;
            markers += line.find("<DT><H3") != std::string::npos;
            markers += line.find("</DL>") != std::string::npos;
        }
        benchmark::DoNotOptimize(markers);
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

void BM_LoadRecordsAndFolderTree(benchmark::State& state)
{
    for (auto _ : state) {
        auto bookmarks = std::make_unique<NetscapeBookmarks>();
        bookmarks->load(fixture().path);
        const qsizetype nodes = folderTree(*bookmarks);
        if (bookmarks->records().Count() != kLinks + kFolders || nodes != kFolders)
            state.SkipWithError("wrong record or folder count");
        // Freeing the collection is not part of the load.
        state.PauseTiming();
        bookmarks.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

// A copy of the generated file under that name, read: the file saved is the one read, as in the window.
QString loadCopy(const QString& name, NetscapeBookmarks& bookmarks)
{
    const QString out = fixture().dir.path() + QLatin1Char('/') + name;
    QFile::remove(out);
    QFile::copy(fixture().path, out);
    bookmarks.load(out);
    return out;
}

void BM_Save(benchmark::State& state)
{
    NetscapeBookmarks bookmarks;
    const QString out = loadCopy(QStringLiteral("saved.html"), bookmarks);
    bookmarks.records().at(kLinks / 2)->setTitle(QStringLiteral("Changed title"));
    for (auto _ : state) {
        QString error;
        if (!SaveNetscapeFile(bookmarks, out, false, &error)) {
            state.SkipWithError(("save failed: " + error.toStdString()).c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

// The same save as one step of the undo history: the file read before and
// after, and only the run that changed kept.
void BM_SaveAsAnUndoStep(benchmark::State& state)
{
    NetscapeBookmarks bookmarks;
    const QString out = loadCopy(QStringLiteral("recorded.html"), bookmarks);
    Undo::History history;
    const QList<Undo::Root> roots{{4, out, false}};
    int round = 0;
    for (auto _ : state) {
        // A change each time, or the step would be dropped as changing nothing.
        bookmarks.records().at(kLinks / 2)->setTitle(QStringLiteral("Changed title %1").arg(++round));
        Undo::Recording step(history, QStringLiteral("Edit"), roots);
        QString error;
        if (!SaveNetscapeFile(bookmarks, out, false, &error)) {
            state.SkipWithError(("save failed: " + error.toStdString()).c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

// Undo then redo of one edit: each checks the whole file and writes it.
void BM_UndoAndRedoAnEdit(benchmark::State& state)
{
    NetscapeBookmarks bookmarks;
    const QString out = loadCopy(QStringLiteral("undone.html"), bookmarks);
    Undo::History history;
    const QList<Undo::Root> roots{{4, out, false}};
    {
        bookmarks.records().at(kLinks / 2)->setTitle(QStringLiteral("Changed title"));
        Undo::Recording step(history, QStringLiteral("Edit"), roots);
        QString error;
        SaveNetscapeFile(bookmarks, out, false, &error);
    }
    for (auto _ : state) {
        if (!history.undo(roots).done || !history.redo(roots).done) {
            state.SkipWithError("undo or redo refused");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * 2 * fixture().size);
}

void BM_WriteSameBytesAtomically(benchmark::State& state)
{
    NetscapeBookmarks bookmarks;
    bookmarks.load(fixture().path);
    const QByteArray bytes = bookmarks.toBytes();
    const QString out = fixture().dir.path() + QStringLiteral("/plain.html");
    for (auto _ : state) {
        platform::writeFileAtomically(out, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK(BM_PlainLineScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRecordsAndFolderTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAsAnUndoStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoAndRedoAnEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSameBytesAtomically)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
