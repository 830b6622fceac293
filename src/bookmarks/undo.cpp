#include "bookmarks/undo.h"

#include "bookmarks/stores.h"
#include "platform/filerun.h"
#include "platform/files.h"
#include "platform/registry.h"

#include <QDir>
#include <QHash>

#include <algorithm>
#include <cstring>

namespace Undo {

using platform::journal::FileState;
using platform::journal::KeyState;

namespace {

// Files larger than this keep only the run of bytes that changed: a step in
// a large bookmark file costs the lines it changed, not two copies of the file.
constexpr qsizetype kWholeFileBytes = 64 * 1024;

int depthOf(const QString& path, bool key)
{
    return int(key ? platform::splitRegistryPath(path).size() : path.count(QLatin1Char('/')));
}

} // namespace

struct History::Change
{
    int source = 0;
    QString path;
    bool key = false;
    int depth = 0;
    KeyState keyBefore;
    KeyState keyAfter;
    FileState fileBefore;
    FileState fileAfter;
    // A file changed in place, kept as the run that differs between the two.
    bool run = false;
    qint64 prefix = 0;
    qint64 suffix = 0;
    QByteArray beforeRun;
    QByteArray afterRun;
    qint64 beforeSize = 0;
    qint64 afterSize = 0;
    quint64 beforeHash = 0;
    quint64 afterHash = 0;
    // A large file's old version, held open while the step runs instead of copied.
    platform::filerun::Held held;

    QString described() const
    {
        if (key)
            return QStringLiteral("the registry key HKEY_CURRENT_USER\\") + path;
        return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
    }

    bool present(bool before) const
    {
        if (key)
            return (before ? keyBefore : keyAfter).exists;
        return run || (before ? fileBefore : fileAfter).type != FileState::Type::Absent;
    }

    bool holds(bool before) const
    {
        if (key)
            return platform::journal::captureKey(path) == (before ? keyBefore : keyAfter);
        if (run)
            return platform::filerun::holds(path, before ? beforeSize : afterSize, before ? beforeHash : afterHash);
        return platform::journal::captureFile(path) == (before ? fileBefore : fileAfter);
    }

    // Makes the store hold that side; the other side is what it holds now.
    bool put(bool before, QString* why) const
    {
        if (key)
            return platform::journal::putKey(path, before ? keyBefore : keyAfter, why);
        if (!run)
            return platform::journal::putFile(path, before ? fileBefore : fileAfter, why);
        return platform::filerun::put(path, prefix, before ? beforeRun : afterRun, suffix, why);
    }

    // The old version held open against the file as it is now: the run that differs.
    void compareHeld()
    {
        const std::optional<platform::filerun::Run> differs = platform::filerun::compare(held, path);
        if (differs) {
            run = true;
            prefix = differs->prefix;
            suffix = differs->suffix;
            beforeRun = differs->before;
            afterRun = differs->after;
            beforeSize = differs->beforeSize;
            afterSize = differs->afterSize;
            beforeHash = differs->beforeHash;
            afterHash = differs->afterHash;
        } else {
            // No longer a file to compare with (gone, or a folder now): both kept whole.
            fileBefore.type = FileState::Type::Unreadable;
            if (const std::optional<QByteArray> bytes = held.readAll()) {
                fileBefore.type = FileState::Type::File;
                fileBefore.bytes = *bytes;
            }
            fileAfter = platform::journal::captureFile(path);
        }
        held = {};
    }

    // A large file changed in place keeps the run that differs.
    void compact()
    {
        if (key || fileBefore.type != FileState::Type::File || fileAfter.type != FileState::Type::File ||
            fileBefore.bytes.size() + fileAfter.bytes.size() <= kWholeFileBytes)
            return;
        const QByteArray& a = fileBefore.bytes;
        const QByteArray& b = fileAfter.bytes;
        const qsizetype shorter = qMin(a.size(), b.size());
        prefix = platform::filerun::commonRun(a.constData(), b.constData(), shorter, false);
        suffix =
            platform::filerun::commonRun(a.constData() + a.size(), b.constData() + b.size(), shorter - prefix, true);
        beforeRun = a.mid(prefix, a.size() - prefix - suffix);
        afterRun = b.mid(prefix, b.size() - prefix - suffix);
        beforeSize = a.size();
        afterSize = b.size();
        beforeHash = platform::filerun::hashOf(a);
        afterHash = platform::filerun::hashOf(b);
        run = true;
        fileBefore = {};
        fileAfter = {};
    }
};

struct History::Step
{
    QString name;
    std::vector<Change> changes;
    QHash<QString, size_t> noted; // what was noted already, by its path
};

QList<Root> rootsOf(const QList<Stores::Store*>& stores)
{
    QList<Root> roots;
    for (const Stores::Store* store : stores) {
        if (!store)
            continue; // a store the program never writes keeps nothing here
        const Stores::Store::Storage storage = store->storage();
        for (const QString& file : storage.files)
            roots.append({store->source(), file, false});
        for (const QString& key : storage.keys)
            roots.append({store->source(), key, true});
    }
    return roots;
}

History::History(int limit) : m_limit(size_t(qMax(1, limit))) {}

History::~History()
{
    if (m_depth > 0)
        platform::journal::setListener(nullptr);
}

void History::begin(const QString& name, const QList<Root>& roots)
{
    if (m_depth++ > 0) {
        if (!name.isEmpty())
            m_open->name = name; // the inner operation knows best what was done
        return;
    }
    m_open = std::make_unique<Step>();
    m_open->name = name;
    m_roots.clear();
    for (Root root : roots) {
        if (!root.registryKey)
            root.path = platform::journal::normalRoot(root.path);
        m_roots.append(root);
    }
    platform::journal::setListener(this);
}

void History::rename(const QString& name)
{
    if (m_open)
        m_open->name = name;
}

void History::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    platform::journal::setListener(nullptr);
    std::unique_ptr<Step> step = std::move(m_open);
    std::vector<Change> kept;
    for (Change& change : step->changes) {
        if (change.key) {
            change.keyAfter = platform::journal::captureKey(change.path);
            if (change.keyAfter == change.keyBefore)
                continue;
        } else {
            if (change.held.isOpen()) {
                change.compareHeld();
            } else {
                change.fileAfter = platform::journal::captureFile(change.path);
                change.compact();
            }
            if (change.run ? change.beforeRun.isEmpty() && change.afterRun.isEmpty()
                           : change.fileAfter == change.fileBefore)
                continue;
        }
        kept.push_back(std::move(change));
    }
    if (kept.empty())
        return; // refused, failed or cancelled: nothing to take back
    step->changes = std::move(kept);
    if (step->name.isEmpty())
        step->name = QStringLiteral("Change");
    step->noted.clear();
    m_undo.push_back(std::move(step));
    while (m_undo.size() > m_limit)
        m_undo.pop_front();
    m_redo.clear();
}

void History::fileChanging(const QString& path)
{
    note(path, false);
}

void History::keyChanging(const QString& key)
{
    note(key, true);
}

void History::note(const QString& path, bool key)
{
    if (!m_open)
        return;
    const auto root = std::find_if(m_roots.cbegin(), m_roots.cend(), [&](const Root& candidate) {
        return candidate.registryKey == key && (key ? platform::journal::keyIsUnder(path, candidate.path)
                                                    : platform::journal::fileIsUnder(path, candidate.path));
    });
    if (root == m_roots.cend())
        return; // not a store's: settings, the window's place, a backup copy
    const QString id = key ? QStringLiteral("K") + platform::registryFoldedName(path) : QStringLiteral("F") + path;
    if (m_open->noted.contains(id))
        return;
    m_open->noted.insert(id, m_open->changes.size());
    Change change;
    change.source = root->source;
    change.path = path;
    change.key = key;
    change.depth = depthOf(path, key);
    if (key)
        change.keyBefore = platform::journal::captureKey(path);
    else if (!(change.held = platform::filerun::Held::open(path, kWholeFileBytes)).isOpen())
        change.fileBefore = platform::journal::captureFile(path);
    m_open->changes.push_back(std::move(change));
}

QString History::undoName() const
{
    return m_undo.empty() ? QString() : m_undo.back()->name;
}

QString History::redoName() const
{
    return m_redo.empty() ? QString() : m_redo.back()->name;
}

History::Outcome History::undo(const QList<Root>& roots)
{
    return apply(m_undo, m_redo, true, roots);
}

History::Outcome History::redo(const QList<Root>& roots)
{
    return apply(m_redo, m_undo, false, roots);
}

History::Outcome History::apply(std::deque<std::unique_ptr<Step>>& from,
                                std::deque<std::unique_ptr<Step>>& to,
                                bool before,
                                const QList<Root>& roots)
{
    Outcome outcome;
    if (from.empty() || m_depth > 0)
        return outcome;
    Step& step = *from.back();
    outcome.name = step.name;
    const QString doing = before ? QStringLiteral("undo") : QStringLiteral("redo");
    const auto refuse = [&](const QString& why) {
        outcome.why = QStringLiteral("Markcrate cannot %1 \"%2\": %3").arg(doing, step.name, why);
        from.pop_back(); // it can never be done now; the steps before it still can
        return outcome;
    };

    QList<Root> open;
    for (Root root : roots) {
        if (!root.registryKey)
            root.path = platform::journal::normalRoot(root.path);
        open.append(root);
    }
    for (const Change& change : step.changes) {
        const bool takesChanges = std::any_of(open.cbegin(), open.cend(), [&](const Root& root) {
            return root.registryKey == change.key &&
                   (change.key ? platform::journal::keyIsUnder(change.path, root.path)
                               : platform::journal::fileIsUnder(change.path, root.path));
        });
        if (!takesChanges)
            return refuse(change.described() + QStringLiteral(" belongs to a store that takes no changes now."));
    }
    for (const Change& change : step.changes) {
        if (!change.holds(!before))
            return refuse(change.described() +
                          QStringLiteral(" has changed since (another program changed it, or it was deleted for good), "
                                         "so it was left as it is."));
    }

    // What is to be there is written first, parents first; what is to go
    // goes after, deepest first: nothing is removed before its new copy stands.
    std::vector<const Change*> order;
    for (const Change& change : step.changes) {
        if (change.present(before))
            order.push_back(&change);
    }
    std::stable_sort(order.begin(), order.end(), [](const Change* a, const Change* b) { return a->depth < b->depth; });
    const size_t writes = order.size();
    for (const Change& change : step.changes) {
        if (!change.present(before))
            order.push_back(&change);
    }
    std::stable_sort(order.begin() + qsizetype(writes), order.end(), [](const Change* a, const Change* b) {
        return a->depth > b->depth;
    });

    platform::RegistryBatch batch;
    std::vector<const Change*> done;
    QString why;
    bool ok = true;
    for (const Change* change : order) {
        done.push_back(change);
        if (!change->put(before, &why) || !change->holds(before)) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        // Back to what the store held: nothing half done.
        for (auto change = done.rbegin(); change != done.rend(); ++change)
            (*change)->put(!before, nullptr);
        outcome.why = QStringLiteral("Markcrate could not %1 \"%2\": %3. Nothing was changed.")
                          .arg(doing, step.name, why.isEmpty() ? QStringLiteral("it did not read back") : why);
        for (const Change* change : done)
            outcome.sources.insert(change->source);
        return outcome;
    }
    for (const Change& change : step.changes)
        outcome.sources.insert(change.source);
    outcome.done = true;
    to.push_back(std::move(from.back()));
    from.pop_back();
    return outcome;
}

} // namespace Undo
