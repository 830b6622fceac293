// The browsers' stores at scale: a Firefox profile and a Chromium Bookmarks
// file of 100,000 bookmarks in 5,000 folders. Reading each into its folder
// tree (with the walk that numbers the tree's nodes) beside what cannot be
// saved: copying and querying the database alone, parsing the JSON alone.
#include "bench/offscreen_main.h"
#include "bookmarks/browsers.h"
#include "controls/KeyedTreeView.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLinks = 100000;
constexpr int kFolders = 5000;

struct Fixture
{
    QTemporaryDir dir;
    QString places;
    QString bookmarks;
    Fixture()
    {
        places = dir.path() + QStringLiteral("/places.sqlite");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            db.setDatabaseName(places);
            db.open();
            QSqlQuery query(db);
            query.exec(QStringLiteral("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT)"));
            query.exec(QStringLiteral("CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
                                      "parent INTEGER, position INTEGER, title TEXT, guid TEXT, dateAdded INTEGER)"));
            db.transaction();
            const char* roots[] = {"root________", "menu________", "toolbar_____", "unfiled_____", "mobile______"};
            for (int i = 0; i < 5; ++i)
                query.exec(QStringLiteral("INSERT INTO moz_bookmarks VALUES (%1, 2, NULL, %2, %1, 'root', '%3', 0)")
                               .arg(i + 1)
                               .arg(i == 0 ? 0 : 1)
                               .arg(QLatin1String(roots[i])));
            QSqlQuery folder(db);
            folder.prepare(QStringLiteral("INSERT INTO moz_bookmarks VALUES (?, 2, NULL, ?, ?, ?, ?, 0)"));
            QSqlQuery place(db);
            place.prepare(QStringLiteral("INSERT INTO moz_places VALUES (?, ?)"));
            QSqlQuery link(db);
            link.prepare(QStringLiteral("INSERT INTO moz_bookmarks VALUES (?, 1, ?, ?, ?, ?, ?, 1600000000000000)"));
            qint64 id = 100;
            for (int f = 0; f < kFolders; ++f) {
                const qint64 folderId = id++;
                // Nested in groups of five under the menu, as the bookmark file benchmark nests.
                folder.addBindValue(folderId);
                // Each folder is followed by its links: the one before starts kLinks / kFolders + 1 ids back.
                folder.addBindValue(f % 5 == 0 ? qint64(2) : folderId - qint64(kLinks / kFolders) - 1);
                folder.addBindValue(f);
                folder.addBindValue(QStringLiteral("Folder %1").arg(f));
                folder.addBindValue(QStringLiteral("f%1").arg(f));
                folder.exec();
                for (int l = 0; l < kLinks / kFolders; ++l) {
                    const qint64 linkId = id++;
                    place.addBindValue(linkId);
                    place.addBindValue(
                        QStringLiteral("https://www.example%1.com/page/%2").arg(linkId % 97).arg(linkId));
                    place.exec();
                    link.addBindValue(linkId);
                    link.addBindValue(linkId);
                    link.addBindValue(folderId);
                    link.addBindValue(l);
                    link.addBindValue(QStringLiteral("Bookmark title number %1").arg(linkId));
                    link.addBindValue(QStringLiteral("l%1").arg(linkId));
                    link.exec();
                }
            }
            db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));

        bookmarks = dir.path() + QStringLiteral("/Bookmarks");
        QJsonArray top;
        for (int f = 0; f < kFolders; ++f) {
            QJsonArray children;
            for (int l = 0; l < kLinks / kFolders; ++l) {
                const int n = f * (kLinks / kFolders) + l;
                children.append(QJsonObject{
                    {QStringLiteral("type"), QStringLiteral("url")},
                    {QStringLiteral("name"), QStringLiteral("Bookmark title number %1").arg(n)},
                    {QStringLiteral("url"), QStringLiteral("https://www.example%1.com/page/%2").arg(n % 97).arg(n)}});
            }
            top.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("folder")},
                                   {QStringLiteral("name"), QStringLiteral("Folder %1").arg(f)},
                                   {QStringLiteral("children"), children}});
        }
        const QJsonObject root{
            {QStringLiteral("roots"),
             QJsonObject{{QStringLiteral("bookmark_bar"), QJsonObject{{QStringLiteral("children"), top}}}}}};
        QFile out(bookmarks);
        out.open(QIODevice::WriteOnly);
        out.write(QJsonDocument(root).toJson());
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

int countFolders(const Browsers::Folder& root)
{
    int folders = 0;
    Browsers::forEachFolder(root, [&folders](int, int, const Browsers::Folder&) { ++folders; });
    return folders;
}

void BM_CopyAndQueryDatabaseBaseline(benchmark::State& state)
{
    fixture(); // made before the timing
    for (auto _ : state) {
        QTemporaryDir copy(fixture().dir.path() + QStringLiteral("/copy-XXXXXX"));
        QFile::copy(fixture().places, copy.path() + QStringLiteral("/places.sqlite"));
        qint64 rows = 0;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("baseline"));
            db.setDatabaseName(copy.path() + QStringLiteral("/places.sqlite"));
            db.open();
            QSqlQuery query(db);
            query.setForwardOnly(true);
            query.exec(Browsers::kFirefoxQuery);
            while (query.next()) {
                benchmark::DoNotOptimize(query.value(3).toString());
                benchmark::DoNotOptimize(query.value(5).toString());
                ++rows;
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("baseline"));
        if (rows != kLinks + kFolders + 5)
            state.SkipWithError("wrong row count");
    }
}

void BM_ReadFirefoxTree(benchmark::State& state)
{
    fixture(); // made before the timing
    for (auto _ : state) {
        QString problem;
        const Browsers::Folder root = Browsers::readFirefox(fixture().places, fixture().dir.path(), &problem);
        if (!problem.isEmpty() || countFolders(root) != kFolders + 1)
            state.SkipWithError("wrong tree");
    }
}

// What the window does: the tree read and its folders added as nodes.
void BM_ShowFirefoxTree(benchmark::State& state)
{
    fixture();
    KeyedTreeView tree;
    for (auto _ : state) {
        QString problem;
        const Browsers::Folder root = Browsers::readFirefox(fixture().places, fixture().dir.path(), &problem);
        tree.AddNode({}, QStringLiteral("5A"), QStringLiteral("Firefox Bookmarks"), 2);
        Browsers::forEachFolder(root, [&tree](int number, int parent, const Browsers::Folder& folder) {
            tree.AddNode(parent < 0 ? QStringLiteral("5A") : QString::number(parent) + QStringLiteral("X5A"),
                         QString::number(number) + QStringLiteral("X5A"),
                         folder.title,
                         2);
        });
        if (tree.topLevelItemCount() != 1)
            state.SkipWithError("no tree");
        state.PauseTiming();
        tree.Clear();
        state.ResumeTiming();
    }
}

void BM_ParseJsonBaseline(benchmark::State& state)
{
    fixture(); // made before the timing
    for (auto _ : state) {
        QFile in(fixture().bookmarks);
        in.open(QIODevice::ReadOnly);
        const QJsonDocument document = QJsonDocument::fromJson(in.readAll());
        benchmark::DoNotOptimize(document.object().size());
    }
}

void BM_ReadChromiumTree(benchmark::State& state)
{
    fixture(); // made before the timing
    for (auto _ : state) {
        QString problem;
        const Browsers::Folder root = Browsers::readChromium(fixture().bookmarks, &problem);
        if (!problem.isEmpty() || countFolders(root) != kFolders + 1)
            state.SkipWithError("wrong tree");
    }
}

} // namespace

BENCHMARK(BM_CopyAndQueryDatabaseBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFirefoxTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFirefoxTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseJsonBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadChromiumTree)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
