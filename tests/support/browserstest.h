#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QUuid>

// Browser stores as the browsers leave them, made by the tests themselves.
namespace browserstest {

struct Place
{
    qint64 id;
    int type; // 1 link, 2 folder, 3 separator
    qint64 parent;
    const char* title;
    const char* guid; // empty for no fixed one
    const char* url;  // for links
};

// The roots every places database has.
inline const Place kRoots[] = {
    {1, 2, 0, "", "root________", nullptr},
    {2, 2, 1, "menu", "menu________", nullptr},
    {3, 2, 1, "toolbar", "toolbar_____", nullptr},
    {4, 2, 1, "tags", "tags________", nullptr},
    {5, 2, 1, "unfiled", "unfiled_____", nullptr},
    {6, 2, 1, "mobile", "mobile______", nullptr},
};

// A places database in WAL mode, as Firefox keeps it open: `merged` go into
// the database file, `pending` only into its -wal file, and the connection
// stays open holding an exclusive lock until the returned name is closed with
// QSqlDatabase::removeDatabase (after the database object has gone).
inline QString makePlaces(const QString& file, const QList<Place>& merged, const QList<Place>& pending)
{
    QDir().mkpath(QFileInfo(file).path());
    const QString name = QStringLiteral("browser-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    db.open();
    QSqlQuery query(db);
    query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    query.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    query.exec(QStringLiteral("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT)"));
    query.exec(
        QStringLiteral("CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, parent INTEGER, "
                       "position INTEGER, title TEXT, guid TEXT, dateAdded INTEGER)"));
    int position = 0;
    auto insert = [&](const Place& place) {
        QSqlQuery row(db);
        if (place.url) {
            row.prepare(QStringLiteral("INSERT INTO moz_places (id, url) VALUES (?, ?)"));
            row.addBindValue(place.id + 1000);
            row.addBindValue(QString::fromUtf8(place.url));
            row.exec();
        }
        row.prepare(QStringLiteral("INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid, dateAdded) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        row.addBindValue(place.id);
        row.addBindValue(place.type);
        row.addBindValue(place.url ? QVariant(place.id + 1000) : QVariant());
        row.addBindValue(place.parent);
        row.addBindValue(position++);
        row.addBindValue(QString::fromUtf8(place.title));
        row.addBindValue(place.guid ? QString::fromLatin1(place.guid) : QUuid::createUuid().toString().left(12));
        row.addBindValue(qint64(1600000000 + place.id) * 1000000); // microseconds, as Firefox keeps them
        row.exec();
    };
    for (const Place& place : kRoots)
        insert(place);
    for (const Place& place : merged)
        insert(place);
    query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    for (const Place& place : pending)
        insert(place);
    // The lock a running Firefox holds.
    query.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
    query.exec(QStringLiteral("UPDATE moz_bookmarks SET position = position WHERE id = 1"));
    return name;
}

inline QByteArray bytesOf(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace browserstest
