#include "store/restorejournal.h"

#include "base/oserror.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/snapshots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace RestoreJournal {

namespace {

QString native(const QString &path) { return QDir::toNativeSeparators(path); }
QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

// Whether anything, a dangling link too, lies under the name.
bool present(const QString &path)
{
    struct stat info {};
    return ::lstat(encoded(path).constData(), &info) == 0;
}

// A rename within the data folder: the thing itself moves, a link as a link.
QString moveTo(const QString &from, const QString &to)
{
    if (::rename(encoded(from).constData(), encoded(to).constData()) != 0)
        return osErrorText(errno);
    return {};
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// What the journal holds: where the work lies, the copy of the database
// taken before, which parts are replaced and whether each was there before,
// and whether the last step (the database) is done.
struct Journal {
    bool done = false;
    QString work; // the work folder's name, beside the database
    QString snapshot; // the path of the copy taken before
    QStringList parts;
    QStringList had; // the parts that were there before
};

QString folderOf(const QString &databasePath) { return QFileInfo(databasePath).absolutePath(); }

// Written whole under a new name and moved over the journal: a kill leaves
// the old journal or the new one, never half of one.
QString writeJournal(const QString &databasePath, const Journal &journal)
{
    QByteArray text = "prizedraw restore 1\n";
    text += "state=" + QByteArray(journal.done ? "done" : "replacing") + '\n';
    text += "work=" + journal.work.toUtf8() + '\n';
    text += "snapshot=" + journal.snapshot.toUtf8() + '\n';
    for (const QString &part : journal.parts)
        text += "part=" + part.toUtf8() + (journal.had.contains(part) ? " had" : "") + '\n';
    const QString path = journalPath(databasePath);
    const QString fresh = path + u".new"_s;
    ::unlink(encoded(fresh).constData());
    const int fd = ::open(encoded(fresh).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return osErrorText(errno);
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written) {
        ::unlink(encoded(fresh).constData());
        return osErrorText(error);
    }
    if (const QString cause = moveTo(fresh, path); !cause.isEmpty())
        return cause;
    syncFolder(folderOf(databasePath));
    return {};
}

bool readJournal(const QString &databasePath, Journal &journal)
{
    QFile file(journalPath(databasePath));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    if (lines.value(0) != "prizedraw restore 1")
        return false;
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "state")
            journal.done = value == u"done"_s;
        else if (key == "work")
            journal.work = value;
        else if (key == "snapshot")
            journal.snapshot = value;
        else if (key == "part") {
            QString name = value;
            if (name.endsWith(u" had"_s)) {
                name.chop(4);
                journal.had << name;
            }
            // Only the parts a backup carries are ever moved.
            if (parts().contains(name))
                journal.parts << name;
        }
    }
    // The work folder is one of ours beside the database, nothing else.
    return journal.work.startsWith(u".restore-"_s) && !journal.work.contains(u'/');
}

// Puts back what the steps moved, last first. Each step is a rename, so
// every part is either where it was, or moved aside with the new one in its
// place, or moved aside with nothing in its place yet. The errors, one per
// part that could not be put back.
QStringList undoParts(const QString &databasePath, const Journal &journal)
{
    const QString folder = folderOf(databasePath);
    const QString work = folder + u'/' + journal.work;
    QStringList errors;
    for (auto part = journal.parts.crbegin(); part != journal.parts.crend(); ++part) {
        const QString inUse = folder + u'/' + *part;
        const QString incoming = work + u"/new/"_s + *part;
        const QString aside = work + u"/old/"_s + *part;
        QString cause;
        const bool broughtIn = present(inUse) && !present(incoming);
        if (present(aside)) {
            if (broughtIn)
                cause = moveTo(inUse, incoming);
            if (cause.isEmpty())
                cause = moveTo(aside, inUse);
        } else if (!journal.had.contains(*part) && broughtIn) {
            cause = moveTo(inUse, incoming);
        }
        if (!cause.isEmpty())
            errors << u"%1（%2）"_s.arg(native(inUse), cause);
    }
    return errors;
}

void removeJournal(const QString &databasePath)
{
    ::unlink(encoded(journalPath(databasePath)).constData());
    ::unlink(encoded(journalPath(databasePath) + u".new"_s).constData());
    syncFolder(folderOf(databasePath));
}

int removeOne(const char *path, const struct stat *, int kind, struct FTW *)
{
    // What cannot be removed is left; the caller sees it is still there.
    if (kind == FTW_DP)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

// Whether a copy of the program holds the file or folder as its work.
bool heldByAnother(const QString &path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

const QStringList &parts()
{
    static const QStringList names = {u"config.ini"_s, u"pictures"_s, u"photos"_s};
    return names;
}

QString journalPath(const QString &databasePath) { return databasePath + u".restore-journal"_s; }

bool removeTree(const QString &path)
{
    if (!present(path))
        return true;
    // FTW_PHYS: a link is reported as itself and never entered.
    ::nftw(encoded(path).constData(), &removeOne, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
    return !present(path);
}

WorkLock::WorkLock(const QString &path)
{
    m_fd = ::open(encoded(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_EX | LOCK_NB);
}

WorkLock::~WorkLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Restore::Restore(const QString &databasePath) : m_databasePath(databasePath)
{
    const QString folder = folderOf(databasePath);
    QTemporaryDir work(folder + u"/.restore-XXXXXX"_s);
    if (!work.isValid())
        throw DbError(
            u"无法在文件夹 %1 中写入（%2），没有恢复，现在的数据没有改动。"_s.arg(native(folder), osErrorText(errno)));
    work.setAutoRemove(false);
    m_work = work.path();
    m_lock = new WorkLock(m_work);
    if (!QDir().mkpath(newFolder()) || !QDir().mkpath(m_work + u"/old"_s)) {
        removeTree(m_work);
        throw DbError(u"无法在文件夹 %1 中写入，没有恢复，现在的数据没有改动。"_s.arg(native(folder)));
    }
}

Restore::~Restore()
{
    delete m_lock;
    // A restore whose undoing failed keeps its work for the next start.
    if (!present(journalPath(m_databasePath)))
        removeTree(m_work);
}

void Restore::commit(Database &db, const QString &snapshot, const StepHook &afterStep)
{
    const QString folder = folderOf(m_databasePath);
    int step = 0;
    const auto stepDone = [&] {
        if (afterStep)
            afterStep(++step);
    };
    Journal journal;
    journal.work = QFileInfo(m_work).fileName();
    journal.snapshot = snapshot;
    for (const QString &part : parts()) {
        if (!present(newFolder() + u'/' + part))
            continue;
        journal.parts << part;
        if (present(folder + u'/' + part))
            journal.had << part;
    }
    if (const QString cause = writeJournal(m_databasePath, journal); !cause.isEmpty()) {
        removeJournal(m_databasePath);
        throw DbError(u"无法在文件夹 %1 中写入（%2），没有恢复，现在的数据没有改动。"_s.arg(native(folder), cause));
    }
    stepDone();

    const auto undone = [&](const QString &what) {
        const QStringList errors = undoParts(m_databasePath, journal);
        if (!errors.isEmpty())
            throw DbError(
                u"%1，恢复没有完成；已经换上的文件无法全部换回：%2。请关闭本程序，下次启动时会自动换回原来的数据。"_s
                    .arg(what, errors.join(u"、"_s)));
        removeJournal(m_databasePath);
        throw DbError(u"%1，没有恢复，现在的数据没有改动（数据库、设置文件和图片文件夹都没有替换）。"_s.arg(what));
    };
    for (const QString &part : std::as_const(journal.parts)) {
        const QString inUse = folder + u'/' + part;
        if (journal.had.contains(part)) {
            if (const QString cause = moveTo(inUse, m_work + u"/old/"_s + part); !cause.isEmpty())
                undone(u"无法替换 %1（%2）"_s.arg(native(inUse), cause));
            stepDone();
        }
        if (const QString cause = moveTo(newFolder() + u'/' + part, inUse); !cause.isEmpty())
            undone(u"无法替换 %1（%2）"_s.arg(native(inUse), cause));
        stepDone();
    }

    QString reopened;
    if (const QString cause = Snapshots::writeOver(db, newDatabase(), &reopened); !cause.isEmpty())
        undone(u"数据库无法写入（%1）"_s.arg(cause));
    stepDone();
    journal.done = true;
    writeJournal(m_databasePath, journal);
    stepDone();
    removeJournal(m_databasePath);
    if (!reopened.isEmpty())
        throw DbError(reopened);
}

Recovery recoverAtStart(const QString &databasePath)
{
    Recovery recovery;
    const QString folder = folderOf(databasePath);
    Journal journal;
    const bool journalThere = present(journalPath(databasePath));
    if (journalThere && readJournal(databasePath, journal)) {
        if (!journal.done) {
            QStringList errors = undoParts(databasePath, journal);
            // The database may have been written or not: the copy taken
            // before puts it back either way.
            if (!present(journal.snapshot))
                errors << u"%1（恢复之前的快照 %2 不见了）"_s.arg(native(databasePath), native(journal.snapshot));
            else if (const QString cause = Snapshots::copyFileOver(journal.snapshot, databasePath); !cause.isEmpty())
                errors << u"%1（%2）"_s.arg(native(databasePath), cause);
            if (errors.isEmpty()) {
                recovery.notices << u"上次从备份文件恢复数据时程序中途退出，恢复没有完成。已经换回恢复之前的数据"
                                    u"（数据库、设置文件和图片文件夹），可以再恢复一次。"_s;
            } else {
                recovery.notices << u"上次从备份文件恢复数据时程序中途退出，以下文件无法换回恢复之前的样子：%1。"
                                    u"请关闭占用它们的程序后重新启动本程序；恢复之前的数据库保存在快照 %2 中。"_s.arg(
                                        errors.join(u"、"_s), native(journal.snapshot));
                return recovery; // the journal stays for the next start
            }
        }
        removeTree(folder + u'/' + journal.work);
        removeJournal(databasePath);
    } else if (journalThere) {
        // Not a journal this program wrote whole: nothing can be undone by it.
        removeJournal(databasePath);
    }

    // What killed restores and snapshots left: never offered, never read.
    const QDir data(folder);
    for (const QString &name : data.entryList({u".restore-*"_s}, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System
                                                                     | QDir::NoDotAndDotDot)) {
        const QString path = data.filePath(name);
        if (!heldByAnother(path))
            removeTree(path);
    }
    const QDir backups(Snapshots::folderFor(databasePath));
    for (const QString &name :
         backups.entryList({u"*.part"_s, u"*.part-journal"_s}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = backups.filePath(name);
        if (!heldByAnother(path.endsWith(u"-journal"_s) ? path.chopped(8) : path))
            ::unlink(encoded(path).constData());
    }
    return recovery;
}

} // namespace RestoreJournal
