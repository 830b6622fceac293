#pragma once

#include "platform/journal.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

namespace Stores {
class Store;
}

// The undo history: every change the program makes to the stores is one
// step, recorded from what the stores write while the step runs. A step
// names what it changed by what identifies it in its store (a shortcut file
// or a folder of them, a registry key with its values, the run of lines of
// the bookmark file or forum list that changed) and keeps what each held
// before and after, so that undo and redo put back exactly that, and only
// while the store still holds exactly what the step left there.
namespace Undo {

// Where a store keeps its entries: a file or folder on disk, or a registry key.
struct Root
{
    int source = 0;
    QString path;
    bool registryKey = false;
};
// The roots of the stores that take changes now.
QList<Root> rootsOf(const QList<Stores::Store*>& stores);

class History final : private platform::journal::Listener
{
public:
    // At least `limit` steps are kept; the oldest go first.
    explicit History(int limit = 500);
    ~History() override;
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // What the stores write between begin() and end() is one step; a begin
    // inside a step adds to it. A step that changed nothing is not kept.
    void begin(const QString& name, const QList<Root>& roots);
    // Names the open step (the name is often known only at the end).
    void rename(const QString& name);
    void end();
    bool recording() const { return m_depth > 0; }

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    QString undoName() const;
    QString redoName() const;
    int size() const { return int(m_undo.size()); }

    struct Outcome
    {
        bool done = false;
        QString name;      // the step's
        QString why;       // why it was not done, as one message
        QSet<int> sources; // the stores it changed, to be read again
    };
    // Puts the last step's changes back, where the roots (of the stores that
    // take changes now) hold every one of them and the store still holds
    // exactly what the step left. A step refused because something changed
    // since is dropped; the rest of the history stays usable. A failed write
    // puts back what it had written and keeps the step.
    Outcome undo(const QList<Root>& roots);
    Outcome redo(const QList<Root>& roots);

private:
    struct Change;
    struct Step;
    void fileChanging(const QString& path) override;
    void keyChanging(const QString& key) override;
    void note(const QString& path, bool key);
    // Moves the step to the other side (before: undo) and tells what came of it.
    Outcome apply(std::deque<std::unique_ptr<Step>>& from,
                  std::deque<std::unique_ptr<Step>>& to,
                  bool before,
                  const QList<Root>& roots);

    size_t m_limit;
    std::deque<std::unique_ptr<Step>> m_undo;
    std::deque<std::unique_ptr<Step>> m_redo;
    std::unique_ptr<Step> m_open;
    QList<Root> m_roots;
    int m_depth = 0;
};

// One step for the life of the object.
class Recording
{
public:
    Recording(History& history, const QString& name, const QList<Root>& roots) : m_history(history)
    {
        m_history.begin(name, roots);
    }
    ~Recording() { m_history.end(); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    void rename(const QString& name) { m_history.rename(name); }

private:
    History& m_history;
};

} // namespace Undo
