#include "bookmarks/browsers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>

namespace Browsers {

namespace {

// Deeper than any browser nests; a damaged store that loops ends here.
constexpr int kMaxDepth = 200;

QString home(const QString& below)
{
    return QDir::homePath() + QLatin1Char('/') + below;
}

// The sections of an ini file, in file order, each as key -> value.
QList<std::pair<QString, QHash<QString, QString>>> readIni(const QString& path)
{
    QList<std::pair<QString, QHash<QString, QString>>> sections;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return sections;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections.append({line.mid(1, line.size() - 2), {}});
        } else if (const qsizetype equals = line.indexOf(QLatin1Char('=')); equals > 0 && !sections.isEmpty()) {
            sections.last().second.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
    }
    return sections;
}

} // namespace

QList<Profile> firefoxProfiles()
{
    QList<Profile> profiles;
    QSet<QString> seen;
    for (const QString& base : {home(QStringLiteral(".mozilla/firefox")),
                                home(QStringLiteral("snap/firefox/common/.mozilla/firefox")),
                                home(QStringLiteral(".var/app/org.mozilla.firefox/.mozilla/firefox"))}) {
        const auto sections = readIni(base + QStringLiteral("/profiles.ini"));
        // The profile an installation starts with is its default; older
        // files mark it with Default=1.
        QSet<QString> defaults;
        for (const auto& [name, values] : sections) {
            if (name.startsWith(QLatin1String("Install")) && values.contains(QStringLiteral("Default")))
                defaults.insert(values.value(QStringLiteral("Default")));
        }
        QList<Profile> found;
        for (const auto& [name, values] : sections) {
            if (!name.startsWith(QLatin1String("Profile")) || !values.contains(QStringLiteral("Path")))
                continue;
            const QString path = values.value(QStringLiteral("Path"));
            const QString folder = values.value(QStringLiteral("IsRelative"), QStringLiteral("1")) == QLatin1String("1")
                                       ? base + QLatin1Char('/') + path
                                       : path;
            const QString file = QDir::cleanPath(folder + QStringLiteral("/places.sqlite"));
            if (!QFileInfo::exists(file) || seen.contains(file))
                continue;
            seen.insert(file);
            Profile profile{values.value(QStringLiteral("Name"), path), file};
            const bool isDefault =
                defaults.contains(path) ||
                (defaults.isEmpty() && values.value(QStringLiteral("Default")) == QLatin1String("1"));
            if (isDefault)
                found.prepend(profile);
            else
                found.append(profile);
        }
        profiles += found;
    }
    return profiles;
}

QList<Profile> chromiumProfiles()
{
    struct Browser
    {
        QString name;
        QStringList folders;
    };
    const QList<Browser> browsers = {
        {QStringLiteral("Chromium"),
         {home(QStringLiteral(".config/chromium")),
          home(QStringLiteral("snap/chromium/common/chromium")),
          home(QStringLiteral(".var/app/org.chromium.Chromium/config/chromium"))}},
        {QStringLiteral("Google Chrome"),
         {home(QStringLiteral(".config/google-chrome")),
          home(QStringLiteral(".var/app/com.google.Chrome/config/google-chrome"))}},
        {QStringLiteral("Brave"),
         {home(QStringLiteral(".config/BraveSoftware/Brave-Browser")),
          home(QStringLiteral(".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"))}},
        {QStringLiteral("Vivaldi"),
         {home(QStringLiteral(".config/vivaldi")),
          home(QStringLiteral(".var/app/com.vivaldi.Vivaldi/config/vivaldi"))}},
        {QStringLiteral("Microsoft Edge"),
         {home(QStringLiteral(".config/microsoft-edge")),
          home(QStringLiteral(".var/app/com.microsoft.Edge/config/microsoft-edge"))}},
    };
    QList<Profile> profiles;
    for (const Browser& browser : browsers) {
        for (const QString& folder : browser.folders) {
            QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            // The first profile first, as the browser lists them.
            std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
                return (a == QLatin1String("Default")) > (b == QLatin1String("Default"));
            });
            // The names the user gave the profiles, where the browser keeps them.
            QFile state(folder + QStringLiteral("/Local State"));
            QJsonObject shown;
            if (state.open(QIODevice::ReadOnly))
                shown = QJsonDocument::fromJson(state.readAll())[QLatin1String("profile")][QLatin1String("info_cache")]
                            .toObject();
            for (const QString& name : names) {
                const QString file = folder + QLatin1Char('/') + name + QStringLiteral("/Bookmarks");
                if (!QFileInfo(file).isFile())
                    continue;
                const QString title = shown.value(name)[QLatin1String("name")].toString(name);
                profiles.append(Profile{browser.name + QLatin1Char('\t') + title, file});
            }
        }
    }
    return profiles;
}

namespace {

struct PlacesRow
{
    int type = 0;
    QString title;
    QString guid;
    QString url;
    qint64 added = 0;
    std::vector<qint64> children;
};

void fillFirefoxFolder(
    const QHash<qint64, PlacesRow>& rows, qint64 id, Folder& folder, int depth, QSet<qint64>& visited)
{
    const auto parent = rows.constFind(id);
    if (depth > kMaxDepth || parent == rows.cend())
        return;
    for (qint64 child : parent->children) {
        const auto found = rows.constFind(child);
        if (found == rows.cend() || visited.contains(child))
            continue; // a damaged database whose parents loop
        visited.insert(child);
        const PlacesRow& row = *found;
        if (row.type == 1 && !row.url.isEmpty() && !row.url.startsWith(QLatin1String("place:"))) {
            folder.links.push_back(Link{row.title.isEmpty() ? row.url : row.title, row.url, row.added});
        } else if (row.type == 2) {
            Folder sub;
            sub.title = row.title;
            fillFirefoxFolder(rows, child, sub, depth + 1, visited);
            folder.folders.push_back(std::move(sub));
        }
    }
}

} // namespace

// Only the roots' fixed ids are of use: the others are not fetched.
const QString kFirefoxQuery = QStringLiteral(
    "SELECT b.id, b.type, b.parent, b.title, "
    "CASE WHEN b.guid IN ('root________', 'menu________', 'toolbar_____', 'unfiled_____', 'mobile______') THEN b.guid "
    "END, "
    "p.url, b.dateAdded FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk "
    "ORDER BY b.parent, b.position, b.id");

Folder readFirefox(const QString& placesFile, const QString& copyFolder, QString* problem)
{
    Folder root;
    auto fail = [&](const QString& why) {
        if (problem)
            *problem = QStringLiteral("\"%1\" could not be read (%2).").arg(QDir::toNativeSeparators(placesFile), why);
        return Folder{};
    };
    QDir().mkpath(copyFolder);
    QTemporaryDir copy(copyFolder + QStringLiteral("/firefox-XXXXXX"));
    if (!copy.isValid())
        return fail(QStringLiteral("no private copy could be made: %1").arg(copy.errorString()));
    // Firefox keeps recent changes in the -wal file until it merges them: both
    // are copied, byte for byte, and the browser's own files are only read.
    const QString database = copy.path() + QStringLiteral("/places.sqlite");
    if (!QFile::copy(placesFile, database))
        return fail(QStringLiteral("the copy failed"));
    if (QFileInfo::exists(placesFile + QStringLiteral("-wal")) &&
        !QFile::copy(placesFile + QStringLiteral("-wal"), database + QStringLiteral("-wal")))
        return fail(QStringLiteral("the copy of its -wal file failed"));

    QHash<qint64, PlacesRow> rows;
    QString error;
    const QString connection =
        QStringLiteral("markcrate-firefox-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(database);
        if (!db.isValid()) {
            error = QStringLiteral("the SQLite driver is missing");
        } else if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            // Room for every row at once: the table grows to a few hundred thousand.
            if (query.exec(QStringLiteral("SELECT count(*) FROM moz_bookmarks")) && query.next())
                rows.reserve(qsizetype(query.value(0).toLongLong()) + 1);
            if (!query.exec(kFirefoxQuery)) {
                error = query.lastError().text();
            } else {
                while (query.next()) {
                    const qint64 id = query.value(0).toLongLong();
                    PlacesRow& row = rows[id];
                    row.type = query.value(1).toInt();
                    row.title = query.value(3).toString();
                    row.guid = query.value(4).toString();
                    row.url = query.value(5).toString();
                    row.added = query.value(6).toLongLong() / 1000000; // microseconds
                    const qint64 parent = query.value(2).toLongLong();
                    if (parent != id)
                        rows[parent].children.push_back(id);
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!error.isEmpty())
        return fail(error);

    // The top folders by their fixed ids, under the names Firefox shows.
    const std::pair<const char*, const char*> tops[] = {{"menu________", "Bookmarks Menu"},
                                                        {"toolbar_____", "Bookmarks Toolbar"},
                                                        {"unfiled_____", "Other Bookmarks"},
                                                        {"mobile______", "Mobile Bookmarks"}};
    bool foundRoot = false;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        foundRoot = foundRoot || it->guid == QLatin1String("root________");
    if (!foundRoot && !rows.isEmpty())
        return fail(QStringLiteral("it has no bookmarks root"));
    QSet<qint64> visited;
    visited.reserve(rows.size());
    for (const auto& [guid, shown] : tops) {
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            if (it->guid != QLatin1String(guid))
                continue;
            Folder top;
            top.title = QString::fromLatin1(shown);
            visited.insert(it.key());
            fillFirefoxFolder(rows, it.key(), top, 0, visited);
            if (!top.empty())
                root.folders.push_back(std::move(top));
        }
    }
    return root;
}

namespace {

void fillChromiumFolder(const QJsonArray& children, Folder& folder, int depth)
{
    if (depth > kMaxDepth)
        return;
    for (const QJsonValue& value : children) {
        const QJsonObject node = value.toObject();
        const QString type = node.value(QLatin1String("type")).toString();
        const QString name = node.value(QLatin1String("name")).toString();
        if (type == QLatin1String("url")) {
            const QString url = node.value(QLatin1String("url")).toString();
            // Microseconds since 1601, as Windows counts.
            constexpr qint64 kFrom1601To1970 = 11644473600;
            const qint64 added = node.value(QLatin1String("date_added")).toString().toLongLong() / 1000000;
            if (!url.isEmpty())
                folder.links.push_back(
                    Link{name.isEmpty() ? url : name, url, added > kFrom1601To1970 ? added - kFrom1601To1970 : 0});
        } else if (type == QLatin1String("folder")) {
            Folder sub;
            sub.title = name;
            fillChromiumFolder(node.value(QLatin1String("children")).toArray(), sub, depth + 1);
            folder.folders.push_back(std::move(sub));
        }
    }
}

} // namespace

Folder readChromium(const QString& bookmarksFile, QString* problem)
{
    auto fail = [&](const QString& why) {
        if (problem)
            *problem =
                QStringLiteral("\"%1\" could not be read (%2).").arg(QDir::toNativeSeparators(bookmarksFile), why);
        return Folder{};
    };
    QFile file(bookmarksFile);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return fail(error.errorString());
    const QJsonObject roots = document.object().value(QLatin1String("roots")).toObject();
    if (roots.isEmpty())
        return fail(QStringLiteral("it has no bookmark roots"));
    Folder root;
    const std::pair<const char*, const char*> tops[] = {
        {"bookmark_bar", "Bookmarks bar"}, {"other", "Other bookmarks"}, {"synced", "Mobile bookmarks"}};
    for (const auto& [key, shown] : tops) {
        Folder top;
        top.title = QString::fromLatin1(shown);
        fillChromiumFolder(
            roots.value(QLatin1String(key)).toObject().value(QLatin1String("children")).toArray(), top, 0);
        if (!top.empty())
            root.folders.push_back(std::move(top));
    }
    return root;
}

void forEachFolder(const Folder& root, const std::function<void(int, int, const Folder&)>& visit)
{
    struct Open
    {
        const Folder* folder;
        int number;
    };
    std::vector<Open> pending;
    for (auto it = root.folders.rbegin(); it != root.folders.rend(); ++it)
        pending.push_back(Open{&*it, -1});
    int next = 0;
    while (!pending.empty()) {
        const Open open = pending.back();
        pending.pop_back();
        const int number = next++;
        visit(number, open.number, *open.folder);
        for (auto it = open.folder->folders.rbegin(); it != open.folder->folders.rend(); ++it)
            pending.push_back(Open{&*it, number});
    }
}

Source firefoxSource(const QList<Profile>& profiles, const QString& copyFolder)
{
    Source source;
    for (const Profile& profile : profiles) {
        source.watched << profile.file << profile.file + QStringLiteral("-wal");
        QString problem;
        Folder read = readFirefox(profile.file, copyFolder, &problem);
        if (!problem.isEmpty())
            source.problems << problem;
        if (profiles.size() == 1) {
            source.root = std::move(read);
        } else {
            read.title = profile.name;
            source.root.folders.push_back(std::move(read));
        }
    }
    return source;
}

Source chromiumSource(const QList<Profile>& profiles)
{
    Source source;
    QHash<QString, int> profilesOf;
    for (const Profile& profile : profiles)
        ++profilesOf[profile.name.section(QLatin1Char('\t'), 0, 0)];
    for (const Profile& profile : profiles) {
        source.watched << profile.file;
        QString problem;
        Folder read = readChromium(profile.file, &problem);
        if (!problem.isEmpty())
            source.problems << problem;
        const QString browser = profile.name.section(QLatin1Char('\t'), 0, 0);
        auto place = std::find_if(source.root.folders.begin(),
                                  source.root.folders.end(),
                                  [&browser](const Folder& folder) { return folder.title == browser; });
        if (place == source.root.folders.end()) {
            source.root.folders.push_back(Folder{browser, {}, {}});
            place = source.root.folders.end() - 1;
        }
        if (profilesOf.value(browser) == 1) {
            place->folders = std::move(read.folders);
            place->links = std::move(read.links);
        } else {
            read.title = profile.name.section(QLatin1Char('\t'), 1);
            place->folders.push_back(std::move(read));
        }
    }
    return source;
}

} // namespace Browsers
