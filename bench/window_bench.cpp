// The program as the user waits for it, through the real controller and
// widgets on the offscreen platform, each figure beside a baseline of the
// same run: start-up with large stores beside start-up with empty ones;
// showing a folder of n entries of each store beside filling the same widget
// with n plain items; moving a bookmark with its save beside writing the
// same bytes; exporting everything beside writing the listing; sorting,
// deleting and pasting at n and 10 n.
// Large stores: a bookmark file of 100,000 links in 5,000 folders, a
// Favorites folder of 10,000 shortcuts in 400 folders, 10,000 Web Favorites
// and 100 user folders of 100 entries; and in the bookmark file, the
// Favorites folder and the user folders, one folder of 1,000 and one of
// 10,000 entries more.
#include "app/cApp.h"
#include "app/frmMain.h"
#include "bench/netscape_generate.h"
#include "bench/offscreen_main.h"
#include "bookmarks/duplicates.h"
#include "bookmarks/finder.h"
#include "bookmarks/registrystores.h"
#include "controls/KeyedListView.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/frmDuplicates.h"
#include "dialogs/messagebox.h"
#include "dialogs/modal.h"
#include "mainwindow/cMainDialog.h"
#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "store/cRegistry.h"
#include "store/cSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <memory>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kEntries = 10000;
// Besides those, a folder of 1,000 and one of 10,000 entries in each store, named "Flat <n>".
constexpr int kFlat[] = {1000, 10000};

void useHome(const QString& home)
{
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home + QStringLiteral("/.runtime")).toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (home + QStringLiteral("/etc-xdg")).toLocal8Bit());
    QDir().mkpath(home + QStringLiteral("/.runtime"));
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    platform::Registry::reset();
}

// One value under HKEY_CURRENT_USER, written as the program's own writers write it.
void write(const QString& key, const QString& name, const QVariant& value, qint32 type)
{
    cRegistry registry = userKey(key);
    registry.setKeyType(type);
    registry.setValueName(name);
    registry.setKeyValue(value);
}

// The large stores in `home`; `flat` adds to each store a folder of 1,000 and
// one of 10,000 entries, for the n and 10 n figures.
void writeLargeStores(const QString& home, bool flat)
{
    useHome(home);
    const QString bookmarks = home + QStringLiteral("/bookmarks.html");
    writeFirefoxLikeExport(bookmarks, 100000, 5000, flat ? std::vector<int>{1000, 10000} : std::vector<int>{});
    auto shortcuts = [](const QString& folder, int count, int f) {
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i) {
            std::ofstream out(QStringLiteral("%1/Shortcut %2.url").arg(folder).arg(i).toStdString(), std::ios::binary);
            out << "[InternetShortcut]\r\nURL=https://example.com/" << f << "/" << i << "\r\n";
        }
    };
    for (int f = 0; f < 400; ++f)
        shortcuts(home + QStringLiteral("/Favorites/Folder %1").arg(f), kEntries / 400, f);
    for (int count : kFlat) {
        if (flat)
            shortcuts(home + QStringLiteral("/Favorites/Flat %1 shortcuts").arg(count), count, count);
    }
    platform::RegistryBatch batch; // one write of the file
    cSettings settings;
    settings.setAppName(QStringLiteral("ORXMarkcrate"));
    settings.setBookmarkLocation(bookmarks);
    settings.Update();
    write(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
          QStringLiteral("Favorites"),
          QString(home + QStringLiteral("/Favorites")),
          cRegistry::REG_SZ);
    for (int i = 0; i < kEntries; ++i)
        write(RegistryStores::webFavoritesKey(),
              QStringLiteral("Favorite site %1").arg(i),
              QStringLiteral("http://site%1.example/").arg(i),
              cRegistry::REG_SZ);
    auto userFolder = [](const QString& name, int count, int f) {
        write(RegistryStores::userFolderKey(name), QStringLiteral("FolderName"), name, cRegistry::REG_SZ);
        for (int i = 0; i < count; ++i) {
            const QString key = RegistryStores::userEntryKey(name, QStringLiteral("Entry %1").arg(i));
            write(key,
                  QStringLiteral("URL"),
                  QStringLiteral("http://entry%1.example/%2").arg(f).arg(i),
                  cRegistry::REG_SZ);
            write(key, QStringLiteral("Type"), 0, cRegistry::REG_DWORD);
        }
    };
    for (int f = 0; f < 100; ++f)
        userFolder(QStringLiteral("Folder %1").arg(f), 100, f);
    for (int count : kFlat) {
        if (flat)
            userFolder(QStringLiteral("Flat %1").arg(count), count, count);
    }
}

struct Homes
{
    QTemporaryDir empty;
    QTemporaryDir large;
    // The large stores alone, without the flat folders.
    QTemporaryDir largeOnly;
    Homes()
    {
        useHome(empty.path());
        writeLargeStores(largeOnly.path(), false);
        writeLargeStores(large.path(), true);
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

// Runs the event loop until the find index, built in steps once the window
// shows, is complete; gives the longest step, the longest the window waited.
double buildIndex(Program& program)
{
    double longest = 0;
    for (int turn = 0; turn < 10000 && !program.app->controller()->RefreshFindIndex(false, 0); ++turn) {
        QElapsedTimer step;
        step.start();
        QApplication::processEvents();
        longest = std::max(longest, step.nsecsElapsed() / 1e6);
    }
    return longest;
}

void start(benchmark::State& state, const QString& home, bool untilIndexed)
{
    double longest = 0;
    for (auto _ : state) {
        auto program = std::make_unique<Program>(home);
        if (untilIndexed)
            longest = std::max(longest, buildIndex(*program));
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
    if (untilIndexed)
        state.counters["longest_step_ms"] = longest;
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
        buildIndex(*largeProgram); // as a user would find it: the window shown, the index built
    }
    return *largeProgram;
}

QTreeWidgetItem* nodeNamed(Program& program, const QString& text)
{
    // The key found last time is looked up as the tree does, so that a
    // benchmark does not time a walk over every node that no click makes.
    static QHash<QString, QString> keys;
    KeyedTreeView* tree = program.form->tvMain;
    if (QTreeWidgetItem* node = tree->Node(keys.value(text)); node && KeyedTreeView::Text(node) == text)
        return node;
    for (QTreeWidgetItem* node : tree->NodesInOrder()) {
        if (KeyedTreeView::Text(node) == text) {
            keys.insert(text, KeyedTreeView::Key(node));
            return node;
        }
    }
    return nullptr;
}

// A click on the folder of that name, as the tree reports it.
void show(benchmark::State& state, Program& program, const QString& folder)
{
    QTreeWidgetItem* node = nodeNamed(program, folder);
    if (!node) {
        state.SkipWithError("no such folder");
        return;
    }
    program.form->tvMain->setSelectedItem(node);
    program.app->controller()->ClickTVMain();
}

int size(const benchmark::State& state)
{
    return int(state.range(0));
}

void BM_FillListWithPlainItemsBaseline(benchmark::State& state)
{
    KeyedListView* list = large().form->lvMain;
    for (auto _ : state) {
        list->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(size(state));
        for (int i = 0; i < size(state); ++i)
            items.append(new QTreeWidgetItem(QStringList{QStringLiteral("Favorite site %1").arg(i)}));
        list->addTopLevelItems(items);
    }
    list->clear();
}

// The least a Favorites folder's first showing can cost: the folder's names
// read from the file system as plainly as it gives them, then the plain fill.
void BM_ReadFolderAndFillPlainBaseline(benchmark::State& state)
{
    KeyedListView* list = large().form->lvMain;
    const QByteArray folder =
        QFile::encodeName(homes().large.path() + QStringLiteral("/Favorites/Flat %1 shortcuts").arg(size(state)));
    for (auto _ : state) {
        list->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(size(state));
        if (DIR* directory = opendir(folder.constData())) {
            while (const dirent* entry = readdir(directory)) {
                if (entry->d_name[0] != '.')
                    items.append(new QTreeWidgetItem(QStringList{QFile::decodeName(entry->d_name)}));
            }
            closedir(directory);
        }
        list->addTopLevelItems(items);
        if (list->topLevelItemCount() != size(state)) {
            state.SkipWithError("wrong count");
            break;
        }
    }
    list->clear();
}

void showFolder(benchmark::State& state, const QString& folder)
{
    Program& program = large();
    for (auto _ : state) {
        show(state, program, folder);
        if (program.form->lvMain->Count() != size(state)) {
            state.SkipWithError("wrong count");
            break;
        }
    }
}

void BM_ShowWebFavorites(benchmark::State& state)
{
    showFolder(state, QStringLiteral("Web Favorites"));
}

void BM_ShowUserFolder(benchmark::State& state)
{
    showFolder(state, QStringLiteral("Flat %1").arg(size(state)));
}

void BM_ShowFavoritesFolder(benchmark::State& state)
{
    showFolder(state, QStringLiteral("Flat %1").arg(size(state)) + QStringLiteral(" shortcuts"));
}

void BM_ShowNetscapeFolder(benchmark::State& state)
{
    showFolder(state, QStringLiteral("Flat %1").arg(size(state)) + QStringLiteral(" links"));
}

// The same, with the folder changed before each showing: a user folder's
// listing is read again; a Favorites folder's is brought up to date from the
// names the system says changed, where it can tell them.
void showChangedFolder(benchmark::State& state, const QString& folder, const std::function<void()>& change)
{
    Program& program = large();
    for (auto _ : state) {
        state.PauseTiming();
        change();
        state.ResumeTiming();
        show(state, program, folder);
        if (program.form->lvMain->Count() != size(state)) {
            state.SkipWithError("wrong count");
            break;
        }
    }
}

void BM_ShowUserFolderChanged(benchmark::State& state)
{
    const QString folder = QStringLiteral("Flat %1").arg(size(state));
    showChangedFolder(state, folder, [&folder] {
        write(RegistryStores::userEntryKey(folder, QStringLiteral("Entry 0")),
              QStringLiteral("Type"),
              0,
              cRegistry::REG_DWORD);
    });
}

// A file made and removed in a Favorites folder of the large home.
void changeFavoritesFolder(const QString& folder)
{
    const QString scratch =
        homes().large.path() + QStringLiteral("/Favorites/") + folder + QStringLiteral("/scratch.txt");
    QFile file(scratch);
    if (file.open(QIODevice::WriteOnly))
        file.close();
    QFile::remove(scratch);
}

void BM_ShowFavoritesFolderChanged(benchmark::State& state)
{
    const QString folder = QStringLiteral("Flat %1 shortcuts").arg(size(state));
    showChangedFolder(state, folder, [&folder] { changeFavoritesFolder(folder); });
}

// A Favorites folder the window has not kept a listing of (it keeps its last
// eight, and eight others are shown first): read whole from the file system,
// or, `afterIndex`, once the find index has walked the Favorites folder again
// after a change, as it does after start-up, which keeps a folder this large.
void showFavoritesFolderFirstTime(benchmark::State& state, bool afterIndex)
{
    Program& program = large();
    const QString folder = QStringLiteral("Flat %1 shortcuts").arg(size(state));
    QList<QTreeWidgetItem*> others; // Favorites folders: their keys end in that store's
    for (QTreeWidgetItem* node : program.form->tvMain->NodesInOrder()) {
        if (others.size() < 8 && KeyedTreeView::Key(node).endsWith(QLatin1String("X3A")) &&
            KeyedTreeView::Text(node).startsWith(QLatin1String("Folder ")))
            others.append(node);
    }
    for (auto _ : state) {
        state.PauseTiming();
        for (QTreeWidgetItem* other : std::as_const(others)) {
            program.form->tvMain->setSelectedItem(other);
            program.app->controller()->ClickTVMain();
        }
        if (afterIndex) {
            changeFavoritesFolder(folder);
            program.app->controller()->RefreshFindIndex(true, -1);
        }
        state.ResumeTiming();
        show(state, program, folder);
        if (program.form->lvMain->Count() != size(state)) {
            state.SkipWithError("wrong count");
            break;
        }
    }
}

void BM_ShowFavoritesFolderFirstTime(benchmark::State& state)
{
    showFavoritesFolderFirstTime(state, false);
}

void BM_ShowFavoritesFolderFirstTimeAfterIndex(benchmark::State& state)
{
    showFavoritesFolderFirstTime(state, true);
}

void BM_SortNetscapeFolder(benchmark::State& state)
{
    Program& program = large();
    show(state, program, QStringLiteral("Flat %1 links").arg(size(state)));
    int direction = 0;
    for (auto _ : state) {
        program.app->controller()->SortList(direction);
        direction = 1 - direction;
    }
}

QString bookmarkFile()
{
    return homes().large.path() + QStringLiteral("/bookmarks.html");
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

bool writeAtomically(const QString& path, const QByteArray& bytes)
{
    QString error;
    return platform::writeFileAtomically(
        path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, &error);
}

void BM_WriteBookmarkFileBaseline(benchmark::State& state)
{
    const QString copy = homes().large.path() + QStringLiteral("/copy.html");
    const QByteArray bytes = fileBytes(bookmarkFile());
    for (auto _ : state) {
        if (!writeAtomically(copy, bytes))
            state.SkipWithError("not written");
    }
    QFile::remove(copy);
}

// The toolbar's Move Up and Move Down on the middle entry, each with its save.
void BM_MoveBookmark(benchmark::State& state)
{
    Program& program = large();
    show(state, program, QStringLiteral("Flat %1 links").arg(size(state)));
    KeyedListView* list = program.form->lvMain;
    list->setCurrentItem(list->ItemAt(size(state) / 2));
    int button = 16;
    for (auto _ : state) {
        program.app->controller()->ClickTlbMain(button);
        button = 16 + 17 - button;
    }
}

void answerOk()
{
    MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
}

// Answers every question Yes, and fails the benchmark on any other box.
struct Answers
{
    explicit Answers(benchmark::State& state)
    {
        MessageBoxes::setHook([&state](const MessageBoxes::Request& request) {
            if (request.buttons & QMessageBox::Yes)
                return QMessageBox::Yes;
            fprintf(stderr, "%s\n", qPrintable(request.text));
            state.SkipWithError("a message was shown");
            return QMessageBox::Ok;
        });
        // A dialog is answered with Enter on what it was given, as a user who
        // accepts every pasted entry would.
        Modal::setHook([](QDialog& dialog) {
            QLineEdit* edit = dialog.findChild<QLineEdit*>();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(edit, &enter);
            return 0;
        });
    }
    ~Answers()
    {
        answerOk();
        Modal::setHook({});
    }
};

// A command that changes the stores, each time on a program started afresh
// on the stores as they were (outside the timing).
template <typename Prepare, typename Command>
void onFreshStores(benchmark::State& state, Prepare prepare, Command command)
{
    largeProgram.reset();
    const QByteArray bookmarks = fileBytes(bookmarkFile());
    const QString registryFile = homes().large.path() + QStringLiteral("/.config/markcrate/registry.reg");
    const QByteArray registry = fileBytes(registryFile);
    Answers answers(state);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(homes().large.path());
        buildIndex(*program);
        prepare(*program);
        if (state.error_occurred())
            break;
        state.ResumeTiming();
        command(*program);
        if (state.error_occurred())
            break;
        state.PauseTiming();
        program.reset();
        writeBytes(bookmarkFile(), bookmarks);
        writeBytes(registryFile, registry);
        platform::Registry::reset();
        state.ResumeTiming();
    }
}

// Selects `count` entries from `first` on.
void selectRun(KeyedListView* list, int first, int count)
{
    list->clearSelection();
    list->setCurrentItem(list->ItemAt(first));
    for (int i = first; i < first + count; ++i)
        list->ItemAt(i)->setSelected(true);
}

void deleteEntries(benchmark::State& state, const QString& folder, int expected)
{
    onFreshStores(
        state,
        [&](Program& program) {
            show(state, program, folder);
            selectRun(program.form->lvMain, 1, size(state));
        },
        [&](Program& program) {
            program.app->controller()->DeleteEntries();
            if (program.form->lvMain->Count() != expected - size(state))
                state.SkipWithError("not deleted");
        });
}

// The selected entries of a Netscape folder of 10,000 deleted, with the save.
void BM_DeleteNetscapeEntries(benchmark::State& state)
{
    deleteEntries(state, QStringLiteral("Flat 10000 links"), 10000);
}

// The same in a user folder of 10,000, with the registry's save.
void BM_DeleteUserFolderEntries(benchmark::State& state)
{
    deleteEntries(state, QStringLiteral("Flat 10000"), 10000);
}

// Entries copied from a Netscape folder of 10,000 and pasted into one of 1,000.
void BM_PasteIntoNetscapeFolder(benchmark::State& state)
{
    onFreshStores(
        state,
        [&](Program& program) {
            show(state, program, QStringLiteral("Flat 10000 links"));
            // Links numbered from 1,000 on, wherever a sort has put them:
            // the first thousand names are in the target already.
            KeyedListView* list = program.form->lvMain;
            list->clearSelection();
            int selected = 0;
            for (int i = 1; i <= list->Count() && selected < size(state); ++i) {
                QTreeWidgetItem* item = list->ItemAt(i);
                if (KeyedListView::Text(item).section(QLatin1Char(' '), 2).toInt() >= 1000) {
                    if (selected++ == 0)
                        list->setCurrentItem(item);
                    item->setSelected(true);
                }
            }
            program.app->controller()->CopyEntries();
            show(state, program, QStringLiteral("Flat 1000 links"));
        },
        [&](Program& program) {
            program.app->controller()->PasteEntries();
            if (program.form->lvMain->Count() != 1000 + size(state)) {
                fprintf(stderr, "%d entries after the paste\n", program.form->lvMain->Count());
                state.SkipWithError("not pasted");
            }
        });
}

// Everything exported: the listing of every store, as the top node gives it,
// beside writing the same bytes.
QByteArray exportEverything(Program& program)
{
    program.form->tvMain->setSelectedItem(program.form->tvMain->Node(QStringLiteral("00A")));
    return program.app->controller()->ExportSelection();
}

// The duplicates view opened over the large stores (the index built, as a
// user finds it): every entry grouped, the groups shown, the view closed.
void BM_OpenDuplicatesView(benchmark::State& state)
{
    Program& program = large();
    // The stores as a user finds them: not written in the last seconds (a
    // folder changed just before it was read counts as changed until read
    // again), and the index current.
    QThread::sleep(3);
    program.app->controller()->RefreshFindIndex(true);
    int groups = 0;
    Modal::setHook([&groups](QDialog& dialog) {
        if (auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("tvGroups")))
            groups = tree->topLevelItemCount();
        return int(QDialog::Rejected);
    });
    for (auto _ : state)
        program.app->controller()->ShowDuplicates();
    Modal::setHook({});
    state.counters["groups"] = groups;
}

// The view's own part: 3,000 groups of three entries each shown, with their
// marks and quick rules, beside a plain list of the same 9,000 rows.
void BM_FillDuplicatesView(benchmark::State& state)
{
    std::vector<Find::Entry> entries;
    entries.reserve(9000);
    for (int g = 0; g < 3000; ++g) {
        for (int copy = 0; copy < 3; ++copy) {
            Find::Entry entry;
            entry.source = copy == 0 ? 4 : copy == 1 ? 3 : 1;
            entry.image = 3;
            entry.title = QStringLiteral("Page %1").arg(g);
            entry.address = (copy == 1 ? QStringLiteral("http://www.site%1.example/page/")
                                       : QStringLiteral("https://site%1.example/page"))
                                .arg(g % 97) +
                            QString::number(g);
            entries.push_back(std::move(entry));
        }
    }
    std::vector<const Find::Entry*> pointers;
    for (const Find::Entry& entry : entries)
        pointers.push_back(&entry);
    const std::vector<Duplicates::Group> groups = Duplicates::group(pointers, Duplicates::Level::Probably);
    frmDuplicates::Hooks hooks;
    hooks.find = [&groups](const frmDuplicates::Options&) { return groups; };
    hooks.readOnly = [](int) { return false; };
    hooks.keepAll = [](const Duplicates::Group&) { return false; };
    hooks.added = [](const Find::Entry&) { return qint64(0); };
    Modal::setHook([](QDialog&) { return int(QDialog::Rejected); });
    for (auto _ : state) {
        frmDuplicates view(hooks, QString());
        std::vector<const Find::Entry*> unkept;
        view.Display(nullptr, &unkept);
        state.PauseTiming();
        state.counters["groups"] = view.tvGroups()->topLevelItemCount();
        state.ResumeTiming();
    }
    Modal::setHook({});
}

void BM_ExportEverything(benchmark::State& state)
{
    Program& program = large();
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = exportEverything(program).size();
    state.counters["bytes"] = double(bytes);
}

void BM_WriteExportBaseline(benchmark::State& state)
{
    const QByteArray listing = exportEverything(large());
    const QString file = homes().large.path() + QStringLiteral("/export.txt");
    for (auto _ : state)
        writeAtomically(file, listing);
    QFile::remove(file);
}

// The program itself started on the stores, on the offscreen platform, and
// ended once it has had time to show the window and build the find index:
// its peak resident memory, as the kernel counts it for the running program
// (VmHWM). The ended process's ru_maxrss would also count this benchmark's
// own pages, which the child shares between fork and exec.
long peakKilobytesOfProgram(const QString& home, int seconds)
{
    const pid_t child = fork();
    if (child == 0) {
        useHome(home);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        execl(MARKCRATE_PROGRAM, MARKCRATE_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    sleep(unsigned(seconds));
    long kilobytes = 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(child));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                kilobytes = line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    kill(child, SIGTERM);
    int status_ = 0;
    waitpid(child, &status_, 0);
    return kilobytes;
}

void BM_PeakMemoryOfStartUp(benchmark::State& state)
{
    const QTemporaryDir* home[] = {&homes().empty, &homes().largeOnly, &homes().large};
    long kilobytes = 0;
    for (auto _ : state)
        kilobytes = peakKilobytesOfProgram(home[state.range(0)]->path(), 5);
    state.counters["peak_MB"] = double(kilobytes) / 1024.0;
}

} // namespace

// 0: empty stores; 1: the large stores; 2: those and the flat folders.
BENCHMARK(BM_PeakMemoryOfStartUp)->ArgName("stores")->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_StartWithEmptyStoresBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartWithLargeStores)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartWithLargeStoresAndIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillListWithPlainItemsBaseline)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFolderAndFillPlainBaseline)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowWebFavorites)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowUserFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFavoritesFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowUserFolderChanged)->Arg(1000)->Arg(10000)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFavoritesFolderChanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFavoritesFolderFirstTime)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFavoritesFolderFirstTimeAfterIndex)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowNetscapeFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNetscapeFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBookmarkFileBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveBookmark)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDuplicatesView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillDuplicatesView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportEverything)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteExportBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteNetscapeEntries)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteUserFolderEntries)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteIntoNetscapeFolder)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    answerOk();
    return runOffscreenBenchmarks(argc, argv, [] { largeProgram.reset(); });
}
