#include "store/snapshots.h"

#include "store/proofstore.h"

#include "base/oserror.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/catalogue.h"
#include "store/dbmessages.h"
#include "store/drawlog.h"
#include "store/restorejournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <sqlite3.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Snapshots {

namespace {

const QString kStampFormat = u"yyyyMMdd-HHmmss"_s;

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

QString folderMessage(const QString &folder, const QString &cause)
{
    return u"无法在文件夹 %1 中保存数据快照（%2）。没有快照就无法撤销，所以这一步没有执行，数据没有任何改动。"
           u"请腾出磁盘空间或让这个文件夹可以写入，然后再试。"_s.arg(native(folder), cause);
}

// The folder is made here when missing; a folder marked read-only counts as
// the operator meant it, also for root, who may write anywhere.
QString prepareFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0777) != 0 && errno != EEXIST)
        return osErrorText(errno);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return osErrorText(errno);
    if (!S_ISDIR(info.st_mode))
        return u"那里有一个同名的文件，不是文件夹"_s;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(name.constData(), W_OK | X_OK) != 0)
        return osErrorText(EACCES);
    return {};
}

QString engineCause(sqlite3 *handle, int code)
{
    const int systemError = handle ? sqlite3_system_errno(handle) : 0;
    if (code == SQLITE_FULL)
        return osErrorText(ENOSPC);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return osErrorText(EBUSY);
    if (systemError != 0)
        return osErrorText(systemError);
    return QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code));
}

// Copies `from` into the database file `to` through the engine, so that the
// copy is consistent even while other programs use the source. The cause of
// a failure, empty on success.
QString backUp(sqlite3 *from, sqlite3 *to)
{
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        return engineCause(to, sqlite3_errcode(to));
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        return engineCause(to, stepped);
    return {};
}

QString offJournal(sqlite3 *handle)
{
    const int done = sqlite3_exec(handle, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
    return done == SQLITE_OK ? QString() : engineCause(handle, done);
}

void removeWithJournal(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + u"-journal"_s);
}

struct Name {
    QString stamp;
    int counter = 0;
    QString action;
};

QRegularExpression namePattern(const QString &base)
{
    return QRegularExpression(u"^"_s + QRegularExpression::escape(base)
                              + uR"(\.(\d{8}-\d{6})(?:-(\d+))?\.([^./]+)\.dll$)"_s);
}

struct Found {
    QString path;
    Name name;
};

std::vector<Found> findAll(const QString &databasePath)
{
    const QString folder = folderFor(databasePath);
    const QRegularExpression pattern = namePattern(QFileInfo(databasePath).completeBaseName());
    std::vector<Found> found;
    const QStringList files = QDir(folder).entryList({u"*.dll"_s}, QDir::Files);
    for (const QString &file : files) {
        const QRegularExpressionMatch match = pattern.match(file);
        if (match.hasMatch())
            found.push_back({folder + u'/' + file, {match.captured(1), match.captured(2).toInt(), match.captured(3)}});
    }
    // Newest first: by the time, then by the counter of copies within one second.
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.name.stamp != b.name.stamp ? a.name.stamp > b.name.stamp : a.name.counter > b.name.counter;
    });
    return found;
}

// The copy just taken stays whatever the others' names say: a clock set
// ahead once would otherwise make every new copy the oldest, removed at once.
void prune(const QString &databasePath, const QString &justTaken, const QDateTime &now)
{
    std::vector<Found> found = findAll(databasePath);
    const auto taken = std::find_if(found.begin(), found.end(), [&](const Found &f) { return f.path == justTaken; });
    if (taken != found.end())
        std::rotate(found.begin(), taken, taken + 1);
    for (size_t i = kKept; i < found.size(); ++i)
        QFile::remove(found[i].path);
    // A copy cut short by a crash; one younger may still be written by another instance.
    const QDir folder(folderFor(databasePath));
    for (const QFileInfo &part : folder.entryInfoList({u"*.dll.part"_s, u"*.dll.part-journal"_s}, QDir::Files)) {
        if (part.lastModified().secsTo(now) > 3600)
            QFile::remove(part.filePath());
    }
}

int count(sqlite3 *handle, const char *statement)
{
    sqlite3_stmt *query = nullptr;
    int result = -1;
    if (sqlite3_prepare_v2(handle, statement, -1, &query, nullptr) == SQLITE_OK && sqlite3_step(query) == SQLITE_ROW)
        result = sqlite3_column_int(query, 0);
    sqlite3_finalize(query);
    return result;
}

// A message of the start checks names the working copy and tells how to
// replace the program's own file; here the chosen file is named and the data
// in use stays.
QString refusal(const QString &message, const QString &work, const QString &shown)
{
    QString text = message;
    text.replace(native(work), native(shown));
    if (const qsizetype end = text.indexOf(u'。'); end >= 0)
        text.truncate(end + 1);
    return text + u"这个文件不能用来恢复，现在的数据没有改动。"_s;
}

} // namespace

QString folderFor(const QString &databasePath) { return QFileInfo(databasePath).absolutePath() + u"/backups"_s; }

QString copyTo(Database &db, const QString &target)
{
    db.ensureOpen();
    sqlite3 *source = db.engine();
    if (!source)
        return u"数据库驱动不是 SQLite"_s;
    sqlite3 *copy = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(target).constData(), &copy,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
    // A copy cut short is thrown away whole, so it keeps no journal: no
    // second file is opened beside it, whatever lies under that name.
    QString cause = opened == SQLITE_OK ? offJournal(copy) : engineCause(copy, opened);
    if (cause.isEmpty())
        cause = backUp(source, copy);
    if (sqlite3_close(copy) != SQLITE_OK && cause.isEmpty())
        cause = engineCause(copy, sqlite3_errcode(copy));
    if (!cause.isEmpty())
        removeWithJournal(target);
    return cause;
}

QString take(Database &db, const QString &action, const QDateTime &now)
{
    db.ensureOpen();
    if (db.isReadOnly())
        return {};
    const QString folder = folderFor(db.path());
    if (const QString cause = prepareFolder(folder); !cause.isEmpty())
        throw DbError(folderMessage(folder, cause));

    const QString prefix = folder + u'/' + QFileInfo(db.path()).completeBaseName() + u'.' + now.toString(kStampFormat);
    // Copies within one second are told apart, and kept in order, by a counter.
    // The copy is written under a name the list does not take, so that one
    // cut short (a full disk, the program killed) is never offered as a
    // snapshot. That name is made new, never opened through what lies there
    // already: a link planted in the folder would have the copy written over
    // another file; a name taken moves the counter on. The lock tells the
    // next start that the copy is no leftover.
    const QDir dir(folder);
    const QString stamped = QFileInfo(prefix).fileName();
    QString path;
    QString partial;
    int fd = -1;
    QString suffix;
    for (int counter = 2; fd < 0; ++counter) {
        if (dir.entryList({stamped + suffix + u".*.dll"_s}, QDir::Files).isEmpty()) {
            path = prefix + suffix + u'.' + action + u".dll"_s;
            partial = path + u".part"_s;
            fd = ::open(QFile::encodeName(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0600);
            if (fd < 0 && errno != EEXIST)
                throw DbError(folderMessage(folder, osErrorText(errno)));
        }
        if (fd < 0 && counter > 1000)
            throw DbError(folderMessage(folder, osErrorText(EEXIST)));
        suffix = u'-' + QString::number(counter);
    }
    ::flock(fd, LOCK_EX | LOCK_NB);
    const std::unique_ptr<int, void (*)(int *)> closeFd(new int(fd), [](int *held) {
        ::close(*held);
        delete held;
    });
    if (const QString cause = copyTo(db, partial); !cause.isEmpty())
        throw DbError(folderMessage(folder, cause));
    // The copy holds what the database holds: no wider access than it.
    if (struct stat info{}; ::stat(QFile::encodeName(db.path()).constData(), &info) == 0)
        ::fchmod(fd, info.st_mode & 0777);
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        removeWithJournal(partial);
        throw DbError(folderMessage(folder, osErrorText(error)));
    }
    prune(db.path(), path, now);
    return path;
}

std::vector<Entry> list(const QString &databasePath)
{
    std::vector<Entry> entries;
    for (const Found &found : findAll(databasePath)) {
        Entry entry;
        entry.path = found.path;
        entry.when = QDateTime::fromString(found.name.stamp, kStampFormat);
        entry.action = found.name.action;
        sqlite3 *handle = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(found.path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr)
            == SQLITE_OK) {
            entry.people = count(handle, "select count(*) from EmpNo");
            entry.items = count(handle, "select count(*) from AwardItem");
            entry.winners = count(handle, "select count(*) from AwardList");
        }
        sqlite3_close(handle);
        entries.push_back(entry);
    }
    return entries;
}

void prepareCopy(Database &db, const QString &work, const QString &shownName)
{
    db.ensureOpen();
    if (db.isReadOnly())
        throw DbError(DbMessages::readOnlyFile(db.path()));
    struct JournalGone {
        QString path;
        ~JournalGone() { QFile::remove(path + u"-journal"_s); }
    } journalGone{work};
    // Its connection goes with it at the end of this block.
    Database check(u"prizedraw-restore-check"_s);
    if (const QString error = check.open(work); !error.isEmpty())
        throw DbError(refusal(error, work, shownName));
    DrawRecord restored;
    restored.sWhen = drawRecordTime();
    restored.sEvent = DrawEvent::Restored;
    // The file's own name says which snapshot or backup it was; the field
    // holds its last 50 characters.
    restored.sItemName = QFileInfo(shownName).fileName().right(50);
    restored.sAwards = u"员工%1 奖项%2 中奖者%3"_s.arg(check.scalar(Catalogue::CountEmployees).toInt())
                           .arg(check.scalar(Catalogue::CountItems).toInt())
                           .arg(check.scalar(Catalogue::CountAllWinners).toInt())
                           .left(50);
    keepDrawRecords(check, loadDrawRecords(db), restored);
    ProofStore::keepProof(check, db.path());
}

QString copyFileOver(const QString &from, const QString &to)
{
    sqlite3 *source = nullptr;
    sqlite3 *target = nullptr;
    QString cause;
    int opened = sqlite3_open_v2(QFile::encodeName(from).constData(), &source, SQLITE_OPEN_READONLY, nullptr);
    if (opened != SQLITE_OK)
        cause = engineCause(source, opened);
    if (cause.isEmpty()) {
        opened = sqlite3_open_v2(QFile::encodeName(to).constData(), &target, SQLITE_OPEN_READWRITE, nullptr);
        // Another program reading the file is waited for, as a statement waits.
        sqlite3_busy_timeout(target, 5000);
        cause = opened == SQLITE_OK ? backUp(source, target) : engineCause(target, opened);
    }
    sqlite3_close(source);
    sqlite3_close(target);
    return cause;
}

QString writeOver(Database &db, const QString &prepared, QString *reopened)
{
    // The open connection is closed for the copy: a grid's query still open
    // on it would keep the engine from writing the whole file.
    db.close();
    const QString cause = copyFileOver(prepared, db.path());
    const QString error = db.reconnect();
    if (reopened)
        *reopened = error;
    return cause;
}

void restoreFrom(Database &db, const QString &source, const QString &shownName)
{
    const QString shown = shownName.isEmpty() ? source : shownName;
    db.ensureOpen();
    if (db.isReadOnly())
        throw DbError(DbMessages::readOnlyFile(db.path()));
    const QString folder = QFileInfo(db.path()).absolutePath();

    // The check upgrades what it opens; it works on a copy beside the
    // database, so that a snapshot or a file on a USB stick stays as it is.
    QTemporaryFile work(folder + u"/.restore-XXXXXX.dll"_s);
    if (!work.open())
        throw DbError(
            u"无法在文件夹 %1 中写入（%2），没有恢复，现在的数据没有改动。"_s.arg(native(folder), osErrorText(errno)));
    const RestoreJournal::WorkLock held(work.fileName());
    {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            throw DbError(
                u"无法读取文件 %1（%2），没有恢复，现在的数据没有改动。"_s.arg(native(shown), osErrorText(errno)));
        QByteArray block;
        while (!(block = in.read(1 << 20)).isEmpty()) {
            if (work.write(block) != block.size())
                throw DbError(u"无法在文件夹 %1 中写入（%2），没有恢复，现在的数据没有改动。"_s.arg(
                    native(folder), osErrorText(errno)));
        }
        if (in.error() != QFileDevice::NoError)
            throw DbError(
                u"无法读取文件 %1（%2），没有恢复，现在的数据没有改动。"_s.arg(native(shown), osErrorText(errno)));
        work.close();
        work.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    prepareCopy(db, work.fileName(), shown);
    take(db, restore());
    QString reopened;
    if (const QString cause = writeOver(db, work.fileName(), &reopened); !cause.isEmpty())
        throw DbError(u"数据没有恢复（%1），现在的数据没有改动。"_s.arg(cause));
    if (!reopened.isEmpty())
        throw DbError(reopened);
}

} // namespace Snapshots
