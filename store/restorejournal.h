#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class Database;

// A restore from a backup file replaces four things: config.ini, pictures/,
// photos/ and the database. It does so all or nothing: the steps are written
// to a journal beside the database (config.dll.restore-journal) before the
// first one, so that a restore cut short (the program killed, the power
// gone) is undone at the next start, and one that failed half-way is undone
// at once. Its work lies in one folder beside the database (.restore-XXXXXX),
// removed when it ends; the next start removes what a killed one left.
namespace RestoreJournal {

// The files and folders beside the database that a backup carries, in the
// order they are replaced.
const QStringList &parts();

// The journal's file for a database.
QString journalPath(const QString &databasePath);

// Holds an advisory lock on a work file or folder while it is in use, so that
// a start of another copy of the program does not take it for a leftover.
class WorkLock {
public:
    explicit WorkLock(const QString &path);
    ~WorkLock();
    WorkLock(const WorkLock &) = delete;
    WorkLock &operator=(const WorkLock &) = delete;

private:
    int m_fd = -1;
};

// One restore: its work folder, with new/ for what the backup brings (the
// database as config.dll and the parts) and old/ for what it replaces.
class Restore {
public:
    // Makes the work folder beside the database; throws DbError naming the
    // folder when it cannot be made.
    explicit Restore(const QString &databasePath);
    // Removes the work folder, links inside it as links.
    ~Restore();
    Restore(const Restore &) = delete;
    Restore &operator=(const Restore &) = delete;

    QString folder() const { return m_work; }
    QString newFolder() const { return m_work + QStringLiteral("/new"); }
    QString newDatabase() const { return newFolder() + QStringLiteral("/config.dll"); }

    // Called after each step that changed something on disk, with its number
    // counted from 1: the kill tests stop the process there.
    using StepHook = std::function<void(int step)>;

    // Puts the parts found in newFolder() and then the checked database
    // newDatabase() in place of those in use, `snapshot` being the copy of
    // the database in use taken just before. All or nothing: a step that fails
    // undoes the steps before it and throws DbError saying that nothing was
    // replaced; when even the undoing fails the journal stays for the next
    // start and the message says so. Once the database is in place the
    // restore is complete: a connection that cannot be opened again after it
    // is reported as such (DbError), with everything replaced.
    void commit(Database &db, const QString &snapshot, const StepHook &afterStep = {});

private:
    QString m_databasePath;
    QString m_work;
    WorkLock *m_lock = nullptr;
};

// What the start found of a restore cut short, in the operator's words.
struct Recovery {
    QStringList notices;
};

// Run at start before the database is opened: a restore cut short is undone
// (or, when its last step was done, finished) by its journal, and the work
// files that killed restores and snapshots left (.restore-* beside the
// database, backups/*.part with their journals) are removed. Links are
// removed as links, never followed.
Recovery recoverAtStart(const QString &databasePath);

// Removes a file, a link or a folder with everything in it, never following a
// link; true when nothing is left under the name.
bool removeTree(const QString &path);

} // namespace RestoreJournal
