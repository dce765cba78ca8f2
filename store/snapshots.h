#pragma once
#include <QDateTime>
#include <QString>
#include <vector>

class Database;

// Copies of the database taken before each action that changes it for good, so
// that a wrong click on the night can be undone. They lie in backups/ beside
// the database, named with the time and the action
// (config.20261209-201503.重置.dll); the newest kKept are kept.
namespace Snapshots {

constexpr int kKept = 30;

// The actions, as they appear in the snapshots' names and in the list.
inline QString reset() { return QStringLiteral("重置"); }
inline QString clearRoster() { return QStringLiteral("清除员工"); }
inline QString deletePrizeItem() { return QStringLiteral("删除奖项"); }
inline QString importRoster() { return QStringLiteral("导入员工"); }
inline QString restore() { return QStringLiteral("恢复"); }
inline QString deleteWinner() { return QStringLiteral("删除中奖者"); }
inline QString absentWinner() { return QStringLiteral("弃奖"); }

struct Entry {
    QString path;
    QDateTime when;
    QString action;
    // -1 when the file cannot be read as a database.
    int people = -1;
    int items = -1;
    int winners = -1;
};

QString folderFor(const QString &databasePath);

// Copies the open database consistently (SQLite's online backup) into the
// folder before `action`. Nothing destructive may run without it: a copy that
// cannot be written (full disk, read-only or missing folder) throws DbError
// with a message naming the folder, and the caller changes nothing. A
// read-only database is not copied: its action fails on its own. Returns the
// snapshot's path, empty when none was needed.
QString take(Database &db, const QString &action, const QDateTime &now = QDateTime::currentDateTime());

// Copies the open database consistently into `target` (replaced); the text of
// the failure, empty on success.
QString copyTo(Database &db, const QString &target);

// The snapshots of the database, newest first, with their counts.
std::vector<Entry> list(const QString &databasePath);

// Puts the data of `source` (a snapshot or a database copied in from
// elsewhere) in place of the open database's. The source is checked as a
// database is at start, on a copy that gets the schema steps it lacks, so the
// source itself is never written; then the data in use is kept as a snapshot
// and the checked copy written over it through the open connection, and the
// connection is opened again. `shownName` names the file in messages (the
// backup file a database came out of). Throws DbError; on failure the data in
// use is as it was.
void restoreFrom(Database &db, const QString &source, const QString &shownName = {});

// The steps of restoreFrom one by one, for a restore that replaces more than
// the database (admin/backupfile.h).
// Checks the database file `work` (the restore's own copy: it is upgraded) as
// restoreFrom checks its source, then gives it the draw record of the data in
// use, its own records that record lacks and a record of the restore naming
// `shownName` (the draw record only grows). Throws DbError naming
// `shownName`; the data in use is not touched.
void prepareCopy(Database &db, const QString &work, const QString &shownName);
// Writes a prepared copy over the open database through the engine and opens
// the connection again. Returns the cause when the copy failed (the database
// is as it was), empty when it is in place; `reopened` gets the message of a
// connection that could not be opened again.
QString writeOver(Database &db, const QString &prepared, QString *reopened);
// Copies one database file over another through the engine, for the start,
// when the program has neither open; the cause of a failure, empty on success.
QString copyFileOver(const QString &from, const QString &to);

} // namespace Snapshots
