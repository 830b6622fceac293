// The program as the user waits for it, through the real controller and
// widgets on the offscreen platform: start-up with large stores beside
// start-up with empty ones, and showing and sorting a list of 10,000
// entries beside filling the same widget with 10,000 plain items.
// Large stores: a bookmark file of 100,000 links in 5,000 folders, a
// Favorites folder of 10,000 shortcuts in 400 folders, 10,000 Web Favorites
// and 100 user folders of 100 entries.
#include "app/cApp.h"
#include "app/frmMain.h"
#include "bench/netscape_generate.h"
#include "bench/offscreen_main.h"
#include "bookmarks/registrystores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/messagebox.h"
#include "mainwindow/cMainDialog.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"
#include "tests/support/storetest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

namespace {

constexpr int kEntries = 10000;

void useHome(const QString& home)
{
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home + QStringLiteral("/.runtime")).toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (home + QStringLiteral("/etc-xdg")).toLocal8Bit());
    QDir().mkpath(home + QStringLiteral("/.runtime"));
    QFile::setPermissions(home + QStringLiteral("/.runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    platform::Registry::reset();
}

using storetest::write;

struct Homes
{
    QTemporaryDir empty;
    QTemporaryDir large;
    Homes()
    {
        useHome(empty.path());
        useHome(large.path());
        const QString bookmarks = large.path() + QStringLiteral("/bookmarks.html");
        writeFirefoxLikeExport(bookmarks, 100000, 5000);
        for (int f = 0; f < 400; ++f) {
            const QString folder = large.path() + QStringLiteral("/Favorites/Folder %1").arg(f);
            QDir().mkpath(folder);
            for (int i = 0; i < kEntries / 400; ++i) {
                std::ofstream out(QStringLiteral("%1/Shortcut %2.url").arg(folder).arg(i).toStdString(), std::ios::binary);
                out << "[InternetShortcut]\r\nURL=https://example.com/" << f << "/" << i << "\r\n";
            }
        }
        platform::RegistryBatch batch; // one write of the file
        cSettings settings;
        settings.setAppName(QStringLiteral("ORXMarkcrate"));
        settings.setBookmarkLocation(bookmarks);
        settings.Update();
        write(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"), QStringLiteral("Favorites"),
              QString(large.path() + QStringLiteral("/Favorites")), cRegistry::REG_SZ);
        for (int i = 0; i < kEntries; ++i)
            write(RegistryStores::webFavoritesKey(), QStringLiteral("Favorite site %1").arg(i),
                  QStringLiteral("http://site%1.example/").arg(i), cRegistry::REG_SZ);
        for (int f = 0; f < 100; ++f) {
            const QString name = QStringLiteral("Folder %1").arg(f);
            write(RegistryStores::userFolderKey(name), QStringLiteral("FolderName"), name, cRegistry::REG_SZ);
            for (int i = 0; i < 100; ++i) {
                const QString key = RegistryStores::userEntryKey(name, QStringLiteral("Entry %1").arg(i));
                write(key, QStringLiteral("URL"), QStringLiteral("http://entry%1.example/%2").arg(f).arg(i), cRegistry::REG_SZ);
                write(key, QStringLiteral("Type"), 0, cRegistry::REG_DWORD);
            }
        }
    }
};

Homes& homes()
{
    static Homes instance;
    return instance;
}

// A started program: its settings, application object and window.
struct Program
{
    cSettings settings;
    std::unique_ptr<cApp> app;
    std::unique_ptr<frmMain> form;
    explicit Program(const QString& home)
    {
        useHome(home);
        settings.setAppName(QStringLiteral("ORXMarkcrate"));
        app = std::make_unique<cApp>(settings);
        form = std::make_unique<frmMain>(settings, *app);
        app->setMainWindow(form.get());
        app->ShowForm(false);
    }
    ~Program()
    {
        form.reset();
        app.reset();
    }
};

void start(benchmark::State& state, const QString& home, bool untilIndexed)
{
    for (auto _ : state) {
        auto program = std::make_unique<Program>(home);
        if (untilIndexed)
            QApplication::processEvents(); // the find index, built once the window shows
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}

void BM_StartWithEmptyStoresBaseline(benchmark::State& state)
{
    start(state, homes().empty.path(), false);
}

void BM_StartWithLargeStores(benchmark::State& state)
{
    start(state, homes().large.path(), false);
}

void BM_StartWithLargeStoresAndIndex(benchmark::State& state)
{
    start(state, homes().large.path(), true);
}

// Started once for the list benchmarks, and closed before the application ends.
std::unique_ptr<Program> largeProgram;

Program& large()
{
    if (!largeProgram) {
        largeProgram = std::make_unique<Program>(homes().large.path());
        QApplication::processEvents(); // as a user would find it: the window shown, the index built
    }
    return *largeProgram;
}

void BM_FillListWithPlainItemsBaseline(benchmark::State& state)
{
    KeyedListView* list = large().form->lvMain;
    for (auto _ : state) {
        list->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i)
            items.append(new QTreeWidgetItem(QStringList{QStringLiteral("Favorite site %1").arg(i)}));
        list->addTopLevelItems(items);
    }
    list->clear();
}

void BM_ShowWebFavorites(benchmark::State& state)
{
    Program& program = large();
    for (auto _ : state) {
        program.form->tvMain->setSelectedItem(program.form->tvMain->Node(QStringLiteral("1A")));
        program.app->controller()->ClickTVMain();
        if (program.form->lvMain->Count() != kEntries)
            state.SkipWithError("wrong count");
    }
}

void BM_SortWebFavorites(benchmark::State& state)
{
    Program& program = large();
    program.form->tvMain->setSelectedItem(program.form->tvMain->Node(QStringLiteral("1A")));
    program.app->controller()->ClickTVMain();
    int direction = 0;
    for (auto _ : state) {
        program.app->controller()->SortList(direction);
        direction = 1 - direction;
    }
}

} // namespace

BENCHMARK(BM_StartWithEmptyStoresBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartWithLargeStores)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartWithLargeStoresAndIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillListWithPlainItemsBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowWebFavorites)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortWebFavorites)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    return runOffscreenBenchmarks(argc, argv, [] { largeProgram.reset(); });
}
