#include "bookmarks/trash.h"

#include "bookmarks/keys.h"
#include "platform/atomicfile.h"
#include "platform/journal.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimeZone>

#include <algorithm>

namespace Trash {

namespace {

constexpr char kMagic[] = "MARKCRATE-TRASH-1";
constexpr int kDeepest = 64; // folders within folders read back from a file, at most

void write(QDataStream& out, const Item& item)
{
    out << item.folder << item.name << item.address << qint32(item.kind) << item.bytes << qint32(item.children.size());
    for (const Item& child : item.children)
        write(out, child);
}

bool read(QDataStream& in, Item* item, int depth)
{
    qint32 kind = 0;
    qint32 children = 0;
    in >> item->folder >> item->name >> item->address >> kind >> item->bytes >> children;
    item->kind = kind;
    if (in.status() != QDataStream::Ok || children < 0 || depth > kDeepest)
        return false;
    for (qint32 i = 0; i < children; ++i) {
        Item child;
        if (!read(in, &child, depth + 1))
            return false;
        item->children.append(std::move(child));
    }
    return true;
}

QString newId(const QDateTime& when)
{
    return when.toUTC().toString(QStringLiteral("yyyyMMddHHmmsszzz")) + QLatin1Char('-') +
           QString::number(QRandomGenerator::global()->generate(), 16);
}

} // namespace

int Item::count() const
{
    if (!folder)
        return 1;
    int total = 0;
    for (const Item& child : children)
        total += child.count();
    return total;
}

QString Entry::from() const
{
    // The full path without the tree's top.
    return folderPath.section(QLatin1Char('\\'), 1);
}

Bin::Bin(QString folder) : m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/markcrate/trash");
}

QString Bin::pathOf(const QString& id) const
{
    return m_folder + QLatin1Char('/') + id + QStringLiteral(".trash");
}

QByteArray Bin::encode(const Entry& entry)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.writeRawData(kMagic, int(sizeof kMagic));
    out << qint32(entry.source) << entry.storeText << entry.folderPath << entry.removed.toMSecsSinceEpoch();
    write(out, entry.item);
    return bytes;
}

std::optional<Entry> Bin::decode(const QByteArray& bytes)
{
    if (!bytes.startsWith(QByteArray(kMagic, int(sizeof kMagic))))
        return std::nullopt;
    QDataStream in(bytes.mid(qsizetype(sizeof kMagic)));
    in.setVersion(QDataStream::Qt_6_0);
    Entry entry;
    qint32 source = 0;
    qint64 removed = 0;
    in >> source >> entry.storeText >> entry.folderPath >> removed;
    entry.source = source;
    entry.removed = QDateTime::fromMSecsSinceEpoch(removed, QTimeZone::utc());
    if (in.status() != QDataStream::Ok || !read(in, &entry.item, 0) || !in.atEnd())
        return std::nullopt;
    return entry;
}

bool Bin::put(Entry& entry, QString* why)
{
    if (!entry.removed.isValid())
        entry.removed = QDateTime::currentDateTimeUtc();
    entry.id = newId(entry.removed);
    if (!QDir().mkpath(m_folder)) {
        if (why)
            *why = QStringLiteral("the folder %1 could not be made").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    const QByteArray bytes = encode(entry);
    if (!platform::writeFileAtomically(
            pathOf(entry.id), [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, why))
        return false;
    expire();
    return true;
}

QList<Entry> Bin::entries() const
{
    QList<Entry> all;
    const QStringList names = QDir(m_folder).entryList({QStringLiteral("*.trash")}, QDir::Files);
    for (const QString& name : names) {
        QFile file(m_folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        if (std::optional<Entry> entry = decode(file.readAll())) {
            entry->id = name.chopped(6);
            all.append(std::move(*entry));
        }
    }
    std::sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
        return a.removed != b.removed ? a.removed > b.removed : a.id > b.id;
    });
    return all;
}

std::optional<Entry> Bin::find(const QString& id) const
{
    QFile file(pathOf(id));
    if (id.contains(QLatin1Char('/')) || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<Entry> entry = decode(file.readAll());
    if (entry)
        entry->id = id;
    return entry;
}

bool Bin::remove(const QString& id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return false;
    const QString path = pathOf(id);
    platform::journal::fileChanging(path);
    return QFile::remove(path) || !QFile::exists(path);
}

bool Bin::isEmpty() const
{
    return QDir(m_folder).entryList({QStringLiteral("*.trash")}, QDir::Files).isEmpty();
}

void Bin::expire(const QDateTime& now)
{
    // Ids begin with the time of removal: the names alone give the order,
    // with no file read. Not a change the user made: no step of the undo history.
    QStringList names = QDir(m_folder).entryList({QStringLiteral("*.trash")}, QDir::Files, QDir::Name | QDir::Reversed);
    const QString oldest = newId(now.addDays(-kKeptDays)).section(QLatin1Char('-'), 0, 0);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i >= kKeptEntries || names[i].section(QLatin1Char('-'), 0, 0) < oldest)
            QFile::remove(m_folder + QLatin1Char('/') + names[i]);
    }
}

Item copyOfEntry(Stores::Store& store, const Stores::Place& entry)
{
    Item item;
    item.name = entry.name;
    if (const std::optional<Stores::Entry> held = store.read(entry)) {
        item.address = held->address;
        item.kind = held->kind;
    }
    item.bytes = store.bytesOf(entry);
    return item;
}

namespace {

Item copyOf(Stores::Store& store, const Folder& folder, const QList<Folder>& all)
{
    Item item;
    item.folder = true;
    item.name = folder.place.folderText;
    for (const Stores::Place& entry : store.entries(folder.place))
        item.children.append(copyOfEntry(store, entry));
    const QString below = folder.fullPath + QLatin1Char('\\');
    for (const Folder& inner : all) {
        if (inner.fullPath.startsWith(below) && !inner.fullPath.mid(below.size()).contains(QLatin1Char('\\')))
            item.children.append(copyOf(store, inner, all));
    }
    return item;
}

} // namespace

Item copyOfFolder(Stores::Store& store, const Stores::Place& folder, const QString& fullPath)
{
    return copyOf(store, {folder, fullPath}, foldersOf(store));
}

QList<Folder> foldersOf(Stores::Store& store)
{
    QHash<QString, QString> fullPaths;
    QList<Folder> folders;
    const auto add = [&](const Stores::TreeNode& node) {
        const QString fullPath = fullPaths.value(node.parentKey, Keys::TopText) + QLatin1Char('\\') + node.text;
        fullPaths.insert(node.key, fullPath);
        folders.append({{node.key, store.folderPath(fullPath, node.text), node.text, {}, {}}, fullPath});
    };
    for (const Stores::TreeNode& top : store.tops())
        add(top);
    store.readFolders(add, [] {});
    return folders;
}

Stores::Result restore(Stores::Store& store, const Folder& into, const Item& item, bool sameStore)
{
    if (!item.folder) {
        const Stores::Result checked = store.checkNew(into.place, item.name);
        if (!checked.ok())
            return checked;
        if (!store.acceptsKind(item.kind))
            return Stores::Result::refused(item.name, {});
        const Stores::Entry entry{item.name, item.address, item.kind};
        return sameStore && !item.bytes.isEmpty() ? store.addWithBytes(into.place, entry, item.bytes)
                                                  : store.add(into.place, entry);
    }
    const Stores::Result checked = store.checkFolderName(item.name);
    if (!checked.ok())
        return checked;
    const Stores::Result made = store.addFolder(into.place, checked.what);
    if (!made.ok() && made.outcome != Stores::Result::Outcome::Exists)
        return made; // one that is there already takes what the folder held
    const QString fullPath = into.fullPath + QLatin1Char('\\') + checked.what;
    const QList<Folder> folders = foldersOf(store);
    const auto folder = std::find_if(
        folders.cbegin(), folders.cend(), [&](const Folder& candidate) { return candidate.fullPath == fullPath; });
    if (folder == folders.cend())
        return Stores::Result::failed(checked.what);
    Stores::Result result = Stores::Result::done(checked.what);
    for (const Item& child : item.children) {
        const Stores::Result put = restore(store, *folder, child, sameStore);
        if (!put.ok())
            result = put; // the rest still go back
    }
    return result;
}

} // namespace Trash
