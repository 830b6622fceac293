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
#include <QSet>
#include <QStandardPaths>
#include <QTimeZone>

#include <algorithm>

namespace Trash {

namespace {

constexpr char kMagic[] = "MARKCRATE-TRASH-1";
constexpr int kDeepest = 64; // folders within folders read back from a file, at most

void writeItem(QDataStream& out, const Item& item)
{
    out << item.folder << item.name << item.address << qint32(item.kind) << item.bytes << qint32(item.children.size());
    for (const Item& child : item.children)
        writeItem(out, child);
}

bool readItem(QDataStream& in, Item* item, int depth)
{
    qint32 kind = 0;
    qint32 children = 0;
    in >> item->folder >> item->name >> item->address >> kind >> item->bytes >> children;
    item->kind = kind;
    if (in.status() != QDataStream::Ok || children < 0 || depth > kDeepest)
        return false;
    for (qint32 i = 0; i < children; ++i) {
        Item child;
        if (!readItem(in, &child, depth + 1))
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

QString Bin::pathOf(const QString& file) const
{
    return m_folder + QLatin1Char('/') + file + QStringLiteral(".trash");
}

QByteArray Bin::encode(const QList<Entry>& entries)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.writeRawData(kMagic, int(sizeof kMagic));
    out << qint32(entries.size());
    for (const Entry& entry : entries) {
        out << entry.id.section(QLatin1Char('#'), 1).toInt() << qint32(entry.source) << entry.storeText
            << entry.folderPath << entry.removed.toMSecsSinceEpoch();
        writeItem(out, entry.item);
    }
    return bytes;
}

std::optional<QList<Entry>> Bin::decode(const QByteArray& bytes)
{
    if (!bytes.startsWith(QByteArray(kMagic, int(sizeof kMagic))))
        return std::nullopt;
    QDataStream in(bytes.mid(qsizetype(sizeof kMagic)));
    in.setVersion(QDataStream::Qt_6_0);
    qint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count < 0)
        return std::nullopt;
    QList<Entry> entries;
    for (qint32 i = 0; i < count; ++i) {
        Entry entry;
        qint32 number = 0;
        qint32 source = 0;
        qint64 removed = 0;
        in >> number >> source >> entry.storeText >> entry.folderPath >> removed;
        entry.id = QLatin1Char('#') + QString::number(number);
        entry.source = source;
        entry.removed = QDateTime::fromMSecsSinceEpoch(removed, QTimeZone::utc());
        if (in.status() != QDataStream::Ok || !readItem(in, &entry.item, 0))
            return std::nullopt;
        entries.append(std::move(entry));
    }
    if (!in.atEnd())
        return std::nullopt;
    return entries;
}

std::optional<QList<Entry>> Bin::read(const QString& file) const
{
    QFile in(pathOf(file));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QList<Entry>> entries = decode(in.readAll());
    if (entries) {
        for (Entry& entry : *entries)
            entry.id.prepend(file); // "#<number>" becomes "<file>#<number>"
    }
    return entries;
}

bool Bin::write(const QString& file, const QList<Entry>& entries, QString* why) const
{
    const QByteArray bytes = encode(entries);
    return platform::writeFileAtomically(
        pathOf(file), [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, why);
}

bool Bin::put(QList<Entry>& entries, QString* why)
{
    if (entries.isEmpty())
        return true;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString file = newId(now);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!entries[i].removed.isValid())
            entries[i].removed = now;
        entries[i].id = file + QLatin1Char('#') + QString::number(i);
    }
    if (!QDir().mkpath(m_folder)) {
        if (why)
            *why = QStringLiteral("the folder %1 could not be made").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    if (!write(file, entries, why))
        return false;
    expire(now);
    return true;
}

bool Bin::put(Entry& entry, QString* why)
{
    QList<Entry> one{entry};
    const bool kept = put(one, why);
    entry = one.first();
    return kept;
}

QList<Entry> Bin::entries() const
{
    QList<Entry> all;
    // Files are named by the time of their removal: newest first by name.
    const QStringList names =
        QDir(m_folder).entryList({QStringLiteral("*.trash")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        if (std::optional<QList<Entry>> entries = read(name.chopped(6)))
            all.append(std::move(*entries));
    }
    std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return a.removed > b.removed; });
    return all;
}

std::optional<Entry> Bin::find(const QString& id) const
{
    const QString file = id.section(QLatin1Char('#'), 0, 0);
    if (file.isEmpty() || file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')))
        return std::nullopt;
    if (const std::optional<QList<Entry>> entries = read(file)) {
        for (const Entry& entry : *entries) {
            if (entry.id == id)
                return entry;
        }
    }
    return std::nullopt;
}

bool Bin::remove(const QStringList& ids)
{
    QHash<QString, QSet<QString>> byFile;
    for (const QString& id : ids) {
        const QString file = id.section(QLatin1Char('#'), 0, 0);
        if (file.isEmpty() || file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')))
            return false;
        byFile[file].insert(id);
    }
    bool all = true;
    for (auto file = byFile.cbegin(); file != byFile.cend(); ++file) {
        const std::optional<QList<Entry>> entries = read(file.key());
        if (!entries) {
            all = all && !QFile::exists(pathOf(file.key()));
            continue;
        }
        QList<Entry> kept;
        for (const Entry& entry : *entries) {
            if (!file.value().contains(entry.id))
                kept.append(entry);
        }
        if (kept.size() == entries->size())
            continue;
        if (kept.isEmpty()) {
            platform::journal::fileChanging(pathOf(file.key()));
            all = (QFile::remove(pathOf(file.key())) || !QFile::exists(pathOf(file.key()))) && all;
        } else {
            all = write(file.key(), kept, nullptr) && all;
        }
    }
    return all;
}

bool Bin::isEmpty() const
{
    return QDir(m_folder).entryList({QStringLiteral("*.trash")}, QDir::Files).isEmpty();
}

void Bin::expire(const QDateTime& now)
{
    const platform::journal::Unrecorded unrecorded;
    const QStringList names =
        QDir(m_folder).entryList({QStringLiteral("*.trash")}, QDir::Files, QDir::Name | QDir::Reversed);
    const QDateTime oldest = now.addDays(-kKeptDays);
    int kept = 0;
    for (const QString& name : names) {
        const QString file = name.chopped(6);
        const std::optional<QList<Entry>> entries = read(file);
        if (!entries)
            continue; // not ours to remove: a file the program cannot read is left as it is
        QList<Entry> keep;
        for (const Entry& entry : *entries) {
            if (entry.removed >= oldest && kept < kKeptEntries) {
                keep.append(entry);
                ++kept;
            }
        }
        if (keep.isEmpty())
            QFile::remove(pathOf(file));
        else if (keep.size() < entries->size())
            write(file, keep, nullptr);
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
